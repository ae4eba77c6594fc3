// Folder listing (FindFirstFileExW), link removal through a handle on the link itself, and the
// shell's deletion (SHFileOperationW) on Windows.
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
  // `owner` gives the window the shell's deletion belongs to.
  explicit SystemFolders(std::function<HWND()> owner) : owner_(std::move(owner)) {}
  bool List(const std::string& pattern, const std::function<void(const FolderEntry&)>& each) override;
  void DeleteContent(const std::string& folder, const std::string& mask) override;
  bool RemoveLink(const std::string& path, bool directory) override;
  std::unique_ptr<FolderHold> Hold(const std::string& folder) override;

 private:
  std::function<HWND()> owner_;
};

}  // namespace kestrane::win32
