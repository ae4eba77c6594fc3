#include "platform/files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace kestrane {
namespace {

std::vector<std::string> FolderNames(const std::wstring& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  win32::UniqueFind find(::FindFirstFileW((folder + L"\\*").c_str(), &found));
  if (!find) return names;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(win32::Narrow(name));
  } while (::FindNextFileW(find.get(), &found));
  return names;
}

// A collector reading the file holds it open (as Go's os.Open does: read and write shared, delete
// not), and while it does the file cannot be replaced: after trying again for a while the
// replacement fails with the system's reason, and the file keeps what it held, no temporary beside it.
TEST(ReplaceFileAtomically, AFileHeldOpenByAReaderIsLeftAsItWasAndNoTemporaryStays) {
  wchar_t temp[MAX_PATH];
  ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring folder = std::wstring(temp) + L"kestrane-held-" + std::to_wstring(::GetCurrentProcessId());
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
  const std::string path = win32::Narrow(folder + L"\\k.prom");
  ReplaceFileAtomically(path, "old\n");
  {
    win32::UniqueFile reader(::CreateFileW(win32::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(reader);
    try {
      ReplaceFileAtomically(path, "new\n");
      ADD_FAILURE() << "replaced a file held open";
    } catch (const std::runtime_error& e) {
      const std::string message = e.what();
      EXPECT_EQ(message.rfind("Cannot create file \"", 0), 0u) << message;
      EXPECT_NE(message.find("k.prom\". "), std::string::npos) << message;
      EXPECT_EQ(message.find("could not be removed"), std::string::npos) << message;
    }
  }
  const std::vector<std::uint8_t> kept = ReadWholeFile(path);
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "old\n");
  EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"k.prom"});
  ReplaceFileAtomically(path, "new\n");  // the reader let go
  const std::vector<std::uint8_t> replaced = ReadWholeFile(path);
  EXPECT_EQ(std::string(replaced.begin(), replaced.end()), "new\n");
  ::DeleteFileW(win32::Widen(path).c_str());
  ::RemoveDirectoryW(folder.c_str());
}

}  // namespace
}  // namespace kestrane
