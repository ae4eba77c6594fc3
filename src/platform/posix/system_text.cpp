// The user and text services on a POSIX system (native builds and tests): the system's text is
// UTF-8, and there is no Windows domain.
#include <unistd.h>

#include "core/utf8_text.h"
#include "platform/ansi_text.h"
#include "platform/user_name.h"

namespace kestrane {

std::string AnsiToUtf8(std::string_view bytes) { return ValidUtf8(bytes); }

std::string CurrentUserName(int) { return ""; }

std::string LocalComputerName() {
  char name[256] = {};
  return ::gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string("localhost");
}

std::vector<std::string> LocalComputerNames() { return {LocalComputerName()}; }

}  // namespace kestrane
