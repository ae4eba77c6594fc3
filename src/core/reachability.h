// Whether a server can be reached at all before WMI is asked: every remote WMI connection begins at
// the RPC endpoint mapper, TCP port 135. A server that is off or behind a firewall that drops
// packets would otherwise hold a WMI connect for TCP's connection retries (21 s and more).
#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "core/disk_query.h"
#include "core/worker_group.h"

namespace kestrane {

inline constexpr int kRpcEndpointMapperPort = 135;
// For resolving the name and connecting together.
inline constexpr std::chrono::milliseconds kDefaultReachBudget{2000};
// How many probes run at once ahead of the check, and how far down the list they look.
inline constexpr int kProbesInFlight = 32;
inline constexpr int kProbeLookAhead = 64;
// How long a probe's result stands for a name checked again (a line repeated further down): a server
// that was off when it was probed may be up by the time a slow run reaches it.
inline constexpr std::chrono::seconds kProbeResultLasts{30};

enum class ReachOutcome {
  Reachable,    // an address accepted a connection (closed at once)
  NotProbed,    // the local computer
  NotResolved,  // the name did not resolve
  Refused,      // every address refused the connection
  Unreachable,  // no way to the addresses (host or network unreachable)
  NoAnswer,     // no address answered within the budget
};

struct HostReach {
  ReachOutcome outcome = ReachOutcome::Reachable;
  std::string reason;  // the system's text, with the port and address where one was tried
  bool Reached() const { return outcome == ReachOutcome::Reachable || outcome == ReachOutcome::NotProbed; }
};

class HostProbe {
 public:
  virtual ~HostProbe() = default;
  // Resolves the name and connects to TCP 135 on its addresses, IPv4 and IPv6 at once, all within
  // `budget`. Never throws.
  virtual HostReach Probe(const std::string& name, std::chrono::milliseconds budget) = 0;
};

// Whether `name` stands for the computer the check runs on, which is never probed: the empty name,
// ".", "localhost", one of its own names (`ownNames`, without case, a closing dot aside), or a
// loopback address (127.0.0.0/8, ::1).
bool IsLocalComputer(std::string_view name, const std::vector<std::string>& ownNames);

// Whether `name` is probed at all: not the local computer, and a host name or an address. Any other
// text ("[::1]", a name with blanks) goes to WMI as typed, which decides, as without the probe.
bool IsProbed(std::string_view name, const std::vector<std::string>& ownNames);

// Probes started ahead of the checks that need them, so that a server that is off costs the run
// nothing when the run reaches it. A name asked for that was not probed ahead, or whose result is
// older than `lasts`, is probed then, on the asking thread.
class ProbesAhead {
 public:
  // `keep`: the probes' threads are kept, so that Finish can see them end before the process does.
  // `lasts`: how long a result stands (0: each result is taken once, as for an exporter's scrapes).
  ProbesAhead(std::shared_ptr<HostProbe> probe, std::chrono::milliseconds budget, std::vector<std::string> ownNames,
              bool keep, std::chrono::milliseconds lasts = kProbeResultLasts, int inFlight = kProbesInFlight);
  ProbesAhead(const ProbesAhead&) = delete;
  ProbesAhead& operator=(const ProbesAhead&) = delete;

  // Starts probing `name` unless it is the local computer, is being probed or was probed and not yet
  // taken, or `inFlight` probes run already. Never waits.
  void Ahead(const std::string& name);
  // The result for `name`: the probe started ahead (waited for), or one made now.
  HostReach Take(const std::string& name);
  // Drops every result not yet taken (a new run must not use an old run's).
  void Forget();
  // Waits for the probes still running, at most `limit`; their threads are joined when kept.
  bool Finish(std::chrono::milliseconds limit) { return workers_.Finish(limit); }

 private:
  struct Entry;
  std::shared_ptr<HostProbe> probe_;
  std::chrono::milliseconds budget_;
  std::vector<std::string> ownNames_;
  bool keep_;
  std::chrono::milliseconds lasts_;
  int inFlight_;
  std::shared_ptr<std::mutex> mutex_ = std::make_shared<std::mutex>();
  std::shared_ptr<int> running_ = std::make_shared<int>(0);  // guarded by mutex_, shared with the probes
  std::map<std::string, std::shared_ptr<Entry>> entries_;     // guarded by mutex_
  WorkerGroup workers_;
};

// The queries of `queries`, each of which first takes the probe of its server from `probes` and
// fails with HostUnreachable, without asking WMI, when the server cannot be reached.
DiskQueryFactory ProbedQueries(DiskQueryFactory queries, std::shared_ptr<ProbesAhead> probes);

}  // namespace kestrane
