// TApplication: the program as the taskbar knows it. It carries the title on the taskbar button,
// can be minimised (the main form hides with it) and restored, and ends the program.
#pragma once

#include <functional>
#include <string>

#include "toolkit/form.h"

namespace kestrane {

class ApplicationPeer {
 public:
  virtual ~ApplicationPeer() = default;
  virtual void Minimize() = 0;  // the taskbar button minimised, the main form's window hidden
  virtual void Restore() = 0;   // the taskbar button restored, a shown main form's window back
  virtual void TaskbarButtonChanged() = 0;
  virtual void BringToFront() = 0;
  virtual void Terminate() = 0;  // leaves the message loop
};

class TApplication {
 public:
  explicit TApplication(std::string title) : title_(std::move(title)) {}

  const std::string& Title() const { return title_; }
  TForm* MainForm() const { return mainForm_; }
  void SetMainForm(TForm* form) { mainForm_ = form; }

  bool Minimized() const { return minimized_; }
  // By the title bar's button, the taskbar or the program. OnMinimize runs after the change.
  void Minimize();
  // From the taskbar or the program: the main form comes back as it was. OnRestore runs after.
  void Restore();
  std::function<void()> OnMinimize;
  std::function<void()> OnRestore;

  // Whether the program has a taskbar button; hiding it leaves the program running unseen.
  bool TaskbarButtonVisible() const { return taskbarButton_; }
  void SetTaskbarButtonVisible(bool visible);

  void BringToFront();
  bool Terminated() const { return terminated_; }
  // Ends the program: OnTerminate runs first, then the message loop is left.
  void Terminate();
  // What must stop at once when the program ends, before the message loop has run dry.
  std::function<void()> OnTerminate;

  void AttachPeer(ApplicationPeer* peer) { peer_ = peer; }

 private:
  std::string title_;
  TForm* mainForm_ = nullptr;
  bool minimized_ = false;
  bool taskbarButton_ = true;
  bool terminated_ = false;
  ApplicationPeer* peer_ = nullptr;
};

}  // namespace kestrane
