#include "imageset/png.h"

#include <gtest/gtest.h>

#include <zlib.h>

namespace kestrane {
namespace {

RgbaImage Gradient(int w, int h) {
  RgbaImage image{w, h, {}};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      image.rgba.insert(image.rgba.end(), {static_cast<std::uint8_t>(x * 16), static_cast<std::uint8_t>(y * 16),
                                           static_cast<std::uint8_t>(x ^ y), static_cast<std::uint8_t>(x * y)});
    }
  }
  return image;
}

std::string ErrorOf(const std::vector<std::uint8_t>& file) {
  try {
    DecodePng(file);
  } catch (const PngError& e) {
    return e.what();
  }
  return "";
}

// Rewrites the IHDR field at `offset` (counted from the chunk's data) and mends its CRC.
std::vector<std::uint8_t> WithHeaderByte(std::vector<std::uint8_t> file, int offset, std::uint8_t value) {
  file[16 + offset] = value;
  uLong crc = crc32(0L, &file[12], 17);
  for (int i = 0; i < 4; ++i) file[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
  return file;
}

TEST(Png, RoundTripsRgbaPixels) {
  RgbaImage image = Gradient(16, 15);
  RgbaImage back = DecodePng(EncodePng(image));
  EXPECT_EQ(back.width, 16);
  EXPECT_EQ(back.height, 15);
  EXPECT_EQ(back.rgba, image.rgba);
}

TEST(Png, RefusesOtherKindsWithAReason) {
  std::vector<std::uint8_t> good = EncodePng(Gradient(4, 4));
  EXPECT_EQ(ErrorOf({}), "not a PNG image");
  EXPECT_NE(ErrorOf(WithHeaderByte(good, 9, 2)).find("only 8-bit RGBA"), std::string::npos);   // RGB
  EXPECT_NE(ErrorOf(WithHeaderByte(good, 8, 16)).find("only 8-bit RGBA"), std::string::npos);  // 16-bit
  EXPECT_EQ(ErrorOf(WithHeaderByte(good, 12, 1)), "interlaced PNG images are not read");
  EXPECT_NE(ErrorOf(WithHeaderByte(good, 0, 0x7F)).find("at most 1024"), std::string::npos);  // huge width
  std::vector<std::uint8_t> damaged = good;
  damaged[40] ^= 0xFF;
  EXPECT_EQ(ErrorOf(damaged), "a PNG chunk is damaged");
  EXPECT_EQ(ErrorOf(std::vector<std::uint8_t>(good.begin(), good.end() - 12)), "the PNG image is truncated");
}

TEST(Png, PremultipliesForWindows) {
  RgbaImage image{2, 1, {255, 128, 0, 255, 255, 255, 255, 128}};
  std::vector<std::uint32_t> px = PremultipliedBgra(image);
  EXPECT_EQ(px[0], 0xFFFF8000u);
  EXPECT_EQ(px[1], 0x80808080u);
}

}  // namespace
}  // namespace kestrane
