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
  // The link itself is opened (FILE_FLAG_OPEN_REPARSE_POINT), checked through that handle to be a
  // junction or symbolic link, and deleted through it: whatever it points to is never opened, and a
  // link swapped for a real folder since it was listed is not deleted. Wine opens the target
  // instead and shows no reparse point on the handle, so there nothing is removed.
  UniqueFile link(::CreateFileW(Widen(path).c_str(), DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!link) return false;
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!::GetFileInformationByHandleEx(link.get(), FileAttributeTagInfo, &tag, sizeof tag)) return false;
  if (!(tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || !IsReparseTagNameSurrogate(tag.ReparseTag)) return false;
  if (((tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != directory) return false;
  FILE_DISPOSITION_INFO disposition{TRUE};
  // Deleted when the handle closes, which the owner does on return.
  return ::SetFileInformationByHandle(link.get(), FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

}  // namespace kestrane::win32
