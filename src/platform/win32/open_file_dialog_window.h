// The system's open-file dialog (GetOpenFileNameW).
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

#include <functional>

#include "platform/open_file_dialog.h"

namespace kestrane::win32 {

class SystemOpenFileDialog : public OpenFileDialog {
 public:
  // `owner` gives the window the dialog belongs to when it is shown.
  explicit SystemOpenFileDialog(std::function<HWND()> owner) : owner_(std::move(owner)) {}
  std::optional<std::string> Choose(const std::string& initialDir) override;

 private:
  std::function<HWND()> owner_;
};

}  // namespace kestrane::win32
