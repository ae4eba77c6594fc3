// The clean-up dialog under Wine through mapped administrative shares: throwaway trees of known
// sizes in which folders are links (made by cleanup_share.sh).
#include <gtest/gtest.h>

#include "cleanup/messages.h"
#include "cleanup/row_folders.h"
#include "form_fixture.h"
#include "forms/unit2.h"
#include "platform/win32/system_folders.h"

namespace kestrane::win32 {
namespace {

std::wstring Throwaway() {
  wchar_t root[MAX_PATH] = {};
  ::GetEnvironmentVariableW(L"KESTRANE_CLEANUP_TREE", root, MAX_PATH);  // as Z:\...
  return root;
}
std::wstring ShareTree() { return Throwaway() + L"\\kestrane"; }

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
    ASSERT_FALSE(Throwaway().empty()) << "the share trees are made by cleanup_share.sh";
    FormWindowTest::SetUp();
    cleanup = std::make_unique<TForm2>(Form2Services{
        dispatcher, &dialogs, std::make_shared<SystemFolders>(),
        [this] { return form->StringGrid1.Cell(kNameColumn, form->StringGrid1.Row()); }});
    cleanupFrame = MakeCleanupFrame(*cleanup, window->Handle());
  }
  void TearDown() override {
    if (cleanup) PumpUntil([&] { return cleanup->LiveCounts() == 0; });
    cleanupFrame.reset();
    cleanup.reset();
    FormWindowTest::TearDown();
  }
  HWND C(const TControl& c) { return cleanupFrame->ControlHandle(c); }
  std::vector<std::wstring> SizeTexts() {
    std::vector<std::wstring> sizes;
    for (const TControl* l : {&cleanup->Label6, &cleanup->Label7, &cleanup->Label8, &cleanup->Label9,
                              &cleanup->Label10, &cleanup->Label13, &cleanup->Label11}) {
      sizes.push_back(testing::TextOf(C(*l)));
    }
    return sizes;
  }
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
  // The link in C:\temp adds nothing; the Cyrillic profile counts; WER's half megabyte is 0; the
  // total's 16.5 MB of bytes halve to even.
  EXPECT_EQ(SizeTexts(), (std::vector<std::wstring>{L"3 MB", L"3 MB", L"2 MB", L"5 MB", L"3 MB", L"0 MB", L"16 MB"}));
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
  EXPECT_TRUE(dialogs.shown.empty()) << dialogs.shown[0];
}

// \\srvlink\c$: C:\temp, the profile "evil" and windows\temp\sub are links to folders beside the
// share, WER holds a link to a file of the same name in a case twin of its own path. Nothing behind
// a link is deleted; Wine cannot remove a link as a link (it opens the target even when asked for
// the link itself), so the row holding one deletes nothing at all. Wine lists a link to a file as a
// plain file: the count takes its target's size, and only its handle, whose path is the target's,
// gives it away.
TEST_F(CleanupWindowTest, NothingBehindALinkIsCountedOrDeleted) {
  form->StringGrid1.SetCell(kNameColumn, 0, "srvlink");
  cleanup->Show();
  ::SendMessageW(C(cleanup->Button1), BM_CLICK, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return cleanup->LiveCounts() == 0 && !cleanup->Label14.Visible(); }, 30000));
  EXPECT_EQ(SizeTexts(), (std::vector<std::wstring>{L"1 MB", L"0 MB", L"0 MB", L"1 MB", L"1 MB", L"1 MB", L"4 MB"}));

  for (const TButton* row : {&cleanup->SpeedButton1, &cleanup->SpeedButton2, &cleanup->SpeedButton3,
                             &cleanup->SpeedButton4, &cleanup->SpeedButton5, &cleanup->SpeedButton6}) {
    ::SendMessageW(C(*row), BM_CLICK, 0, 0);
  }
  const std::string failed = "Возникла ошибка! Файлы не удалены.\r\n";
  EXPECT_EQ(dialogs.shown,
            (std::vector<std::string>{
                failed + "Не удалось удалить ссылку «\\\\srvlink\\c$\\windows\\temp\\sub».",
                "Папка «\\\\srvlink\\c$\\temp» — ссылка на другую папку. Файлы не удалены.",
                // Wine names "dot." without its dot: it cannot be told from a link to a twin "dot".
                failed + "Не удалось проверить «\\\\srvlink\\c$\\Windows\\SoftwareDistribution\\Download\\dot.».",
                "Ссылки на другие папки пропущены, файлы за ними не удалены:\r\n\\\\srvlink\\c$\\users\\evil",
                failed + "На месте «\\\\srvlink\\c$\\ProgramData\\Microsoft\\Windows\\WER\\keep4» оказалась ссылка."}));
  const std::wstring root = Throwaway();
  for (const wchar_t* kept : {L"\\outside\\sub\\keep1", L"\\outside\\temp\\keep2", L"\\outside\\evil\\AppData\\Local\\Temp\\keep3",
                              L"\\srvlink\\PROGRAMDATA\\Microsoft\\Windows\\WER\\keep4", L"\\srvlink\\windows\\temp\\a.tmp"}) {
    EXPECT_TRUE(Exists(root + kept)) << Narrow(kept);
  }
  EXPECT_FALSE(Exists(root + L"\\srvlink\\inetpub\\logs\\l"));  // real folders are emptied
  EXPECT_FALSE(Exists(root + L"\\srvlink\\users\\admin\\AppData\\Local\\Temp\\x"));
  EXPECT_EQ(SizeTexts(), (std::vector<std::wstring>{L"1 MB", L"0 MB", L"0 MB", L"0 MB", L"0 MB", L"1 MB", L"2 MB"}));
}

