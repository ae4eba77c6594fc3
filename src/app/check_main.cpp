// kestrane-check.exe: the command-line check over WMI.
#include <windows.h>
#include <shellapi.h>

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/check_command.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/wmi_disk_query.h"

namespace {

std::vector<std::string> Arguments() {
  int count = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; argv && i < count; ++i) args.push_back(kestrane::win32::Narrow(argv[i]));
  if (argv) ::LocalFree(argv);
  return args;
}

// UTF-8 as it stands into a pipe or file; UTF-16 through the console's own API on a console.
void Write(DWORD which, const std::string& text) {
  HANDLE h = ::GetStdHandle(which);
  if (h == nullptr || h == INVALID_HANDLE_VALUE || text.empty()) return;
  DWORD mode = 0;
  DWORD written = 0;
  if (::GetConsoleMode(h, &mode)) {
    std::wstring wide = kestrane::win32::Widen(text);
    ::WriteConsoleW(h, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  } else {
    ::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
}

}  // namespace

int main() {
  std::ostringstream out;
  std::ostringstream err;
  int code = kestrane::CheckMain(Arguments(), [] { return kestrane::win32::MakeWmiDiskQuery(); }, out, err);
  Write(STD_OUTPUT_HANDLE, out.str());
  Write(STD_ERROR_HANDLE, err.str());
  return code;
}
