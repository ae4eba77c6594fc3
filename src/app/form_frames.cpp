#include "app/form_frames.h"

namespace kestrane::win32 {

std::unique_ptr<FormFrame> MakeMainFrame(TForm1& form, TApplication* application, HWND owner) {
  FrameSetup setup;
  setup.application = application;
  setup.owner = owner;
  setup.pictures = &form.DecodedImages();
  setup.menus = form.Menus();
  setup.timers = {&form.Timer1};
  setup.closeQuery = [&form] {
    bool mayClose = false;
    form.Guard([&] { mayClose = form.FormCloseQuery(); });
    return mayClose;
  };
  return std::make_unique<FormFrame>(form, std::move(setup));
}

std::unique_ptr<FormFrame> MakeCleanupFrame(TForm2& form, HWND owner) {
  FrameSetup setup;
  setup.owner = owner;
  setup.pictures = &form.Pictures();
  return std::make_unique<FormFrame>(form, std::move(setup));
}

}  // namespace kestrane::win32
