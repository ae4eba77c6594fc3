// The main window's peers under Wine: real HWNDs at the laid-out places, and a real check.
#include "platform/win32/win32_ui.h"

#include <gtest/gtest.h>

#include <chrono>

#include "imageset/default_images.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/wmi_disk_query.h"

namespace kestrane::win32 {
namespace {

class QuietDialogs : public Dialogs {
 public:
  std::vector<std::string> shown;
  void Information(const std::string& text) override { shown.push_back(text); }
  bool Confirm(const std::string& text) override {
    shown.push_back(text);
    return false;
  }
  void Error(const std::string& text) override { shown.push_back(text); }
};

std::wstring TextOf(HWND hwnd) {
  wchar_t buffer[512];
  int n = ::GetWindowTextW(hwnd, buffer, 512);
  return std::wstring(buffer, n);
}

RECT ClientRectOf(HWND child) {
  RECT r;
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void PumpUntil(const std::function<bool()>& done, int seconds = 60) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!done() && std::chrono::steady_clock::now() < deadline) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

class FormWindowTest : public ::testing::Test {
 protected:
  std::shared_ptr<QueueDispatcher> dispatcher = std::make_shared<QueueDispatcher>();
  DispatcherWindow dispatcherWindow{dispatcher};
  QuietDialogs dialogs;
  std::string imageFile = ::testing::TempDir() + "kestrane_peer_resources.dat";
  std::unique_ptr<TForm1> form;
  std::unique_ptr<FormWindow> window;

