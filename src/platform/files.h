// Whole-file reading and writing with the system's own error texts.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrane {

// Reads the file, letting others read but not write it meanwhile. Throws std::runtime_error
// "Cannot open file "<full path>". <system reason>" when it cannot be opened or read.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

// A file's bytes as read-only memory, straight from the system's cache: a large file read whole
// without being copied. While it is open the file cannot be renamed or replaced on Windows, and on
// a POSIX system nothing may shorten it in place.
class FileView {
 public:
  // Nothing when there is no such file; throws as ReadWholeFile for any other failure.
  static std::optional<FileView> Open(const std::string& path);
  FileView(FileView&& other) noexcept;
  FileView& operator=(FileView&&) = delete;
  ~FileView();

  std::string_view Text() const { return {data_, size_}; }

 private:
  FileView(const char* data, std::size_t size) : data_(data), size_(size) {}
  const char* data_;
  std::size_t size_;
};

// Creates or empties the file and writes the bytes. Throws
// "Cannot create file "<full path>". <system reason>".
void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Writes the text to a temporary file in the same folder and renames it over the file, so a reader
// never sees half of it. Throws "Cannot create file "<path>". <reason>" when it cannot.
void ReplaceFileAtomically(const std::string& path, const std::string& text);

// Gives the file a new name in its folder unless that name is taken: false when it is. Throws
// "Cannot rename file "<full path>". <system reason>" on any other failure.
bool RenameIfFree(const std::string& from, const std::string& to);

// An exclusive lock on the file (made when missing, never removed), held while the object lives:
// another holder, in this process or another, waits. A holder that ends without releasing it loses
// it. Waits up to `wait` and then throws "Cannot lock file "<full path>". <system reason>", as when
// the file cannot be made.
class FileLock {
 public:
  FileLock(const std::string& path, std::chrono::milliseconds wait);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  struct Held;
  std::unique_ptr<Held> held_;
};

// The folder of the running program's executable, without a trailing separator.
std::string ProgramFolder();

}  // namespace kestrane
