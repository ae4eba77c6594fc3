// The clean-up's figures: whole megabytes.
#pragma once

#include <cstdint>
#include <string>

namespace kestrane {

// Bytes to whole megabytes, a value exactly halfway going to the even neighbour.
std::int64_t ToMegabytes(std::int64_t bytes);
// "512 MB"
std::string MegabyteFigure(std::int64_t megabytes);

}  // namespace kestrane
