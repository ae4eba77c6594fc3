// PNG encoding and decoding on zlib, for the 8-bit RGBA images of the image set.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace kestrane {

// Straight (not premultiplied) RGBA, row by row from the top.
struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;  // width * height * 4
};

class PngError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr int kLargestPngSide = 1024;

// Decodes an 8-bit RGBA, non-interlaced PNG of at most 1024 pixels a side; any other PNG, and
// any damaged one, throws PngError with a reason.
RgbaImage DecodePng(const std::vector<std::uint8_t>& file);
std::vector<std::uint8_t> EncodePng(const RgbaImage& image);

// Premultiplied BGRA words (0xAARRGGBB with the colour scaled by alpha), as Windows alpha
// bitmaps and icons take them.
std::vector<std::uint32_t> PremultipliedBgra(const RgbaImage& image);

}  // namespace kestrane
