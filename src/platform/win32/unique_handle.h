// Owners for the system's handles, each from the line that makes it: one template for handles that
// close alone (the deleter is a template argument), and small guards for what needs its window or
// its device context back (GetDC, BeginPaint, SelectObject).
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>
#include <commctrl.h>
#include <oleauto.h>

#include <cstdint>
#include <utility>

namespace kestrane::win32 {

// Handles are pointers, so the invalid value is given as a number (-1 for INVALID_HANDLE_VALUE).
template <typename T, auto Close, std::intptr_t InvalidValue = 0>
class UniqueAny {
  static T Invalid() { return reinterpret_cast<T>(InvalidValue); }

 public:
  UniqueAny() = default;
  explicit UniqueAny(T value) : value_(value) {}
  ~UniqueAny() { reset(); }
  UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
  UniqueAny& operator=(UniqueAny&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;

  T get() const { return value_; }
  explicit operator bool() const { return value_ != Invalid(); }
  T release() { return std::exchange(value_, Invalid()); }
  void reset(T value = Invalid()) {
    if (value_ != Invalid()) Close(value_);
    value_ = value;
  }

 private:
  T value_ = Invalid();
};

inline void CloseHandleValue(HANDLE h) { ::CloseHandle(h); }
inline void DeleteGdiObject(HGDIOBJ h) { ::DeleteObject(h); }
inline void DeleteDcValue(HDC h) { ::DeleteDC(h); }
inline void DestroyIconValue(HICON h) { ::DestroyIcon(h); }
inline void DestroyMenuValue(HMENU h) { ::DestroyMenu(h); }
inline void DestroyImageListValue(HIMAGELIST h) { ::ImageList_Destroy(h); }
inline void FindCloseValue(HANDLE h) { ::FindClose(h); }
inline void LocalFreeValue(HLOCAL h) { ::LocalFree(h); }
inline void FreeBstr(BSTR s) { ::SysFreeString(s); }

using UniqueHandle = UniqueAny<HANDLE, CloseHandleValue>;
using UniqueFile = UniqueAny<HANDLE, CloseHandleValue, -1>;
using UniqueFind = UniqueAny<HANDLE, FindCloseValue, -1>;
using UniqueFont = UniqueAny<HFONT, DeleteGdiObject>;
using UniqueBitmap = UniqueAny<HBITMAP, DeleteGdiObject>;
using UniqueBrush = UniqueAny<HBRUSH, DeleteGdiObject>;
using UniquePen = UniqueAny<HPEN, DeleteGdiObject>;
using UniqueDc = UniqueAny<HDC, DeleteDcValue>;  // CreateCompatibleDC
using UniqueIcon = UniqueAny<HICON, DestroyIconValue>;
using UniqueMenu = UniqueAny<HMENU, DestroyMenuValue>;
using UniqueImageList = UniqueAny<HIMAGELIST, DestroyImageListValue>;
using UniqueLocal = UniqueAny<HLOCAL, LocalFreeValue>;
using UniqueBstr = UniqueAny<BSTR, FreeBstr>;

// A window's device context from GetDC, given back to its window (null: the screen's).
class WindowDc {
 public:
  explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
  ~WindowDc() {
    if (dc_) ::ReleaseDC(hwnd_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// The painting of WM_PAINT: BeginPaint here, EndPaint when it goes.
class PaintDc {
 public:
  explicit PaintDc(HWND hwnd) : hwnd_(hwnd), dc_(::BeginPaint(hwnd, &paint_)) {}
  ~PaintDc() {
    if (dc_) ::EndPaint(hwnd_, &paint_);
  }
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND hwnd_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// An object selected into a device context; the one it replaced is selected back when this goes.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(dc && object ? ::SelectObject(dc, object) : nullptr) {}
  ~SelectedObject() {
    if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  // Whether the selection was made.
  explicit operator bool() const { return old_ && old_ != HGDI_ERROR; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace kestrane::win32
