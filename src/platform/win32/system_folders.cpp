#include "platform/win32/system_folders.h"

#include <shellapi.h>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace kestrane::win32 {

bool SystemFolders::List(const std::string& pattern, const std::function<void(const FolderEntry&)>& each) {
  WIN32_FIND_DATAW data{};
  // Unicode names: a profile folder named in Cyrillic is found like any other.
  UniqueFind find(::FindFirstFileExW(Widen(pattern).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH));
  if (!find) return false;
  do {
    FolderEntry entry;
    entry.name = Narrow(data.cFileName);
    entry.attributes = data.dwFileAttributes;
    // dwReserved0 holds the reparse tag of a reparse point.
    entry.reparseTag = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? data.dwReserved0 : 0;
    entry.sizeHigh = data.nFileSizeHigh;
    entry.sizeLow = data.nFileSizeLow;
    each(entry);  // the listing is closed also when this throws
  } while (::FindNextFileW(find.get(), &data));
  return true;
}

void SystemFolders::DeleteContent(const std::string& folder, const std::string& mask) {
  // A list of one pattern: the text and a second terminating NUL.
  std::wstring from = Widen(folder + "\\" + mask);
  from.push_back(L'\0');
  SHFILEOPSTRUCTW operation{};
  operation.hwnd = owner_ ? owner_() : nullptr;
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  // FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI: permanently, no window.
  operation.fFlags = 0x0614;
  ::SHFileOperationW(&operation);  // what stays shows in the size measured next
}

bool SystemFolders::RemoveLink(const std::string& path, bool directory) {
  // On a junction or a symbolic link these remove the link itself, never its target.
  std::wstring wide = Widen(path);
  return directory ? ::RemoveDirectoryW(wide.c_str()) != FALSE : ::DeleteFileW(wide.c_str()) != FALSE;
}

}  // namespace kestrane::win32
