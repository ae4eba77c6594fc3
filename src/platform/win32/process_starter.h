// Starts programs of the system folder with CreateProcessW.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include "platform/process_start.h"

namespace kestrane::win32 {

class SystemProcessStarter : public ProcessStarter {
 public:
  bool Start(const std::string& commandLine, int showCommand) override;
};

// The full path of the program a command line names first, in the system folder ("mstsc.exe",
// "shutdown" as shutdown.exe); "" when the name is not a plain file name.
std::wstring SystemProgramPath(const std::wstring& commandLine);

}  // namespace kestrane::win32
