// The system's ANSI text and the user's name on Windows.
#include <windows.h>
#define SECURITY_WIN32
#include <secext.h>

#include "platform/ansi_text.h"
#include "platform/user_name.h"
#include "platform/win32/wide_text.h"

namespace kestrane {

std::string AnsiToUtf8(std::string_view bytes) {
  if (bytes.empty()) return {};
  int n = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
  return win32::Narrow(wide);
}

std::string CurrentUserName(int format) {
  char buffer[250] = {};
  ULONG size = sizeof buffer;
  // A local account or a computer outside any domain has no such name: the empty text then.
  if (!::GetUserNameExA(static_cast<EXTENDED_NAME_FORMAT>(format), buffer, &size)) return "";
  return AnsiToUtf8(std::string_view(buffer, ::lstrlenA(buffer)));
}

std::string LocalComputerName() {
  wchar_t name[256] = {};
  DWORD size = 256;
  if (!::GetComputerNameExW(ComputerNameDnsHostname, name, &size)) return "localhost";
  return win32::Narrow(std::wstring_view(name, size));
}

std::vector<std::string> LocalComputerNames() {
  std::vector<std::string> names;
  for (COMPUTER_NAME_FORMAT format : {ComputerNameNetBIOS, ComputerNameDnsHostname, ComputerNameDnsFullyQualified}) {
    wchar_t name[256] = {};
    DWORD size = 256;
    if (::GetComputerNameExW(format, name, &size) && size > 0) names.push_back(win32::Narrow(std::wstring_view(name, size)));
  }
  return names;
}

}  // namespace kestrane
