// The three standard boxes as a small dialog of our own: the English captions and buttons on any
// system language ("Confirm", "Yes", "No", "OK"), Esc answering No and Enter Yes, the look of a
// message box (icon and text on the window colour, the buttons on a strip below), modal for
// every window of the program and centred on the screen.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

#include <string>

#include "toolkit/components.h"

namespace kestrane::win32 {

enum class BoxKind { Information, Confirmation, Error };

// Shows a box and returns IDOK, IDYES or IDNO. Esc and the close button answer IDNO in a
// confirmation and IDOK otherwise. `owner` may be null.
int ShowBox(HWND owner, BoxKind kind, const std::string& caption, const std::string& text);

// The error box of a start-up that failed, shown until answered even though the main window,
// destroyed while the failure unwound, may already have posted the program's end (a WM_QUIT in
// the queue ends a box's modal loop at once).
void ShowStartFailure(const std::string& caption, const std::string& text);

class MessageBoxes : public Dialogs {
 public:
  explicit MessageBoxes(std::string title) : title_(std::move(title)) {}
  // The window the boxes belong to when none of ours is active (the main window).
  void SetOwner(HWND owner) { owner_ = owner; }
  void Information(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  void Error(const std::string& text) override;

 private:
  HWND Owner() const;
  std::string title_;
  HWND owner_ = nullptr;
};

}  // namespace kestrane::win32
