// Components without a place of their own: timer, popup menu, tray icon, message boxes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "toolkit/popup_menu.h"

namespace kestrane {

class TimerPeer {
 public:
  virtual ~TimerPeer() = default;
  virtual void Restart() = 0;  // the interval or the enabled state changed
};

// A timer. A new interval restarts the countdown; 0 keeps it from firing.
class TTimer {
 public:
  explicit TTimer(std::uint32_t interval = 1000) : interval_(interval) {}
  std::uint32_t Interval() const { return interval_; }
  void SetInterval(std::uint32_t ms);
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

// Runs a handler; an error escaping it goes to the general error box and the program goes on.
void RunGuarded(Dialogs& dialogs, const std::function<void()>& handler);

}  // namespace kestrane