// The dialog moved to a monitor of 150 %: the glyph buttons and the picture of "Удалить всё" are
// made again at the new size and still draw (a picture left at the old DPI was blended into a
// larger rectangle than it has, and the glyph buttons went blank).
bool IsRed(std::uint32_t rgb) {
  const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  return r >= 100 && r > 2 * g && r > 2 * b;
}

TEST_F(CleanupWindowTest, AtAHigherDpiTheGlyphButtonsStillDrawTheirPictures) {
  cleanup->Show();
  const HWND dialog = cleanupFrame->Handle();
  RECT before;
  ::GetWindowRect(dialog, &before);
  RECT suggested{before.left, before.top, before.left + (before.right - before.left) * 3 / 2,
                 before.top + (before.bottom - before.top) * 3 / 2};
  ::SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  testing::Settle();
  ASSERT_EQ(cleanupFrame->Dpi(), 144);

  for (const TButton* glyph : {&cleanup->SpeedButton1, &cleanup->SpeedButton6}) {
    RECT client;
    ::GetClientRect(C(*glyph), &client);
    EXPECT_EQ(client.right, 35) << glyph->Name();  // 23 x 22 at 150 %
    EXPECT_EQ(client.bottom, 33) << glyph->Name();
    // The cross with its border spans 14 pixels at 100 %: about 21 at 150 %.
    const RECT cross = ClientPixels(C(*glyph)).Around(IsRed);
    EXPECT_GE(cross.right - cross.left, 20) << glyph->Name();
    EXPECT_GE(cross.bottom - cross.top, 20) << glyph->Name();
  }
  cleanup->BitBtn1.SetEnabled(true);  // in colour, not greyed
  const RECT picture = ClientPixels(C(cleanup->BitBtn1)).Around(IsRed);
  EXPECT_GE(picture.bottom - picture.top, 20);

  // A small monitor at 200 %: the suggested rectangle runs past its work area; the window stays inside.
  MONITORINFO monitor{sizeof monitor};
  ::GetMonitorInfoW(::MonitorFromWindow(dialog, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT work = monitor.rcWork;
  RECT large{work.right - 100, work.top, work.right - 100 + (work.right - work.left), work.bottom + 300};
  ::SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&large));
  RECT after;
  ::GetWindowRect(dialog, &after);
  EXPECT_TRUE(after.left >= work.left && after.top >= work.top && after.right <= work.right &&
              after.bottom <= work.bottom)
      << after.left << "," << after.top << " " << after.right << "," << after.bottom;
}

// \\srvhold\c$\temp is renamed away, as someone on the server might, while a button sweeps it for links.
TEST(HeldFolderTest, AFolderBeingEmptiedCannotBeRenamedAway) {
  class RenamingDuringSweep : public SystemFolders {
   public:
    using SystemFolders::SystemFolders;
    bool tried = false, renamed = false;
    bool List(const std::string& pattern, const std::function<void(const FolderEntry&)>& each) override {
      if (!tried && pattern == "\\\\srvhold\\c$\\temp\\*.*") {
        tried = true;
        renamed = ::MoveFileW(L"\\\\srvhold\\c$\\temp", L"\\\\srvhold\\c$\\temp.moved") != FALSE;
      }
      return SystemFolders::List(pattern, each);
    }
  } folders;
  EXPECT_EQ(EmptyShareFolder(folders, "\\\\srvhold\\c$\\temp\\"), "");
  EXPECT_TRUE(folders.tried);
  EXPECT_FALSE(folders.renamed);  // the folder is held open without delete sharing
  EXPECT_FALSE(Exists(Throwaway() + L"\\srvhold\\temp\\t"));
}

// cleanup_share.sh's swapper changes \\srvhold while a button works: asked (the file `ask`) when the
// clean-up opens or lists `at`, it makes its change and says when it is done (the file `done`).
class ChangedWhenReached : public SystemFolders {
 public:
  ChangedWhenReached(std::string at, const wchar_t* ask, const wchar_t* done) : at_(std::move(at)), ask_(ask), done_(done) {}
  bool changed = false;
  std::unique_ptr<HeldEntry> OpenEntry(const std::string& path) override {
    Reached(path);
    return SystemFolders::OpenEntry(path);
  }
  bool List(const std::string& pattern, const std::function<void(const FolderEntry&)>& each) override {
    Reached(pattern);
    return SystemFolders::List(pattern, each);
  }

