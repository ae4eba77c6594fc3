// What a frame and its controls draw with that depends on the frame's DPI: the fonts, the
// pictures of the menus, the states of a flat button's picture and the push buttons' image lists.
// All of it is made in one place, again whenever the DPI changes.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <vector>

#include "imageset/png.h"
#include "platform/win32/unique_handle.h"

namespace kestrane::win32 {

enum class PictureState { Normal, Disabled, Pressed };

class FrameLook {
 public:
  // `pictures` are the image set's images, kept by the caller for the life of the look.
  explicit FrameLook(const std::vector<RgbaImage>& pictures);
  FrameLook(const FrameLook&) = delete;
  FrameLook& operator=(const FrameLook&) = delete;

  // Makes everything anew for the DPI.
  void Rebuild(int dpi);

  int Dpi() const { return dpi_; }
  int Scale(int v) const { return MulDiv(v, dpi_, 96); }
  HFONT Font(bool bold = false) const { return bold ? boldFont_.get() : font_.get(); }
  // The pictures at their own size, which is their size in logical pixels (the grid scales them).
  const std::vector<UniqueBitmap>& GridPictures() const { return gridPictures_; }
  // The pictures at this DPI, for menu items. The vector stays the same object across rebuilds.
  const std::vector<UniqueBitmap>& MenuPictures() const { return menuPictures_; }
  // A state of a picture at this DPI, or null when there is no such picture.
  HBITMAP StateBitmap(int picture, PictureState state) const;
  // A push button's image list for a picture at this DPI, or null.
  HIMAGELIST ButtonImages(int picture) const;

 private:
  bool Has(int picture) const { return picture >= 0 && picture < static_cast<int>(pictures_.size()); }

  const std::vector<RgbaImage>& pictures_;
  int dpi_ = 96;
  UniqueFont font_;
  UniqueFont boldFont_;
  std::vector<UniqueBitmap> gridPictures_;
  std::vector<UniqueBitmap> menuPictures_;
  std::vector<std::array<UniqueBitmap, 3>> stateBitmaps_;
  std::vector<UniqueImageList> buttonImages_;
};

}  // namespace kestrane::win32