  void SetUp() override {
    SaveImageSet(imageFile, DefaultImageSet());
    form = std::make_unique<TForm1>(FormServices{dispatcher, &dialogs, [] { return MakeWmiDiskQuery(); }, imageFile});
    window = std::make_unique<FormWindow>(*form);
    window->Show(SW_SHOWNORMAL);
  }
  void TearDown() override {
    PumpUntil([&] { return form->LiveWorkers() == 0; });
    window.reset();
    form.reset();
    ::DeleteFileW(Widen(imageFile).c_str());
  }
  HWND H(const TControl& c) { return window->ControlHandle(c); }
  // As typed or pasted: a multi-line edit reports no change for WM_SETTEXT.
  void Type(HWND edit, const wchar_t* text) {
    ::SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
  }
};

TEST_F(FormWindowTest, ControlsStandAtTheirLaidOutPlacesWithTheirTexts) {
  ASSERT_EQ(window->Dpi(), 96);
  RECT client;
  ::GetClientRect(window->Handle(), &client);
  EXPECT_EQ(client.right, 897);
  EXPECT_EQ(client.bottom, 540);
  EXPECT_EQ(TextOf(window->Handle()), L"Kestrane (v.1.0)");

  struct Expect {
    const TControl* control;
    RECT rect;
    const wchar_t* text;
  };
  for (const Expect& e : std::vector<Expect>{
           {&form->Button1, {8, 26, 89, 51}, L"...из файла"},
           {&form->Button2, {96, 26, 177, 51}, L"...из AD"},
           {&form->BtnTray, {8, 64, 177, 94}, L"  Свернуть в трей"},
           {&form->Edit2, {112, 106, 177, 127}, L"30"},
           {&form->Edit1, {72, 147, 129, 168}, L"2"},
           {&form->BtnStart, {8, 180, 177, 220}, L"  Начать проверку"},
           {&form->Memo2, {8, 228, 177, 500}, L""},
           {&form->BtnStop, {185, 505, 290, 535}, L"  Прервать"},
           {&form->BtnExcel, {305, 505, 450, 535}, L"  Выгрузить в Excel"},
           {&form->StringGrid1, {185, 0, 897, 482}, L""},
           {&form->ProgressBar1, {185, 482, 897, 499}, L""},
       }) {
    HWND h = H(*e.control);
    ASSERT_NE(h, nullptr) << e.control->Name();
    RECT r = ClientRectOf(h);
    EXPECT_EQ(r.left, e.rect.left) << e.control->Name();
    EXPECT_EQ(r.top, e.rect.top) << e.control->Name();
    EXPECT_EQ(r.right, e.rect.right) << e.control->Name();
    EXPECT_EQ(r.bottom, e.rect.bottom) << e.control->Name();
    EXPECT_EQ(TextOf(h), e.text) << e.control->Name();
  }
  EXPECT_EQ(TextOf(H(form->ComboBox1)), L"GB");
  EXPECT_FALSE(::IsWindowVisible(H(form->Button4)));
  EXPECT_EQ(::GetFocus(), H(form->Memo2));
}

TEST_F(FormWindowTest, TypingIntoTheFieldsReachesTheForm) {
  ::SetWindowTextW(H(form->Edit2), L"15");
  EXPECT_EQ(form->Edit2.Text(), "15");
  EXPECT_EQ(form->Timer1.Interval(), 900000u);
  Type(H(form->Memo2), L"срв-01\r\nsrv2");
  EXPECT_EQ(form->Memo2.Lines(), (std::vector<std::string>{"срв-01", "srv2"}));
  form->Memo2.KeyDown({65, true, false, false});
  DWORD start = 0, end = 0;
  ::SendMessageW(H(form->Memo2), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 12u);
}

TEST_F(FormWindowTest, ClickingStartWithAnEmptyLineChecksTheLocalComputer) {
  Type(H(form->Memo2), L"\r\n");
  ASSERT_EQ(form->Memo2.Lines().size(), 1u);
  ::SendMessageW(H(form->BtnStart), BM_CLICK, 0, 0);
  PumpUntil([&] { return !form->RunActive(); });
  EXPECT_EQ(form->StringGrid1.Cell(4, 0).substr(0, 3), "C: ");
  EXPECT_EQ(::SendMessageW(H(form->ProgressBar1), PBM_GETPOS, 0, 0), 1);
  EXPECT_FALSE(::IsWindowEnabled(H(form->BtnStop)));
  EXPECT_TRUE(::IsWindowEnabled(H(form->BtnExcel)));
  EXPECT_TRUE(dialogs.shown.empty());
}

// The grid painted into a bitmap, as the screen would show it.
class GridPixels {
 public:
  explicit GridPixels(HWND grid) {
    RECT rc;
    ::GetClientRect(grid, &rc);
    width_ = rc.right;
    height_ = rc.bottom;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), width_, -height_, 1, 32, BI_RGB};
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bmp = ::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(dc, bmp);
    ::SendMessageW(grid, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    ::GdiFlush();
    const auto* p = static_cast<const std::uint32_t*>(bits);
    pixels_.assign(p, p + width_ * height_);
    ::SelectObject(dc, old);
    ::DeleteObject(bmp);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
  }
  std::uint32_t At(int x, int y) const { return pixels_[y * width_ + x] & 0xFFFFFF; }
  // How many pixels of the rectangle have the colour.
  int Count(int x0, int y0, int x1, int y1, std::uint32_t rgb) const {
    int n = 0;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) n += At(x, y) == rgb;
    }
    return n;
  }

 private:
  int width_ = 0, height_ = 0;
  std::vector<std::uint32_t> pixels_;
};

