// The table menu in the real window under Wine: a right click on a checked row, the items chosen
// with the keyboard, and the command lines that stand-in mstsc.exe and shutdown.exe receive.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "form_fixture.h"
#include "platform/win32/process_starter.h"

namespace kestrane::win32 {
namespace {

std::wstring Folder(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

class RowCommandWindowTest : public FormWindowTest {
 protected:
  SystemProcessStarter starter;
  std::wstring log;
  std::vector<std::wstring> installed;
  DWORD thread = ::GetCurrentThreadId();

  RowCommandWindowTest() { services.processes = &starter; }

  void SetUp() override {
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    const std::wstring standIn = Folder(exe) + L"\\kestrane_stand_in.exe";
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    log = std::wstring(temp) + L"kestrane_stand_in.log";
    ::DeleteFileW(log.c_str());
    // The stand-ins take the place of the system's programs (the test run asks Wine to run their
    // files, not its built-in shutdown.exe).
    for (const wchar_t* name : {L"mstsc", L"shutdown"}) {
      std::wstring path = SystemProgramPath(name);
      ::MoveFileExW(path.c_str(), (path + L".kestrane-backup").c_str(), MOVEFILE_REPLACE_EXISTING);
      ASSERT_TRUE(::CopyFileW(standIn.c_str(), path.c_str(), FALSE)) << ::GetLastError();
      installed.push_back(path);
    }
    ::SetEnvironmentVariableW(L"KESTRANE_STAND_IN_LOG", log.c_str());
    FormWindowTest::SetUp();
  }
  void TearDown() override {
    FormWindowTest::TearDown();
    for (const std::wstring& path : installed) {
      ::DeleteFileW(path.c_str());
      ::MoveFileExW((path + L".kestrane-backup").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    ::DeleteFileW(log.c_str());
  }
  std::vector<std::string> Started() {
    std::ifstream in(Narrow(log));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
    return lines;
  }
  void CheckList(const wchar_t* list) {
    Paste(H(form->Memo2), list);
    ::SendMessageW(H(form->BtnStart), BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !form->RunActive() && form->LiveWorkers() == 0; }));
  }
  // Right-clicks the server name of a row and chooses the item `index` (-1: expects no menu).
  bool RightClickAndChoose(int row, int index, const std::function<bool()>& done) {
    POINT pt{window->Scale(25 + 1 + 50), window->Scale(row * 25 + 12)};
    ::ClientToScreen(H(form->StringGrid1), &pt);
    bool opened = false;
    std::thread chooser = testing::ChooseFromMenu(thread, index, &opened);
    testing::ClickAt(pt, MOUSEEVENTF_RIGHTDOWN);
    PumpUntil([&] { return done(); }, index < 0 ? 2500 : 20000);
    chooser.join();
    testing::Settle(300);
    return opened;
  }
};

TEST_F(RowCommandWindowTest, TheMenuOfACheckedRowStartsRemoteDesktopAndTheReboot) {
  CheckList(L"srv-a\r\nsrv-b\r\n");
  ASSERT_EQ(form->StringGrid1.Cell(3, 1), "srv-b");
  EXPECT_TRUE(RightClickAndChoose(1, 1, [&] { return Started().size() == 1; }));
  EXPECT_EQ(form->StringGrid1.Row(), 1);
  EXPECT_EQ(form->RDP.caption, "Зайти на сервер srv-b по RDP");
  EXPECT_EQ(form->Reboot.caption, "Перезагрузить сервер srv-b");
  EXPECT_EQ(Started(), std::vector<std::string>{"mstsc.exe /v:srv-b:3389"});

  dialogs.answer = false;  // No: nothing started, nothing more said
  RightClickAndChoose(0, 2, [&] { return dialogs.shown.size() == 1; });
  EXPECT_EQ(dialogs.shown, std::vector<std::string>{"Перезагрузить сервер srv-a?"});
  EXPECT_EQ(Started().size(), 1u);
  dialogs.answer = true;
  RightClickAndChoose(0, 2, [&] { return Started().size() == 2 && dialogs.shown.size() == 3; });
  EXPECT_EQ(Started(), (std::vector<std::string>{"mstsc.exe /v:srv-b:3389", "shutdown /r /m \\\\srv-a /t 10"}));
  EXPECT_EQ(dialogs.shown.back(), "Сервер srv-a будет перезагружен через 10 секунд.");
}

TEST_F(RowCommandWindowTest, TheMarkerAppearsAndGoesWithItsPictureAndEmptyOrBadNamesStartNothing) {
  CheckList(L"srv-a\r\n\r\nsrv02 /t 0\r\n");
  RightClickAndChoose(0, 0, [&] { return form->StringGrid1.Cell(0, 0) == "  ."; });
  EXPECT_EQ(form->StringGrid1.Cell(0, 0), "  .");
  form->StringGrid1.SetRow(2);  // the green of the current row off row 0
  EXPECT_LT(ClientPixels(H(form->StringGrid1)).Count(4, 4, 20, 20, 0xFFFFFF), 200);  // the picture
  RightClickAndChoose(0, 0, [&] { return form->StringGrid1.Cell(0, 0).empty(); });
  EXPECT_EQ(form->StringGrid1.Cell(0, 0), "");
  form->StringGrid1.SetRow(2);
  EXPECT_EQ(ClientPixels(H(form->StringGrid1)).Count(4, 4, 20, 20, 0xFFFFFF), 16 * 16);  // gone

  EXPECT_FALSE(RightClickAndChoose(1, -1, [] { return false; }));  // the local computer's row: no name
  EXPECT_EQ(form->StringGrid1.Row(), 1);

  RightClickAndChoose(2, 2, [&] { return !dialogs.shown.empty(); });
  RightClickAndChoose(2, 1, [&] { return dialogs.shown.size() == 2; });
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_NE(dialogs.shown[0].find("«srv02 /t 0»"), std::string::npos) << dialogs.shown[0];
  EXPECT_TRUE(Started().empty());
}

}  // namespace
}  // namespace kestrane::win32
