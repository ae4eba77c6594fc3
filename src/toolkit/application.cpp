#include "toolkit/application.h"

namespace kestrane {

void TApplication::Minimize() {
  if (minimized_) return;
  minimized_ = true;
  if (peer_) peer_->Minimize();
  if (OnMinimize) OnMinimize();
}

void TApplication::Restore() {
  if (!minimized_) return;
  minimized_ = false;
  if (peer_) peer_->Restore();
  if (OnRestore) OnRestore();
}

void TApplication::SetTaskbarButtonVisible(bool visible) {
  if (visible == taskbarButton_) return;
  taskbarButton_ = visible;
  if (peer_) peer_->TaskbarButtonChanged();
}

void TApplication::BringToFront() {
  if (peer_) peer_->BringToFront();
}

void TApplication::Terminate() {
  const bool first = !terminated_;
  terminated_ = true;
  if (first && OnTerminate) OnTerminate();
  if (peer_) peer_->Terminate();
}

}  // namespace kestrane
