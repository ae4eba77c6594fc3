#include "toolkit/popup_menu.h"

#include <stdexcept>

namespace kestrane {

TMenuItem& TPopupMenu::Item(const std::string& name) {
  for (TMenuItem& item : items_) {
    if (item.name == name) return item;
  }
  throw std::out_of_range("No menu item " + name);
}

void TPopupMenu::Popup(int screenX, int screenY) {
  if (OnPopup) OnPopup();
  ++popups_;
  if (!peer_) return;
  int chosen = peer_->Track(*this, screenX, screenY);
  if (chosen >= 0 && chosen < static_cast<int>(items_.size())) {
    // The item may change the menu; run a copy of its command.
    std::function<void()> command = items_[chosen].separator ? nullptr : items_[chosen].onClick;
    if (command) command();
  }
}

}  // namespace kestrane
