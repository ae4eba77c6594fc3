#include "platform/win32/process_starter.h"

#include <windows.h>

#include <vector>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace kestrane::win32 {

std::wstring SystemProgramPath(const std::wstring& commandLine) {
  std::wstring program = commandLine.substr(0, commandLine.find(L' '));
  if (program.empty() || program.find_first_of(L"\\/:\"") != std::wstring::npos) return L"";
  if (program.find(L'.') == std::wstring::npos) program += L".exe";
  wchar_t folder[MAX_PATH];
  UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return L"";
  return std::wstring(folder, n) + L"\\" + program;
}

bool SystemProcessStarter::Start(const std::string& commandLine, int showCommand) {
  std::wstring line = Widen(commandLine);
  // The program from the system folder by its full path; the command line itself as given.
  std::wstring program = SystemProgramPath(line);
  if (program.empty()) return false;
  std::vector<wchar_t> writable(line.begin(), line.end());
  writable.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showCommand);
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(program.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
    return false;
  }
  UniqueHandle thread(process.hThread);
  UniqueHandle started(process.hProcess);
  return true;
}

}  // namespace kestrane::win32
