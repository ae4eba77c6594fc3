// The main window's peers under Wine: real HWNDs at the laid-out places, and a real check.
#include <gtest/gtest.h>

#include "form_fixture.h"
#include "toolkit/win32/application_window.h"
#include "toolkit/win32/message_boxes.h"

namespace kestrane::win32 {
namespace {

TEST_F(FormWindowTest, ControlsStandAtTheirLaidOutPlacesWithTheirTexts) {
  ASSERT_EQ(window->Dpi(), 96);
  RECT client;
  ::GetClientRect(window->Handle(), &client);
  EXPECT_EQ(client.right, 897);
  EXPECT_EQ(client.bottom, 540);
  EXPECT_EQ(TextOf(window->Handle()), L"Kestrane (v.1.0)");

  struct Expect {
    const TControl* control;
    RECT rect;
    const wchar_t* text;
  };
  for (const Expect& e : std::vector<Expect>{
           {&form->Button1, {8, 26, 89, 51}, L"...из файла"},
           {&form->Button2, {96, 26, 177, 51}, L"...из AD"},
           {&form->BtnTray, {8, 64, 177, 94}, L"  Свернуть в трей"},
           {&form->Edit2, {112, 106, 177, 127}, L"30"},
           {&form->Edit1, {72, 147, 129, 168}, L"2"},
           {&form->BtnStart, {8, 180, 177, 220}, L"  Начать проверку"},
           {&form->Memo2, {8, 228, 177, 500}, L""},
           {&form->BtnStop, {185, 505, 290, 535}, L"  Прервать"},
           {&form->BtnExcel, {305, 505, 450, 535}, L"  Выгрузить в Excel"},
           {&form->StringGrid1, {185, 0, 897, 482}, L""},
           {&form->ProgressBar1, {185, 482, 897, 499}, L""},
       }) {
    HWND h = H(*e.control);
    ASSERT_NE(h, nullptr) << e.control->Name();
    RECT r = ClientRectOf(h);
    EXPECT_EQ(r.left, e.rect.left) << e.control->Name();
    EXPECT_EQ(r.top, e.rect.top) << e.control->Name();
    EXPECT_EQ(r.right, e.rect.right) << e.control->Name();
    EXPECT_EQ(r.bottom, e.rect.bottom) << e.control->Name();
    EXPECT_EQ(TextOf(h), e.text) << e.control->Name();
  }
  EXPECT_EQ(TextOf(H(form->ComboBox1)), L"GB");
  EXPECT_FALSE(::IsWindowVisible(H(form->Button4)));
  EXPECT_EQ(::GetFocus(), H(form->Memo2));
}

TEST_F(FormWindowTest, TypingIntoTheFieldsReachesTheForm) {
  ::SetWindowTextW(H(form->Edit2), L"15");
  EXPECT_EQ(form->Edit2.Text(), "15");
  EXPECT_EQ(form->Timer1.Interval(), 900000u);
  Paste(H(form->Memo2), L"срв-01\r\nsrv2");
  EXPECT_EQ(form->Memo2.Lines(), (std::vector<std::string>{"срв-01", "srv2"}));
  form->Memo2.KeyDown({65, true, false, false});
  DWORD start = 0, end = 0;
  ::SendMessageW(H(form->Memo2), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 12u);
}

TEST_F(FormWindowTest, ClickingStartWithAnEmptyLineChecksTheLocalComputer) {
  Paste(H(form->Memo2), L"\r\n");
  ASSERT_EQ(form->Memo2.Lines().size(), 1u);
  ::SendMessageW(H(form->BtnStart), BM_CLICK, 0, 0);
  PumpUntil([&] { return !form->RunActive(); });
  EXPECT_EQ(form->StringGrid1.Cell(4, 0).substr(0, 3), "C: ");
  EXPECT_EQ(::SendMessageW(H(form->ProgressBar1), PBM_GETPOS, 0, 0), 1);
  EXPECT_FALSE(::IsWindowEnabled(H(form->BtnStop)));
  EXPECT_TRUE(::IsWindowEnabled(H(form->BtnExcel)));
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(FormWindowTest, TheGridPaintsTheCurrentRowRedDisksAndTheMarker) {
  ::SetWindowTextW(H(form->Edit1), L"100000");  // above any disk's free space
  Paste(H(form->Memo2), L"\r\n");
  ASSERT_EQ(form->Memo2.Lines().size(), 1u);
  ::SendMessageW(H(form->BtnStart), BM_CLICK, 0, 0);
  PumpUntil([&] { return !form->RunActive(); });
  ASSERT_EQ(form->StringGrid1.Cell(4, 0).substr(0, 3), "C: ")
      << form->StringGrid1.Cell(3, 0) << "|" << form->StringGrid1.Cell(4, 0) << "|" << form->Memo2.Text().size()
      << "|" << (dialogs.shown.empty() ? "" : dialogs.shown[0]);
  form->StringGrid1.SetCell(0, 0, "  .");

  ClientPixels grid(H(form->StringGrid1));
  constexpr std::uint32_t kGreen = 0xC0DCC0, kRed = 0xFF0000;
  EXPECT_EQ(grid.At(60, 2), kGreen);  // column 3, empty name: only the current row's colour
  // Column 4 starts after column 0 (25) and column 3 (100), each with a grid line.
  EXPECT_GT(grid.Count(127, 5, 227, 20, kRed), 20);
  EXPECT_EQ(grid.Count(127, 5, 227, 20, 0x000000), 0);
  // The marker's picture over column 0 at 4, 4: a green badge, not the row colour.
  EXPECT_LT(grid.Count(4, 4, 20, 20, kGreen), 100);
  EXPECT_EQ(grid.At(1, 1), kGreen);

  ::SetWindowTextW(H(form->Edit1), L"0");  // nothing is below 0: the text turns black at once
  ClientPixels black(H(form->StringGrid1));
  EXPECT_EQ(black.Count(127, 5, 227, 20, kRed), 0);
  EXPECT_GT(black.Count(127, 5, 227, 20, 0x000000), 20);
}

TEST_F(FormWindowTest, AResizedWindowGivesTheTableTheRoom) {
  RECT outer;
  ::GetWindowRect(window->Handle(), &outer);
  ::SetWindowPos(window->Handle(), nullptr, 0, 0, outer.right - outer.left + 300, outer.bottom - outer.top + 100,
                 SWP_NOMOVE | SWP_NOZORDER);
  RECT grid = ClientRectOf(H(form->StringGrid1));
  EXPECT_EQ(grid.right - grid.left, 712 + 300);
  EXPECT_EQ(grid.bottom - grid.top, 482 + 100);
  EXPECT_EQ(ClientRectOf(H(form->BtnStop)).top, 505 + 100);
  EXPECT_EQ(ClientRectOf(H(form->Memo2)).top, 228);
  EXPECT_EQ(ClientRectOf(H(form->Memo2)).bottom, 500 + 100);  // the list follows the height
}

TEST(ApplicationWindowTest, CarriesTheTitleOwnsTheMainWindowAndMinimisesIt) {
  auto dispatcher = std::make_shared<QueueDispatcher>();
  QuietDialogs dialogs;
  TApplication application(kApplicationTitle);
  ApplicationWindow applicationWindow(application);
  TForm1 form(FormServices{dispatcher, &dialogs, [] { return MakeWmiDiskQuery(); }, "no-such-file"});
  application.SetMainForm(&form);
  auto window = MakeMainFrame(form, &application, applicationWindow.Handle());
  applicationWindow.SetMainWindow(window->Handle());
  form.Show();
  EXPECT_EQ(TextOf(applicationWindow.Handle()), L"Kestrane 1.0");
  EXPECT_TRUE(::IsWindowVisible(applicationWindow.Handle()));
  EXPECT_EQ(::GetWindow(window->Handle(), GW_OWNER), applicationWindow.Handle());
  EXPECT_EQ(::GetWindowLongPtrW(applicationWindow.Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);

  ::SendMessageW(window->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(application.Minimized());
  EXPECT_FALSE(::IsWindowVisible(window->Handle()));
  EXPECT_TRUE(::IsIconic(applicationWindow.Handle()));
  ::SendMessageW(applicationWindow.Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(application.Minimized());
  EXPECT_TRUE(::IsWindowVisible(window->Handle()));
  EXPECT_FALSE(::IsIconic(applicationWindow.Handle()));
  applicationWindow.SetMainWindow(nullptr);
}

// The start as the program makes it: its application window, real boxes, and an error while the
// main form is made (here: no image set file), before the main window exists. Return from the
// keyboard, with no click and nothing brought forward, closes the box.
TEST(ApplicationWindowTest, AnErrorBoxAtStartTakesReturnFromTheKeyboard) {
  // A main window closed earlier on this thread posted the end of the program; its WM_QUIT
  // would end the box's modal loop at once.
  MSG quit;
  while (::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  auto dispatcher = std::make_shared<QueueDispatcher>();
  TApplication application(kApplicationTitle);
  MessageBoxes boxes(kApplicationTitle);
  ApplicationWindow applicationWindow(application);
  const DWORD thread = ::GetCurrentThreadId();
  bool closedByKey = false;
  testing::SeenBox seen;
  std::thread user = testing::AnswerBox(
      thread,
      [&](const testing::SeenBox& box) {
        testing::PressFromHelper(VK_RETURN);
        closedByKey = testing::WaitFor([&] { return !::IsWindow(box.hwnd); }, 5000);
        if (!closedByKey) ::PostMessageW(box.hwnd, WM_CLOSE, 0, 0);  // the test goes on and fails
      },
      &seen);
  TForm1 form(FormServices{dispatcher, &boxes, [] { return MakeWmiDiskQuery(); }, "no-such-file"});
  user.join();
  EXPECT_EQ(Narrow(seen.text).rfind("Cannot open file \"", 0), 0u) << Narrow(seen.text);
  EXPECT_TRUE(closedByKey);
}

// A window refused once the main window exists: the main window, destroyed as the failure
// unwinds, posts the program's end; the reason is still shown until answered.
TEST(ApplicationWindowTest, AStartThatFailsAfterTheMainWindowSaysWhy) {
  ::PostQuitMessage(0);
  bool closedByKey = false;
  testing::SeenBox seen;
  std::thread user = testing::AnswerBox(
      ::GetCurrentThreadId(),
      [&](const testing::SeenBox& box) {
        testing::PressFromHelper(VK_RETURN);
        closedByKey = testing::WaitFor([&] { return !::IsWindow(box.hwnd); }, 5000);
        if (!closedByKey) ::PostMessageW(box.hwnd, WM_CLOSE, 0, 0);
      },
      &seen);
  ShowStartFailure(kApplicationTitle, "Cannot create a window of the class \"KestraneTray\".");
  user.join();
  EXPECT_EQ(Narrow(seen.text), "Cannot create a window of the class \"KestraneTray\".");
  EXPECT_TRUE(closedByKey);
}

TEST_F(FormWindowTest, StartWithAnEmptyListAsks) {
  ::SendMessageW(H(form->BtnStart), BM_CLICK, 0, 0);
  EXPECT_EQ(dialogs.shown, std::vector<std::string>{"Вы не указали ни один объект!"});
  EXPECT_EQ(::GetFocus(), H(form->Memo2));
}

TEST_F(FormWindowTest, CloseAsksAndNoKeepsTheWindow) {
  ::SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(dialogs.shown, std::vector<std::string>{"Действительно выйти? "});
  EXPECT_TRUE(::IsWindow(window->Handle()));
  EXPECT_FALSE(::SendMessageW(window->Handle(), WM_QUERYENDSESSION, 0, 0));
}

}  // namespace
}  // namespace kestrane::win32
