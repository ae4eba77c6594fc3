// TPopupMenu: a context menu. Its items carry a caption, a picture of the form's image set and a
// check mark; a separator item has no command. A peer shows it and says which item was chosen.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kestrane {

struct TMenuItem {
  std::string name;
  std::string caption;
  int imageIndex = -1;
  bool checked = false;
  bool separator = false;
  std::function<void()> onClick = {};
  // What choosing the item does.
  void Click() const {
    if (!separator && onClick) onClick();
  }
};

class TPopupMenu;

class MenuPeer {
 public:
  virtual ~MenuPeer() = default;
  // Shows the menu at a screen point and returns the chosen item's index, or -1.
  virtual int Track(TPopupMenu& menu, int screenX, int screenY) = 0;
};

class TPopupMenu {
 public:
  explicit TPopupMenu(std::vector<TMenuItem> items) : items_(std::move(items)) {}
  std::vector<TMenuItem>& Items() { return items_; }
  const std::vector<TMenuItem>& Items() const { return items_; }
  TMenuItem& Item(const std::string& name);
  bool HasImages() const { return hasImages_; }
  void SetImages(bool has) { hasImages_ = has; }

  // OnPopup runs, then the menu shows at the screen point and the chosen item runs.
  void Popup(int screenX, int screenY);
  int Popups() const { return popups_; }  // how often it was opened, for tests
  std::function<void()> OnPopup;

  void AttachPeer(MenuPeer* peer) { peer_ = peer; }

 private:
  std::vector<TMenuItem> items_;
  bool hasImages_ = false;
  int popups_ = 0;
  MenuPeer* peer_ = nullptr;
};

}  // namespace kestrane
