#include "cleanup/folder_deletion.h"

#include <memory>

#include "cleanup/held_walk.h"
#include "cleanup/link_sweep.h"
#include "cleanup/messages.h"

namespace kestrane {
namespace {

// Every entry goes as met, a folder once emptied; what cannot be opened stays.
class ContentDeletion : public HeldWalk {
 public:
  explicit ContentDeletion(bool& deletedSome) : deletedSome_(deletedSome) {}

 protected:
  bool Opens(const FolderEntry&) override { return true; }
  void Unopened(const FolderEntry&, const std::string&) override {}
  void Met(std::unique_ptr<HeldEntry> entry, const std::string&) override { Delete(*entry); }
  void Left(std::unique_ptr<HeldEntry> folder) override { Delete(*folder); }
  bool DeletedSome() const override { return deletedSome_; }

 private:
  // A file, a link as a link, or an emptied folder: it goes as its handle closes.
  void Delete(HeldEntry& entry) {
    if (entry.MarkDeleted(true)) deletedSome_ = true;
  }
  bool& deletedSome_;
};

void DeleteContent(FolderService& folders, const std::string& folder, FolderHold& hold, bool& deletedSome) {
  ContentDeletion(deletedSome).Run(folders, folder, hold);
  // What could not be opened was left without a word (a file in use); if the folder's path no longer
  // leads to it, that was everything behind it, and the deletion did not do what it says.
  if (!hold.StillThere()) throw CleanupRefused(FolderSwapped(folder, Stage::Deletion), deletedSome);
}

}  // namespace

void EmptyFolders(FolderService& folders, HeldWay& way, const std::vector<std::string>& targets) {
  for (const std::string& target : targets) way.Hold(target);
  for (const std::string& target : targets) RemoveLinksBelow(folders, target, way.Of(target));
  way.CheckUnchanged(targets);
  bool deletedSome = false;
  try {
    for (const std::string& target : targets) DeleteContent(folders, target, way.Of(target), deletedSome);
  } catch (const CleanupRefused&) {
    throw;
  } catch (const std::exception& error) {
    // Any other failure once files have gone must not be shown as a deletion that never began.
    if (!deletedSome) throw;
    std::string reason = error.what();
    if (reason.empty() || reason.back() != '.') reason += '.';
    throw CleanupRefused(reason, true);
  }
}

}  // namespace kestrane