TEST_F(FormWindowTest, TheGridPaintsTheCurrentRowRedDisksAndTheMarker) {
  ::SetWindowTextW(H(form->Edit1), L"100000");  // above any disk's free space
  Type(H(form->Memo2), L"\r\n");
  ASSERT_EQ(form->Memo2.Lines().size(), 1u);
  ::SendMessageW(H(form->BtnStart), BM_CLICK, 0, 0);
  PumpUntil([&] { return !form->RunActive(); });
  ASSERT_EQ(form->StringGrid1.Cell(4, 0).substr(0, 3), "C: ")
      << form->StringGrid1.Cell(3, 0) << "|" << form->StringGrid1.Cell(4, 0) << "|" << form->Memo2.Text().size()
      << "|" << (dialogs.shown.empty() ? "" : dialogs.shown[0]);
  form->StringGrid1.SetCell(0, 0, "  .");

  GridPixels grid(H(form->StringGrid1));
  constexpr std::uint32_t kGreen = 0xC0DCC0, kRed = 0xFF0000;
  EXPECT_EQ(grid.At(60, 2), kGreen);  // column 3, empty name: only the current row's colour
  // Column 4 starts after column 0 (25) and column 3 (100), each with a grid line.
  EXPECT_GT(grid.Count(127, 5, 227, 20, kRed), 20);
  EXPECT_EQ(grid.Count(127, 5, 227, 20, 0x000000), 0);
  // The marker's picture over column 0 at 4, 4: a green badge, not the row colour.
  EXPECT_LT(grid.Count(4, 4, 20, 20, kGreen), 100);
  EXPECT_EQ(grid.At(1, 1), kGreen);

  ::SetWindowTextW(H(form->Edit1), L"0");  // nothing is below 0: the text turns black at once
  GridPixels black(H(form->StringGrid1));
  EXPECT_EQ(black.Count(127, 5, 227, 20, kRed), 0);
  EXPECT_GT(black.Count(127, 5, 227, 20, 0x000000), 20);
}

TEST_F(FormWindowTest, AResizedWindowGivesTheTableTheRoom) {
  RECT outer;
  ::GetWindowRect(window->Handle(), &outer);
  ::SetWindowPos(window->Handle(), nullptr, 0, 0, outer.right - outer.left + 300, outer.bottom - outer.top + 100,
                 SWP_NOMOVE | SWP_NOZORDER);
  RECT grid = ClientRectOf(H(form->StringGrid1));
  EXPECT_EQ(grid.right - grid.left, 712 + 300);
  EXPECT_EQ(grid.bottom - grid.top, 482 + 100);
  EXPECT_EQ(ClientRectOf(H(form->BtnStop)).top, 505 + 100);
  EXPECT_EQ(ClientRectOf(H(form->Memo2)).bottom, 500);
}

TEST(ApplicationWindowTest, CarriesTheTitleOwnsTheMainWindowAndMinimisesIt) {
  auto dispatcher = std::make_shared<QueueDispatcher>();
  QuietDialogs dialogs;
  ApplicationWindow application(kApplicationTitle);
  TForm1 form(FormServices{dispatcher, &dialogs, [] { return MakeWmiDiskQuery(); }, "no-such-file"});
  FormWindow window(form, &application);
  window.Show(SW_SHOWNORMAL);
  EXPECT_EQ(TextOf(application.Handle()), L"Kestrane 1.0");
  EXPECT_TRUE(::IsWindowVisible(application.Handle()));
  EXPECT_EQ(::GetWindow(window.Handle(), GW_OWNER), application.Handle());
  EXPECT_EQ(::GetWindowLongPtrW(application.Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);

  ::SendMessageW(window.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_FALSE(::IsWindowVisible(window.Handle()));
  EXPECT_TRUE(::IsIconic(application.Handle()));
  ::SendMessageW(application.Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_TRUE(::IsWindowVisible(window.Handle()));
  EXPECT_FALSE(::IsIconic(application.Handle()));
}

TEST_F(FormWindowTest, StartWithAnEmptyListAsks) {
  ::SendMessageW(H(form->BtnStart), BM_CLICK, 0, 0);
  EXPECT_EQ(dialogs.shown, std::vector<std::string>{"Вы не указали ни один объект!"});
  EXPECT_EQ(::GetFocus(), H(form->Memo2));
}

TEST_F(FormWindowTest, CloseAsksAndNoKeepsTheWindow) {
  ::SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(dialogs.shown, std::vector<std::string>{"Действительно выйти? "});
  EXPECT_TRUE(::IsWindow(window->Handle()));
  EXPECT_FALSE(::SendMessageW(window->Handle(), WM_QUERYENDSESSION, 0, 0));
}

}  // namespace
}  // namespace kestrane::win32
