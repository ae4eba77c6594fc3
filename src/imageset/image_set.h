// The image set: seven small PNG images kept in "resources.dat" as an image list component
// stream behind a resource header.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imageset/png.h"

namespace kestrane {

struct ImageSetItem {
  std::string ImageFormat;  // "ifPNG"
  std::string ImageName;
  std::vector<std::uint8_t> ImgData;  // a complete PNG file
};

struct ImageSet {
  std::string Name;          // the object name, "sAlphaImageList2"
  std::string DrawingStyle;  // "dsTransparent"
  std::int32_t Left = 0, Top = 0;
  std::vector<ImageSetItem> Items;
};

inline constexpr char kImageListClass[] = "TsAlphaImageList";
inline constexpr char kImageSetFileName[] = "resources.dat";

enum ImageIndex {
  kImageNoError = 0,
  kImageRdp = 1,
  kImageReboot = 2,
  kImageOpen = 3,
  kImageExit = 4,
  kImageStatusOk = 5,
  kImageStatusError = 6,
};

// The file's bytes to an image set; throws with the reader's texts ("Invalid stream format",
// "Class %s not found", "Error reading %s%s%s: %s", "Stream read error").
ImageSet ParseImageSet(const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> SerializeImageSet(const ImageSet& set);

// Reads the file ("Cannot open file ..." when it cannot be read) and parses it.
ImageSet LoadImageSet(const std::string& path);
void SaveImageSet(const std::string& fileName, const ImageSet& set);

// The set's images decoded, in index order. Throws PngError naming the image that fails.
std::vector<RgbaImage> DecodeImages(const ImageSet& set);

}  // namespace kestrane
