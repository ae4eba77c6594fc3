// Whole-file reading and writing with the system's own error texts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrane {

// Reads the file, letting others read but not write it meanwhile. Throws std::runtime_error
// "Cannot open file "<full path>". <system reason>" when it cannot be opened or read.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

// Creates or empties the file and writes the bytes. Throws
// "Cannot create file "<full path>". <system reason>".
void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Writes the text to a temporary file in the same folder and renames it over the file, so a reader
// never sees half of it. Throws "Cannot create file "<path>". <reason>" when it cannot.
void ReplaceFileAtomically(const std::string& path, const std::string& text);

// The folder of the running program's executable, without a trailing separator.
std::string ProgramFolder();

}  // namespace kestrane
