// The table menu's commands: which row a right press chooses, the captions, when the menu opens,
// the no-alert marker, Remote Desktop and reboot, against a recording process starter.
#include <gtest/gtest.h>

#include "forms/form1_fixture.h"
#include "forms/row_commands.h"

namespace kestrane {
namespace {

class RecordingStarter : public ProcessStarter {
 public:
  std::vector<std::string> started;
  bool succeeds = true;
  bool Start(const std::string& commandLine, int showCommand) override {
    started.push_back(commandLine + " @" + std::to_string(showCommand));
    return succeeds;
  }
};

// Chooses an item when the menu is shown, as the user would.
class ChoosingMenu : public MenuPeer {
 public:
  int choice = -1;
  int shown = 0;
  int Track(TPopupMenu&, int, int) override {
    ++shown;
    return choice;
  }
};

class RowCommandsTest : public Form1Test {
 protected:
  RecordingStarter starter;
  ChoosingMenu menu;
  void SetUp() override { services.processes = &starter; }
  void Rows(std::vector<std::string> names) {
    form->StringGrid1.SetRowCount(static_cast<int>(names.size()));
    for (std::size_t i = 0; i < names.size(); ++i) form->StringGrid1.SetCell(3, static_cast<int>(i), names[i]);
    form->StringGrid1.SetViewport(700, 400);
    form->PopupMenu1.AttachPeer(&menu);
  }
  // A right click at a point of the table: press, then the menu if the table lets it open.
  void RightClick(int x, int y, int choose = -1) {
    form->StringGrid1.MouseDown(MouseButton::Right, x, y);
    menu.choice = choose;
    if (form->StringGrid1.ContextPopup()) form->PopupMenu1.Popup(x, y);
  }
  std::vector<std::string> Captions() {
    std::vector<std::string> out;
    for (const TMenuItem& item : form->PopupMenu1.Items()) out.push_back(item.caption);
    return out;
  }
  void TearDown() override {
    if (form) form->PopupMenu1.AttachPeer(nullptr);
    Form1Test::TearDown();
  }
};

TEST_F(RowCommandsTest, ARightPressSelectsTheRowAndNamesItsServerInTheCaptions) {
  Create();
  Rows({"srv01", "srv02", "srv03"});
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Не генерить алерт", "Открыть RDP", "Перезагрузить", "",
                                                  "Освободить место..."}));
  RightClick(60, 30);  // row 1
  EXPECT_EQ(form->StringGrid1.Row(), 1);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Не генерить алерт", "Зайти на сервер srv02 по RDP",
                                                  "Перезагрузить сервер srv02", "",
                                                  "Освободить место на сервере srv02"}));
  EXPECT_EQ(menu.shown, 1);
  RightClick(60, 300);  // below the last row: the current row stays, the menu concerns it
  EXPECT_EQ(form->StringGrid1.Row(), 1);
  EXPECT_EQ(Captions()[1], "Зайти на сервер srv02 по RDP");
  EXPECT_EQ(menu.shown, 2);
  form->StringGrid1.MouseDown(MouseButton::Left, 60, 55);    // a left click selects,
  form->StringGrid1.MouseDown(MouseButton::Middle, 60, 5);  // a middle one does nothing,
  EXPECT_EQ(form->StringGrid1.Row(), 2);
  EXPECT_EQ(Captions()[2], "Перезагрузить сервер srv02");   // and neither changes a caption
}

TEST_F(RowCommandsTest, ARowWithoutAServerNameOpensNoMenu) {
  Create();
  form->PopupMenu1.AttachPeer(&menu);
  RightClick(60, 5);  // the single empty row before the first run
  EXPECT_EQ(form->StringGrid1.Row(), 0);
  EXPECT_EQ(menu.shown, 0);
  Rows({"srv01", ""});
  RightClick(60, 30);
  EXPECT_EQ(form->StringGrid1.Row(), 1);
  EXPECT_EQ(menu.shown, 0);
  // From the keyboard the same rule holds, for the current row.
  form->StringGrid1.SetRow(0);
  EXPECT_TRUE(form->StringGrid1.ContextPopup());
  form->StringGrid1.SetRow(1);
  EXPECT_FALSE(form->StringGrid1.ContextPopup());
}

