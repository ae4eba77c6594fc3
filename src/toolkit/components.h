// Components without a place of their own: timer, popup menu, tray icon, message boxes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/check_run.h"
#include "toolkit/popup_menu.h"

namespace kestrane {

class TimerPeer {
 public:
  virtual ~TimerPeer() = default;
  virtual void Restart() = 0;  // the interval or the enabled state changed
};

// The refresh timer. A new interval restarts the countdown; 0 keeps it from firing.
class TTimer : public RefreshTimer {
 public:
  explicit TTimer(std::uint32_t interval = 1000) : interval_(interval) {}
  std::uint32_t Interval() const override { return interval_; }
  void SetInterval(std::uint32_t ms) override;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  int Restarts() const { return restarts_; }  // countdowns begun, for tests
  void Tick();  // what the peer calls when the countdown runs out
  void AttachPeer(TimerPeer* peer) { peer_ = peer; }
  std::function<void()> OnTimer;

 private:
  std::uint32_t interval_;
  bool enabled_ = true;
  int restarts_ = 0;
  TimerPeer* peer_ = nullptr;
};

// The notification-area icon's state. Its shell peer comes with tray operation.
class TCoolTrayIcon {
 public:
  int IconCount() const { return iconCount_; }
  // Giving the image list selects image 0.
  void SetIconList(int imageCount) {
    iconCount_ = imageCount;
    iconIndex_ = 0;
  }
  int IconIndex() const { return iconIndex_; }
  // Without an image list the icon keeps its built-in icon and the index changes nothing.
  void SetIconIndex(int index) {
    if (iconCount_ > 0) iconIndex_ = index;
  }
  // The image shown: an index at or past the end shows the last image; -1 the built-in icon.
  int ShownImage() const { return iconCount_ == 0 ? -1 : (iconIndex_ >= iconCount_ ? iconCount_ - 1 : iconIndex_); }
  const std::string& Hint() const { return hint_; }
  void SetHint(std::string hint) { hint_ = std::move(hint); }
  bool IconVisible() const { return visible_; }
  void SetIconVisible(bool visible) { visible_ = visible; }
  struct Balloon {
    std::string title, text;
    BalloonIcon icon;
    int seconds;
  };
  // Shown only while the icon is present; nothing is kept for later.
  void ShowBalloon(Balloon balloon) {
    if (visible_) balloons_.push_back(std::move(balloon));
  }
  const std::vector<Balloon>& BalloonsShown() const { return balloons_; }

 private:
  std::vector<Balloon> balloons_;
  int iconCount_ = 0;
  int iconIndex_ = 0;
  std::string hint_;
  bool visible_ = false;
};

// The three message boxes.
class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual void Information(const std::string& text) = 0;  // caption the title, OK
  virtual bool Confirm(const std::string& text) = 0;      // "Confirm", Yes and No
  virtual void Error(const std::string& text) = 0;        // caption the title, stop icon, OK
};

// The error box's text: the message with a full stop added when it does not end in one.
std::string ErrorBoxText(const std::string& message);

}  // namespace kestrane
