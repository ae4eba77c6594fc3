#include "core/reachability.h"

#include <exception>

#include "core/errors.h"
#include "core/host_name.h"
#include "core/utf8_text.h"

namespace kestrane {
namespace {

bool IsLoopbackIPv4(std::string_view name) {
  return ClassifyHost(name) == HostKind::IPv4 && name.substr(0, 4) == "127.";
}

// ::1 however it is written (::1, 0:0:0:0:0:0:0:1, ::0001): every group 0 but a last one of 1.
bool IsLoopbackIPv6(std::string_view name) {
  if (ClassifyHost(name) != HostKind::IPv6 || name.find('.') != std::string_view::npos) return false;
  const std::string_view last = name.substr(name.rfind(':') + 1);
  if (last.empty() || last.find_first_not_of('0') == std::string_view::npos) return false;
  if (last.substr(last.find_first_not_of('0')) != "1") return false;
  for (char c : name.substr(0, name.rfind(':'))) {
    if (c != '0' && c != ':') return false;
  }
  return true;
}

std::string WithoutClosingDot(std::string_view name) {
  if (!name.empty() && name.back() == '.') name.remove_suffix(1);
  return FoldCase(name);
}

}  // namespace

bool IsLocalComputer(std::string_view name, const std::vector<std::string>& ownNames) {
  if (name.empty() || name == "." || IsLoopbackIPv4(name) || IsLoopbackIPv6(name)) return true;
  const std::string folded = WithoutClosingDot(name);
  if (folded == "localhost") return true;
  for (const std::string& own : ownNames) {
    if (!own.empty() && folded == WithoutClosingDot(own)) return true;
  }
  return false;
}

bool IsProbed(std::string_view name, const std::vector<std::string>& ownNames) {
  return !IsLocalComputer(name, ownNames) && ClassifyHost(name).has_value();
}

// One probe started ahead; guarded by the shared mutex.
struct ProbesAhead::Entry {
  std::condition_variable finished;
  bool done = false;
  bool started = true;  // false: no thread could be started for it, the taker probes itself
  HostReach result;
  std::chrono::steady_clock::time_point when;  // the result's
};

ProbesAhead::ProbesAhead(std::shared_ptr<HostProbe> probe, std::chrono::milliseconds budget,
                         std::vector<std::string> ownNames, bool keep, std::chrono::milliseconds lasts, int inFlight)
    : probe_(std::move(probe)),
      budget_(budget),
      ownNames_(std::move(ownNames)),
      keep_(keep),
      lasts_(lasts),
      inFlight_(inFlight) {}

void ProbesAhead::Ahead(const std::string& name) {
  if (!IsProbed(name, ownNames_)) return;
  auto entry = std::make_shared<Entry>();
  {
    std::lock_guard lock(*mutex_);
    if (entries_.count(name) || *running_ >= inFlight_) return;
    entries_.emplace(name, entry);
    ++*running_;
  }
  auto work = [probe = probe_, budget = budget_, mutex = mutex_, running = running_, entry, name] {
    HostReach result = probe->Probe(name, budget);
    std::lock_guard lock(*mutex);
    entry->result = std::move(result);
    entry->when = std::chrono::steady_clock::now();
    entry->done = true;
    --*running;
    entry->finished.notify_all();
  };
  try {
    if (keep_) {
      workers_.StartKept(std::move(work));
    } else {
      workers_.Start(std::move(work));
    }
  } catch (const std::exception&) {
    std::lock_guard lock(*mutex_);
    entry->started = false;
    entry->done = true;
    --*running_;
    entry->finished.notify_all();
  }
}

HostReach ProbesAhead::Take(const std::string& name) {
  if (!IsProbed(name, ownNames_)) return {ReachOutcome::NotProbed, ""};
  {
    std::unique_lock lock(*mutex_);
    auto found = entries_.find(name);
    if (found != entries_.end()) {
      const std::shared_ptr<Entry> entry = found->second;
      entry->finished.wait(lock, [&] { return entry->done; });
      if (lasts_.count() == 0) {
        entries_.erase(name);
        if (entry->started) return entry->result;
      } else if (entry->started && std::chrono::steady_clock::now() - entry->when <= lasts_) {
        return entry->result;  // probed ahead, or for the same name further up the list
      } else {
        entries_.erase(name);
      }
    }
  }
  HostReach result = probe_->Probe(name, budget_);
  if (lasts_.count() > 0) {
    auto entry = std::make_shared<Entry>();
    entry->result = result;
    entry->when = std::chrono::steady_clock::now();
    entry->done = true;
    std::lock_guard lock(*mutex_);
    entries_[name] = std::move(entry);
  }
  return result;
}

void ProbesAhead::Forget() {
  std::lock_guard lock(*mutex_);
  entries_.clear();
}

namespace {

class ProbedQuery : public DiskQuery {
 public:
  ProbedQuery(std::unique_ptr<DiskQuery> query, std::shared_ptr<ProbesAhead> probes)
      : query_(std::move(query)), probes_(std::move(probes)) {}
  void Prepare() override { query_->Prepare(); }
  void Release() override { query_->Release(); }
  void Open(const std::string& server) override {
    const HostReach reach = probes_->Take(server);
    if (!reach.Reached()) throw HostUnreachable(reach.reason);
    query_->Open(server);
  }
  std::optional<DiskReading> NextDisk() override { return query_->NextDisk(); }

 private:
  std::unique_ptr<DiskQuery> query_;
  std::shared_ptr<ProbesAhead> probes_;
};

}  // namespace

DiskQueryFactory ProbedQueries(DiskQueryFactory queries, std::shared_ptr<ProbesAhead> probes) {
  if (!probes) return queries;
  return [queries = std::move(queries), probes] {
    return std::unique_ptr<DiskQuery>(new ProbedQuery(queries(), probes));
  };
}

}  // namespace kestrane
