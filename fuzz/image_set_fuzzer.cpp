// libFuzzer target: any bytes given to the image set reader end in an image set or an error.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <vector>

#include "imageset/image_set.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  try {
    kestrane::ImageSet set = kestrane::ParseImageSet(bytes);
    kestrane::DecodeImages(set);
  } catch (const std::exception&) {
  }
  return 0;
}
