#include "imageset/png.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace kestrane {
namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t ReadBE32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

void PutBE32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v >> 24));
  out.push_back(static_cast<std::uint8_t>(v >> 16));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}

void PutChunk(std::vector<std::uint8_t>& out, const char type[4], const std::vector<std::uint8_t>& data) {
  PutBE32(out, static_cast<std::uint32_t>(data.size()));
  std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  uLong crc = crc32(0L, out.data() + start, static_cast<uInt>(out.size() - start));
  PutBE32(out, static_cast<std::uint32_t>(crc));
}

std::uint8_t Paeth(int a, int b, int c) {
  int p = a + b - c;
  int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return static_cast<std::uint8_t>(a);
  return static_cast<std::uint8_t>(pb <= pc ? b : c);
}

}  // namespace

RgbaImage DecodePng(const std::vector<std::uint8_t>& file) {
  if (file.size() < 8 || std::memcmp(file.data(), kSignature, 8) != 0) throw PngError("not a PNG image");
  std::size_t pos = 8;
  RgbaImage image;
  bool header = false;
  bool ended = false;
  std::vector<std::uint8_t> compressed;
  while (!ended) {
    if (file.size() - pos < 12) throw PngError("the PNG image is truncated");
    std::uint32_t length = ReadBE32(&file[pos]);
    if (length > file.size() - pos - 12) throw PngError("the PNG image is truncated");
    const std::uint8_t* type = &file[pos + 4];
    const std::uint8_t* data = &file[pos + 8];
    uLong crc = crc32(0L, type, length + 4);
    if (crc != ReadBE32(data + length)) throw PngError("a PNG chunk is damaged");
    if (std::memcmp(type, "IHDR", 4) == 0) {
      if (header || length != 13) throw PngError("the PNG header is damaged");
      std::uint32_t w = ReadBE32(data), h = ReadBE32(data + 4);
      if (w == 0 || h == 0 || w > kLargestPngSide || h > kLargestPngSide) {
        throw PngError("the PNG image is " + std::to_string(w) + " by " + std::to_string(h) +
                       " pixels; at most " + std::to_string(kLargestPngSide) + " a side are read");
      }
      if (data[8] != 8 || data[9] != 6) {
        throw PngError("only 8-bit RGBA PNG images are read (bit depth " + std::to_string(data[8]) +
                       ", colour type " + std::to_string(data[9]) + ")");
      }
      if (data[10] != 0 || data[11] != 0) throw PngError("the PNG image uses an unknown method");
      if (data[12] != 0) throw PngError("interlaced PNG images are not read");
      image.width = static_cast<int>(w);
      image.height = static_cast<int>(h);
      header = true;
    } else if (std::memcmp(type, "IDAT", 4) == 0) {
      if (!header) throw PngError("the PNG image has no header");
      compressed.insert(compressed.end(), data, data + length);
    } else if (std::memcmp(type, "IEND", 4) == 0) {
      ended = true;
    } else if (!(type[0] & 0x20)) {
      throw PngError("the PNG image has an unknown critical chunk");
    }
    pos += 12 + length;
  }
  if (!header || compressed.empty()) throw PngError("the PNG image has no pixels");

  const std::size_t stride = static_cast<std::size_t>(image.width) * 4;
  std::vector<std::uint8_t> raw((stride + 1) * image.height);
  uLongf rawLength = static_cast<uLongf>(raw.size());
  int z = uncompress(raw.data(), &rawLength, compressed.data(), static_cast<uLong>(compressed.size()));
  if (z != Z_OK || rawLength != raw.size()) throw PngError("the PNG pixel data is damaged");

  image.rgba.resize(stride * image.height);
  for (int y = 0; y < image.height; ++y) {
    const std::uint8_t* in = &raw[y * (stride + 1)];
    std::uint8_t* out = &image.rgba[y * stride];
    const std::uint8_t* up = y > 0 ? out - stride : nullptr;
    std::uint8_t filter = in[0];
    ++in;
    for (std::size_t x = 0; x < stride; ++x) {
      int a = x >= 4 ? out[x - 4] : 0;
      int b = up ? up[x] : 0;
      int c = (up && x >= 4) ? up[x - 4] : 0;
      int v = in[x];
      switch (filter) {
        case 0: break;
        case 1: v += a; break;
        case 2: v += b; break;
        case 3: v += (a + b) / 2; break;
        case 4: v += Paeth(a, b, c); break;
        default: throw PngError("the PNG pixel data is damaged");
      }
      out[x] = static_cast<std::uint8_t>(v);
    }
  }
  return image;
}

std::vector<std::uint8_t> EncodePng(const RgbaImage& image) {
  std::vector<std::uint8_t> out(kSignature, kSignature + 8);
  std::vector<std::uint8_t> ihdr;
  PutBE32(ihdr, static_cast<std::uint32_t>(image.width));
  PutBE32(ihdr, static_cast<std::uint32_t>(image.height));
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
  PutChunk(out, "IHDR", ihdr);
  const std::size_t stride = static_cast<std::size_t>(image.width) * 4;
  std::vector<std::uint8_t> raw;
  for (int y = 0; y < image.height; ++y) {
    raw.push_back(0);
    raw.insert(raw.end(), image.rgba.begin() + y * stride, image.rgba.begin() + (y + 1) * stride);
  }
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<std::uint8_t> idat(size);
  compress2(idat.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 9);
  idat.resize(size);
  PutChunk(out, "IDAT", idat);
  PutChunk(out, "IEND", {});
  return out;
}

std::vector<std::uint32_t> PremultipliedBgra(const RgbaImage& image) {
  std::vector<std::uint32_t> out(static_cast<std::size_t>(image.width) * image.height);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const std::uint8_t* p = &image.rgba[i * 4];
    std::uint32_t a = p[3];
    auto scale = [a](std::uint32_t c) { return (c * a + 127) / 255; };
    out[i] = (a << 24) | (scale(p[0]) << 16) | (scale(p[1]) << 8) | scale(p[2]);
  }
  return out;
}

}  // namespace kestrane
