// The main window from the keyboard only, through real key input and the program's message loop,
// and what the window does each time it is shown.
#include <gtest/gtest.h>

#include "form_fixture.h"
#include "toolkit/win32/message_boxes.h"

namespace kestrane::win32 {
namespace {

using testing::Press;
using testing::Settle;

class KeyboardTest : public FormWindowTest {
 protected:
  // Which control the focus is in (a combo box's edit counts as the combo box).
  const TControl* Focused() {
    HWND focus = ::GetFocus();
    for (TControl* c : form->Controls()) {
      HWND h = H(*c);
      if (h && (h == focus || ::IsChild(h, focus))) return c;
    }
    return nullptr;
  }
  std::string FocusName() { return Focused() ? Focused()->Name() : "(none)"; }
};

TEST_F(KeyboardTest, TabAndShiftTabFollowTheLaidOutOrderFromEveryControl) {
  ASSERT_EQ(FocusName(), "Memo2");
  const std::vector<std::string> order{"Button1", "Button2", "Edit1",    "ComboBox1", "Edit2", "BtnStart",
                                       "BtnTray", "StringGrid1", "BtnStop", "BtnExcel", "Memo2"};
  for (const std::string& next : order) {
    Press(VK_TAB);
    EXPECT_EQ(FocusName(), next);
  }
  for (auto it = order.rbegin() + 1; it != order.rend(); ++it) {
    Press(VK_TAB, true);
    EXPECT_EQ(FocusName(), *it);
  }
  Press(VK_TAB, true);
  EXPECT_EQ(FocusName(), "Memo2");
  Press(VK_TAB, true);
  EXPECT_EQ(FocusName(), "BtnExcel");  // round again, backwards
  EXPECT_EQ(form->Memo2.Text(), "");   // the list took no tab character
}

TEST_F(KeyboardTest, AListAThresholdAndStartWithTheKeyboardOnly) {
  Press(VK_RETURN);  // an empty line: the local computer
  EXPECT_EQ(form->Memo2.Lines(), std::vector<std::string>{""});
  Press(VK_TAB);
  Press(VK_TAB);
  Press(VK_TAB);
  ASSERT_EQ(FocusName(), "Edit1");
  testing::Type(L"1000");  // the field's text was selected on the way in
  EXPECT_EQ(form->Edit1.Text(), "1000");
  Press(VK_TAB, false, true);  // Ctrl+Tab moves on as well
  Press(VK_TAB);
  Press(VK_TAB);
  ASSERT_EQ(FocusName(), "BtnStart");
  Press(VK_RETURN);
  ASSERT_TRUE(PumpUntil([&] { return !form->RunActive() && form->StringGrid1.Cell(4, 0) != ""; }));
  ASSERT_EQ(form->StringGrid1.Cell(4, 0).substr(0, 3), "C: ");
  ClientPixels grid(H(form->StringGrid1));
  EXPECT_GT(grid.Count(127, 5, 227, 20, 0xFF0000), 20);  // below 1000 GB: red
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(KeyboardTest, EnterPressesTheFocusedButtonAndEscInTheListDoesNothing) {
  Press(VK_ESCAPE);
  EXPECT_TRUE(dialogs.shown.empty());  // no exit question
  EXPECT_TRUE(::IsWindowVisible(window->Handle()));
  for (int i = 0; i < 6; ++i) Press(VK_TAB);
  ASSERT_EQ(FocusName(), "BtnStart");
  Press(VK_RETURN);
  EXPECT_EQ(dialogs.shown, std::vector<std::string>{"Вы не указали ни один объект!"});
  EXPECT_EQ(FocusName(), "Memo2");  // Start put the focus into the list
  Press(VK_TAB);
  Press(VK_SPACE);  // Button1, which does nothing yet, takes Space as well
  EXPECT_EQ(dialogs.shown.size(), 1u);
}

class FocusAfterBoxTest : public KeyboardTest {
 protected:
  MessageBoxes realBoxes{"Kestrane 1.0"};
  FocusAfterBoxTest() { boxes = &realBoxes; }
};

TEST_F(FocusAfterBoxTest, TheFocusComesBackToTheFieldAfterTheErrorBox) {
  for (int i = 0; i < 5; ++i) Press(VK_TAB);
  ASSERT_EQ(FocusName(), "Edit2");
  testing::SeenBox seen;
  DWORD thread = ::GetCurrentThreadId();
  std::thread helper = testing::AnswerBox(thread, [&](const testing::SeenBox&) { testing::PostKeyToFocus(thread, VK_RETURN); }, &seen);
  Press(VK_DELETE);  // the selected "30" goes: the empty text is no number
  PumpUntil([&] { return !seen.caption.empty(); }, 30000);
  helper.join();
  Settle();
  EXPECT_EQ(seen.text, L"'' is not a valid integer value.");
  EXPECT_EQ(FocusName(), "Edit2");
  testing::Type(L"1");  // as the user goes on typing at once
  EXPECT_EQ(form->Edit2.Text(), "1");
  EXPECT_EQ(form->Timer1.Interval(), 60000u);
}

TEST_F(FormWindowTest, ShowingTheWindowAgainSetsItsHeightAndKeepsTheUsersWidth) {
  RECT outer;
  ::GetWindowRect(window->Handle(), &outer);
  const int height = outer.bottom - outer.top;
  ::SetWindowPos(window->Handle(), nullptr, 0, 0, outer.right - outer.left + 120, height - 100,
                 SWP_NOMOVE | SWP_NOZORDER);
  ::SetFocus(H(form->BtnStart));
  form->Hide();
  EXPECT_FALSE(::IsWindowVisible(window->Handle()));
  form->SetCaption("x");
  form->Show();
  RECT again;
  ::GetWindowRect(window->Handle(), &again);
  EXPECT_EQ(again.bottom - again.top, height);
  EXPECT_EQ(again.right - again.left, outer.right - outer.left + 120);
  EXPECT_EQ(TextOf(window->Handle()), L"Kestrane (v.1.0)");
  EXPECT_EQ(::GetFocus(), H(form->Memo2));
  RECT client;
  ::GetClientRect(window->Handle(), &client);
  EXPECT_EQ(client.bottom, 540);
}

TEST_F(FormWindowTest, TheWindowStaysInsideTheWorkAreaAndHasAFloor) {
  RECT work;
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  form->Hide();
  form->UserResized(5000, 3000);  // wider and taller than any screen here
  form->Show();
  RECT r;
  ::GetWindowRect(window->Handle(), &r);
  EXPECT_GE(r.left, work.left);
  EXPECT_GE(r.top, work.top);
  EXPECT_LE(r.right, work.right);
  EXPECT_LE(r.bottom, work.bottom);
  MINMAXINFO info{};
  ::SendMessageW(window->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  RECT least{0, 0, 465, 332};
  ::AdjustWindowRectEx(&least, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_CONTROLPARENT);
  EXPECT_EQ(info.ptMinTrackSize.x, least.right - least.left);
  EXPECT_EQ(info.ptMinTrackSize.y, least.bottom - least.top);
}

TEST_F(FormWindowTest, AListOfThreeThousandNamesIsWholeInTheEditor) {
  std::wstring list;
  for (int i = 0; i < 3000; ++i) list += L"server-" + std::to_wstring(i) + L"\r\n";
  ASSERT_GT(list.size(), 32767u);
  Paste(H(form->Memo2), list.c_str());
  EXPECT_EQ(form->Memo2.Lines().size(), 3000u);
  EXPECT_EQ(form->Memo2.Lines().back(), "server-2999");
  EXPECT_EQ(::GetWindowTextLengthW(H(form->Memo2)), static_cast<int>(list.size()));
}

TEST_F(FormWindowTest, NothingReachesTheWindowOnceItIsGone) {
  ::DestroyWindow(window->Handle());
  EXPECT_EQ(form->StringGrid1.Peer(), nullptr);
  EXPECT_EQ(form->Memo2.Peer(), nullptr);
  EXPECT_EQ(form->Peer(), nullptr);
  form->StringGrid1.SetCell(4, 0, "C: 1 MB (1%)");  // a late change of a run: a model change only
  form->ProgressBar1.SetPosition(5);
  EXPECT_EQ(form->StringGrid1.Cell(4, 0), "C: 1 MB (1%)");
}

}  // namespace
}  // namespace kestrane::win32
