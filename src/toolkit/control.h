// The portable controls a window is made of: state and events, drawn by an optional peer.
// A control without a peer is complete (headless); setting a text fires the change event in
// both modes, as a user's edit does.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kestrane {

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
};

class TPanel;
class TLabel;
class TEdit;
class TMemo;
class TComboBox;
class TButton;
class TProgressBar;
class TStringGrid;

// Told a control's kind: each control calls the member for its own type (a native frame makes
// the peer of each kind so, without asking what a control is).
class ControlVisitor {
 public:
  virtual ~ControlVisitor() = default;
  virtual void Visit(TPanel& panel) = 0;
  virtual void Visit(TLabel& label) = 0;
  virtual void Visit(TEdit& edit) = 0;
  virtual void Visit(TMemo& memo) = 0;
  virtual void Visit(TComboBox& combo) = 0;
  virtual void Visit(TButton& button) = 0;
  virtual void Visit(TProgressBar& bar) = 0;
  virtual void Visit(TStringGrid& grid) = 0;
};

// What a native peer mirrors. Every call comes on the window thread.
class ControlPeer {
 public:
  virtual ~ControlPeer() = default;
  virtual void TextChanged() {}
  virtual void StateChanged() {}  // enabled, visible, and a control's own state
  virtual void SelectionChanged() {}
  virtual void Focus() {}
  virtual void Invalidate() {}
};

class TControl {
 public:
  TControl(std::string name, Rect bounds, std::string text = {})
      : name_(std::move(name)), bounds_(bounds), text_(std::move(text)) {}
  virtual ~TControl() = default;
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  const std::string& Name() const { return name_; }
  const Rect& Bounds() const { return bounds_; }  // relative to the parent
  void SetBounds(Rect r) { bounds_ = r; }
  TControl* Parent() const { return parent_; }
  void SetParent(TControl* parent) { parent_ = parent; }
  Rect WindowBounds() const;  // relative to the window's client area
  // Counts text changes, so readers can keep what they derived from a text.
  unsigned TextVersion() const { return textVersion_; }

  const std::string& Text() const { return text_; }
  // Stores the text, tells the peer, fires OnChange when it differs.
  void SetText(std::string text);
  // A user's edit that the peer has already shown: stores and fires OnChange.
  void TextEditedByUser(std::string text);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  const std::string& Hint() const { return hint_; }
  void SetHint(std::string hint) { hint_ = std::move(hint); }

  // Keyboard focus, as the window keeps it.
  void SetFocus();
  // The peer reports that the user moved the focus here.
  void FocusedByUser() {
    if (focusedFlag_) *focusedFlag_ = this;
  }
  void FocusLost() {
    if (focusedFlag_ && *focusedFlag_ == this) *focusedFlag_ = nullptr;
  }
  bool Focused() const { return focusedFlag_ && *focusedFlag_ == this; }
  void SetFocusTracker(const TControl** tracker) { focusedFlag_ = tracker; }

  void AttachPeer(ControlPeer* peer) { peer_ = peer; }
  ControlPeer* Peer() const { return peer_; }
  virtual void Accept(ControlVisitor& visitor) = 0;

  std::function<void()> OnChange;

 protected:
  void FireChange();
  ControlPeer* peer_ = nullptr;

 private:
  std::string name_;
  Rect bounds_;
  std::string text_;
  bool enabled_ = true;
  bool visible_ = true;
  std::string hint_;
  const TControl** focusedFlag_ = nullptr;
  TControl* parent_ = nullptr;
  unsigned textVersion_ = 0;
};

// Panels and labels hold no more than a control; the types say what the peer makes.
class TPanel : public TControl {
 public:
  using TControl::TControl;
  void Accept(ControlVisitor& visitor) override { visitor.Visit(*this); }
};

struct LabelStyle {
  bool wordWrap = false;
  bool bold = false;
  bool maroon = false;  // the text in maroon (128, 0, 0) instead of the window text colour
};

class TLabel : public TControl {
 public:
  TLabel(std::string name, Rect bounds, std::string text, bool wordWrap = false)
      : TControl(std::move(name), bounds, std::move(text)), style_{wordWrap} {}
  TLabel(std::string name, Rect bounds, std::string text, LabelStyle style)
      : TControl(std::move(name), bounds, std::move(text)), style_(style) {}
  void Accept(ControlVisitor& visitor) override { visitor.Visit(*this); }
  bool WordWrap() const { return style_.wordWrap; }
  bool Bold() const { return style_.bold; }
  bool Maroon() const { return style_.maroon; }

 private:
  LabelStyle style_;
};

class TEdit : public TControl {
 public:
  using TControl::TControl;
  void Accept(ControlVisitor& visitor) override { visitor.Visit(*this); }
};

struct KeyEvent {
  int key = 0;  // virtual-key code; 65 is A
  bool ctrl = false, shift = false, alt = false;
};

class TMemo : public TControl {
 public:
  using TControl::TControl;
  void Accept(ControlVisitor& visitor) override { visitor.Visit(*this); }
  const std::vector<std::string>& Lines() const;  // the server list's entries
  void SelectAll();
  // The selection as code points from the start of the text.
  int SelStart() const { return selStart_; }
  int SelLength() const { return selLength_; }
  void SetSelection(int start, int length);
  void KeyDown(const KeyEvent& key);  // what the peer calls for WM_KEYDOWN
  std::function<void(const KeyEvent&)> OnKeyDown;

 private:
  int selStart_ = 0, selLength_ = 0;
  mutable std::vector<std::string> lines_;
  mutable unsigned linesVersion_ = ~0u;
};

class TComboBox : public TControl {
 public:
  TComboBox(std::string name, Rect bounds, std::string text, std::vector<std::string> items)
      : TControl(std::move(name), bounds, std::move(text)), items_(std::move(items)) {}
  void Accept(ControlVisitor& visitor) override { visitor.Visit(*this); }
  const std::vector<std::string>& Items() const { return items_; }
  void Choose(int index);  // as the user picks an item of the list

 private:
  std::vector<std::string> items_;
};

enum class ButtonKind {
  Push,  // a push button, with a picture on its left when it has one
  Flat,  // a flat button showing only its picture (normal, disabled and pressed side by side)
};

class TButton : public TControl {
 public:
  TButton(std::string name, Rect bounds, std::string text, int picture = -1, ButtonKind kind = ButtonKind::Push)
      : TControl(std::move(name), bounds, std::move(text)), picture_(picture), kind_(kind) {}
  void Accept(ControlVisitor& visitor) override { visitor.Visit(*this); }
  // Runs OnClick when enabled and visible, as a press of the button does.
  void Click();
  int Picture() const { return picture_; }  // an index into the form's pictures, or -1
  ButtonKind Kind() const { return kind_; }
  std::function<void()> OnClick;

 private:
  int picture_;
  ButtonKind kind_;
};

class TProgressBar : public TControl {
 public:
  using TControl::TControl;
  void Accept(ControlVisitor& visitor) override { visitor.Visit(*this); }
  int Max() const { return max_; }
  int Position() const { return position_; }
  void SetMax(int max);
  void SetPosition(int position);

 private:
  int max_ = 100;
  int position_ = 0;
};

}  // namespace kestrane
