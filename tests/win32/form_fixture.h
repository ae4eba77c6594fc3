// The main window under Wine: a real frame over a TForm1 whose check runs go to Wine's WMI.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "imageset/default_images.h"
#include "toolkit/win32/dispatcher_window.h"
#include "app/form_frames.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/wmi_disk_query.h"
#include "ui_driver.h"

namespace kestrane::win32 {

using testing::TextOf;

class QuietDialogs : public Dialogs {
 public:
  std::vector<std::string> shown;
  bool answer = false;  // to every question
  void Information(const std::string& text) override { shown.push_back(text); }
  bool Confirm(const std::string& text) override {
    shown.push_back(text);
    return answer;
  }
  void Error(const std::string& text) override { shown.push_back(text); }
};

inline RECT ClientRectOf(HWND child) {
  RECT r;
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

using testing::PumpUntil;

class FormWindowTest : public ::testing::Test {
 protected:
  std::shared_ptr<QueueDispatcher> dispatcher = std::make_shared<QueueDispatcher>();
  DispatcherWindow dispatcherWindow{dispatcher};
  QuietDialogs dialogs;
  Dialogs* boxes = &dialogs;  // a test may show real boxes instead
  std::string imageFile = ::testing::TempDir() + "kestrane_peer_resources.dat";
  // What the form is given; a test's constructor may change it.
  FormServices services{dispatcher, nullptr, [] { return MakeWmiDiskQuery(); }, imageFile};
  std::unique_ptr<TForm1> form;
  std::unique_ptr<FormFrame> window;

  void SetUp() override {
    SaveImageSet(imageFile, DefaultImageSet());
    services.dialogs = boxes;
    form = std::make_unique<TForm1>(services);
    window = MakeMainFrame(*form, nullptr, nullptr);
    form->Show();
  }
  void TearDown() override {
    PumpUntil([&] { return form->LiveWorkers() == 0; });
    window.reset();
    form.reset();
    ::DeleteFileW(Widen(imageFile).c_str());
  }
  HWND H(const TControl& c) { return window->ControlHandle(c); }
  // As pasted: a multi-line edit reports no change for WM_SETTEXT.
  void Paste(HWND edit, const wchar_t* text) {
    ::SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
  }
};

// A window's client area painted into a bitmap, as the screen would show it.
class ClientPixels {
 public:
  explicit ClientPixels(HWND window) {
    RECT rc;
    ::GetClientRect(window, &rc);
    width_ = rc.right;
    height_ = rc.bottom;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width_;
    bi.bmiHeader.biHeight = -height_;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bmp = ::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(dc, bmp);
    ::SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
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
  // The smallest rectangle holding every pixel the test picks; empty when there is none.
  RECT Around(bool (*picked)(std::uint32_t rgb)) const {
    RECT r{width_, height_, 0, 0};
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        if (!picked(At(x, y))) continue;
        r = RECT{std::min<LONG>(r.left, x), std::min<LONG>(r.top, y), std::max<LONG>(r.right, x + 1),
                 std::max<LONG>(r.bottom, y + 1)};
      }
    }
    return r.right > r.left ? r : RECT{};
  }

 private:
  int width_ = 0, height_ = 0;
  std::vector<std::uint32_t> pixels_;
};

}  // namespace kestrane::win32
