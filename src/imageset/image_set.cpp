#include "imageset/image_set.h"

#include <cctype>
#include <cstring>
#include <stdexcept>

#include "platform/files.h"

namespace kestrane {
namespace {

enum Tag : std::uint8_t {
  kNull = 0,
  kList = 1,
  kInt8 = 2,
  kInt16 = 3,
  kInt32 = 4,
  kString = 6,
  kIdent = 7,
  kBinary = 10,
  kLString = 12,
  kCollection = 14,
};

class StreamReadError : public std::runtime_error {
 public:
  StreamReadError() : std::runtime_error("Stream read error") {}
};

class Reader {
 public:
  Reader(const std::vector<std::uint8_t>& bytes, std::size_t pos) : bytes_(bytes), pos_(pos) {}

  std::uint8_t Byte() {
    Need(1);
    return bytes_[pos_++];
  }
  std::uint32_t U32() {
    Need(4);
    std::uint32_t v = std::uint32_t{bytes_[pos_]} | (std::uint32_t{bytes_[pos_ + 1]} << 8) |
                      (std::uint32_t{bytes_[pos_ + 2]} << 16) | (std::uint32_t{bytes_[pos_ + 3]} << 24);
    pos_ += 4;
    return v;
  }
  std::string Bytes(std::size_t n) {
    Need(n);
    std::string s(reinterpret_cast<const char*>(&bytes_[pos_]), n);
    pos_ += n;
    return s;
  }
  std::string ShortString() { return Bytes(Byte()); }

  std::int32_t Integer(std::uint8_t tag) {
    switch (tag) {
      case kInt8: return static_cast<std::int8_t>(Byte());
      case kInt16: {
        std::uint16_t lo = Byte();
        std::uint16_t hi = Byte();
        return static_cast<std::int16_t>(lo | (hi << 8));
      }
      case kInt32: return static_cast<std::int32_t>(U32());
      default: throw std::runtime_error("Invalid property value");
    }
  }
  // A text property takes a short or a long text, nothing else.
  std::string Text(std::uint8_t tag) {
    if (tag == kString) return ShortString();
    if (tag == kLString) return Bytes(U32());
    throw std::runtime_error("Invalid property value");
  }
  // An enumeration property takes the name of one of its values.
  std::string Ident(std::uint8_t tag) {
    if (tag == kIdent) return ShortString();
    throw std::runtime_error("Invalid property value");
  }
  std::vector<std::uint8_t> Binary(std::uint8_t tag) {
    if (tag != kBinary) throw std::runtime_error("Invalid property value");
    std::uint32_t n = U32();
    Need(n);  // a length past the end fails before anything is allocated
    std::vector<std::uint8_t> data(bytes_.begin() + pos_, bytes_.begin() + pos_ + n);
    pos_ += n;
    return data;
  }

