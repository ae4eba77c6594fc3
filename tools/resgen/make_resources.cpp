// Writes resources.dat, the image set file, from the images the program draws in code, and
// optionally the program icon made from the same badge.
// Usage: make_resources OUTPUT.dat [ICON.ico]
#include <cstdio>
#include <exception>
#include <vector>

#include "imageset/default_images.h"
#include "platform/files.h"

namespace {

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, unsigned v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// One 32-bit icon image (BITMAPINFOHEADER, bottom-up pixels, an all-zero AND mask), the
// image scaled up by whole pixels.
std::vector<std::uint8_t> IconImage(const kestrane::RgbaImage& image, int size) {
  std::vector<std::uint8_t> out;
  Put32(out, 40);
  Put32(out, size);
  Put32(out, size * 2);
  Put16(out, 1);
  Put16(out, 32);
  for (int i = 0; i < 6; ++i) Put32(out, 0);
  for (int y = size - 1; y >= 0; --y) {
    for (int x = 0; x < size; ++x) {
      const std::uint8_t* p = &image.rgba[((y * image.height / size) * image.width + x * image.width / size) * 4];
      out.insert(out.end(), {p[2], p[1], p[0], p[3]});
    }
  }
  int maskRow = ((size + 31) / 32) * 4;
  out.insert(out.end(), static_cast<std::size_t>(maskRow) * size, 0);
  return out;
}

std::vector<std::uint8_t> Icon(const kestrane::RgbaImage& image) {
  std::vector<std::vector<std::uint8_t>> images{IconImage(image, 16), IconImage(image, 32), IconImage(image, 48)};
  int sizes[] = {16, 32, 48};
  std::vector<std::uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, static_cast<unsigned>(images.size()));
  unsigned offset = 6 + 16 * static_cast<unsigned>(images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    out.push_back(static_cast<std::uint8_t>(sizes[i]));
    out.push_back(static_cast<std::uint8_t>(sizes[i]));
    out.push_back(0);
    out.push_back(0);
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, static_cast<unsigned>(images[i].size()));
    Put32(out, offset);
    offset += static_cast<unsigned>(images[i].size());
  }
  for (const auto& image : images) out.insert(out.end(), image.begin(), image.end());
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_resources OUTPUT.dat [ICON.ico]\n");
    return 2;
  }
  try {
    kestrane::ImageSet set = kestrane::DefaultImageSet();
    kestrane::SaveImageSet(argv[1], set);
    if (argc > 2) kestrane::WriteWholeFile(argv[2], Icon(kestrane::DecodeImages(set)[kestrane::kImageNoError]));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
