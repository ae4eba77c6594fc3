#include "cleanup/megabytes.h"

#include <cmath>

namespace kestrane {

std::int64_t ToMegabytes(std::int64_t bytes) {
  // nearbyint rounds in the default mode: to nearest, halves to even.
  return static_cast<std::int64_t>(std::nearbyint(static_cast<double>(bytes) / 1048576.0));
}

std::string MegabyteFigure(std::int64_t megabytes) { return std::to_string(megabytes) + " MB"; }

}  // namespace kestrane