 private:
  void Need(std::size_t n) const {
    if (n > bytes_.size() - pos_) throw StreamReadError();
  }
  const std::vector<std::uint8_t>& bytes_;
  std::size_t pos_;
};

void ReadItems(Reader& r, std::uint8_t tag, std::vector<ImageSetItem>& items) {
  if (tag != kCollection) throw std::runtime_error("Invalid property value");
  for (;;) {
    std::uint8_t t = r.Byte();
    if (t == kNull) return;
    if (t == kInt8 || t == kInt16 || t == kInt32) {  // an item's order number, ignored
      r.Integer(t);
      t = r.Byte();
    }
    if (t != kList) throw std::runtime_error("Invalid property value");
    ImageSetItem item;
    for (std::string name = r.ShortString(); !name.empty(); name = r.ShortString()) {
      std::uint8_t vt = r.Byte();
      if (name == "ImageFormat") {
        item.ImageFormat = r.Ident(vt);
      } else if (name == "ImageName") {
        item.ImageName = r.Text(vt);
      } else if (name == "ImgData") {
        item.ImgData = r.Binary(vt);
      } else {
        throw std::runtime_error("Property " + name + " does not exist");
      }
    }
    items.push_back(std::move(item));
  }
}

void PutByte(std::vector<std::uint8_t>& out, std::uint8_t b) { out.push_back(b); }
void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void PutShortString(std::vector<std::uint8_t>& out, const std::string& s) {
  std::size_t n = s.size() > 255 ? 255 : s.size();
  out.push_back(static_cast<std::uint8_t>(n));
  out.insert(out.end(), s.begin(), s.begin() + n);
}
void PutInteger(std::vector<std::uint8_t>& out, std::int32_t v) {
  if (v >= -128 && v <= 127) {
    PutByte(out, kInt8);
    PutByte(out, static_cast<std::uint8_t>(v));
  } else if (v >= -32768 && v <= 32767) {
    PutByte(out, kInt16);
    PutByte(out, static_cast<std::uint8_t>(v));
    PutByte(out, static_cast<std::uint8_t>(v >> 8));
  } else {
    PutByte(out, kInt32);
    PutU32(out, static_cast<std::uint32_t>(v));
  }
}
void PutText(std::vector<std::uint8_t>& out, const std::string& s) {
  if (s.size() <= 255) {
    PutByte(out, kString);
    PutShortString(out, s);
  } else {
    PutByte(out, kLString);
    PutU32(out, static_cast<std::uint32_t>(s.size()));
    out.insert(out.end(), s.begin(), s.end());
  }
}
void PutIdent(std::vector<std::uint8_t>& out, const std::string& s) {
  PutByte(out, kIdent);
  PutShortString(out, s);
}
void PutBinary(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& data) {
  PutByte(out, kBinary);
  PutU32(out, static_cast<std::uint32_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
}

}  // namespace

ImageSet ParseImageSet(const std::vector<std::uint8_t>& bytes) {
  // The resource header: marker, type 10, a NUL-terminated name within the first 79 bytes.
  std::size_t headerEnd = bytes.size() < 79 ? bytes.size() : 79;
  if (headerEnd < 3 || bytes[0] != 0xFF || bytes[1] != 10 || bytes[2] != 0) {
    throw std::runtime_error("Invalid stream format");
  }
  std::size_t nul = 3;
  while (nul < headerEnd && bytes[nul] != 0) ++nul;
  if (nul >= headerEnd) throw std::runtime_error("Invalid stream format");
  std::size_t start = nul + 1 + 2 + 4;  // past the memory flags and the length
  if (start > bytes.size()) throw StreamReadError();

  Reader r(bytes, start);
  if (r.Bytes(4) != "TPF0") throw std::runtime_error("Invalid stream format");
  std::string className = r.ShortString();
  if (className != kImageListClass) throw std::runtime_error("Class " + className + " not found");
  ImageSet set;
  set.Name = r.ShortString();
  for (std::string prop = r.ShortString(); !prop.empty(); prop = r.ShortString()) {
    try {
      std::uint8_t tag = r.Byte();
      if (prop == "DrawingStyle") {
        set.DrawingStyle = r.Ident(tag);
      } else if (prop == "Items") {
        set.Items.clear();
        ReadItems(r, tag, set.Items);
      } else if (prop == "Left") {
        set.Left = r.Integer(tag);
      } else if (prop == "Top") {
        set.Top = r.Integer(tag);
      } else if (prop == "Bitmap") {
        r.Binary(tag);  // always written empty; ignored
      } else {
        throw std::runtime_error("Property " + prop + " does not exist");
      }
    } catch (const std::exception& e) {
      throw std::runtime_error("Error reading " + set.Name + "." + prop + ": " + e.what());
    }
  }
  if (r.Byte() != 0) throw StreamReadError();  // the empty list of owned components
  return set;
}

std::vector<std::uint8_t> SerializeImageSet(const ImageSet& set) {
  std::vector<std::uint8_t> out{0xFF, 10, 0};
  std::string resourceName = kImageListClass;
  for (char& c : resourceName) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  out.insert(out.end(), resourceName.begin(), resourceName.end());
  out.push_back(0);
  out.push_back(0x30);
  out.push_back(0x10);
  std::size_t lengthAt = out.size();
  PutU32(out, 0);
  std::size_t streamStart = out.size();

  out.insert(out.end(), {'T', 'P', 'F', '0'});
  PutShortString(out, kImageListClass);
  PutShortString(out, set.Name);
  PutShortString(out, "DrawingStyle");
  PutIdent(out, set.DrawingStyle);
  PutShortString(out, "Items");
  PutByte(out, kCollection);
  for (const ImageSetItem& item : set.Items) {
    PutByte(out, kList);
    PutShortString(out, "ImageFormat");
    PutIdent(out, item.ImageFormat);
    PutShortString(out, "ImageName");
    PutText(out, item.ImageName);
    PutShortString(out, "ImgData");
    PutBinary(out, item.ImgData);
    PutByte(out, 0);
  }
  PutByte(out, 0);
  PutShortString(out, "Left");
  PutInteger(out, set.Left);
  PutShortString(out, "Top");
  PutInteger(out, set.Top);
  PutShortString(out, "Bitmap");
  PutBinary(out, {});
  PutByte(out, 0);
  PutByte(out, 0);

  std::uint32_t length = static_cast<std::uint32_t>(out.size() - streamStart);
  for (int i = 0; i < 4; ++i) out[lengthAt + i] = static_cast<std::uint8_t>(length >> (8 * i));
  return out;
}

ImageSet LoadImageSet(const std::string& path) { return ParseImageSet(ReadWholeFile(path)); }

void SaveImageSet(const std::string& fileName, const ImageSet& set) {
  WriteWholeFile(fileName, SerializeImageSet(set));
}

std::vector<RgbaImage> DecodeImages(const ImageSet& set) {
  std::vector<RgbaImage> images;
  for (const ImageSetItem& item : set.Items) {
    try {
      images.push_back(DecodePng(item.ImgData));
    } catch (const PngError& e) {
      throw PngError("Image \"" + item.ImageName + "\": " + e.what());
    }
  }
  return images;
}

}  // namespace kestrane
