#include "forms/unit1.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "forms/form1_fixture.h"

namespace kestrane {
namespace {

TEST_F(Form1Test, StartsWithTheLaidOutFieldsAndTheImageSetRead) {
  Create();
  EXPECT_TRUE(dialogs.errors.empty());
  EXPECT_TRUE(form->ImageSetLoaded());
  EXPECT_EQ(form->CoolTrayIcon1.ShownImage(), 0);
  EXPECT_TRUE(form->PopupMenu1.HasImages());
  EXPECT_EQ(form->Timer1.Interval(), 1800000u);
  EXPECT_EQ(form->StringGrid1.ColWidth(0), 25);
  EXPECT_EQ(form->StringGrid1.ColWidth(1), -1);
  EXPECT_EQ(form->StringGrid1.ColWidth(2), -1);
  EXPECT_EQ(form->StringGrid1.ColWidth(3), 100);
  EXPECT_EQ(form->StringGrid1.RowCount(), 1);
  EXPECT_EQ(form->Edit1.Text(), "2");
  EXPECT_EQ(form->ComboBox1.Text(), "GB");
  EXPECT_EQ(form->Edit2.Text(), "30");
  EXPECT_FALSE(form->Button4.Visible());
  EXPECT_EQ(form->BtnStop.WindowBounds().left, 185);
  EXPECT_EQ(form->BtnStop.WindowBounds().top, 499 + 6);
  form->FormShow();
  EXPECT_EQ(form->FocusedControl(), &form->Memo2);
  EXPECT_EQ(form->Caption(), "Kestrane (v.1.0)");
}

TEST_F(Form1Test, ResizingGivesTheTableTheRoomAndTheListTheHeight) {
  Create();
  form->UserResized(1200, 700);
  EXPECT_EQ(form->Width(), 1216);
  EXPECT_EQ(form->Height(), 738);
  EXPECT_EQ(form->Memo2.WindowBounds().left, 8);
  EXPECT_EQ(form->Memo2.WindowBounds().top, 228);
  EXPECT_EQ(form->Memo2.WindowBounds().height, 700 - 40 - 228);
  EXPECT_EQ(form->Label1.WindowBounds().top, 700 - 25);
  EXPECT_EQ(form->BtnStart.WindowBounds().top, 180);  // the controls above the list stay
  Rect grid = form->StringGrid1.WindowBounds();
  EXPECT_EQ(grid.left, 185);
  EXPECT_EQ(grid.width, 1015);
  EXPECT_EQ(grid.height, 700 - 41 - 17);
  EXPECT_EQ(form->ProgressBar1.WindowBounds().top, 700 - 41 - 17);
  EXPECT_EQ(form->BtnStop.WindowBounds().top, 700 - 41 + 6);
  form->UserResized(897, 540);  // back to the laid-out size
  EXPECT_EQ(form->StringGrid1.WindowBounds().height, 482);
  EXPECT_EQ(form->BtnExcel.WindowBounds().left, 305);
  EXPECT_EQ(form->Memo2.WindowBounds().height, 272);
  EXPECT_EQ(form->Label1.WindowBounds().top, 515);
  // The smallest window still shows the whole left column with a short list, and both buttons.
  Rect least = form->MinimumClient();
  form->UserResized(least.width, least.height);
  EXPECT_GE(form->Memo2.WindowBounds().height, 64);
  EXPECT_LE(form->Label1.WindowBounds().top + 13, least.height);
  EXPECT_LE(form->BtnExcel.WindowBounds().left + form->BtnExcel.Bounds().width, least.width);
}

TEST_F(Form1Test, AMissingImageSetIsReportedAndTheWindowOpensWithItsOwnImages) {
  Create(false);
  ASSERT_EQ(dialogs.errors.size(), 1u);
  EXPECT_EQ(dialogs.errors[0].rfind("Cannot open file \"", 0), 0u) << dialogs.errors[0];
  EXPECT_EQ(dialogs.errors[0].back(), '.');
  EXPECT_FALSE(form->ImageSetLoaded());
  EXPECT_EQ(form->Images().Items.size(), 7u);  // the window's own copy draws the marker
  EXPECT_EQ(form->CoolTrayIcon1.ShownImage(), -1);  // the built-in icon
  EXPECT_FALSE(form->PopupMenu1.HasImages());
  EXPECT_EQ(form->Timer1.Interval(), 1800000u);
  EXPECT_EQ(form->StringGrid1.ColWidth(0), 25);
}

TEST_F(Form1Test, StartWithAnEmptyListAsksForAnObject) {
  Create();
  form->BtnStart.Click();
  EXPECT_EQ(dialogs.information, std::vector<std::string>{"Вы не указали ни один объект!"});
  EXPECT_EQ(form->FocusedControl(), &form->Memo2);
  EXPECT_FALSE(form->RunActive());
}

TEST_F(Form1Test, ARunFillsTheGridAndEndsOnTheTrayIcon) {
  Create();
  RecordingTray tray;
  tray.icon = &form->CoolTrayIcon1;
  form->CoolTrayIcon1.AttachPeer(&tray);
  fleet->Set("srv1", SimulatedServer{{{"C:", 13207024435, 53687091200}, {"D:", 734003200, 53687091200}}});
  fleet->Set("srv3", SimulatedServer{{{"C:", 50 * kGiB, 100 * kGiB}}});
  form->Memo2.SetText("srv1\r\nsrv2\r\nsrv3\r\n");
  form->BtnExcel.SetEnabled(false);
  RunToEnd();
  EXPECT_EQ(form->StringGrid1.RowCount(), 3);
  EXPECT_EQ(form->StringGrid1.Cell(4, 0), "C: 12,3 GB (24%)");
  EXPECT_EQ(form->StringGrid1.Cell(5, 0), "D: 700 MB (1%)");
  EXPECT_EQ(form->StringGrid1.Cell(4, 1), "Недоступно");
  EXPECT_EQ(form->ProgressBar1.Max(), 3);
  EXPECT_EQ(form->ProgressBar1.Position(), 3);
  EXPECT_FALSE(form->BtnStop.Enabled());
  EXPECT_TRUE(form->BtnExcel.Enabled());
  EXPECT_EQ(form->CoolTrayIcon1.IconIndex(), 6);
  EXPECT_EQ(form->CoolTrayIcon1.Hint().rfind("Внимание!", 0), 0u);
  EXPECT_TRUE(tray.calls.empty());  // the window is shown: no icon, no balloon
  form->CoolTrayIcon1.AttachPeer(nullptr);
}

TEST_F(Form1Test, StopMidRunEndsIt) {
  Create();
  SimulatedServer slow{{{"C:", kGiB, 2 * kGiB}}};
  slow.blocks = true;
  fleet->Set("slow", slow);
  form->Memo2.SetText("slow\r\nb");
  form->BtnStart.Click();
  EXPECT_TRUE(form->BtnStop.Enabled());
  ASSERT_TRUE(testing::PumpUntil(*dispatcher, [&] { return form->StringGrid1.Cell(3, 0) == "slow"; }));
  form->BtnStop.Click();
  EXPECT_FALSE(form->RunActive());
  EXPECT_EQ(form->ProgressBar1.Position(), 100);
  EXPECT_FALSE(form->BtnStop.Enabled());
  fleet->ReleaseBlocked();
  ASSERT_TRUE(testing::PumpUntil(*dispatcher, [&] { return form->LiveWorkers() == 0; }));
  dispatcher->RunPending();
  EXPECT_EQ(form->StringGrid1.Cell(4, 0), "");
  EXPECT_EQ(form->CoolTrayIcon1.IconIndex(), 0);
}

TEST_F(Form1Test, TheProgramsEndEndsTheRunUnseenWhileTheWindowStillAnswers) {
  Create();
  SimulatedServer slow{{{"C:", kGiB, 2 * kGiB}}};
  slow.blocks = true;
  fleet->Set("slow", slow);
  form->Memo2.SetText("slow");
  form->BtnStart.Click();
  ASSERT_TRUE(testing::PumpUntil(*dispatcher, [&] { return form->StringGrid1.Cell(3, 0) == "slow"; }));
  form->EndRun();  // the exit question's Yes: the message loop still runs until it has run dry
  EXPECT_FALSE(form->RunActive());
  EXPECT_TRUE(form->BtnStop.Enabled());  // no control is touched
  fleet->ReleaseBlocked();
  ASSERT_TRUE(testing::PumpUntil(*dispatcher, [&] { return form->LiveWorkers() == 0; }));
  dispatcher->RunPending();
  EXPECT_EQ(form->StringGrid1.Cell(4, 0), "");
  form->Timer1.Tick();  // a tick or a click still queued before the loop's end is handled as ever
  form->BtnStop.Click();
  EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(Form1Test, TheTimerRunsChecksAndTheIntervalFieldSetsIt) {
  Create();
  fleet->Set("a", SimulatedServer{{{"C:", 50 * kGiB, 100 * kGiB}}});
  form->Timer1.Tick();  // empty list: nothing, no message
  EXPECT_TRUE(dialogs.information.empty());
  form->Memo2.SetText("a");
  form->Timer1.Tick();
  ASSERT_TRUE(testing::PumpUntil(*dispatcher, [&] { return !form->RunActive(); }));
  EXPECT_EQ(form->StringGrid1.Cell(4, 0), "C: 50,0 GB (50%)");

  form->Edit2.SetText("");
  EXPECT_EQ(dialogs.errors, std::vector<std::string>{"'' is not a valid integer value."});
  EXPECT_EQ(form->Timer1.Interval(), 1800000u);
  form->Edit2.SetText("1");
  EXPECT_EQ(form->Timer1.Interval(), 60000u);
  form->Edit2.SetText("15");
  EXPECT_EQ(form->Timer1.Interval(), 900000u);
}

// Counts what the grid asks its peer to repaint.
class RepaintCounter : public ControlPeer {
 public:
  int repaints = 0;
  void Invalidate() override { ++repaints; }
  void StateChanged() override { ++repaints; }
};

TEST_F(Form1Test, TheThresholdFieldRepaintsForWholeNumbersAndTheUnitAlways) {
  Create();
  RepaintCounter grid;
  form->StringGrid1.AttachPeer(&grid);
  form->Edit1.SetText("2,5");
  form->Edit1.SetText("");
  form->Edit1.SetText("1.5");
  EXPECT_EQ(grid.repaints, 0);
  form->Edit1.SetText("3");
  EXPECT_EQ(grid.repaints, 1);
  form->ComboBox1.SetText("MB");
  form->ComboBox1.SetText("mb");
  form->ComboBox1.Choose(1);
  EXPECT_EQ(grid.repaints, 4);
  form->StringGrid1.AttachPeer(nullptr);
}

TEST_F(Form1Test, ShowingTheWindowSetsItsHeightAndCaptionAndKeepsTheWidth) {
  Create();
  form->UserResized(1100, 300);
  form->SetCaption("x");
  form->Show();
  EXPECT_EQ(form->Height(), 578);
  EXPECT_EQ(form->ClientHeight(), 540);
  EXPECT_EQ(form->Width(), 1116);
  EXPECT_EQ(form->Caption(), "Kestrane (v.1.0)");
  EXPECT_EQ(form->FocusedControl(), &form->Memo2);
  EXPECT_EQ(form->Memo2.Bounds().height, 272);  // the layout follows the height
  form->Hide();
  form->UserResized(900, 400);
  form->BtnStart.SetFocus();
  form->Show();  // back from the tray: the show steps run again
  EXPECT_EQ(form->Height(), 578);
  EXPECT_EQ(form->Width(), 916);
  EXPECT_EQ(form->FocusedControl(), &form->Memo2);
}

TEST(ErrorBoxText, AddsAFullStopOnlyWhereNoneEnds) {
  EXPECT_EQ(ErrorBoxText("'' is not a valid integer value"), "'' is not a valid integer value.");
  EXPECT_EQ(ErrorBoxText("Access is denied."), "Access is denied.");
  EXPECT_EQ(ErrorBoxText(""), ".");
}

TEST_F(Form1Test, AnErrorEndingInAFullStopGetsNoSecond) {
  Create();
  form->Guard([] { throw std::runtime_error("Stream read error."); });
  EXPECT_EQ(dialogs.errors, std::vector<std::string>{"Stream read error."});
}

TEST_F(Form1Test, TheExitQuestionDecides) {
  Create();
  dialogs.answer = false;
  EXPECT_FALSE(form->FormCloseQuery());
  dialogs.answer = true;
  EXPECT_TRUE(form->FormCloseQuery());
  EXPECT_EQ(dialogs.questions, (std::vector<std::string>{"Действительно выйти? ", "Действительно выйти? "}));
}

TEST_F(Form1Test, CtrlASelectsTheWholeList) {
  Create();
  form->Memo2.SetText("срв1\r\nsrv2");
  form->Memo2.KeyDown({65, false, false, false});
  EXPECT_EQ(form->Memo2.SelLength(), 0);
  form->Memo2.KeyDown({65, true, true, false});  // Shift held as well
  EXPECT_EQ(form->Memo2.SelStart(), 0);
  EXPECT_EQ(form->Memo2.SelLength(), 10);  // code points, not bytes
}

TEST_F(Form1Test, Button4WritesTheSetInUseToTheWorkingFolder) {
  Create();
  form->Button4.SetVisible(true);
  form->Button4.Click();
  ImageSet written = LoadImageSet("resources.dat");
  EXPECT_EQ(SerializeImageSet(written), SerializeImageSet(form->Images()));
  std::remove("resources.dat");
}

// The cell drawing, through the recording canvas.
class DrawTest : public Form1Test {
 protected:
  RecordingCanvas Draw(int col, int row, bool focused = false) {
    RecordingCanvas canvas;
    GridDrawState state;
    state.focused = focused;
    form->StringGrid1DrawCell(col, row, {10, 20, 100, 24}, state, canvas);
    return canvas;
  }
  Colour TextColour(int col, int row) {
    for (const auto& c : Draw(col, row).calls) {
      if (c.kind == RecordingCanvas::Call::Text) return c.colour;
    }
    ADD_FAILURE() << "no text drawn";
    return {};
  }
};

TEST_F(DrawTest, OtherRowsTakeTheSystemWindowColourOfTheMoment) {
  Create();
  form->StringGrid1.SetRowCount(2);
  RecordingCanvas canvas;
  canvas.windowColour = {10, 20, 30};  // the user's colour scheme
  form->StringGrid1DrawCell(4, 1, {0, 25, 100, 24}, {}, canvas);
  EXPECT_EQ(canvas.calls[0].colour, (Colour{10, 20, 30}));
}

TEST_F(DrawTest, DisksBelowTheThresholdAreRed) {
  Create();
  form->StringGrid1.SetRowCount(2);
  form->StringGrid1.SetCell(4, 1, "C: 1,9 GB (4%)");
  form->StringGrid1.SetCell(5, 1, "D: 2,0 GB (10%)");
  form->StringGrid1.SetCell(6, 1, "Недоступно");
  form->StringGrid1.SetCell(3, 1, "srv-100MB");
  EXPECT_EQ(TextColour(4, 1), kBelowThresholdColour);
  EXPECT_EQ(TextColour(5, 1), kTextColour);
  EXPECT_EQ(TextColour(6, 1), kTextColour);
  EXPECT_EQ(TextColour(3, 1), kTextColour);
  form->ComboBox1.SetText("gb");
  EXPECT_EQ(TextColour(4, 1), kTextColour);
  form->ComboBox1.SetText("GB");
  form->Edit1.SetText("2.5");  // not a number: drawn black, no message
  EXPECT_EQ(TextColour(4, 1), kTextColour);
  EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(DrawTest, TheCurrentRowIsGreenAndTheMarkerShowsItsPicture) {
  Create();
  form->StringGrid1.SetRowCount(2);
  form->StringGrid1.SetCell(0, 1, "  .");
  RecordingCanvas current = Draw(5, 0);
  ASSERT_FALSE(current.calls.empty());
  EXPECT_EQ(current.calls[0].kind, RecordingCanvas::Call::Fill);
  EXPECT_EQ(current.calls[0].colour, kCurrentRowColour);
  RecordingCanvas marker = Draw(0, 1);
  EXPECT_EQ(marker.calls[0].colour, kWindowColour);
  EXPECT_EQ(marker.calls.back().kind, RecordingCanvas::Call::Image);
  EXPECT_EQ(marker.calls.back().image, 0);  // noerror
  EXPECT_EQ(marker.calls.back().x, 14);
  EXPECT_EQ(marker.calls.back().y, 24);
  // The text stands at the cell's left edge, 5 pixels below its top, clipped to the cell.
  for (int col : {0, 3}) {
    RecordingCanvas text = Draw(col, 1);
    auto drawn = std::find_if(text.calls.begin(), text.calls.end(),
                              [](const auto& c) { return c.kind == RecordingCanvas::Call::Text; });
    ASSERT_NE(drawn, text.calls.end());
    EXPECT_EQ(drawn->x, 10);
    EXPECT_EQ(drawn->y, 25);
    EXPECT_EQ(drawn->rect.left, 10);
    EXPECT_EQ(drawn->rect.width, 100);
  }
  form->StringGrid1.SetCell(3, 1, "srv");
  form->StringGrid1.SetCell(4, 1, "C: 1 MB (1%)");
  auto focusDrawn = [&](int col) {
    for (const auto& c : Draw(col, 1, true).calls) {
      if (c.kind == RecordingCanvas::Call::Focus) return true;
    }
    return false;
  };
  EXPECT_TRUE(focusDrawn(4));
  EXPECT_FALSE(focusDrawn(3));  // the server name
  EXPECT_FALSE(focusDrawn(5));  // an empty cell
}

}  // namespace
}  // namespace kestrane
