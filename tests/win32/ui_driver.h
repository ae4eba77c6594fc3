// Drives real windows under Wine as a user would: keys through SendInput, the program's own
// message loop step (with the dialog keyboard), and boxes found and answered from a helper thread.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/form_frame.h"

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

// A click at a screen point with the given button (MOUSEEVENTF_LEFTDOWN or _RIGHTDOWN).
inline void ClickAt(POINT screen, DWORD downFlag) {
  const int w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
  INPUT in[3]{};
  for (INPUT& i : in) {
    i.type = INPUT_MOUSE;
    i.mi.dx = MulDiv(screen.x, 65535, w - 1);
    i.mi.dy = MulDiv(screen.y, 65535, h - 1);
  }
  in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  in[1].mi.dwFlags = downFlag | MOUSEEVENTF_ABSOLUTE;
  in[2].mi.dwFlags = (downFlag << 1) | MOUSEEVENTF_ABSOLUTE;  // the matching release
  ::SendInput(3, in, sizeof(INPUT));
}

// Waits on a helper thread for a popup menu of `thread` and chooses its item `index` by the keys.
inline std::thread ChooseFromMenu(DWORD thread, int index, bool* opened = nullptr) {
  return std::thread([thread, index, opened] {
    HWND menu = nullptr;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(index < 0 ? 1500 : 15000);
    while (!menu && std::chrono::steady_clock::now() < deadline) {
      ::EnumThreadWindows(
          thread,
          [](HWND hwnd, LPARAM lp) {
            if (::IsWindowVisible(hwnd) && ClassOf(hwnd) == L"#32768") *reinterpret_cast<HWND*>(lp) = hwnd;
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&menu));
      if (!menu) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (opened) *opened = menu != nullptr;
    if (!menu || index < 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::vector<INPUT> keys;
    for (int i = 0; i <= index; ++i) {
      keys.push_back(KeyInput(VK_DOWN, false));
      keys.push_back(KeyInput(VK_DOWN, true));
    }
    keys.push_back(KeyInput(VK_RETURN, false));
    keys.push_back(KeyInput(VK_RETURN, true));
    for (INPUT& k : keys) {
      ::SendInput(1, &k, sizeof(INPUT));
      std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
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
