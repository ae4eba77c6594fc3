// Writes resources.dat, the image set file, from the images the program draws in code.
// Usage: make_resources OUTPUT [PREVIEW.ppm-prefix]
#include <cstdio>
#include <exception>

#include "imageset/default_images.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_resources OUTPUT\n");
    return 2;
  }
  try {
    kestrane::SaveImageSet(argv[1], kestrane::DefaultImageSet());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
