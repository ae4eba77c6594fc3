#include "toolkit/win32/window.h"

#include <commctrl.h>

#include <mutex>
#include <set>
#include <stdexcept>

#include "platform/win32/wide_text.h"

namespace kestrane::win32 {
namespace {

constexpr UINT_PTR kSubclassId = 1;
// The object of a window of either kind, for its parent to find: a window property of ours.
constexpr wchar_t kObjectProperty[] = L"Kestrane.Window";

HINSTANCE Instance() { return ::GetModuleHandleW(nullptr); }

void RegisterOnce(const WindowClass& windowClass, WNDPROC proc) {
  static std::mutex lock;
  static std::set<std::wstring> registered;
  std::lock_guard<std::mutex> guard(lock);
  if (registered.count(windowClass.name)) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = windowClass.style;
  wc.lpfnWndProc = proc;
  wc.hInstance = Instance();
  wc.hIcon = windowClass.icon;
  wc.hIconSm = windowClass.smallIcon;
  wc.hCursor = windowClass.cursor;
  wc.hbrBackground = windowClass.background;
  wc.lpszClassName = windowClass.name;
  if (!::RegisterClassExW(&wc)) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_CLASS_ALREADY_EXISTS) {
      std::string text = "Cannot register the window class ";
      text.append(Narrow(windowClass.name)).append(". ").append(SystemErrorText(error));
      throw std::runtime_error(text);
    }
  }
  registered.insert(windowClass.name);
}

// The window a parent's notification comes from, or null.
HWND NotifyingChild(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND: return reinterpret_cast<HWND>(lp);  // null for menus and accelerators
    case WM_NOTIFY: return reinterpret_cast<const NMHDR*>(lp)->hwndFrom;
    case WM_DRAWITEM: return wp ? reinterpret_cast<const DRAWITEMSTRUCT*>(lp)->hwndItem : nullptr;  // 0: a menu
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: return reinterpret_cast<HWND>(lp);
  }
  return nullptr;
}

}  // namespace

std::string WindowFailureText(const wchar_t* className, DWORD error) {
  std::string text = "Cannot create a window of the class ";
  text.append(Narrow(className)).append(".");
  // A window procedure that refused its creation leaves no error code: then there is no reason to add.
  if (error != ERROR_SUCCESS) text.append(" ").append(SystemErrorText(error));
  return text;
}

HWND CreateWindowChecked(const wchar_t* className, const WindowPlace& place, void* createParam) {
  ::SetLastError(ERROR_SUCCESS);
  HWND hwnd = ::CreateWindowExW(place.exStyle, className, place.text, place.style, place.x, place.y, place.width,
                                place.height, place.parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(place.id)),
                                Instance(), createParam);
  if (!hwnd) throw std::runtime_error(WindowFailureText(className, ::GetLastError()));
  return hwnd;
}

Window::~Window() {
  if (!hwnd_) return;
  // The parts of the derived object are gone: nothing more reaches this one.
  HWND hwnd = hwnd_;
  Release();
  ::DestroyWindow(hwnd);
}

Window* Window::FromHandle(HWND hwnd) {
  return hwnd ? static_cast<Window*>(::GetPropW(hwnd, kObjectProperty)) : nullptr;
}

void Window::CreateCustom(const WindowClass& windowClass, const WindowPlace& place) {
  RegisterOnce(windowClass, ClassProc);
  // hwnd_ is set at WM_NCCREATE, so the first messages already find this object.
  CreateWindowChecked(windowClass.name, place, this);
}

void Window::CreateControl(const wchar_t* systemClass, const WindowPlace& place) {
  HWND hwnd = CreateWindowChecked(systemClass, place);
  if (!::SetWindowSubclass(hwnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)) ||
      !::SetPropW(hwnd, kObjectProperty, this)) {
    const DWORD error = ::GetLastError();
    ::RemoveWindowSubclass(hwnd, SubclassProc, kSubclassId);
    ::DestroyWindow(hwnd);
    throw std::runtime_error(WindowFailureText(systemClass, error));
  }
  hwnd_ = hwnd;
  control_ = true;
}

void Window::Destroy() {
  if (hwnd_) ::DestroyWindow(hwnd_);  // WM_NCDESTROY lets this object go
}

LRESULT Window::Default(UINT msg, WPARAM wp, LPARAM lp) {
  return control_ ? ::DefSubclassProc(hwnd_, msg, wp, lp) : ::DefWindowProcW(hwnd_, msg, wp, lp);
}

void Window::Release() {
  ::RemovePropW(hwnd_, kObjectProperty);  // before WM_NCDESTROY ends, as every property must go
  if (control_) {
    ::RemoveWindowSubclass(hwnd_, SubclassProc, kSubclassId);
  } else {
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  }
  hwnd_ = nullptr;
}

LRESULT Window::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
  if (HWND child = NotifyingChild(msg, wp, lp); child && child != hwnd_) {
    LRESULT result = 0;
    if (Window* peer = FromHandle(child); peer && peer->OnMessageReflect(msg, wp, lp, result)) return result;
  }
  // A subclass goes before the window does; the control's own procedure still gets the message.
  if (msg == WM_NCDESTROY && control_) ::RemoveWindowSubclass(hwnd_, SubclassProc, kSubclassId);
  LRESULT result = WndProc(msg, wp, lp);
  if (msg == WM_NCDESTROY) Release();  // the last message: the default procedure has seen it
  return result;
}

LRESULT CALLBACK Window::ClassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* created = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    if (!::SetPropW(hwnd, kObjectProperty, created)) return FALSE;  // the creation fails and says so
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    created->hwnd_ = hwnd;
  }
  auto* self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  return self ? self->Dispatch(msg, wp, lp) : ::DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK Window::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<Window*>(data);
  return self && self->hwnd_ == hwnd ? self->Dispatch(msg, wp, lp) : ::DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace kestrane::win32
