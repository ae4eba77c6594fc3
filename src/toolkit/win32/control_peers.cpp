#include "toolkit/win32/control_peers.h"

#include "toolkit/win32/button_window.h"
#include "toolkit/win32/combo_box_window.h"
#include "toolkit/win32/edit_window.h"
#include "toolkit/win32/grid_window.h"
#include "toolkit/win32/label_window.h"
#include "toolkit/win32/progress_bar_window.h"

namespace kestrane::win32 {
namespace {

class PeerMaker : public ControlVisitor {
 public:
  PeerMaker(HWND parent, int id, const FrameLook& look) : parent_(parent), id_(id), look_(look) {}
  std::unique_ptr<ControlWindow> peer;

  void Visit(TPanel&) override {}
  void Visit(TLabel& label) override { Make<LabelWindow>(label); }
  void Visit(TEdit& edit) override { Make<EditWindow>(edit); }
  void Visit(TMemo& memo) override { Make<MemoWindow>(memo); }
  void Visit(TComboBox& combo) override { Make<ComboBoxWindow>(combo); }
  void Visit(TButton& button) override {
    if (button.Kind() == ButtonKind::Flat) {
      Make<FlatButtonWindow>(button);
    } else {
      Make<PushButtonWindow>(button);
    }
  }
  void Visit(TProgressBar& bar) override { Make<ProgressBarWindow>(bar); }
  void Visit(TStringGrid& grid) override { Make<GridWindow>(grid); }

 private:
  template <typename Peer, typename Control>
  void Make(Control& control) {
    peer = std::make_unique<Peer>(control, parent_, id_, look_);
  }
  HWND parent_;
  int id_;
  const FrameLook& look_;
};

}  // namespace

std::unique_ptr<ControlWindow> MakeControlPeer(TControl& control, HWND parent, int id, const FrameLook& look) {
  PeerMaker maker(parent, id, look);
  control.Accept(maker);
  return std::move(maker.peer);
}

}  // namespace kestrane::win32
