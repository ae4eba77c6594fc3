// TCoolTrayIcon: the program's icon in the notification area. It keeps the image and the tooltip
// while it is absent and shows them when it is added; it hides the application in the tray when
// the application is minimised, and opens its menu on a press of either mouse button.
#pragma once

#include <string>

#include "toolkit/application.h"
#include "toolkit/popup_menu.h"
#include "toolkit/string_grid.h"

namespace kestrane {

class TCoolTrayIcon;

struct TrayBalloon {
  enum class Icon { None, Info, Warning, Error };
  std::string title, text;
  Icon icon = Icon::None;
  int seconds = 0;
};

// The shell's notification area, as the icon uses it.
class TrayPeer {
 public:
  virtual ~TrayPeer() = default;
  virtual void Add() = 0;     // the icon with its image and tooltip
  virtual void Modify() = 0;  // the image or the tooltip of a present icon
  virtual void Remove() = 0;
  // A balloon at the present icon: an earlier one still on screen goes first.
  virtual void ShowBalloon(const TrayBalloon& balloon) = 0;
};

// The shell shows at most this many characters.
inline constexpr std::size_t kTipCharacters = 127;
inline constexpr std::size_t kBalloonTitleCharacters = 63;
inline constexpr std::size_t kBalloonTextCharacters = 255;

// The first `count` characters (code points) of a UTF-8 text; a character is never cut in two.
std::string FirstCharacters(const std::string& text, std::size_t count);

class TCoolTrayIcon {
 public:
  // Settings.
  TPopupMenu* PopupMenu = nullptr;
  bool LeftPopup = true;       // the menu opens on the left button as well as on the right
  bool MinimizeToTray = true;  // minimising the application sends it to the tray
  int CycleInterval = 0;

  // Hooks the icon to the application: it hides the main window in the tray when minimised.
  void SetApplication(TApplication* application);

  // The image set's pictures as the icon's images; the shown image becomes image 0.
  void SetIconList(int imageCount);
  int IconCount() const { return iconCount_; }
  int IconIndex() const { return iconIndex_; }
  // Without an image list the icon keeps its built-in icon and the index changes nothing.
  void SetIconIndex(int index);
  // The image shown: an index at or past the end shows the last image; -1 the built-in icon.
  int ShownImage() const;

  const std::string& Hint() const { return hint_; }
  void SetHint(std::string hint);
  std::string ShownHint() const { return FirstCharacters(hint_, kTipCharacters); }

  bool IconVisible() const { return present_; }
  void SetIconVisible(bool visible);

  // Shown only while the icon is present; nothing is kept for later.
  void ShowBalloon(const TrayBalloon& balloon);

  // The main window and the taskbar button disappear.
  void HideMainWindow();
  // The application restored, the main window shown with its taskbar button, in the foreground.
  void RestoreMainWindow();

  // What the shell tells the icon.
  void MouseDown(MouseButton button, int screenX, int screenY);
  void ShellRestarted();  // the taskbar was made anew: a present icon is added again

  void AttachPeer(TrayPeer* peer) { peer_ = peer; }

 private:
  TApplication* application_ = nullptr;
  int iconCount_ = 0;
  int iconIndex_ = 0;
  std::string hint_;
  bool present_ = false;
  TrayPeer* peer_ = nullptr;
};

}  // namespace kestrane
