#include "cleanup/share_path.h"

namespace kestrane {

std::string WithBackslash(std::string folder) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

std::string WithoutBackslash(std::string folder) {
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder;
}

std::vector<std::string> Steps(const std::string& steps) {
  std::vector<std::string> out;
  std::string part;
  for (char c : steps + '\\') {
    if (c != '\\') {
      part += c;
    } else if (!part.empty()) {
      out.push_back(part);
      part.clear();
    }
  }
  return out;
}

bool SplitShare(const std::string& path, std::string& share, std::string& steps) {
  const std::size_t server = path.rfind("\\\\", 0) == 0 ? path.find('\\', 2) : std::string::npos;
  const std::size_t end = server == std::string::npos ? std::string::npos : path.find('\\', server + 1);
  if (end == std::string::npos) return false;
  share = path.substr(0, end);
  steps = path.substr(end + 1);
  return true;
}

}  // namespace kestrane
