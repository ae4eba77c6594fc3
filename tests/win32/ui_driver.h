// Drives real windows under Wine as a user would: keys through SendInput, the program's own
// message loop step (with the dialog keyboard), and boxes found and answered from a helper thread.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "toolkit/win32/form_frame.h"
#include "toolkit/win32/message_loop.h"

namespace kestrane::win32::testing {

// Runs the message loop's step until `done` holds or the time is up. True when done.
inline bool PumpUntil(const std::function<bool()>& done, int milliseconds = 60000) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (DialogKeyboard(msg)) continue;
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

// Lets the queued input and what it causes be handled.
inline void Settle(int milliseconds = 150) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  PumpUntil([&] { return std::chrono::steady_clock::now() > until; }, milliseconds + 1000);
}

inline INPUT KeyInput(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return in;
}

// Presses a key, with Shift or Ctrl held when asked, and lets the window handle it.
inline void Press(WORD vk, bool shift = false, bool ctrl = false) {
  std::vector<INPUT> in;
  if (ctrl) in.push_back(KeyInput(VK_CONTROL, false));
  if (shift) in.push_back(KeyInput(VK_SHIFT, false));
  in.push_back(KeyInput(vk, false));
  in.push_back(KeyInput(vk, true));
  if (shift) in.push_back(KeyInput(VK_SHIFT, true));
  if (ctrl) in.push_back(KeyInput(VK_CONTROL, true));
  ::SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
  Settle();
}

inline std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  ::GetClassNameW(hwnd, name, 64);
  return name;
}

// A click at a screen point with the given button (MOUSEEVENTF_LEFTDOWN or _RIGHTDOWN). The press
// waits until the pointer is there: Wine hands a move on to the X server and back, and a press
// queued at once may land where the pointer was before (seen: a right click on the wrong row).
inline void ClickAt(POINT screen, DWORD downFlag) {
  const int w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
  INPUT in[3]{};
  for (INPUT& i : in) {
    i.type = INPUT_MOUSE;
    i.mi.dx = MulDiv(screen.x, 65535, w - 1);
    i.mi.dy = MulDiv(screen.y, 65535, h - 1);
    i.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;  // every event at the point
  }
  in[1].mi.dwFlags |= downFlag;
  in[2].mi.dwFlags |= downFlag << 1;  // the matching release
  auto there = [&] {
    POINT now{};
    ::GetCursorPos(&now);
    return std::abs(now.x - screen.x) <= 1 && std::abs(now.y - screen.y) <= 1;
  };
  ::SendInput(1, &in[0], sizeof(INPUT));
  PumpUntil(there, 5000);
  ::SendInput(2, &in[1], sizeof(INPUT));
}

// A visible popup menu of `thread`, or null.
inline HWND VisibleMenu(DWORD thread) {
  HWND menu = nullptr;
  ::EnumThreadWindows(
      thread,
      [](HWND hwnd, LPARAM lp) {
        if (::IsWindowVisible(hwnd) && ClassOf(hwnd) == L"#32768") *reinterpret_cast<HWND*>(lp) = hwnd;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&menu));
  return menu;
}

