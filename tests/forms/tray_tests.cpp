// The program in the notification area: the states of the window and the icon, the tray button,
// the icon's menu, and the end-of-run signal, against a recording shell.
#include <gtest/gtest.h>

#include "forms/form1_fixture.h"

namespace kestrane {
namespace {

class RecordingApplication : public ApplicationPeer {
 public:
  std::vector<std::string> calls;
  void Minimize() override { calls.push_back("minimize"); }
  void Restore() override { calls.push_back("restore"); }
  void TaskbarButtonChanged() override { calls.push_back("button"); }
  void BringToFront() override { calls.push_back("front"); }
  void Terminate() override { calls.push_back("terminate"); }
};

class ChoosingMenu : public MenuPeer {
 public:
  int choice = -1;
  std::vector<std::pair<int, int>> shownAt;
  int Track(TPopupMenu&, int x, int y) override {
    shownAt.push_back({x, y});
    return choice;
  }
};

class TrayTest : public Form1Test {
 protected:
  TApplication application{"Kestrane 1.0"};
  RecordingApplication applicationPeer;
  RecordingTray tray;
  ChoosingMenu menu;

  void SetUp() override {
    services.application = &application;
    application.AttachPeer(&applicationPeer);
  }
  void Start() {
    Create();
    application.SetMainForm(form.get());
    tray.icon = &form->CoolTrayIcon1;
    form->CoolTrayIcon1.AttachPeer(&tray);
    form->PopupMenu2.AttachPeer(&menu);
    form->Show();
  }
  void TearDown() override {
    if (form) {
      form->CoolTrayIcon1.AttachPeer(nullptr);
      form->PopupMenu2.AttachPeer(nullptr);
    }
    Form1Test::TearDown();
    application.AttachPeer(nullptr);
  }
  void RunEnds() {
    ASSERT_TRUE(testing::PumpUntil(*dispatcher, [&] { return !form->RunActive(); }));
  }
};

TEST_F(TrayTest, TheTrayButtonWithAnEmptyListOnlySaysSo) {
  Start();
  form->BtnTray.Click();
  EXPECT_EQ(dialogs.information, std::vector<std::string>{"Вы не указали ни один объект!"});
  EXPECT_EQ(form->FocusedControl(), &form->Memo2);
  EXPECT_TRUE(form->Visible());
  EXPECT_FALSE(form->CoolTrayIcon1.IconVisible());
  EXPECT_TRUE(tray.calls.empty());
  EXPECT_FALSE(form->RunActive());
}

TEST_F(TrayTest, TheTrayButtonHidesTheWindowShowsTheIconAndTheRunEndsWithTheAlert) {
  fleet->Set("srv", SimulatedServer{{{"C:", kGiB, 100 * kGiB}}});  // below 2 GB: an alert
  Start();
  form->Memo2.SetText("srv");
  form->BtnTray.Click();
  // Every step of the button happened before the run could change the icon.
  EXPECT_FALSE(form->Visible());
  EXPECT_FALSE(application.TaskbarButtonVisible());
  EXPECT_TRUE(application.Minimized());
  EXPECT_EQ(tray.calls, (std::vector<std::string>{"add 0 ", "modify 5 "}));
  RunEnds();
  EXPECT_EQ(tray.calls.size(), 5u);
  EXPECT_EQ(tray.calls[2], "modify 6 ");
  EXPECT_EQ(tray.calls[3], "modify 6 Внимание! На некоторых серверах свободное место\rниже заданного порогового значения!");
  EXPECT_EQ(tray.calls[4], "balloon Место заканчивается!");
  ASSERT_EQ(tray.balloons.size(), 1u);
  EXPECT_EQ(tray.balloons[0].text, "На одном или нескольких серверах\r заканчивается свободное место!");
  EXPECT_EQ(tray.balloons[0].icon, TrayBalloon::Icon::Error);
  EXPECT_EQ(tray.balloons[0].seconds, 11);
}

TEST_F(TrayTest, ARunEndingInWindowModeChangesTheIconUnseenAndItsBalloonIsNeverShown) {
  fleet->Set("srv", SimulatedServer{{{"C:", kGiB, 100 * kGiB}}});
  Start();
  form->Memo2.SetText("srv");
  form->BtnStart.Click();
  RunEnds();
  EXPECT_TRUE(tray.calls.empty());
  EXPECT_EQ(form->CoolTrayIcon1.ShownImage(), 6);
  // Minimised by the title bar's button: into the tray, with that run's image and tooltip.
  application.Minimize();
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(tray.calls.size(), 1u);
  EXPECT_EQ(tray.calls[0].rfind("add 6 Внимание!", 0), 0u);
  EXPECT_TRUE(tray.balloons.empty());
  EXPECT_FALSE(form->RunActive());  // minimising starts no run
}

TEST_F(TrayTest, MinimisingBeforeAnyRunShowsNoerrorAndStartsNothing) {
  Start();
  form->Memo2.SetText("srv");
  application.Minimize();
  EXPECT_EQ(tray.calls, std::vector<std::string>{"add 0 "});
  EXPECT_FALSE(form->RunActive());
  EXPECT_FALSE(application.TaskbarButtonVisible());
}

TEST_F(TrayTest, OpenTheProgramBringsTheWindowBackAtItsHeightAndRemovesTheIcon) {
  Start();
  form->Memo2.SetText("srv");
  form->UserResized(1000, 300);
  application.Minimize();
  applicationPeer.calls.clear();
  menu.choice = 0;  // "Открыть программу"
  form->CoolTrayIcon1.MouseDown(MouseButton::Left, 1200, 780);
  EXPECT_EQ(menu.shownAt, (std::vector<std::pair<int, int>>{{1200, 780}}));
  EXPECT_TRUE(form->Visible());
  EXPECT_EQ(form->Height(), 578);
  EXPECT_EQ(form->Width(), 1016);
  EXPECT_FALSE(application.Minimized());
  EXPECT_TRUE(application.TaskbarButtonVisible());
  EXPECT_FALSE(form->CoolTrayIcon1.IconVisible());
  EXPECT_EQ(tray.calls.back(), "remove");
  EXPECT_EQ(applicationPeer.calls, (std::vector<std::string>{"front", "restore", "button", "front"}));
}

TEST_F(TrayTest, ExitEndsAtOnceWithoutTheQuestion) {
  Start();
  form->Memo2.SetText("srv");
  application.Minimize();
  menu.choice = 1;  // "Выйти"
  form->CoolTrayIcon1.MouseDown(MouseButton::Right, 5, 6);
  EXPECT_TRUE(application.Terminated());
  EXPECT_TRUE(dialogs.questions.empty());
}

TEST_F(TrayTest, BothButtonsOpenTheMenuTheMiddleOneDoesNot) {
  Start();
  form->CoolTrayIcon1.MouseDown(MouseButton::Left, 1, 2);
  form->CoolTrayIcon1.MouseDown(MouseButton::Right, 3, 4);
  form->CoolTrayIcon1.MouseDown(MouseButton::Middle, 5, 6);
  EXPECT_EQ(menu.shownAt, (std::vector<std::pair<int, int>>{{1, 2}, {3, 4}}));
  EXPECT_EQ(applicationPeer.calls, (std::vector<std::string>{"front", "front"}));  // foreground first
  form->CoolTrayIcon1.LeftPopup = false;
  form->CoolTrayIcon1.MouseDown(MouseButton::Left, 1, 2);
  EXPECT_EQ(menu.shownAt.size(), 2u);
}

TEST(TrayIcon, ImageAndTooltipWaitForTheIconAndTheShellShowsTheirLimits) {
  TCoolTrayIcon icon;
  RecordingTray shell;
  shell.icon = &icon;
  icon.AttachPeer(&shell);
  icon.SetIconIndex(3);  // no image list yet: the built-in icon stays
  EXPECT_EQ(icon.ShownImage(), -1);
  icon.SetIconList(5);
  EXPECT_EQ(icon.ShownImage(), 0);
  icon.SetIconIndex(6);  // past the end: the last image
  EXPECT_EQ(icon.ShownImage(), 4);
  std::string hint;
  for (int i = 0; i < 130; ++i) hint += "ж";  // two bytes each
  icon.SetHint(hint);
  icon.ShowBalloon({"nothing", "while absent", TrayBalloon::Icon::Error, 11});
  EXPECT_TRUE(shell.calls.empty());
  icon.SetIconVisible(true);
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(icon.ShownHint().size(), 127u * 2);
  std::string title = std::string(62, 't') + "\xF0\x9F\x98\x80" + "x";  // the 63rd character is 4 bytes
  std::string text(300, 'y');
  icon.ShowBalloon({title, text, TrayBalloon::Icon::Error, 11});
  ASSERT_EQ(shell.balloons.size(), 1u);
  EXPECT_EQ(shell.balloons[0].title, std::string(62, 't') + "\xF0\x9F\x98\x80");
  EXPECT_EQ(shell.balloons[0].text, std::string(255, 'y'));
  icon.ShellRestarted();  // the taskbar made anew: the icon comes back
  EXPECT_EQ(shell.calls.back().rfind("add 4 ", 0), 0u);
  icon.SetIconVisible(false);
  icon.ShellRestarted();
  EXPECT_EQ(shell.calls.back(), "remove");
  icon.AttachPeer(nullptr);
}

}  // namespace
}  // namespace kestrane
