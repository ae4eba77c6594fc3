#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/popup_menu.h"
#include "toolkit/string_grid.h"

namespace kestrane {
namespace {

// The server table's grid as the main window lays it out: columns 1 and 2 hidden, 24-pixel rows.
class GridTest : public ::testing::Test {
 protected:
  const TControl* focus = nullptr;
  TStringGrid grid{"StringGrid1", {0, 0, 712, 482}, 9, 100, 24};
  void SetUp() override {
    grid.SetFocusTracker(&focus);
    grid.SetColWidth(0, 25);
    grid.SetColWidth(1, -1);
    grid.SetColWidth(2, -1);
    grid.SetViewport(700, 250);  // 10 whole rows of 25 pixels
    grid.SetRowCount(30);
  }
};

TEST_F(GridTest, FindsTheCellUnderAPointPastHiddenColumnsAndScrolling) {
  EXPECT_EQ(grid.CellAt(0, 0), (GridCell{0, 0}));
  EXPECT_EQ(grid.CellAt(25, 24), (GridCell{0, 0}));  // the grid lines belong to the cell before
  EXPECT_EQ(grid.CellAt(26, 25), (GridCell{3, 1}));  // hidden 1 and 2 take no room
  EXPECT_EQ(grid.CellAt(126, 0), (GridCell{3, 0}));
  EXPECT_EQ(grid.CellAt(127, 0), (GridCell{4, 0}));
  EXPECT_EQ(grid.CellAt(25 + 1 + 6 * 101, 0), std::nullopt);  // right of the last column
  EXPECT_EQ(grid.CellAt(30, 30 * 25), std::nullopt);          // below the last row
  grid.SetLeftOffset(26);
  EXPECT_EQ(grid.LeftOffset(), 0);  // everything fits across: nothing to scroll
  grid.SetViewport(300, 250);
  grid.SetTopRow(5);
  grid.SetLeftOffset(26);
  EXPECT_EQ(grid.CellAt(0, 0), (GridCell{3, 5}));
  EXPECT_EQ(grid.CellRect(3, 5).left, 0);
  EXPECT_EQ(grid.CellRect(4, 6).top, 25);
  grid.SetTopRow(100);
  EXPECT_EQ(grid.TopRow(), 20);  // the last page is full
}

TEST_F(GridTest, ALeftPressSelectsTheCellAndBelowTheRowsKeepsTheRow) {
  std::vector<std::string> presses;
  grid.OnMouseDown = [&](MouseButton b, int x, int y) {
    presses.push_back(std::to_string(static_cast<int>(b)) + " " + std::to_string(x) + " " + std::to_string(y));
  };
  grid.MouseDown(MouseButton::Left, 130, 60);
  EXPECT_EQ(grid.Row(), 2);
  EXPECT_EQ(grid.Col(), 4);
  EXPECT_TRUE(grid.Focused());
  grid.SetRowCount(3);
  grid.MouseDown(MouseButton::Left, 30, 200);  // below the last row
  EXPECT_EQ(grid.Row(), 2);
  grid.MouseDown(MouseButton::Right, 30, 0);  // only the handler hears the other buttons
  grid.MouseDown(MouseButton::Middle, 30, 0);
  EXPECT_EQ(grid.Row(), 2);
  EXPECT_EQ(presses, (std::vector<std::string>{"0 130 60", "0 30 200", "1 30 0", "2 30 0"}));
}

TEST_F(GridTest, KeysMoveTheCurrentCellAndScrollItIntoView) {
  EXPECT_TRUE(grid.KeyDown(keys::kRight));
  EXPECT_EQ(grid.Col(), 3);  // over the hidden columns
  grid.KeyDown(keys::kLeft);
  grid.KeyDown(keys::kLeft);
  EXPECT_EQ(grid.Col(), 0);
  for (int i = 0; i < 9; ++i) grid.KeyDown(keys::kRight);
  EXPECT_EQ(grid.Col(), 8);
  grid.KeyDown(keys::kNext);
  EXPECT_EQ(grid.Row(), 10);
  EXPECT_EQ(grid.TopRow(), 1);
  grid.KeyDown(keys::kEnd);
  EXPECT_EQ(grid.Row(), 29);
  EXPECT_EQ(grid.TopRow(), 20);
  grid.KeyDown(keys::kDown);
  EXPECT_EQ(grid.Row(), 29);
  grid.KeyDown(keys::kPrior);
  EXPECT_EQ(grid.Row(), 19);
  grid.KeyDown(keys::kHome);
  EXPECT_EQ(grid.Row(), 0);
  EXPECT_EQ(grid.TopRow(), 0);
  EXPECT_FALSE(grid.KeyDown(0x41));
  grid.SetRowCount(1);
  EXPECT_EQ(grid.Row(), 0);
}

TEST_F(GridTest, OnlyTheCurrentCellOfAFocusedGridHasTheFocusRectangle) {
  struct Painted {
    int col, row;
    GridDrawState state;
  };
  std::vector<Painted> painted;
  grid.OnDrawCell = [&](int col, int row, const Rect&, GridDrawState state, Canvas&) {
    painted.push_back({col, row, state});
  };
  class NullCanvas : public Canvas {
    void FillRect(const Rect&) override {}
    void TextRect(const Rect&, int, int, const std::string&) override {}
    void DrawFocusRect(const Rect&) override {}
    void DrawImage(int, int, int) override {}
  } canvas;
  grid.SetRow(3);
  grid.SetCol(4);
  grid.PaintVisible(canvas);
  EXPECT_EQ(std::count_if(painted.begin(), painted.end(), [](const Painted& p) { return p.state.focused; }), 0);
  grid.SetFocus();
  painted.clear();
  grid.PaintVisible(canvas);
  EXPECT_EQ(painted.size(), 11u * 7u);  // ten whole rows and the part row below, shown columns only
  for (const Painted& p : painted) {
    EXPECT_EQ(p.state.selected, p.row == 3);
    EXPECT_EQ(p.state.focused, p.row == 3 && p.col == 4) << p.col << " " << p.row;
  }
}

TEST_F(GridTest, TheContextMenuOpensOnlyWithAMenuAndWhenNotHandled) {
  EXPECT_FALSE(grid.ContextPopup());
  TPopupMenu menu{{{"A", "a"}}};
  grid.PopupMenu = &menu;
  EXPECT_TRUE(grid.ContextPopup());
  bool keepShut = true;
  grid.OnContextPopup = [&](bool& handled) { handled = keepShut; };
  EXPECT_FALSE(grid.ContextPopup());
  keepShut = false;
  EXPECT_TRUE(grid.ContextPopup());
}

class ChoosingPeer : public MenuPeer {
 public:
  int choice = -1;
  std::vector<std::string> shownWith;
  int Track(TPopupMenu& menu, int x, int y) override {
    shownWith.push_back(menu.Items()[0].caption + "@" + std::to_string(x) + "," + std::to_string(y));
    return choice;
  }
};

TEST(PopupMenu, RunsOnPopupBeforeShowingAndThenTheChosenItem) {
  std::vector<std::string> events;
  TPopupMenu menu{{{"A", "a", -1, false, false, [&] { events.push_back("A"); }},
                   {"-", "", -1, false, true, [&] { events.push_back("separator"); }},
                   {"B", "b", -1, false, false, [&] { events.push_back("B"); }}}};
  menu.OnPopup = [&] {
    events.push_back("popup");
    menu.Items()[0].caption = "changed";
  };
  ChoosingPeer peer;
  menu.AttachPeer(&peer);
  peer.choice = 2;
  menu.Popup(5, 6);
  peer.choice = 1;  // a separator runs nothing
  menu.Popup(5, 6);
  peer.choice = -1;  // closed without a choice
  menu.Popup(5, 6);
  EXPECT_EQ(events, (std::vector<std::string>{"popup", "B", "popup", "popup"}));
  EXPECT_EQ(peer.shownWith[0], "changed@5,6");
  EXPECT_EQ(menu.Popups(), 3);
}

class RecordingFormPeer : public FormPeer {
 public:
  std::vector<std::string>& log;
  explicit RecordingFormPeer(std::vector<std::string>& l) : log(l) {}
  void VisibleChanged() override { log.push_back("visible"); }
  void SizeChanged() override { log.push_back("size"); }
  void CaptionChanged() override { log.push_back("caption"); }
};

TEST(Form, ShowRunsOnShowFirstSoTheWindowShowsItsChangesAndOnlyOnce) {
  std::vector<std::string> log;
  TForm form("Form9", "Caption", 300, 200, FormBorder::Sizeable);
  RecordingFormPeer peer(log);
  form.AttachPeer(&peer);
  form.OnShow = [&] {
    log.push_back("OnShow");
    form.SetHeight(400);
  };
  EXPECT_EQ(form.Width(), 316);
  EXPECT_EQ(form.Height(), 238);
  form.Show();
  form.Show();
  EXPECT_EQ(log, (std::vector<std::string>{"OnShow", "size", "visible"}));
  EXPECT_EQ(form.ClientHeight(), 362);
  form.Hide();
  form.Hide();
  form.Show();
  EXPECT_EQ(log.size(), 7u);
  form.AttachPeer(nullptr);
}

class RecordingApplicationPeer : public ApplicationPeer {
 public:
  std::vector<std::string>& log;
  explicit RecordingApplicationPeer(std::vector<std::string>& l) : log(l) {}
  void Minimize() override { log.push_back("minimize"); }
  void Restore() override { log.push_back("restore"); }
  void TaskbarButtonChanged() override { log.push_back("button"); }
  void BringToFront() override { log.push_back("front"); }
  void Terminate() override { log.push_back("terminate"); }
};

TEST(Application, MinimisesAndRestoresOnceAndTellsAfterward) {
  std::vector<std::string> log;
  TApplication application("Kestrane 1.0");
  RecordingApplicationPeer peer(log);
  application.AttachPeer(&peer);
  application.OnMinimize = [&] { log.push_back(application.Minimized() ? "OnMinimize" : "early"); };
  application.OnRestore = [&] { log.push_back(application.Minimized() ? "early" : "OnRestore"); };
  application.Restore();  // not minimised: nothing
  application.Minimize();
  application.Minimize();
  application.SetTaskbarButtonVisible(false);
  application.SetTaskbarButtonVisible(false);
  application.Restore();
  application.Terminate();
  EXPECT_EQ(log, (std::vector<std::string>{"minimize", "OnMinimize", "button", "restore", "OnRestore", "terminate"}));
  EXPECT_TRUE(application.Terminated());
  application.AttachPeer(nullptr);
}

}  // namespace
}  // namespace kestrane
