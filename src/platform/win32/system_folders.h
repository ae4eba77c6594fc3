// Folder listing (FindFirstFileExW), and entries opened as themselves and deleted through their
// own handles, on Windows.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

#include <functional>

#include "platform/folders.h"

namespace kestrane::win32 {

class SystemFolders : public FolderService {
 public:
  bool List(const std::string& pattern, const std::function<void(const FolderEntry&)>& each) override;
  std::unique_ptr<HeldEntry> OpenEntry(const std::string& path) override;
  std::unique_ptr<FolderHold> Hold(const std::string& folder) override;
};

}  // namespace kestrane::win32
