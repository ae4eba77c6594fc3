#include "imageset/image_set.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "imageset/default_images.h"
#include "platform/files.h"

namespace kestrane {
namespace {

std::string ErrorOf(const std::vector<std::uint8_t>& bytes) {
  try {
    ParseImageSet(bytes);
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

void Append(std::vector<std::uint8_t>& out, const std::string& s) { out.insert(out.end(), s.begin(), s.end()); }
void AppendShort(std::vector<std::uint8_t>& out, const std::string& s) {
  out.push_back(static_cast<std::uint8_t>(s.size()));
  Append(out, s);
}

// A header and the start of a stream, for hand-made files.
std::vector<std::uint8_t> Head(const std::string& className = "TsAlphaImageList") {
  std::vector<std::uint8_t> out = Bytes({0xFF, 10, 0});
  Append(out, "TSALPHAIMAGELIST");
  out.insert(out.end(), {0, 0x30, 0x10, 0, 0, 0, 0});
  Append(out, "TPF0");
  AppendShort(out, className);
  AppendShort(out, "sAlphaImageList2");
  return out;
}

TEST(ImageSetFile, WritesTheLayoutByteForByte) {
  ImageSet set;
  set.Name = "sAlphaImageList2";
  set.DrawingStyle = "dsTransparent";
  set.Left = 72;
  set.Top = 425;
  set.Items.push_back({"ifPNG", "noerror", {1, 2, 3}});
  std::vector<std::uint8_t> expected = Head();
  AppendShort(expected, "DrawingStyle");
  expected.push_back(7);
  AppendShort(expected, "dsTransparent");
  AppendShort(expected, "Items");
  expected.insert(expected.end(), {14, 1});
  AppendShort(expected, "ImageFormat");
  expected.push_back(7);
  AppendShort(expected, "ifPNG");
  AppendShort(expected, "ImageName");
  expected.push_back(6);
  AppendShort(expected, "noerror");
  AppendShort(expected, "ImgData");
  expected.insert(expected.end(), {10, 3, 0, 0, 0, 1, 2, 3, 0, 0});
  AppendShort(expected, "Left");
  expected.insert(expected.end(), {2, 72});
  AppendShort(expected, "Top");
  expected.insert(expected.end(), {3, 425 & 0xFF, 425 >> 8});
  AppendShort(expected, "Bitmap");
  expected.insert(expected.end(), {10, 0, 0, 0, 0, 0, 0});
  std::uint32_t length = static_cast<std::uint32_t>(expected.size() - 26);  // the stream starts at n + 10
  for (int i = 0; i < 4; ++i) expected[22 + i] = static_cast<std::uint8_t>(length >> (8 * i));

  EXPECT_EQ(SerializeImageSet(set), expected);
}

TEST(ImageSetFile, TheDrawnSetRoundTripsThroughAFile) {
  ImageSet set = DefaultImageSet();
  std::string path = ::testing::TempDir() + "kestrane_roundtrip.dat";
  SaveImageSet(path, set);
  ImageSet back = LoadImageSet(path);
  std::remove(path.c_str());
  EXPECT_EQ(back.Name, "sAlphaImageList2");
  EXPECT_EQ(back.DrawingStyle, "dsTransparent");
  EXPECT_EQ(back.Left, 72);
  EXPECT_EQ(back.Top, 425);
  ASSERT_EQ(back.Items.size(), 7u);
  const char* names[] = {"noerror", "RDP", "reboot", "open", "exit", "status_ok_new", "status_error_new"};
  std::vector<RgbaImage> images = DecodeImages(back);
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(back.Items[i].ImageName, names[i]);
    EXPECT_EQ(back.Items[i].ImageFormat, "ifPNG");
    EXPECT_EQ(back.Items[i].ImgData, set.Items[i].ImgData);
    EXPECT_EQ(images[i].width, 16);
    EXPECT_EQ(images[i].height, i >= 5 ? 15 : 16);
  }
  // A badge: opaque green in the middle, transparent in the corner.
  const std::uint8_t* corner = &images[0].rgba[0];
  EXPECT_EQ(corner[3], 0);
  const std::uint8_t* rim = &images[0].rgba[(8 * 16 + 2) * 4];
  EXPECT_EQ(rim[3], 255);
  EXPECT_GT(rim[1], rim[0]);
}

TEST(ImageSetFile, TheBuildPutsTheSetBesideThePrograms) {
  ImageSet built = LoadImageSet(std::string(KESTRANE_BUILD_DIR) + "/resources.dat");
  EXPECT_EQ(SerializeImageSet(built), SerializeImageSet(DefaultImageSet()));
}

TEST(ImageSetFile, AWrongLengthFieldAndTrailingBytesAreIgnored) {
  std::vector<std::uint8_t> bytes = SerializeImageSet(DefaultImageSet());
  bytes[22] = 0x12;
  bytes[25] = 0x7F;
  bytes.insert(bytes.end(), {9, 9, 9});
  EXPECT_EQ(ParseImageSet(bytes).Items.size(), 7u);
}

TEST(ImageSetFile, AMissingFileNamesItsFullPathAndTheReason) {
  try {
    LoadImageSet("no-such-folder/resources.dat");
    FAIL();
  } catch (const std::exception& e) {
    std::string text = e.what();
    EXPECT_EQ(text.rfind("Cannot open file \"", 0), 0u) << text;
    EXPECT_NE(text.find("resources.dat\". "), std::string::npos) << text;
    EXPECT_GT(text.size(), text.find("\". ") + 3) << "no reason given: " << text;
  }
}

TEST(ImageSetFile, EachDamageHasItsText) {
  EXPECT_EQ(ErrorOf({}), "Invalid stream format");
  EXPECT_EQ(ErrorOf(Bytes({0xFE, 10, 0, 'A', 0})), "Invalid stream format");
  EXPECT_EQ(ErrorOf(Bytes({0xFF, 11, 0, 'A', 0})), "Invalid stream format");
  std::vector<std::uint8_t> noName = Bytes({0xFF, 10, 0});
  noName.insert(noName.end(), 90, 'A');  // no NUL within the header
  EXPECT_EQ(ErrorOf(noName), "Invalid stream format");

  std::vector<std::uint8_t> badSignature = Head();
  badSignature[26] = 'X';
  EXPECT_EQ(ErrorOf(badSignature), "Invalid stream format");
  EXPECT_EQ(ErrorOf(Head("TImageList")), "Class TImageList not found");

  std::vector<std::uint8_t> unknown = Head();
  AppendShort(unknown, "Width");
  unknown.insert(unknown.end(), {2, 16});
  EXPECT_EQ(ErrorOf(unknown), "Error reading sAlphaImageList2.Width: Property Width does not exist");

  std::vector<std::uint8_t> cut = Head();
  AppendShort(cut, "Left");
  cut.push_back(4);
  cut.push_back(1);
  EXPECT_EQ(ErrorOf(cut), "Error reading sAlphaImageList2.Left: Stream read error");

  std::vector<std::uint8_t> wrongKind = Head();
  AppendShort(wrongKind, "Left");
  wrongKind.push_back(6);
  AppendShort(wrongKind, "x");
  EXPECT_EQ(ErrorOf(wrongKind), "Error reading sAlphaImageList2.Left: Invalid property value");

  // Each property takes one kind of value: a name, a text, raw bytes, an integer.
  std::vector<std::uint8_t> styleAsNumber = Head();
  AppendShort(styleAsNumber, "DrawingStyle");
  styleAsNumber.insert(styleAsNumber.end(), {2, 1});
  EXPECT_EQ(ErrorOf(styleAsNumber), "Error reading sAlphaImageList2.DrawingStyle: Invalid property value");
  std::vector<std::uint8_t> styleAsText = Head();
  AppendShort(styleAsText, "DrawingStyle");
  styleAsText.push_back(6);
  AppendShort(styleAsText, "dsTransparent");
  EXPECT_EQ(ErrorOf(styleAsText), "Error reading sAlphaImageList2.DrawingStyle: Invalid property value");
  auto item = [&](const std::string& property, std::vector<std::uint8_t> value) {
    std::vector<std::uint8_t> bytes = Head();
    AppendShort(bytes, "Items");
    bytes.insert(bytes.end(), {14, 1});
    AppendShort(bytes, property);
    bytes.insert(bytes.end(), value.begin(), value.end());
    bytes.insert(bytes.end(), {0, 0, 0, 0});
    return ErrorOf(bytes);
  };
  EXPECT_EQ(item("ImageFormat", {12, 5, 0, 0, 0, 'i', 'f', 'P', 'N', 'G'}),
            "Error reading sAlphaImageList2.Items: Invalid property value");
  EXPECT_EQ(item("ImgData", {6, 2, 'x', 'y'}), "Error reading sAlphaImageList2.Items: Invalid property value");
  EXPECT_EQ(item("ImageName", {7, 2, 'o', 'k'}), "Error reading sAlphaImageList2.Items: Invalid property value");
  EXPECT_EQ(item("ImageName", {12, 2, 0, 0, 0, 'o', 'k'}), "");  // a long text is a text

  std::vector<std::uint8_t> huge = Head();
  AppendShort(huge, "Bitmap");
  huge.insert(huge.end(), {10, 0xFF, 0xFF, 0xFF, 0xFF});
  EXPECT_EQ(ErrorOf(huge), "Error reading sAlphaImageList2.Bitmap: Stream read error");

  EXPECT_EQ(ErrorOf(Head()), "Stream read error");  // ends where the next property would be
}

TEST(ImageSetFile, HostileFilesGiveAnErrorNeverACrash) {
  const std::vector<std::uint8_t> good = SerializeImageSet(DefaultImageSet());
  for (std::size_t n = 0; n < good.size(); n += (n < 200 ? 1 : 37)) {
    std::vector<std::uint8_t> truncated(good.begin(), good.begin() + n);
    EXPECT_NE(ErrorOf(truncated), "") << "cut at " << n;
  }
  std::mt19937 random(12345);
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::uint8_t> bytes = good;
    int flips = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < flips; ++i) bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
    try {
      ImageSet set = ParseImageSet(bytes);
      DecodeImages(set);
    } catch (const std::exception&) {
    }
  }
}

}  // namespace
}  // namespace kestrane
