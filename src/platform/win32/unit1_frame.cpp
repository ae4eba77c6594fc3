#include "platform/win32/unit1_frame.h"

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

}  // namespace kestrane::win32
