#include "toolkit/form.h"

namespace kestrane {

TForm::TForm(std::string name, std::string caption, int clientWidth, int clientHeight, FormBorder border)
    : name_(std::move(name)),
      caption_(std::move(caption)),
      border_(border),
      designWidth_(clientWidth),
      designHeight_(clientHeight),
      width_(clientWidth + FrameWidth()),
      height_(clientHeight + FrameHeight()) {}

void TForm::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  if (peer_) peer_->CaptionChanged();
}

void TForm::SetWidth(int width) {
  width_ = width;
  Layout(ClientWidth(), ClientHeight());
  if (peer_) peer_->SizeChanged();
}

void TForm::SetHeight(int height) {
  height_ = height;
  Layout(ClientWidth(), ClientHeight());
  if (peer_) peer_->SizeChanged();
}

void TForm::UserResized(int clientWidth, int clientHeight) {
  width_ = clientWidth + FrameWidth();
  height_ = clientHeight + FrameHeight();
  Layout(clientWidth, clientHeight);
}

void TForm::SetBusy(bool busy) {
  busy_ += busy ? 1 : -1;
  if (busy_ < 0) busy_ = 0;
  if (peer_) peer_->BusyChanged();
}

void TForm::Show() {
  if (visible_) return;
  visible_ = true;
  if (OnShow) OnShow();
  if (peer_) peer_->VisibleChanged();
}

void TForm::Hide() {
  if (!visible_) return;
  visible_ = false;
  if (peer_) peer_->VisibleChanged();
}

void TForm::SetControls(std::vector<TControl*> controls) {
  controls_ = std::move(controls);
  for (TControl* c : controls_) c->SetFocusTracker(&focused_);
}

}  // namespace kestrane
