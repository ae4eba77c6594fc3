// Which servers the exporter may be asked to check. Whoever reaches its port could otherwise have it
// query any server with the service account's rights, so only names from the --list files and names
// that match an --allow-target pattern pass, unless --allow-any-target lifts the rule.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/service_log.h"
#include "core/list_file.h"

namespace kestrane {

class AllowedTargets {
 public:
  using ReadFile = std::function<std::vector<std::uint8_t>(const std::string& path)>;
  struct Rules {
    std::vector<std::string> listFiles;
    std::vector<std::string> patterns;  // '*' and '?' without case, as --disk takes them
    bool any = false;
  };

  // Reads the list files now and throws, naming the file, when one cannot be read or names
  // something that is not a host name. Later a file is read again when `reread` has passed since
  // its last reading; while it cannot be read, none of its names is allowed.
  AllowedTargets(Rules rules, ReadFile readFile, AnsiDecoder ansi, std::chrono::milliseconds reread, ServiceLog log);

  // `target` must already be a host name.
  bool Allows(const std::string& target);

 private:
  struct List {
    std::string path;
    std::vector<std::uint8_t> bytes;
    std::set<std::string> names;  // without case
    bool readable = false;
  };
  void Read(List& list, bool starting);

  Rules rules_;
  ReadFile readFile_;
  AnsiDecoder ansi_;
  std::chrono::milliseconds reread_;
  ServiceLog log_;
  std::mutex mutex_;
  std::vector<List> lists_;
  std::chrono::steady_clock::time_point lastRead_;
};

}  // namespace kestrane
