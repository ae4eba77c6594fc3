// TOpenDialog: the open-file dialog as a component of a form: its initial folder, the file name
// chosen, and OnShow, which runs each time the dialog is about to be shown.
#pragma once

#include <functional>
#include <string>

#include "platform/open_file_dialog.h"

namespace kestrane {

class TOpenDialog {
 public:
  explicit TOpenDialog(OpenFileDialog* system) : system_(system) {}
  std::string InitialDir;
  std::string FileName;
  std::function<void()> OnShow;
  // OnShow, then the dialog. True when the user chose a file (then in FileName).
  bool Execute() {
    if (OnShow) OnShow();
    if (!system_) return false;
    std::optional<std::string> chosen = system_->Choose(InitialDir);
    if (!chosen) return false;
    FileName = *chosen;
    return true;
  }

 private:
  OpenFileDialog* system_;
};

}  // namespace kestrane
