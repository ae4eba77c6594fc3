// The file services on Windows: wide paths, the system's own error texts.
#include <windows.h>

#include <stdexcept>

#include "platform/files.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace kestrane {
namespace {

std::string FullPath(const std::wstring& path) {
  wchar_t buffer[MAX_PATH * 4];
  DWORD n = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(std::size(buffer)), buffer, nullptr);
  return win32::Narrow(n && n < std::size(buffer) ? std::wstring(buffer, n) : path);
}

}  // namespace

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  std::wstring wide = win32::Widen(path);
  auto fail = [&](DWORD error) -> std::vector<std::uint8_t> {
    throw std::runtime_error("Cannot open file \"" + FullPath(wide) + "\". " + win32::SystemErrorText(error));
  };
  win32::UniqueFile file(::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return fail(::GetLastError());
  std::vector<std::uint8_t> bytes;
  std::uint8_t buffer[65536];
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr)) return fail(::GetLastError());
    if (n == 0) break;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  return bytes;
}

void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::wstring wide = win32::Widen(path);
  win32::UniqueFile file(
      ::CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!file || !::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
    throw std::runtime_error("Cannot create file \"" + FullPath(wide) + "\". " + win32::SystemErrorText(::GetLastError()));
  }
}

void ReplaceFileAtomically(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".tmp-" + std::to_string(::GetCurrentProcessId());
  WriteWholeFile(temporary, std::vector<std::uint8_t>(text.begin(), text.end()));
  // The rename within one folder replaces the file whole; the data is on disk before it.
  if (!::MoveFileExW(win32::Widen(temporary).c_str(), win32::Widen(path).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DWORD error = ::GetLastError();
    ::DeleteFileW(win32::Widen(temporary).c_str());
    throw std::runtime_error("Cannot create file \"" + FullPath(win32::Widen(path)) + "\". " +
                             win32::SystemErrorText(error));
  }
}

std::string ProgramFolder() {
  wchar_t buffer[MAX_PATH * 4];
  DWORD n = ::GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
  std::wstring exe(buffer, n);
  return win32::Narrow(exe.substr(0, exe.find_last_of(L"\\/")));
}

}  // namespace kestrane
