// The clean-up dialog under Wine through a mapped administrative share: \\kestrane-share\c$ is a
// throwaway tree of known sizes in which one folder holds a link to itself.
#include <gtest/gtest.h>

#include "form_fixture.h"
#include "forms/unit2.h"
#include "platform/win32/system_folders.h"

namespace kestrane::win32 {
namespace {

std::wstring ShareTree() {
  wchar_t root[MAX_PATH] = {};
  ::GetEnvironmentVariableW(L"KESTRANE_CLEANUP_TREE", root, MAX_PATH);  // as Z:\...
  return root;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class CleanupWindowTest : public FormWindowTest {
 protected:
  std::unique_ptr<TForm2> cleanup;
  std::unique_ptr<FormFrame> cleanupFrame;
  DWORD thread = ::GetCurrentThreadId();

  CleanupWindowTest() {
    services.openCleanup = [this] {
      cleanup->Hide();
      cleanup->Show();
    };
  }
  void SetUp() override {
    ASSERT_FALSE(ShareTree().empty()) << "the share tree is made by cleanup_share.sh";
    FormWindowTest::SetUp();
    cleanup = std::make_unique<TForm2>(Form2Services{
        dispatcher, &dialogs, std::make_shared<SystemFolders>([this] { return window->Handle(); }),
        [this] { return form->StringGrid1.Cell(kNameColumn, form->StringGrid1.Row()); }});
    FrameSetup setup;
    setup.owner = window->Handle();
    setup.pictures = &cleanup->Pictures();
    cleanupFrame = std::make_unique<FormFrame>(*cleanup, std::move(setup));
  }
  void TearDown() override {
    if (cleanup) PumpUntil([&] { return cleanup->LiveCounts() == 0; });
    cleanupFrame.reset();
    cleanup.reset();
    FormWindowTest::TearDown();
  }
  HWND C(const TControl& c) { return cleanupFrame->ControlHandle(c); }
};

TEST_F(CleanupWindowTest, OpensFromTheMenuCountsTheShareAndEmptiesExactlyOneFolder) {
  Paste(H(form->Memo2), L"kestrane-share");
  ::SendMessageW(H(form->BtnStart), BM_CLICK, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return !form->RunActive() && form->LiveWorkers() == 0; }));
  // A right click on the row, then "Освободить место на сервере kestrane-share" by the keys.
  POINT pt{window->Scale(76), window->Scale(12)};
  ::ClientToScreen(H(form->StringGrid1), &pt);
  std::thread chooser = testing::ChooseFromMenu(thread, 3);
  testing::ClickAt(pt, MOUSEEVENTF_RIGHTDOWN);
  PumpUntil([&] { return ::IsWindowVisible(cleanupFrame->Handle()) == TRUE; }, 20000);
  chooser.join();
  ASSERT_TRUE(::IsWindowVisible(cleanupFrame->Handle()));
  EXPECT_EQ(form->FreeUp.caption, "Освободить место на сервере kestrane-share");
  EXPECT_EQ(testing::TextOf(cleanupFrame->Handle()), L" Освобождение места");
  RECT client;
  ::GetClientRect(cleanupFrame->Handle(), &client);
  EXPECT_EQ(client.right, 525);
  EXPECT_EQ(client.bottom, 258);
  EXPECT_EQ(testing::TextOf(C(cleanup->Label6)), L"неоценено");
  EXPECT_EQ(::GetFocus(), C(cleanup->Button1));  // the first of the tab order

  testing::Press(VK_RETURN);  // "Подсчитать размер"
  ASSERT_TRUE(PumpUntil([&] { return cleanup->LiveCounts() == 0 && !cleanup->Label14.Visible(); }, 30000));
  std::vector<std::wstring> sizes;
  for (const TControl* l : {&cleanup->Label6, &cleanup->Label7, &cleanup->Label8, &cleanup->Label9, &cleanup->Label10,
                            &cleanup->Label13}) {
    sizes.push_back(testing::TextOf(C(*l)));
  }
  // The link in C:\temp adds nothing; the Cyrillic profile counts; WER's half megabyte is 0.
  EXPECT_EQ(sizes, (std::vector<std::wstring>{L"3 MB", L"3 MB", L"2 MB", L"5 MB", L"3 MB", L"0 MB"}));
  EXPECT_EQ(testing::TextOf(C(cleanup->Label11)), L"16 MB");  // 16.5 MB of bytes, halves to even
  EXPECT_EQ(testing::TextOf(C(cleanup->Label1)), L"\\\\kestrane-share\\c$\\windows\\temp\\");
  EXPECT_FALSE(::IsWindowEnabled(C(cleanup->Button1)));
  EXPECT_TRUE(::IsWindowEnabled(C(cleanup->SpeedButton1)));

  ::SendMessageW(C(cleanup->SpeedButton1), BM_CLICK, 0, 0);  // C:\windows\temp
  const std::wstring tree = ShareTree();
  EXPECT_FALSE(Exists(tree + L"\\windows\\temp\\a.tmp"));
  EXPECT_FALSE(Exists(tree + L"\\windows\\temp\\sub"));
  EXPECT_TRUE(Exists(tree + L"\\windows\\temp"));  // the folder itself stays
  EXPECT_TRUE(Exists(tree + L"\\temp\\t1"));       // nothing else is touched
  EXPECT_TRUE(Exists(tree + L"\\inetpub\\logs\\l"));
  EXPECT_TRUE(Exists(tree + L"\\users\\Иванов\\AppData\\Local\\Temp\\y"));
  EXPECT_EQ(testing::TextOf(C(cleanup->Label6)), L"0 MB");
  EXPECT_EQ(testing::TextOf(C(cleanup->Label11)), L"13 MB");  // the sum of the shown figures
  EXPECT_TRUE(dialogs.shown.empty());
}

}  // namespace
}  // namespace kestrane::win32
