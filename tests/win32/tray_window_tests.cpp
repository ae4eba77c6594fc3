// The program in the notification area of Wine's desktop shell: the icon's pixels, the balloon,
// the menu on a click, "Открыть программу" and "Выйти".
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include "form_fixture.h"
#include "toolkit/win32/application_window.h"
#include "toolkit/win32/tray_icon_window.h"

namespace kestrane::win32 {
namespace {

// Reddish and greenish pixels of a screen rectangle.
struct Colours {
  int red = 0, green = 0;
};

Colours ColoursIn(const RECT& r) {
  Colours c;
  HDC screen = ::GetDC(nullptr);
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      COLORREF p = ::GetPixel(screen, x, y);
      int red = GetRValue(p), green = GetGValue(p), blue = GetBValue(p);
      c.red += red > 150 && green < 110 && blue < 110;
      c.green += green > 120 && red < 110 && blue < 130;
    }
  }
  ::ReleaseDC(nullptr, screen);
  return c;
}

// A visible window of a class, in any process of the desktop.
bool WindowShown(const wchar_t* cls) {
  struct Find {
    const wchar_t* cls;
    bool found = false;
  } find{cls};
  ::EnumWindows(
      [](HWND hwnd, LPARAM lp) {
        auto* f = reinterpret_cast<Find*>(lp);
        if (::IsWindowVisible(hwnd) && testing::ClassOf(hwnd) == f->cls) f->found = true;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&find));
  return find.found;
}

class TrayWindowTest : public FormWindowTest {
 protected:
  TApplication application{kApplicationTitle};
  std::unique_ptr<ApplicationWindow> applicationWindow = std::make_unique<ApplicationWindow>(application);
  std::unique_ptr<TrayIconWindow> tray;
  DWORD thread = ::GetCurrentThreadId();

  TrayWindowTest() { services.application = &application; }
  void SetUp() override {
    // As the program is put together: the application's window owns the main window.
    SaveImageSet(imageFile, DefaultImageSet());
    services.dialogs = boxes;
    form = std::make_unique<TForm1>(services);
    application.SetMainForm(form.get());
    window = MakeMainFrame(*form, &application, applicationWindow->Handle());
    applicationWindow->SetMainWindow(window->Handle());
    tray = std::make_unique<TrayIconWindow>(form->CoolTrayIcon1, form->DecodedImages());
    form->Show();
  }
  void TearDown() override {
    tray.reset();
    applicationWindow->SetMainWindow(nullptr);
    FormWindowTest::TearDown();
    applicationWindow.reset();
  }
  std::optional<RECT> IconRect() { return IconRectOf(tray->Handle()); }
  std::optional<RECT> IconRectOf(HWND owner) {
    NOTIFYICONIDENTIFIER id{};
    id.cbSize = sizeof id;
    id.hWnd = owner;
    id.uID = 1;
    RECT r{};
    if (SUCCEEDED(::Shell_NotifyIconGetRect(&id, &r)) && r.right > r.left) return r;
    return IconDrawnInTheTaskbar();
  }
  // Wine's taskbar does not say where an icon is: the pixels at its right end that differ from the
  // taskbar's own colour are the icon (ours is the only one there).
  static std::optional<RECT> IconDrawnInTheTaskbar() {
    HWND taskbar = ::FindWindowW(L"Shell_TrayWnd", nullptr);
    if (!taskbar) return std::nullopt;
    RECT bar;
    ::GetWindowRect(taskbar, &bar);
    HDC screen = ::GetDC(nullptr);
    const COLORREF background = ::GetPixel(screen, bar.right - 1, bar.top + 1);
    RECT found{bar.right, bar.bottom, bar.left, bar.top};
    for (int y = bar.top + 1; y < bar.bottom - 1; ++y) {
      for (int x = bar.right - 60; x < bar.right - 1; ++x) {
        if (::GetPixel(screen, x, y) == background) continue;
        found.left = std::min<LONG>(found.left, x);
        found.right = std::max<LONG>(found.right, x + 1);
        found.top = std::min<LONG>(found.top, y);
        found.bottom = std::max<LONG>(found.bottom, y + 1);
      }
    }
    ::ReleaseDC(nullptr, screen);
    if (found.right <= found.left) return std::nullopt;
    return found;
  }
  POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
};