TEST_F(RowCommandsTest, TheMarkerComesAndGoesWithItsCheckMark) {
  Create();
  Rows({"srv01", "srv02"});
  RightClick(60, 5, 0);  // "Не генерить алерт" on row 0
  EXPECT_EQ(form->StringGrid1.Cell(0, 0), "  .");
  EXPECT_TRUE(form->FreeSpace.checked);
  RightClick(60, 30);  // row 1 has no marker: no check mark
  EXPECT_FALSE(form->FreeSpace.checked);
  RightClick(60, 5);  // row 0 again: checked
  EXPECT_TRUE(form->FreeSpace.checked);
  RightClick(60, 5, 0);  // chosen again: the marker goes
  EXPECT_EQ(form->StringGrid1.Cell(0, 0), "");
  EXPECT_FALSE(form->FreeSpace.checked);
  EXPECT_TRUE(starter.started.empty());
}

TEST_F(RowCommandsTest, RemoteDesktopStartsTheClientForTheRowsServer) {
  Create();
  Rows({"srv01", "10.1.2.3", "fe80::1"});
  RightClick(60, 5, 1);
  RightClick(60, 30, 1);
  RightClick(60, 55, 1);
  EXPECT_EQ(starter.started, (std::vector<std::string>{"mstsc.exe /v:srv01:3389 @1", "mstsc.exe /v:10.1.2.3:3389 @1",
                                                       "mstsc.exe /v:[fe80::1]:3389 @1"}));
  starter.succeeds = false;
  RightClick(60, 5, 1);  // a client that cannot be started is not reported
  EXPECT_TRUE(dialogs.information.empty());
  EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(RowCommandsTest, RebootAsksStartsTheShutdownToolAndSaysSo) {
  Create();
  Rows({"srv01", "2001:db8::5"});
  dialogs.answer = false;
  RightClick(60, 5, 2);
  EXPECT_EQ(dialogs.questions, std::vector<std::string>{"Перезагрузить сервер srv01?"});
  EXPECT_TRUE(starter.started.empty());  // No: nothing more
  EXPECT_TRUE(dialogs.information.empty());
  dialogs.answer = true;
  RightClick(60, 5, 2);
  RightClick(60, 30, 2);
  EXPECT_EQ(starter.started,
            (std::vector<std::string>{"shutdown /r /m \\\\srv01 /t 10 @1",
                                      "shutdown /r /m \\\\2001-db8--5.ipv6-literal.net /t 10 @1"}));
  EXPECT_EQ(dialogs.information, (std::vector<std::string>{"Сервер srv01 будет перезагружен через 10 секунд.",
                                                           "Сервер 2001:db8::5 будет перезагружен через 10 секунд."}));
  starter.succeeds = false;
  RightClick(60, 5, 2);
  EXPECT_EQ(dialogs.information.back(), "Сервер srv01 не может быть перезагружен.");
}

TEST_F(RowCommandsTest, TheRebootKeepsToTheServerTheOperatorConfirmed) {
  // A check run rewrites the row while the question is open.
  class RewritingDialogs : public RecordingDialogs {
   public:
    TForm1* form = nullptr;
    bool Confirm(const std::string& text) override {
      form->StringGrid1.SetCell(3, 0, "srv99");
      return RecordingDialogs::Confirm(text);
    }
  } rewriting;
  services.dialogs = &rewriting;
  Create();
  rewriting.form = form.get();
  Rows({"srv01"});
  RightClick(60, 5, 2);
  EXPECT_EQ(starter.started, std::vector<std::string>{"shutdown /r /m \\\\srv01 /t 10 @1"});
  EXPECT_EQ(rewriting.information, std::vector<std::string>{"Сервер srv01 будет перезагружен через 10 секунд."});
}

TEST_F(RowCommandsTest, ATextThatIsNoHostNameStartsNothingAndSaysWhy) {
  Create();
  Rows({"srv02 /t 0", "\"srv\" & calc", "..\\srv"});
  for (int y : {5, 30, 55}) {
    RightClick(60, y, 1);
    RightClick(60, y, 2);
  }
  EXPECT_TRUE(starter.started.empty());
  EXPECT_TRUE(dialogs.questions.empty());  // not even asked
  ASSERT_EQ(dialogs.errors.size(), 6u);
  EXPECT_EQ(dialogs.errors[0], NotAHostMessage("srv02 /t 0"));
  EXPECT_NE(dialogs.errors[0].find("«srv02 /t 0»"), std::string::npos);
  EXPECT_NE(dialogs.errors[3].find("«\"srv\" & calc»"), std::string::npos);
}

}  // namespace
}  // namespace kestrane
