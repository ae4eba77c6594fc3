#include "toolkit/components.h"

namespace kestrane {

void TTimer::SetInterval(std::uint32_t ms) {
  interval_ = ms;
  ++restarts_;
  if (peer_) peer_->Restart();
}

void TTimer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  ++restarts_;
  if (peer_) peer_->Restart();
}

void TTimer::Tick() {
  if (enabled_ && interval_ > 0 && OnTimer) OnTimer();
}

std::string ErrorBoxText(const std::string& message) {
  if (!message.empty() && message.back() == '.') return message;
  return message + ".";
}

void RunGuarded(Dialogs& dialogs, const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    dialogs.Error(ErrorBoxText(e.what()));
  } catch (...) {
    dialogs.Error("Unknown error.");
  }
}

}  // namespace kestrane
