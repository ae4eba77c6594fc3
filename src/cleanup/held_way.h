// The folders on the way to those about to be emptied, held from before the links below them are
// swept until the deletion has run: none of them can be swapped for a link meanwhile.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/folders.h"

namespace kestrane {

class HeldWay {
 public:
  explicit HeldWay(FolderService& folders) : folders_(folders) {}
  // Holds every folder below the share down to `path`.
  void Hold(const std::string& path);
  // Right before the delete: every folder is still reached without a link, and is the one held.
  void CheckUnchanged(const std::vector<std::string>& folders);
  // The hold on a folder given to Hold.
  FolderHold& Of(const std::string& path);

 private:
  FolderService& folders_;
  std::map<std::string, std::unique_ptr<FolderHold>> held_;
};

}  // namespace kestrane
