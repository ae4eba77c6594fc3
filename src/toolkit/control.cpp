#include "toolkit/control.h"

#include "core/text_lines.h"
#include "core/utf8_text.h"

namespace kestrane {
Rect TControl::WindowBounds() const {
  Rect r = bounds_;
  for (const TControl* p = parent_; p; p = p->parent_) {
    r.left += p->bounds_.left;
    r.top += p->bounds_.top;
  }
  return r;
}

void TControl::SetText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  ++textVersion_;
  if (peer_) peer_->TextChanged();
  FireChange();
}

void TControl::TextEditedByUser(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  ++textVersion_;
  FireChange();
}

void TControl::FireChange() {
  if (OnChange) OnChange();
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (peer_) peer_->StateChanged();
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (peer_) peer_->StateChanged();
}

void TControl::SetFocus() {
  if (focusedFlag_) *focusedFlag_ = this;
  if (peer_) peer_->Focus();
}

const std::vector<std::string>& TMemo::Lines() const {
  if (linesVersion_ != TextVersion()) {
    lines_ = SplitLines(Text());
    linesVersion_ = TextVersion();
  }
  return lines_;
}

void TMemo::SelectAll() { SetSelection(0, static_cast<int>(CodePointCount(Text()))); }

void TMemo::SetSelection(int start, int length) {
  selStart_ = start;
  selLength_ = length;
  if (peer_) peer_->SelectionChanged();
}

void TMemo::KeyDown(const KeyEvent& key) {
  if (OnKeyDown) OnKeyDown(key);
}

void TComboBox::Choose(int index) {
  if (index >= 0 && index < static_cast<int>(items_.size())) SetText(items_[index]);
}

void TButton::Click() {
  if (Enabled() && Visible() && OnClick) OnClick();
}

void TProgressBar::SetMax(int max) {
  max_ = max;
  if (peer_) peer_->StateChanged();
}

void TProgressBar::SetPosition(int position) {
  position_ = position;
  if (peer_) peer_->StateChanged();
}

}  // namespace kestrane
