#include "toolkit/win32/frame_look.h"

#include "toolkit/win32/bitmaps.h"
#include "toolkit/win32/fonts.h"

namespace kestrane::win32 {

FrameLook::FrameLook(const std::vector<RgbaImage>& pictures)
    : pictures_(pictures), gridPictures_(MakeAlphaBitmaps(pictures)) {}

void FrameLook::Rebuild(int dpi) {
  dpi_ = dpi > 0 ? dpi : 96;
  font_ = MakeWindowFont(dpi_);
  boldFont_ = MakeWindowFont(dpi_, true);
  menuPictures_.clear();
  stateBitmaps_.clear();
  buttonImages_.clear();
  for (const RgbaImage& picture : pictures_) {
    menuPictures_.push_back(MakeAlphaBitmap(Scaled(picture, Scale(picture.width), Scale(picture.height))));
    const std::array<RgbaImage, 3> states = PictureStates(picture);
    std::array<UniqueBitmap, 3> bitmaps;
    for (std::size_t s = 0; s < states.size(); ++s) {
      bitmaps[s] = MakeAlphaBitmap(Scaled(states[s], Scale(states[s].width), Scale(states[s].height)));
    }
    stateBitmaps_.push_back(std::move(bitmaps));
    const RgbaImage& normal = states[0];
    buttonImages_.push_back(ButtonImageList(normal, Scale(normal.width)));
  }
}

HBITMAP FrameLook::StateBitmap(int picture, PictureState state) const {
  return Has(picture) ? stateBitmaps_[picture][static_cast<std::size_t>(state)].get() : nullptr;
}

HIMAGELIST FrameLook::ButtonImages(int picture) const {
  return Has(picture) ? buttonImages_[picture].get() : nullptr;
}

}  // namespace kestrane::win32
