// Stands in for a system program (mstsc.exe, shutdown.exe) in the test prefix: it writes the
// command line it was started with, one line per start, to the file KESTRANE_STAND_IN_LOG names.
#include <windows.h>

int wmain() {
  wchar_t log[MAX_PATH];
  if (!::GetEnvironmentVariableW(L"KESTRANE_STAND_IN_LOG", log, MAX_PATH)) return 1;
  HANDLE file = ::CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 2;
  const wchar_t* line = ::GetCommandLineW();
  char utf8[4096];
  int n = ::WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, sizeof utf8 - 2, nullptr, nullptr);
  if (n > 0) {
    utf8[n - 1] = '\n';
    DWORD written = 0;
    ::WriteFile(file, utf8, static_cast<DWORD>(n), &written, nullptr);
  }
  ::CloseHandle(file);
  return 0;
}
