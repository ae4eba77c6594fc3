#include "toolkit/tray_icon.h"

#include "core/utf8_text.h"

namespace kestrane {

std::string FirstCharacters(const std::string& text, std::size_t count) { return CodePointSlice(text, 0, count); }

void TCoolTrayIcon::SetApplication(TApplication* application) {
  application_ = application;
  if (!application_) return;
  application_->OnMinimize = [this] {
    if (!MinimizeToTray) return;
    HideMainWindow();
    SetIconVisible(true);
  };
}

void TCoolTrayIcon::SetIconList(int imageCount) {
  iconCount_ = imageCount;
  iconIndex_ = 0;
  if (present_ && peer_) peer_->Modify();
}

void TCoolTrayIcon::SetIconIndex(int index) {
  if (iconCount_ == 0) return;
  iconIndex_ = index;
  if (present_ && peer_) peer_->Modify();
}

int TCoolTrayIcon::ShownImage() const {
  if (iconCount_ == 0) return -1;
  if (iconIndex_ < 0) return 0;
  return iconIndex_ >= iconCount_ ? iconCount_ - 1 : iconIndex_;
}

void TCoolTrayIcon::SetHint(std::string hint) {
  hint_ = std::move(hint);
  if (present_ && peer_) peer_->Modify();
}

void TCoolTrayIcon::SetIconVisible(bool visible) {
  if (visible == present_) return;
  present_ = visible;
  if (!peer_) return;
  if (present_) {
    peer_->Add();
  } else {
    peer_->Remove();
  }
}

void TCoolTrayIcon::ShowBalloon(const TrayBalloon& balloon) {
  if (!present_ || !peer_) return;
  peer_->ShowBalloon({FirstCharacters(balloon.title, kBalloonTitleCharacters),
                      FirstCharacters(balloon.text, kBalloonTextCharacters), balloon.icon, balloon.seconds});
}

void TCoolTrayIcon::HideMainWindow() {
  if (!application_) return;
  if (TForm* main = application_->MainForm()) main->Hide();
  application_->SetTaskbarButtonVisible(false);
}

void TCoolTrayIcon::RestoreMainWindow() {
  if (!application_) return;
  application_->Restore();
  application_->SetTaskbarButtonVisible(true);
  if (TForm* main = application_->MainForm()) main->Show();
  application_->BringToFront();
}

void TCoolTrayIcon::MouseDown(MouseButton button, int screenX, int screenY) {
  const bool opens = button == MouseButton::Right || (button == MouseButton::Left && LeftPopup);
  if (!opens || !PopupMenu) return;
  if (application_) application_->BringToFront();
  PopupMenu->Popup(screenX, screenY);
}

void TCoolTrayIcon::ShellRestarted() {
  if (present_ && peer_) peer_->Add();
}

}  // namespace kestrane
