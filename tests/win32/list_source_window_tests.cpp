// The server list from a file through the system's open dialog, and from the directory, in the
// real window under Wine.
#include <windows.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include <atomic>

#include "form_fixture.h"
#include "platform/files.h"
#include "platform/win32/ado_directory.h"
#include "platform/win32/open_file_dialog_window.h"

namespace kestrane::win32 {
namespace {

std::string TempFile(const char* name) {
  wchar_t folder[MAX_PATH];
  ::GetTempPathW(MAX_PATH, folder);
  return Narrow(folder) + name;
}

// Finds the open dialog of `thread`, types the path into it and presses Enter, as a user would:
// without bringing it forward first. A dialog that opened without the keyboard is still open
// after that; it is cancelled and `ignored` set, so the test fails instead of waiting for ever.
std::thread TypeIntoOpenDialog(DWORD thread, const std::string& path, std::wstring* title, std::wstring* folder,
                               std::atomic<bool>* ignored) {
  return testing::AnswerBox(thread, [=](const testing::SeenBox& box) {
    if (title) *title = box.caption;
    if (folder) {
      // The dialog's own idea of where it is: the text of its folder list or its path field.
      wchar_t current[MAX_PATH] = {};
      ::SendMessageW(box.hwnd, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(current));
      *folder = current;
    }
    std::vector<INPUT> in;
    for (wchar_t c : Widen(path)) {
      INPUT k{};
      k.type = INPUT_KEYBOARD;
      k.ki.wScan = c;
      k.ki.dwFlags = KEYEVENTF_UNICODE;
      in.push_back(k);
      k.ki.dwFlags |= KEYEVENTF_KEYUP;
      in.push_back(k);
    }
    in.push_back(testing::KeyInput(VK_RETURN, false));
    in.push_back(testing::KeyInput(VK_RETURN, true));
    ::SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
    if (!testing::WaitFor([&] { return !::IsWindow(box.hwnd); }, 10000)) {
      *ignored = true;
      ::PostMessageW(box.hwnd, WM_COMMAND, IDCANCEL, 0);
    }
  });
}

class ListSourceWindowTest : public FormWindowTest {
 protected:
  SystemOpenFileDialog openDialog{[this] { return window ? window->Handle() : nullptr; }};
  AdoDirectoryQuery directory;
  DWORD thread = ::GetCurrentThreadId();
  ListSourceWindowTest() {
    ::CoInitialize(nullptr);
    services.programFolder = ProgramFolder();
    services.openDialog = &openDialog;
    services.directory = &directory;
  }
  ~ListSourceWindowTest() override { ::CoUninitialize(); }
  // Presses "...из файла", types the path into the dialog and waits for the label.
  void LoadThroughTheDialog(const std::string& path, std::wstring* title = nullptr, std::wstring* folder = nullptr) {
    const std::string before = form->Label1.Text() + "|" + std::to_string(dialogs.shown.size());
    std::atomic<bool> ignored{false};
    std::thread typist = TypeIntoOpenDialog(thread, path, title, folder, &ignored);
    ::PostMessageW(window->Handle(), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(H(form->Button1)), BN_CLICKED),
                   reinterpret_cast<LPARAM>(H(form->Button1)));
    PumpUntil([&] { return ignored || form->Label1.Text() + "|" + std::to_string(dialogs.shown.size()) != before; },
              30000);
    typist.join();
    EXPECT_FALSE(ignored) << "the open dialog did not take the typed path and Enter";
  }
};

TEST_F(ListSourceWindowTest, AFileOfThreeNamesTypedIntoTheRealDialogLoads) {
  const std::string path = TempFile("kestrane three.txt");
  WriteWholeFile(path, {'s', 'r', 'v', '1', '\n', 's', 'r', 'v', '2', '\r', 's', 'r', 'v', '3', '\r', '\n'});
  std::wstring title, folder;
  LoadThroughTheDialog(path, &title, &folder);
  EXPECT_TRUE(title == L"Open" || title == L"Открыть") << Narrow(title);
  EXPECT_EQ(Narrow(folder) + "\\", ProgramFolder() + "\\");  // opened in the program's folder
  EXPECT_EQ(form->Memo2.Text(), "srv1\r\nsrv2\r\nsrv3\r\n");
  EXPECT_EQ(TextOf(H(form->Label1)), L"Количество объектов: 3");
  EXPECT_EQ(TextOf(H(form->Memo2)), L"srv1\r\nsrv2\r\nsrv3\r\n");
  ::DeleteFileW(Widen(path).c_str());
}

TEST_F(ListSourceWindowTest, AUtf16FileFromPowerShellLoadsAsText) {
  const std::string path = TempFile("kestrane utf16.txt");
  std::vector<std::uint8_t> bytes{0xFF, 0xFE};
  for (wchar_t c : std::wstring(L"срв-01\r\nSRV02\r\n")) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  WriteWholeFile(path, bytes);
  LoadThroughTheDialog(path);
  EXPECT_EQ(form->Memo2.Lines(), (std::vector<std::string>{"срв-01", "SRV02"}));
  EXPECT_EQ(TextOf(H(form->Label1)), L"Количество объектов: 2");
  ::DeleteFileW(Widen(path).c_str());
}

TEST_F(ListSourceWindowTest, AnAnsiFileIsReadInTheSystemsCodePage) {
  if (::GetACP() != 1251) GTEST_SKIP() << "runs under LC_ALL=ru_RU.UTF-8 (code page 1251)";
  const std::string path = TempFile("kestrane 1251.txt");
  WriteWholeFile(path, {0xF1, 0xF0, 0xE2, '-', '0', '1', '\r', '\n', 0xC4, 0xCA, '1'});
  LoadThroughTheDialog(path);
  EXPECT_EQ(form->Memo2.Lines(), (std::vector<std::string>{"срв-01", "ДК1"}));
  ::DeleteFileW(Widen(path).c_str());
}

TEST_F(ListSourceWindowTest, AMissingFileNamesTheFileAndTheReasonAndChangesNothing) {
  Paste(H(form->Memo2), L"keep1\r\nkeep2");
  const std::string path = TempFile("kestrane no such list.txt");
  const std::size_t before = dialogs.shown.size();  // Wine's directory error at start
  LoadThroughTheDialog(path);
  ASSERT_EQ(dialogs.shown.size(), before + 1);
  const std::string& error = dialogs.shown.back();
  EXPECT_EQ(error.rfind("Cannot open file \"" + path + "\". ", 0), 0u) << error;
  EXPECT_EQ(error.back(), '.');
  EXPECT_GT(error.size(), path.size() + 22) << error;  // the system's reason follows
  EXPECT_EQ(form->Memo2.Text(), "keep1\r\nkeep2");
  EXPECT_EQ(TextOf(H(form->Label1)), L"Количество объектов:");
}

TEST_F(ListSourceWindowTest, TheDirectoryFailsAtStartAndOnTheButtonAndTheWindowGoesOn) {
  // Wine has no ADSI provider: the connection fails while the window is made, and every press.
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_FALSE(dialogs.shown[0].empty());
  Paste(H(form->Memo2), L"old");
  ::SendMessageW(H(form->Button2), BM_CLICK, 0, 0);
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[1], "Не могу получить список серверов из вашего домена!");
  EXPECT_EQ(TextOf(H(form->Memo2)), L"");
  EXPECT_EQ(TextOf(H(form->Label1)), L"Количество объектов:");
  ::SendMessageW(H(form->Button2), BM_CLICK, 0, 0);  // and again
  EXPECT_EQ(dialogs.shown.size(), 3u);
}

}  // namespace
}  // namespace kestrane::win32
