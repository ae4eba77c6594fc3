// One owner for every kind of handle: the deleter is a template argument.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

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
inline void DestroyIconValue(HICON h) { ::DestroyIcon(h); }
inline void DestroyMenuValue(HMENU h) { ::DestroyMenu(h); }
inline void FindCloseValue(HANDLE h) { ::FindClose(h); }
inline void LocalFreeValue(HLOCAL h) { ::LocalFree(h); }

using UniqueHandle = UniqueAny<HANDLE, CloseHandleValue>;
using UniqueFile = UniqueAny<HANDLE, CloseHandleValue, -1>;
using UniqueFind = UniqueAny<HANDLE, FindCloseValue, -1>;
using UniqueFont = UniqueAny<HFONT, DeleteGdiObject>;
using UniqueBitmap = UniqueAny<HBITMAP, DeleteGdiObject>;
using UniqueBrush = UniqueAny<HBRUSH, DeleteGdiObject>;
using UniqueIcon = UniqueAny<HICON, DestroyIconValue>;
using UniqueMenu = UniqueAny<HMENU, DestroyMenuValue>;

}  // namespace kestrane::win32
