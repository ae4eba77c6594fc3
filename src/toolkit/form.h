// TForm: a top-level window with its controls. It knows its caption, its size in logical pixels,
// whether it is shown, and which control has the keyboard focus; a native peer mirrors that.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "toolkit/control.h"

namespace kestrane {

class FormPeer {
 public:
  virtual ~FormPeer() = default;
  virtual void VisibleChanged() = 0;  // Show or Hide
  virtual void SizeChanged() = 0;     // the program set the width or height
  virtual void CaptionChanged() = 0;
  virtual void BusyChanged() {}  // the wait cursor over the window, or not
};

enum class FormBorder { Sizeable, Dialog };

class TForm {
 public:
  // The layout's client size; the outer size adds the frame of a window at 96 DPI.
  TForm(std::string name, std::string caption, int clientWidth, int clientHeight, FormBorder border);
  virtual ~TForm() = default;
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  // What a sizeable window's frame adds to the client area at 96 DPI (913 x 578 around 897 x 540).
  static constexpr int kFrameWidth = 16;
  static constexpr int kFrameHeight = 38;

  const std::string& Name() const { return name_; }
  FormBorder Border() const { return border_; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);

  // Outer size in logical pixels. The peer reports the user's resizing through UserResized.
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetWidth(int width);
  void SetHeight(int height);
  int ClientWidth() const { return width_ - FrameWidth(); }
  int ClientHeight() const { return height_ - FrameHeight(); }
  // A fixed dialog frame is thinner: 3 pixels a side and a caption of 22 at 96 DPI.
  int FrameWidth() const { return border_ == FormBorder::Sizeable ? kFrameWidth : 6; }
  int FrameHeight() const { return border_ == FormBorder::Sizeable ? kFrameHeight : 28; }
  // The smallest client area the layout needs, for the peer's sizing limits.
  virtual Rect MinimumClient() const { return {0, 0, designWidth_, designHeight_}; }
  // The user made the client area this size: the layout follows.
  void UserResized(int clientWidth, int clientHeight);

  // Busy: the wait cursor shows over the window while the window thread works.
  bool Busy() const { return busy_ > 0; }
  void SetBusy(bool busy);

  bool Visible() const { return visible_; }
  // Shows the form: OnShow runs first (its changes are what the window shows), then the peer.
  void Show();
  void Hide();
  std::function<void()> OnShow;

  // Every control in creation order, which is the tab order; the peers are made from this.
  const std::vector<TControl*>& Controls() const { return controls_; }
  const TControl* FocusedControl() const { return focused_; }

  void AttachPeer(FormPeer* peer) { peer_ = peer; }
  FormPeer* Peer() const { return peer_; }

 protected:
  void SetControls(std::vector<TControl*> controls);
  // Lays the controls out for a client area of this size (logical pixels).
  virtual void Layout(int clientWidth, int clientHeight) {
    (void)clientWidth;
    (void)clientHeight;
  }

 private:
  std::string name_;
  std::string caption_;
  FormBorder border_;
  int designWidth_, designHeight_;
  int width_, height_;
  bool visible_ = false;
  int busy_ = 0;
  std::vector<TControl*> controls_;
  const TControl* focused_ = nullptr;
  FormPeer* peer_ = nullptr;
};

// Busy for the life of the object.
class BusyCursor {
 public:
  explicit BusyCursor(TForm& form) : form_(form) { form_.SetBusy(true); }
  ~BusyCursor() { form_.SetBusy(false); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  TForm& form_;
};

}  // namespace kestrane
