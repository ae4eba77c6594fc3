#include "platform/win32/system_folders.h"

#include <shellapi.h>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace kestrane::win32 {

namespace {

// The volume and file index of an open file: what a path leads to, whatever its name.
bool IdentityOf(HANDLE file, BY_HANDLE_FILE_INFORMATION& info) { return ::GetFileInformationByHandle(file, &info) != FALSE; }

class SystemHold : public FolderHold {
 public:
  SystemHold(UniqueFile folder, std::wstring path, const BY_HANDLE_FILE_INFORMATION& identity)
      : folder_(std::move(folder)), path_(std::move(path)), identity_(identity) {}
  bool StillThere() override {
    UniqueFile now(::CreateFileW(path_.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    return now && IdentityOf(now.get(), info) && info.dwVolumeSerialNumber == identity_.dwVolumeSerialNumber &&
           info.nFileIndexHigh == identity_.nFileIndexHigh && info.nFileIndexLow == identity_.nFileIndexLow;
  }

 private:
  UniqueFile folder_;
  std::wstring path_;
  BY_HANDLE_FILE_INFORMATION identity_;
};

}  // namespace

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
    if (Widen(entry.name) != data.cFileName) {
      // A name UTF-8 cannot carry (a lone surrogate) cannot be named again: taken for a link, it is
      // neither entered nor counted, and a row holding it deletes nothing.
      entry.attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
      entry.reparseTag = 0;
    }
    entry.sizeHigh = data.nFileSizeHigh;
    entry.sizeLow = data.nFileSizeLow;
    each(entry);  // the listing is closed also when this throws
  } while (::FindNextFileW(find.get(), &data));
  // Anything but the listing's end is a listing broken off: what followed was never seen.
  return ::GetLastError() == ERROR_NO_MORE_FILES;
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

std::unique_ptr<FolderHold> SystemFolders::Hold(const std::string& folder) {
  // Without FILE_SHARE_DELETE nobody can rename, move or delete the folder while it is open. Only an
  // open that asks for data access takes part in sharing, hence FILE_LIST_DIRECTORY. The folder
  // itself is opened (FILE_FLAG_OPEN_REPARSE_POINT), so a junction in its place shows as one.
  std::wstring path = Widen(folder);
  UniqueFile held(::CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!held) return nullptr;
  FILE_ATTRIBUTE_TAG_INFO tag{};
  BY_HANDLE_FILE_INFORMATION identity{};
  if (!::GetFileInformationByHandleEx(held.get(), FileAttributeTagInfo, &tag, sizeof tag) ||
      !(tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
      !IdentityOf(held.get(), identity)) {
    return nullptr;
  }
  return std::make_unique<SystemHold>(std::move(held), std::move(path), identity);
}

}  // namespace kestrane::win32
