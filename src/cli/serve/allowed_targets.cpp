#include "cli/serve/allowed_targets.h"

#include <stdexcept>

#include "cli/disk_selection.h"
#include "core/host_name.h"
#include "core/text_lines.h"
#include "core/utf8_text.h"

namespace kestrane {

AllowedTargets::AllowedTargets(Rules rules, ReadFile readFile, AnsiDecoder ansi, std::chrono::milliseconds reread,
                               ServiceLog log)
    : rules_(std::move(rules)), readFile_(std::move(readFile)), ansi_(std::move(ansi)), reread_(reread), log_(std::move(log)) {
  for (const std::string& path : rules_.listFiles) {
    lists_.push_back(List{path, {}, {}, false});
    Read(lists_.back(), true);
  }
  lastRead_ = std::chrono::steady_clock::now();
}

// The file as kestrane-check reads a --list: one name a line, blank lines skipped.
void AllowedTargets::Read(List& list, bool starting) {
  std::set<std::string> names;
  std::vector<std::uint8_t> bytes;
  try {
    bytes = readFile_(list.path);
    if (list.readable && bytes == list.bytes) return;
    for (const std::string& line : SplitLines(ListTextFromFile(bytes, ansi_))) {
      const std::string_view name = TrimBlanks(line);
      if (name.empty()) continue;
      if (!ClassifyHost(name)) throw std::invalid_argument(list.path + ": " + NotAHostMessage(name));
      names.insert(FoldCase(name));
    }
  } catch (const std::exception& e) {
    if (starting) throw;
    // Closed until the file can be read again: its old names may be the ones just taken out.
    if (list.readable) log_(LogEvent::Failure, std::string("Список разрешённых серверов не прочитан, его имена не проверяются: ") + e.what());
    list.readable = false;
    list.names.clear();
    return;
  }
  if (!starting) log_(LogEvent::Notice, "Список разрешённых серверов прочитан заново: " + list.path + ", имён: " + std::to_string(names.size()));
  list.bytes = std::move(bytes);
  list.names = std::move(names);
  list.readable = true;
}

bool AllowedTargets::Allows(const std::string& target) {
  if (rules_.any) return true;
  for (const std::string& pattern : rules_.patterns) {
    if (DiskMatches(pattern, target)) return true;
  }
  const std::string folded = FoldCase(target);
  std::lock_guard lock(mutex_);
  const auto now = std::chrono::steady_clock::now();
  if (now - lastRead_ >= reread_) {
    lastRead_ = now;
    for (List& list : lists_) Read(list, false);
  }
  for (const List& list : lists_) {
    if (list.names.count(folded)) return true;
  }
  return false;
}

}  // namespace kestrane
