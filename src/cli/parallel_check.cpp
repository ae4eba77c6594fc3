#include "cli/parallel_check.h"

#include <condition_variable>
#include <memory>
#include <mutex>

#include "core/server_table.h"
#include "core/server_table_run.h"
#include "core/worker_group.h"

namespace kestrane {
namespace {

// One server's row, written by its worker alone.
class RowTable : public ServerTableRun {
 public:
  RowTable() : ServerTableRun(table_) {}
  std::vector<std::string> Cells() const {
    std::vector<std::string> cells;
    for (int col = 0; col < table_.CellCount(0); ++col) cells.push_back(table_.Cell(col, 0));
    return cells;
  }

 private:
  ServerTable table_;
};

// What a worker and the coordinator share; the worker may outlive the coordinator's interest.
struct Task {
  std::size_t index = 0;
  std::chrono::steady_clock::time_point deadline;
  WorkToken token;  // ended when the deadline passes: the worker's result is no longer wanted
  bool done = false;
  ServerResult result;
};

struct Shared {
  std::mutex mutex;
  std::condition_variable finished;
};

// A row as a failed server's: its name, and "Недоступно" where its disks begin.
ServerResult Failed(const std::string& name, std::string error) {
  ServerResult r{name, {}, {}};
  r.cells.resize(kFirstDiskColumn + 1);
  r.cells[kNameColumn] = name;
  r.cells[kFirstDiskColumn] = std::string(kUnavailableText);
  r.check.failed = true;
  r.check.error = std::move(error);
  return r;
}

}  // namespace

std::vector<ServerResult> CheckServers(const std::vector<std::string>& names, const DiskQueryFactory& queries,
                                       const DiskTest& test, int parallel,
                                       std::optional<std::chrono::milliseconds> timeout) {
  std::vector<ServerResult> results(names.size());
  WorkerGroup workers;
  auto shared = std::make_shared<Shared>();
  std::vector<std::shared_ptr<Task>> running;
  std::size_t next = 0, completed = 0;
  bool abandoned = false;
  std::unique_lock lock(shared->mutex);
  while (completed < names.size()) {
    // Keep up to `parallel` servers in hand.
    while (running.size() < static_cast<std::size_t>(parallel) && next < names.size()) {
      auto task = std::make_shared<Task>();
      task->index = next;
      task->deadline = timeout ? std::chrono::steady_clock::now() + *timeout : std::chrono::steady_clock::time_point::max();
      running.push_back(task);
      workers.StartKept([task, shared, name = names[next], queries, test] {
        ServerResult result{name, {}, {}};
        try {
          // The query is made, used and ended on this thread (COM is per thread).
          std::unique_ptr<DiskQuery> query = queries();
          RowTable row;
          bool alert = false;
          query->Prepare();
          result.check = CheckServer(row, *query, 0, name, test, alert);
          result.cells = row.Cells();
        } catch (const std::exception& e) {
          result = Failed(name, e.what());
        }
        std::lock_guard guard(shared->mutex);
        if (!task->token.Current()) return;
        task->result = std::move(result);
        task->done = true;
        shared->finished.notify_all();
      });
      ++next;
    }
    // Wait for a server to finish or for the earliest deadline.
    auto earliest = std::chrono::steady_clock::time_point::max();
    for (const auto& t : running) earliest = std::min(earliest, t->deadline);
    auto anyDone = [&] {
      for (const auto& t : running) {
        if (t->done) return true;
      }
      return false;
    };
    if (earliest == std::chrono::steady_clock::time_point::max()) {
      shared->finished.wait(lock, anyDone);
    } else {
      shared->finished.wait_until(lock, earliest, anyDone);
    }
    const auto now = std::chrono::steady_clock::now();
    for (auto it = running.begin(); it != running.end();) {
      Task& t = **it;
      if (t.done) {
        results[t.index] = std::move(t.result);
      } else if (now >= t.deadline) {
        t.token.End();  // its worker is abandoned
        abandoned = true;
        results[t.index] = Failed(names[t.index], kTimedOut);
      } else {
        ++it;
        continue;
      }
      ++completed;
      it = running.erase(it);
    }
  }
  // The workers that answered are only letting go of what they held: they end before the command
  // does, so none is still on its way out when the process ends. An abandoned one is not waited for.
  lock.unlock();
  if (!abandoned) workers.Finish(std::chrono::seconds(5));
  return results;
}

}  // namespace kestrane