 private:
  void Reached(const std::string& at) {
    if (at != at_ || changed) return;
    UniqueFile ask(::CreateFileW(ask_, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    for (int i = 0; ask && i < 100 && !changed; ++i) {
      changed = Exists(done_);
      if (!changed) ::Sleep(50);
    }
  }
  std::string at_;
  const wchar_t *ask_, *done_;
};

std::string Refusal(FolderService& folders, const std::string& folder, bool& deletedSome) {
  try {
    EmptyShareFolder(folders, folder);
  } catch (const CleanupRefused& refused) {
    deletedSome = refused.DeletedSome();
    return refused.Reason();
  }
  return "the deletion went on";
}

// While the button deletes, a subfolder already held and listed is renamed away and a link to a
// folder beside the share put under its name (Wine's holds do not bind a Unix process): its files
// are opened by path through that link, and their handles give them away; the deletion stops there,
// and what the link leads to stays.
TEST(HeldFolderTest, ASubfolderSwappedForALinkDuringTheDeletionIsNotEntered) {
  ChangedWhenReached folders("\\\\srvhold\\c$\\windows\\temp\\sub\\s", L"\\\\srvhold\\c$\\swap-now",
                             L"\\\\srvhold\\c$\\swap-done");
  bool deletedSome = false;
  EXPECT_EQ(Refusal(folders, "\\\\srvhold\\c$\\windows\\temp\\", deletedSome),
            "На месте «\\\\srvhold\\c$\\windows\\temp\\sub\\s» оказалась ссылка.");
  EXPECT_TRUE(deletedSome);  // w went first
  EXPECT_TRUE(folders.changed);
  EXPECT_TRUE(Exists(Throwaway() + L"\\outside\\precious\\s"));
  EXPECT_TRUE(Exists(Throwaway() + L"\\srvhold\\sub.moved\\s"));  // moved before its turn came
  EXPECT_FALSE(Exists(Throwaway() + L"\\srvhold\\windows\\temp\\w"));
}

// The folder being emptied is moved away while the deletion runs: what is left of it cannot be
// opened by its path any more, and the row does not say it was emptied.
TEST(HeldFolderTest, AFolderMovedAwayDuringTheDeletionIsNotReportedEmptied) {
  ChangedWhenReached folders("\\\\srvhold\\c$\\inetpub\\logs\\l1", L"\\\\srvhold\\c$\\move-now",
                             L"\\\\srvhold\\c$\\move-done");
  bool deletedSome = false;
  const std::string reason = Refusal(folders, "\\\\srvhold\\c$\\inetpub\\logs\\", deletedSome);
  EXPECT_EQ(reason, "Папку «\\\\srvhold\\c$\\inetpub\\logs» подменили во время удаления.");
  EXPECT_TRUE(folders.changed);
  EXPECT_TRUE(Exists(Throwaway() + L"\\srvhold\\inetpub.moved\\logs\\l1"));
}

// While the links below WER are looked for, WER is renamed away and a new WER made: its path leads
// to a real folder, not to the one held, and nothing is deleted.
TEST(HeldFolderTest, AFolderReplacedBeforeTheDeletionIsNotEmptied) {
  ChangedWhenReached folders("\\\\srvhold\\c$\\ProgramData\\Microsoft\\Windows\\WER\\*.*",
                             L"\\\\srvhold\\c$\\replace-now", L"\\\\srvhold\\c$\\replace-done");
  bool deletedSome = true;
  EXPECT_EQ(Refusal(folders, "\\\\srvhold\\c$\\ProgramData\\Microsoft\\Windows\\WER\\", deletedSome),
            "Папку «\\\\srvhold\\c$\\ProgramData\\Microsoft\\Windows\\WER» подменили во время проверки.");
  EXPECT_FALSE(deletedSome);
  EXPECT_TRUE(folders.changed);
  EXPECT_TRUE(Exists(Throwaway() + L"\\srvhold\\ProgramData\\Microsoft\\Windows\\WER.moved\\r"));
}

// An open entry cannot be renamed away, so what is deleted through its handle is what was checked;
// a file cannot be held as a folder.
TEST(HeldFolderTest, AnOpenEntryStaysWhereItIsAndAHoldTakesOnlyAFolder) {
  SystemFolders folders;
  const std::unique_ptr<HeldEntry> entry = folders.OpenEntry("\\\\srvhold\\c$\\open\\f");
  ASSERT_TRUE(entry);
  EXPECT_FALSE(::MoveFileW(L"\\\\srvhold\\c$\\open\\f", L"\\\\srvhold\\c$\\open\\g"));
  EXPECT_EQ(folders.Hold("\\\\srvhold\\c$\\open\\h"), nullptr);
}

}  // namespace
}  // namespace kestrane::win32
