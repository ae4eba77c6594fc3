// The window base: a window the system refuses is an error that says why, and an object and its
// window go together, whichever of them goes first.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "toolkit/win32/button_window.h"
#include "platform/win32/wide_text.h"
#include "toolkit/control.h"

namespace kestrane::win32 {
namespace {

const FrameLook& NoPictures() {
  static const std::vector<RgbaImage> none;
  static FrameLook look(none);
  return look;
}

TEST(WindowTest, AWindowTheSystemRefusesIsAnErrorWithItsReason) {
  TButton button("Button1", Rect{0, 0, 75, 25}, "OK");
  const HWND noWindow = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7FFF0));
  ASSERT_FALSE(::IsWindow(noWindow));
  try {
    PushButtonWindow peer(button, noWindow, 100, NoPictures());
    ADD_FAILURE() << "a control made under a parent that is no window";
  } catch (const std::runtime_error& e) {
    const std::string text = e.what();
    EXPECT_NE(text.find("BUTTON"), std::string::npos) << text;
    EXPECT_NE(text.find(SystemErrorText(ERROR_INVALID_WINDOW_HANDLE)), std::string::npos) << text;
  }
  EXPECT_EQ(button.Peer(), nullptr);
}

TEST(WindowTest, AnObjectAndItsWindowGoTogether) {
  TButton button("Button1", Rect{0, 0, 75, 25}, "OK");
  HWND parent = CreateWindowChecked(L"STATIC", WindowPlace{0, WS_POPUP, L"", 0, 0, 100, 100});

  // The object goes first: its window goes with it.
  std::unique_ptr<ControlWindow> peer = std::make_unique<PushButtonWindow>(button, parent, 100, NoPictures());
  HWND child = peer->Handle();
  ASSERT_TRUE(::IsWindow(child));
  peer.reset();
  EXPECT_FALSE(::IsWindow(child));
  EXPECT_EQ(button.Peer(), nullptr);

  // The window goes first (with its parent): the object lets it go.
  peer = std::make_unique<PushButtonWindow>(button, parent, 100, NoPictures());
  ::DestroyWindow(parent);
  EXPECT_EQ(peer->Handle(), nullptr);
}

}  // namespace
}  // namespace kestrane::win32
