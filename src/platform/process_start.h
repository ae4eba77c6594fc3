// Starting the system's own programs (the Remote Desktop client, the shutdown tool).
#pragma once

#include <string>

namespace kestrane {

inline constexpr int kShowNormal = 1;

class ProcessStarter {
 public:
  virtual ~ProcessStarter() = default;
  // Starts the command line with the show command and returns at once; false when it could not be
  // started. The program it names first is the one in the system folder, never one found through
  // the search path (the program's folder or the working folder could hold another).
  virtual bool Start(const std::string& commandLine, int showCommand) = 0;
};

}  // namespace kestrane
