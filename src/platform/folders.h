// Folder listing and the shell's deletion, on a server's administrative share.
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

// A folder held open so that it cannot be renamed, moved or deleted while it is held (on Windows:
// opened without sharing delete access).
class FolderHold {
 public:
  virtual ~FolderHold() = default;
  // Whether its path still leads to the folder that is held.
  virtual bool StillThere() = 0;
};

class FolderService {
 public:
  virtual ~FolderService() = default;
  // Every entry of the listing of `pattern` (a folder with "\*.*"), "." and ".." included, in the
  // system's order. False when the listing cannot be opened or breaks off before its end (some
  // entries may have been given by then).
  virtual bool List(const std::string& pattern, const std::function<void(const FolderEntry&)>& each) = 0;
  // Asks the shell to delete, permanently and without any window, every entry of `folder` that
  // matches `mask` ("*.*"). What it cannot delete stays; nothing is reported.
  virtual void DeleteContent(const std::string& folder, const std::string& mask) = 0;
  // Removes a link itself, never what it points to. False when it could not, or when `path` is not
  // (or no longer) a junction or symbolic link of the kind `directory` says.
  virtual bool RemoveLink(const std::string& path, bool directory) = 0;
  // Holds the folder itself; null when it cannot be held or is not a real folder (a link, a file).
  virtual std::unique_ptr<FolderHold> Hold(const std::string& folder) = 0;
};

}  // namespace kestrane
