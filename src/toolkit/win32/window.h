// The base of every window of ours. It registers a window class once, creates the window and
// checks the result (a failure throws with the system's text), owns the HWND (destroyed with the
// object) and lets the object go at WM_NCDESTROY. Messages reach the object's WndProc through
// GWLP_USERDATA for a class of our own, set at WM_NCCREATE, and through SetWindowSubclass for a
// system control. A child's WM_COMMAND, WM_NOTIFY, WM_DRAWITEM and WM_CTLCOLOR* go back to the
// child's own object first (OnMessageReflect), so a parent never asks what kind a child is.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

#include <string>

namespace kestrane::win32 {

// A window class of ours, registered the first time a window of it is made.
struct WindowClass {
  const wchar_t* name = nullptr;
  UINT style = 0;
  HICON icon = nullptr;
  HICON smallIcon = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
};

// Where and how a window is made.
struct WindowPlace {
  DWORD exStyle = 0;
  DWORD style = 0;
  const wchar_t* text = L"";
  int x = 0, y = 0, width = 0, height = 0;
  HWND parent = nullptr;  // the parent of a child, the owner of a top-level window, HWND_MESSAGE
  int id = 0;             // a child's control identifier
};

// Creates a window of a class the caller does not handle messages for (a tooltip, a dialog's
// static text) and checks the result: null never comes back, a failure throws.
HWND CreateWindowChecked(const wchar_t* className, const WindowPlace& place, void* createParam = nullptr);

// The text for a window that could not be made, with the system's reason for `error`.
std::string WindowFailureText(const wchar_t* className, DWORD error);

class Window {
 public:
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND Handle() const { return hwnd_; }
  // The object behind a window made by this base; null for any other window.
  static Window* FromHandle(HWND hwnd);

 protected:
  Window() = default;
  // A window of a class of ours.
  void CreateCustom(const WindowClass& windowClass, const WindowPlace& place);
  // A system control (EDIT, BUTTON, ...) whose messages come to WndProc before the control's own.
  void CreateControl(const wchar_t* systemClass, const WindowPlace& place);
  // Destroys the window now; for a destructor that still needs its own messages on the way.
  void Destroy();

  // A message for this window. Default() is DefWindowProc, or the control's own procedure.
  virtual LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) { return Default(msg, wp, lp); }
  LRESULT Default(UINT msg, WPARAM wp, LPARAM lp);
  // A notification this window sent its parent, handed back: true when it was handled here.
  virtual bool OnMessageReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    (void)msg, (void)wp, (void)lp, (void)result;
    return false;
  }

 private:
  static LRESULT CALLBACK ClassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data);
  LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp);
  void Release();  // the window no longer reaches this object

  HWND hwnd_ = nullptr;
  bool control_ = false;
};

}  // namespace kestrane::win32
