// Measuring and emptying folders on a server's administrative share, never through a link.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/folders.h"

namespace kestrane {

inline constexpr std::uint32_t kEveryEntry = 63;   // read-only, hidden, system, volume, directory, archive
inline constexpr std::uint32_t kFoldersAndFiles = 16;  // hidden, system and volume entries left out
inline constexpr char kProfileTemp[] = "AppData\\Local\\Temp";

// The folder with a trailing backslash added when it has none.
std::string WithBackslash(std::string folder);

// Lists the pattern, leaving out entries that carry one of the attributes hidden, system, volume
// or directory which the mask does not name. False when the listing cannot be opened.
bool ListMatching(FolderService& folders, const std::string& pattern, std::uint32_t mask,
                  const std::function<void(const FolderEntry&)>& each);

// A junction or a symbolic link (a reparse point whose tag is a name surrogate), or a reparse
// point whose kind is not told (Wine lists a link so): never entered, never counted.
bool IsLink(const FolderEntry& entry);

// How a folder is reached from a folder known to be real.
enum class Reach {
  Folder,   // every step is a real folder
  Missing,  // a step is not there, or is a file: there is nothing to count or delete
  Link,     // a step is a link: what lies behind it belongs to another place
  Unknown,  // a folder on the way could not be listed: nothing can be said
};
struct FolderReach {
  Reach reach = Reach::Folder;
  std::string where;  // Link: the link's path; Unknown: the folder that could not be listed
};

// Walks `steps` ("AppData\Local\Temp") down from `base`, looking each step up in its parent's
// listing, so that a link on the way is seen as the link it is.
FolderReach ReachBelow(FolderService& folders, const std::string& base, const std::string& steps);
// A folder on a share, "\\server\share\a\b\": every step below the share.
FolderReach ReachOnShare(FolderService& folders, const std::string& path);

// Adds the size of every file below the folder, at any depth, to `bytes`. Folders that cannot be
// listed add nothing; links add nothing and are not entered.
void AddFolderSize(FolderService& folders, const std::string& folder, std::int64_t& bytes);

// A clean-up step that could not be made safely. The reason names the place; the whole text adds
// whether files had gone before it stopped.
class CleanupRefused : public std::runtime_error {
 public:
  explicit CleanupRefused(const std::string& reason, bool deletedSome = false);
  const std::string& Reason() const { return reason_; }
  bool DeletedSome() const { return deletedSome_; }

 private:
  std::string reason_;
  bool deletedSome_;
};

// Removes every link below the folder, which is held as `hold`, as a link, then lists the folder
// again to make sure none is left. Every link is found through held folders, opened and checked
// before the first is removed. Throws CleanupRefused when a folder below cannot be listed or opened,
// a link cannot be removed (or is a mounted volume), something is not as listed, or a link is
// still there.
void RemoveLinksBelow(FolderService& folders, const std::string& folder, FolderHold& hold);

// Deletes everything below `folder`, which is held as `hold`, through a handle on each entry: an
// entry is opened as itself, must be what its listing said, and goes through that handle; a
// subfolder is held while what it holds is deleted, and goes last. A link met is removed as a link
// and never entered. What cannot be opened or deleted (in use, no right) stays. Stops with
// CleanupRefused when an entry or a folder is not what the listing said, or cannot be listed;
// `deletedSome` tells the caller whether anything had gone by then.
void DeleteFolderContent(FolderService& folders, const std::string& folder, FolderHold& hold, bool& deletedSome);

// One folder on a share (the rows but the profiles'): bytes, 0 when it is not a real folder.
std::int64_t MeasureShareFolder(FolderService& folders, const std::string& path);
// Checks the way to the folder and every link below it as things stand now, then empties it.
// Nothing is deleted when a check cannot be made (CleanupRefused) or the folder lies behind a
// link; the latter is returned as the text to tell the operator ("" when the folder was emptied).
std::string EmptyShareFolder(FolderService& folders, const std::string& path);

// The temp folders of every profile under the profile root "\\server\c$\users\": their bytes
// together; a profile that is a link, or whose temp folder lies behind one, adds nothing.
std::int64_t MeasureProfileTemps(FolderService& folders, const std::string& root);
// Every profile's temp folder is checked, and its links removed, before the first one is emptied:
// a refusal anywhere deletes nothing anywhere. Profiles behind a link are left alone and named in
// the returned text ("" when there were none).
std::string EmptyProfileTemps(FolderService& folders, const std::string& root);

// Bytes to whole megabytes, a value exactly halfway going to the even neighbour.
std::int64_t ToMegabytes(std::int64_t bytes);
// "512 MB"
std::string MegabyteFigure(std::int64_t megabytes);

}  // namespace kestrane
