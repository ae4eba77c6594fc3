#include "platform/win32/system_folders.h"

#include <winioctl.h>

#include <vector>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace kestrane::win32 {

namespace {

// The path in its extended-length form ("\\?\UNC\server\share\..."): not cut at MAX_PATH, so a
// deep temp tree is listed and emptied like any other, and taken as written (the walk never makes
// "." or ".." steps, and leaves names the system would trim alone).
std::wstring ExtendedPath(const std::string& path) {
  const std::wstring wide = Widen(path);
  if (wide.rfind(L"\\\\?\\", 0) == 0) return wide;
  if (wide.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + wide.substr(2);
  if (wide.size() >= 3 && wide[1] == L':' && wide[2] == L'\\') return L"\\\\?\\" + wide;
  return wide;
}

// The volume and file index of an open file: what a path leads to, whatever its name.
bool IdentityOf(HANDLE file, BY_HANDLE_FILE_INFORMATION& info) { return ::GetFileInformationByHandle(file, &info) != FALSE; }

// A junction and a folder where a volume is mounted carry the same tag; only the target tells them
// apart: a volume's is "\??\Volume{...}\". False with `known` false when the data cannot be read.
bool MountsAVolume(HANDLE folder, bool& known) {
  std::vector<BYTE> data(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
  DWORD size = 0;
  known = ::DeviceIoControl(folder, FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(), static_cast<DWORD>(data.size()),
                            &size, nullptr) != FALSE &&
          size >= 16;
  if (!known) return false;
  // The mount point's data: tag, length, reserved, then the substitute name's offset and length
  // (bytes, from the path buffer at 16).
  const WORD offset = static_cast<WORD>(data[8] | data[9] << 8), length = static_cast<WORD>(data[10] | data[11] << 8);
  if (16u + offset + length > size) {
    known = false;
    return false;
  }
  const std::wstring target(reinterpret_cast<const wchar_t*>(data.data() + 16 + offset), length / sizeof(wchar_t));
  return target.rfind(L"\\??\\Volume{", 0) == 0;
}

// A listed entry as the system gives it.
FolderEntry EntryOf(const std::wstring& name, DWORD attributes, DWORD reparseTag, std::uint64_t size) {
  FolderEntry entry;
  entry.name = Narrow(name);
  entry.attributes = attributes;
  entry.reparseTag = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? reparseTag : 0;
  if (Widen(entry.name) != name) {
    // A name UTF-8 cannot carry (a lone surrogate) cannot be named again: taken for a link, it is
    // neither entered nor counted, and a row holding it deletes nothing.
    entry.attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    entry.reparseTag = 0;
  }
  entry.sizeHigh = static_cast<std::uint32_t>(size >> 32);
  entry.sizeLow = static_cast<std::uint32_t>(size);
  return entry;
}

EntryKind KindOf(HANDLE entry) {
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!::GetFileInformationByHandleEx(entry, FileAttributeTagInfo, &tag, sizeof tag)) return EntryKind::Unknown;
  const bool folder = (tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  // A reparse point of another kind (deduplicated, offline) is the entry itself.
  if (!(tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || !IsReparseTagNameSurrogate(tag.ReparseTag)) {
    return folder ? EntryKind::Folder : EntryKind::File;
  }
  if (tag.ReparseTag != IO_REPARSE_TAG_MOUNT_POINT) return EntryKind::Link;
  bool known = false;
  const bool volume = MountsAVolume(entry, known);
  if (!known) return EntryKind::Unknown;
  return volume ? EntryKind::MountedVolume : EntryKind::Link;
}

// The open file's own path with its volume, as opened ("\\?\UNC\server\share\..."); "" when it
// cannot be read. FILE_NAME_OPENED: a normalized name would be asked of an SMB server part by part.
std::string NameOf(HANDLE file) {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetFinalPathNameByHandleW(file, name.data(), static_cast<DWORD>(name.size()),
                                                     FILE_NAME_OPENED | VOLUME_NAME_DOS);
    if (length == 0) return "";
    if (length < name.size()) {
      name.resize(length);
      break;
    }
    name.resize(length);  // the size asked for, with the terminating null
  }
  const std::string narrow = Narrow(name);
  return Widen(narrow) == name ? narrow : "";  // a name UTF-8 cannot carry cannot be compared
}

// Every entry of the directory open as `folder`, read through the handle in batches; the restart
// class begins at its start.
bool ListThrough(HANDLE folder, const std::function<void(const FolderEntry&)>& each) {
  std::vector<ULONGLONG> buffer(8192);
  FILE_INFO_BY_HANDLE_CLASS batch = FileIdBothDirectoryRestartInfo;
  while (::GetFileInformationByHandleEx(folder, batch, buffer.data(), static_cast<DWORD>(buffer.size() * sizeof(ULONGLONG)))) {
    batch = FileIdBothDirectoryInfo;
    const BYTE* at = reinterpret_cast<const BYTE*>(buffer.data());
    for (;;) {
      const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
      // With a reparse point, EaSize holds its tag.
      each(EntryOf(std::wstring(info->FileName, info->FileNameLength / sizeof(wchar_t)), info->FileAttributes,
                   info->EaSize, static_cast<std::uint64_t>(info->EndOfFile.QuadPart)));
      if (info->NextEntryOffset == 0) break;
      at += info->NextEntryOffset;
    }
  }
  return ::GetLastError() == ERROR_NO_MORE_FILES;
}

// What a held folder and a held entry tell of themselves, through the handle that holds them.
template <typename Base>
class HeldThroughHandle : public Base {
 public:
  bool StillAFolder() override { return KindOf(handle_.get()) == EntryKind::Folder; }
  std::string Name() override { return NameOf(handle_.get()); }
  bool List(const std::function<void(const FolderEntry&)>& each) override { return ListThrough(handle_.get(), each); }

 protected:
  explicit HeldThroughHandle(UniqueFile handle) : handle_(std::move(handle)) {}
  HANDLE Handle() const { return handle_.get(); }

 private:
  UniqueFile handle_;
};

class SystemHold : public HeldThroughHandle<FolderHold> {
 public:
  SystemHold(UniqueFile folder, std::wstring path, const BY_HANDLE_FILE_INFORMATION& identity)
      : HeldThroughHandle(std::move(folder)), path_(std::move(path)), identity_(identity) {}
  bool StillThere() override {
    UniqueFile now(::CreateFileW(path_.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    return now && IdentityOf(now.get(), info) && info.dwVolumeSerialNumber == identity_.dwVolumeSerialNumber &&
           info.nFileIndexHigh == identity_.nFileIndexHigh && info.nFileIndexLow == identity_.nFileIndexLow;
  }

 private:
  std::wstring path_;
  BY_HANDLE_FILE_INFORMATION identity_;
};

// The name without the dots and blanks it ends in.
std::string WithoutClosingDots(std::string name) {
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  return name;
}

class SystemEntry : public HeldThroughHandle<HeldEntry> {
 public:
  // `name`: its name in its folder, as it was opened.
  SystemEntry(UniqueFile entry, std::string name) : HeldThroughHandle(std::move(entry)), name_(std::move(name)) {}
  EntryKind Kind() override { return KindOf(Handle()); }
  std::string Name() override {
    const std::string own = HeldThroughHandle::Name();
    // Wine names an entry whose name ends in dots or blanks without them; so named, it cannot be
    // told from a twin without them, or from what a link of that name leads to.
    const std::string trimmed = WithoutClosingDots(name_);
    return trimmed != name_ && own.ends_with('\\' + trimmed) ? "" : own;
  }
  bool MarkDeleted(bool deleted) override {
    if (Mark(deleted)) return true;
    if (!deleted) return false;
    // A read-only entry cannot be marked (the shell's delete clears the attribute too); the
    // attribute comes back when the mark still fails.
    FILE_BASIC_INFO basic{};  // times left at 0: unchanged
    if (!::GetFileInformationByHandleEx(Handle(), FileBasicInfo, &basic, sizeof basic) ||
        !(basic.FileAttributes & FILE_ATTRIBUTE_READONLY)) {
      return false;
    }
    FILE_BASIC_INFO writable{};
    writable.FileAttributes = basic.FileAttributes & ~FILE_ATTRIBUTE_READONLY;
    if (writable.FileAttributes == 0) writable.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (!::SetFileInformationByHandle(Handle(), FileBasicInfo, &writable, sizeof writable)) return false;
    if (Mark(true)) return true;
    FILE_BASIC_INFO back{};
    back.FileAttributes = basic.FileAttributes;
    ::SetFileInformationByHandle(Handle(), FileBasicInfo, &back, sizeof back);
    return false;
  }

 private:
  bool Mark(bool deleted) {
    FILE_DISPOSITION_INFO disposition{static_cast<BOOLEAN>(deleted)};
    // The entry goes when this handle, the last one on it, closes.
    return ::SetFileInformationByHandle(Handle(), FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
  }

  std::string name_;
};

}  // namespace

bool SystemFolders::List(const std::string& pattern, const std::function<void(const FolderEntry&)>& each) {
  WIN32_FIND_DATAW data{};
  // Unicode names: a profile folder named in Cyrillic is found like any other.
  UniqueFind find(::FindFirstFileExW(ExtendedPath(pattern).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH));
  if (!find) return false;
  do {
    // dwReserved0 holds the reparse tag of a reparse point.
    each(EntryOf(data.cFileName, data.dwFileAttributes, data.dwReserved0,
                 (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow));  // closed also when this throws
  } while (::FindNextFileW(find.get(), &data));
  // Anything but the listing's end is a listing broken off: what followed was never seen.
  return ::GetLastError() == ERROR_NO_MORE_FILES;
}

std::unique_ptr<HeldEntry> SystemFolders::OpenEntry(const std::string& path) {
  // The entry itself is opened (FILE_FLAG_OPEN_REPARSE_POINT): a link's target is never opened.
  // Without FILE_SHARE_DELETE nobody can rename, move or delete it while it is open. Everything it
  // may take is asked first (to delete, to list a folder, to clear read-only), then less: a file
  // another program reads may still go, a folder that may not be deleted may still be emptied.
  const std::wstring name = ExtendedPath(path);
  constexpr DWORD kAttributes = FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;
  for (DWORD access : {DWORD{DELETE | FILE_LIST_DIRECTORY | kAttributes}, DWORD{DELETE | kAttributes},
                       DWORD{DELETE | FILE_READ_ATTRIBUTES}, DWORD{FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES}}) {
    UniqueFile entry(::CreateFileW(name.c_str(), access | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (entry) return std::make_unique<SystemEntry>(std::move(entry), path.substr(path.rfind('\\') + 1));
    const DWORD error = ::GetLastError();
    if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) break;
  }
  return nullptr;
}

std::unique_ptr<FolderHold> SystemFolders::Hold(const std::string& folder) {
  // Without FILE_SHARE_DELETE nobody can rename, move or delete the folder while it is open. Only an
  // open that asks for data access takes part in sharing, hence FILE_LIST_DIRECTORY. The folder
  // itself is opened (FILE_FLAG_OPEN_REPARSE_POINT), so a junction in its place shows as one.
  std::wstring path = ExtendedPath(folder);
  UniqueFile held(::CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!held) return nullptr;
  BY_HANDLE_FILE_INFORMATION identity{};
  if (KindOf(held.get()) != EntryKind::Folder || !IdentityOf(held.get(), identity)) return nullptr;
  return std::make_unique<SystemHold>(std::move(held), std::move(path), identity);
}

}  // namespace kestrane::win32
