#include "platform/win32/open_file_dialog_window.h"

#include <commdlg.h>

#include <cstdio>
#include <stdexcept>
#include <vector>

#include "platform/win32/wide_text.h"

namespace kestrane::win32 {

std::optional<std::string> SystemOpenFileDialog::Choose(const std::string& initialDir) {
  std::vector<wchar_t> name(32768, L'\0');  // long paths fit
  std::wstring folder = Widen(initialDir);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner_ ? owner_() : nullptr;
  ofn.lpstrFile = name.data();
  ofn.nMaxFile = static_cast<DWORD>(name.size());
  ofn.lpstrInitialDir = folder.c_str();
  // No filter, no title, no default extension; a name of a file that does not exist is returned
  // too. The working folder stays where it was.
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
  if (::GetOpenFileNameW(&ofn)) return Narrow(name.data());
  if (DWORD error = ::CommDlgExtendedError()) {
    char text[64];
    std::snprintf(text, sizeof text, "The open dialog failed (error %04lX)", static_cast<unsigned long>(error));
    throw std::runtime_error(text);
  }
  return std::nullopt;  // cancelled
}

}  // namespace kestrane::win32