// Polls `done` from a helper thread (which has no window to pump) until it holds or the time is up.
inline bool WaitFor(const std::function<bool()>& done, int milliseconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

inline void PressFromHelper(WORD vk) {
  INPUT keys[2]{KeyInput(vk, false), KeyInput(vk, true)};
  ::SendInput(2, keys, sizeof(INPUT));
}

// Waits on a helper thread for a popup menu of `thread` and chooses its item `index` (separators not
// counted) by the keys, as the menu shows them: each Down once the menu has taken the one before, Enter on
// the item asked for. With `index` -1 only whether a menu opens is seen; one that does is closed.
inline std::thread ChooseFromMenu(DWORD thread, int index, bool* opened = nullptr) {
  return std::thread([thread, index, opened] {
    HWND menu = nullptr;
    WaitFor([&] { return (menu = VisibleMenu(thread)) != nullptr; }, index < 0 ? 1500 : 15000);
    if (opened) *opened = menu != nullptr;
    if (!menu) return;
    if (index < 0) {
      PressFromHelper(VK_ESCAPE);
      return;
    }
    auto items = reinterpret_cast<HMENU>(::SendMessageW(menu, MN_GETHMENU, 0, 0));
    int target = -1;
    for (int i = 0, n = 0; items && target < 0 && i < ::GetMenuItemCount(items); ++i) {
      if (!(::GetMenuState(items, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) && n++ == index) target = i;
    }
    auto highlighted = [items] {
      for (int i = 0; i < ::GetMenuItemCount(items); ++i) {
        if (::GetMenuState(items, static_cast<UINT>(i), MF_BYPOSITION) & MF_HILITE) return i;
      }
      return -1;
    };
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (target >= 0 && highlighted() != target && std::chrono::steady_clock::now() < deadline) {
      const int before = highlighted();
      PressFromHelper(VK_DOWN);
      // The old item loses its mark before the new one gets it; a key the menu missed is pressed again.
      WaitFor([&] {
        const int now = highlighted();
        return now >= 0 && now != before;
      }, 2000);
    }
    // Not there: the menu is closed unchosen and the test sees that nothing happened.
    PressFromHelper(target >= 0 && highlighted() == target ? VK_RETURN : VK_ESCAPE);
    WaitFor([&] { return !::IsWindowVisible(menu); }, 5000);
  });
}

// Types text as characters.
inline void Type(const std::wstring& text) {
  std::vector<INPUT> in;
  for (wchar_t c : text) {
    INPUT down{};
    down.type = INPUT_KEYBOARD;
    down.ki.wScan = c;
    down.ki.dwFlags = KEYEVENTF_UNICODE;
    INPUT up = down;
    up.ki.dwFlags |= KEYEVENTF_KEYUP;
    in.push_back(down);
    in.push_back(up);
  }
  ::SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
  Settle();
}

inline std::wstring TextOf(HWND hwnd) {
  int n = ::GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  n = ::GetWindowTextW(hwnd, text.data(), n + 1);
  text.resize(static_cast<std::size_t>(n));
  return text;
}

// A box as another thread sees it.
struct SeenBox {
  HWND hwnd = nullptr;
  std::wstring caption;
  std::wstring text;
  std::vector<std::wstring> buttons;
  bool icon = false;
  std::wstring focused;  // the text of the control with the focus
  bool defaultButtonFocused = false;
};

// Waits on a helper thread for a visible dialog box of `thread`, reads it, and runs `answer`.
inline std::thread AnswerBox(DWORD thread, std::function<void(const SeenBox&)> answer, SeenBox* seen = nullptr) {
  return std::thread([thread, answer = std::move(answer), seen] {
    SeenBox box;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!box.hwnd && std::chrono::steady_clock::now() < deadline) {
      ::EnumThreadWindows(
          thread,
          [](HWND hwnd, LPARAM lp) {
            if (::IsWindowVisible(hwnd) && ClassOf(hwnd) == L"#32770") {
              reinterpret_cast<SeenBox*>(lp)->hwnd = hwnd;
              return FALSE;
            }
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&box));
      if (!box.hwnd) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!box.hwnd) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    box.caption = TextOf(box.hwnd);
    for (HWND child = ::GetWindow(box.hwnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
      if (ClassOf(child) == L"Button") box.buttons.push_back(TextOf(child));
      if (ClassOf(child) == L"Static") {
        if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
          box.icon = ::SendMessageW(child, STM_GETICON, 0, 0) != 0;
        } else {
          box.text = TextOf(child);
        }
      }
    }
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(thread, &info);
    box.focused = info.hwndFocus ? TextOf(info.hwndFocus) : L"";
    box.defaultButtonFocused =
        info.hwndFocus && (::SendMessageW(info.hwndFocus, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON);
    if (seen) *seen = box;
    answer(box);
  });
}

// A key posted to the box's focused control, as the keyboard would deliver it.
inline void PostKeyToFocus(DWORD thread, WORD vk) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  ::GetGUIThreadInfo(thread, &info);
  ::PostMessageW(info.hwndFocus, WM_KEYDOWN, vk, 1);
  ::PostMessageW(info.hwndFocus, WM_KEYUP, vk, 0xC0000001);
}

}  // namespace kestrane::win32::testing
