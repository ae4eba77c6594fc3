// A walk below a held folder through handles, for what deletes: the link sweep and the deletion.
#pragma once

#include <memory>
#include <string>

#include "platform/folders.h"

namespace kestrane {

// Each folder is held while it is walked and listed through its own handle: what is listed is what
// is held, wherever its path leads by now. Each entry is opened by its path as itself and must be,
// by its own handle, what its folder listed, in a folder still real; anything else stops the walk
// with CleanupRefused. Files and links are met while their folder is listed, so only subfolders
// wait; a subfolder is left once everything in it is done. No recursion: no depth of folders
// exhausts the stack.
class HeldWalk {
 public:
  virtual ~HeldWalk() = default;
  // Walks below `folder`, which is held as `hold`.
  void Run(FolderService& folders, const std::string& folder, FolderHold& hold);

 protected:
  // Whether a file or a link like `entry` is opened and met; a subfolder always is, to be walked.
  virtual bool Opens(const FolderEntry& entry) = 0;
  // An entry that could not be opened (gone, in use, no right): left, unless this stops the walk.
  virtual void Unopened(const FolderEntry& entry, const std::string& path) = 0;
  // A file or a link, opened and checked.
  virtual void Met(std::unique_ptr<HeldEntry> entry, const std::string& path) = 0;
  // A subfolder, still held, once everything in it is done.
  virtual void Left(std::unique_ptr<HeldEntry>) {}
  // Whether files have gone by now, for a refusal to say.
  virtual bool DeletedSome() const { return false; }
  [[noreturn]] void Stop(const std::string& reason) const;

 private:
  struct Level;
  Held& Of(const Level& level) const;
  Level Enter(FolderService& folders, const std::string& path, std::string name, std::unique_ptr<HeldEntry> held);
  std::unique_ptr<HeldEntry> OpenAsListed(FolderService& folders, const Level& folder, const FolderEntry& listed);

  FolderHold* row_ = nullptr;  // the row's own folder, held by the caller
};

}  // namespace kestrane