TEST_F(TrayWindowTest, TheTrayButtonHidesTheWindowAndAnAlertTurnsTheIconRedWithABalloon) {
  Paste(H(form->Memo2), L"\r\n");  // the local computer
  ::SetWindowTextW(H(form->Edit1), L"100000");
  ::SendMessageW(H(form->BtnTray), BM_CLICK, 0, 0);
  EXPECT_FALSE(::IsWindowVisible(window->Handle()));
  EXPECT_FALSE(::IsWindowVisible(applicationWindow->Handle()));  // no taskbar button
  ASSERT_TRUE(PumpUntil([&] { return !form->RunActive(); }));
  ASSERT_TRUE(PumpUntil([&] { return WindowShown(L"tooltips_class32"); }, 5000));  // the balloon
  std::optional<RECT> icon = IconRect();
  ASSERT_TRUE(icon.has_value());
  testing::Settle(500);
  Colours colours = ColoursIn(*icon);
  EXPECT_GT(colours.red, 20);  // status_error_new: a red disk
  EXPECT_GT(colours.red, colours.green);
}

TEST_F(TrayWindowTest, MinimisingShowsTheIconAndItsMenuBringsTheWindowBack) {
  Paste(H(form->Memo2), L"srv-a");
  ::SendMessageW(window->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_FALSE(::IsWindowVisible(window->Handle()));
  EXPECT_FALSE(form->RunActive());  // minimising starts no run
  std::optional<RECT> icon;
  ASSERT_TRUE(PumpUntil([&] { return (icon = IconRect()).has_value(); }, 5000));
  testing::Settle(500);
  Colours colours = ColoursIn(*icon);
  EXPECT_GT(colours.green, colours.red);  // noerror: the green badge

  std::thread chooser = testing::ChooseFromMenu(thread, 0);  // "Открыть программу"
  testing::ClickAt(Centre(*icon), MOUSEEVENTF_LEFTDOWN);
  PumpUntil([&] { return ::IsWindowVisible(window->Handle()) == TRUE; }, 20000);
  chooser.join();
  testing::Settle(300);
  EXPECT_TRUE(::IsWindowVisible(window->Handle()));
  EXPECT_TRUE(::IsWindowVisible(applicationWindow->Handle()));
  EXPECT_FALSE(::IsIconic(applicationWindow->Handle()));
  EXPECT_EQ(::GetForegroundWindow(), window->Handle());
  RECT client;
  ::GetClientRect(window->Handle(), &client);
  EXPECT_EQ(client.bottom, 540);  // the show steps ran: the height of 578
  EXPECT_FALSE(IconRect().has_value());  // the icon is gone
}

TEST_F(TrayWindowTest, ExitFromTheIconsMenuEndsWithoutTheQuestion) {
  Paste(H(form->Memo2), L"srv-a");
  ::SendMessageW(window->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  std::optional<RECT> icon;
  ASSERT_TRUE(PumpUntil([&] { return (icon = IconRect()).has_value(); }, 5000));
  std::thread chooser = testing::ChooseFromMenu(thread, 1);  // "Выйти"
  testing::ClickAt(Centre(*icon), MOUSEEVENTF_RIGHTDOWN);
  PumpUntil([&] { return application.Terminated(); }, 20000);
  chooser.join();
  EXPECT_TRUE(application.Terminated());
  EXPECT_TRUE(dialogs.shown.empty());
  HWND owner = tray->Handle();
  tray.reset();
  // And the icon goes with the program, once the shell has drawn its taskbar again.
  EXPECT_TRUE(PumpUntil([&] { return !IconRectOf(owner).has_value(); }, 5000));
}

}  // namespace
}  // namespace kestrane::win32
