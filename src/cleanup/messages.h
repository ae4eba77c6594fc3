// What the clean-up tells the operator when it stops or leaves something, each text stated once.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace kestrane {

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

// When something was found changed.
enum class Stage { Check, Deletion };

// The reasons, each naming its place.
std::string FolderUnchecked(const std::string& folder);  // it could not be listed, opened or held
std::string EntryUnchecked(const std::string& path);     // its own handle cannot tell what it is
std::string LinkNotRemoved(const std::string& path);
std::string LinkLeft(const std::string& folder);          // its removal said yes, and it is still listed
std::string MountedVolume(const std::string& path);
std::string LinkInPlace(const std::string& path);         // a link where something else was listed
std::string EntrySwapped(const std::string& path);
std::string FolderSwapped(const std::string& folder, Stage stage);

// What a row tells when it deletes nothing because its folder lies behind a link.
std::string FolderIsLinkNotice(const std::string& folder);
std::string PathThroughLinkNotice(const std::string& folder, const std::string& link);
std::string MountedVolumeNotice(const std::string& folder);
// The profiles' temp folders left alone because a link leads there.
std::string LinksSkippedNotice(const std::vector<std::string>& links);

}  // namespace kestrane
