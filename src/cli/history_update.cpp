#include "cli/history_update.h"

#include <stdexcept>

#include "platform/files.h"

namespace kestrane {
namespace {

// FILE.bad-20240501T101500Z, or with -2, -3... when that is taken.
std::string SetAside(const std::string& path, std::int64_t now) {
  std::string stamp = UtcText(now);
  std::erase_if(stamp, [](char c) { return c == '-' || c == ':'; });
  const std::string base = path + ".bad-" + stamp;
  for (int n = 1; n <= 100; ++n) {
    const std::string name = n == 1 ? base : base + "-" + std::to_string(n);
    if (RenameIfFree(path, name)) return name;
  }
  throw std::runtime_error("Cannot rename file \"" + path + "\": every name " + base + "-N is taken.");
}

}  // namespace

UpdatedHistory UpdateHistory(const std::string& path, const std::vector<HistoryReading>& readings, std::int64_t now,
                             std::chrono::milliseconds lockWait) {
  FileLock lock(path + ".lock", lockWait);
  UpdatedHistory updated;
  std::string damage;
  if (const std::optional<FileView> file = FileView::Open(path)) {
    try {
      updated.history = History::Parse(file->Text());
    } catch (const HistoryFormatError& e) {
      damage = e.what();
    }
  }  // closed: a file in view cannot be renamed on Windows
  if (!damage.empty()) {
    const std::string name = SetAside(path, now);
    updated.notice = "Файл истории \"" + path + "\" не читается как история kestrane-check (" + damage +
                     "); он сохранён как \"" + name + "\", начата новая история.\n";
  }
  for (const HistoryReading& r : readings) updated.history.Add(r.server, r.disk, r.sample);
  updated.history.Trim(now);
  try {
    ReplaceFileAtomically(path, updated.history.Text());
  } catch (const std::exception& e) {
    throw std::runtime_error(updated.notice + e.what());  // a file set aside is still told of
  }
  return updated;
}

}  // namespace kestrane
