// Folder listing, and deletion through a handle on each entry, on a server's administrative share.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kestrane {

// The attribute flags of a listed entry, as the system gives them.
namespace attributes {
inline constexpr std::uint32_t kReadOnly = 0x1, kHidden = 0x2, kSystem = 0x4, kVolume = 0x8, kDirectory = 0x10,
                               kArchive = 0x20, kReparsePoint = 0x400;
}  // namespace attributes

struct FolderEntry {
  std::string name;
  std::uint32_t attributes = 0;
  std::uint32_t reparseTag = 0;  // with kReparsePoint: what kind of reparse point
  std::uint32_t sizeHigh = 0, sizeLow = 0;
  std::int64_t Size() const { return static_cast<std::int64_t>((std::uint64_t{sizeHigh} << 32) | sizeLow); }
};

// Something held open so that it cannot be renamed, moved or deleted while it is held (on Windows:
// opened without sharing delete access), as its own handle tells of it.
class Held {
 public:
  virtual ~Held() = default;
  // Whether it is still a folder and no link.
  virtual bool StillAFolder() = 0;
  // Its own path with its volume, as it was opened ("" when that cannot be read, or when it would
  // not tell this entry from another): for an entry opened in a held folder, that folder's Name, a
  // backslash and the entry's name, exactly — unless what was opened is what a link leads to.
  virtual std::string Name() = 0;
  // Every entry of the held folder, "." and ".." included, read through its handle (no path is
  // followed). False when it is no folder, cannot be read, or the listing breaks off.
  virtual bool List(const std::function<void(const FolderEntry&)>& each) = 0;
};

// A folder held by its path.
class FolderHold : public Held {
 public:
  // Whether its path still leads to the folder that is held.
  virtual bool StillThere() = 0;
};

// What an entry opened as itself is, as its own handle tells.
enum class EntryKind {
  File,
  Folder,
  Link,           // a junction or symbolic link: removing it leaves what it points to alone
  MountedVolume,  // a folder where a volume is mounted: removing it would unmount the volume
  Unknown,        // it could not be told
};

// An entry opened as itself (a link is not followed) and held: while it is open nobody can rename,
// move or delete it, and deleting it goes through this handle, so what goes is the object that was
// opened and checked, whatever its name leads to by then.
class HeldEntry : public Held {
 public:
  virtual EntryKind Kind() = 0;
  // Marks the entry to go when it is closed (true), or takes the mark back (false). False when it
  // cannot: a folder that is not empty, a file in use, no right to delete it.
  virtual bool MarkDeleted(bool deleted) = 0;
};

class FolderService {
 public:
  virtual ~FolderService() = default;
  // Every entry of the listing of `pattern` (a folder with "\*.*"), "." and ".." included, in the
  // system's order. False when the listing cannot be opened or breaks off before its end (some
  // entries may have been given by then).
  virtual bool List(const std::string& pattern, const std::function<void(const FolderEntry&)>& each) = 0;
  // Opens the entry itself, never what a link points to; null when it cannot be opened (gone, in
  // use, no right).
  virtual std::unique_ptr<HeldEntry> OpenEntry(const std::string& path) = 0;
  // Holds the folder itself; null when it cannot be held or is not a real folder (a link, a file).
  virtual std::unique_ptr<FolderHold> Hold(const std::string& folder) = 0;
};

}  // namespace kestrane
