#include "cli/parallel_check.h"

#include <condition_variable>
#include <memory>
#include <mutex>

#include "core/server_checks.h"
#include "core/server_table.h"
#include "core/size_text.h"

namespace kestrane {

ServerResult TableRow(const std::string& name, ServerCheck check, const DiskTest& test) {
  ServerResult result{name, {}, std::move(check), false};
  std::vector<std::string>& cells = result.cells;
  cells.resize(kFirstDiskColumn);
  cells[kNameColumn] = name;
  for (const DiskReading& disk : result.check.disks) {
    cells.push_back(FormatDiskCell(disk));  // a size of 0 has failed the server before it
    if (test(cells.back(), disk)) result.below = true;
  }
  if (result.below) cells[kAlertColumn] = std::string(kAlertFlag);
  if (result.check.Failed()) cells.push_back(std::string(kUnavailableText));
  return result;
}

namespace {

// What the workers hand back; it outlives the command for a worker that was let go.
struct Answers {
  std::mutex mutex;
  std::condition_variable arrived;
  std::vector<std::optional<ServerCheck>> checks;
  std::size_t count = 0;
};

}  // namespace

std::vector<ServerResult> CheckServers(const std::vector<std::string>& names, const DiskQueryFactory& queries,
                                       const DiskTest& test, int parallel,
                                       std::optional<std::chrono::milliseconds> timeout,
                                       std::shared_ptr<ProbesAhead> probes) {
  auto answers = std::make_shared<Answers>();
  answers->checks.resize(names.size());
  bool late = false;
  {
    ServerChecks checks(ProbedQueries(queries, probes), true);
    auto answer = [answers](std::size_t i, ServerCheck check) {
      std::lock_guard lock(answers->mutex);
      answers->checks[i] = std::move(check);
      ++answers->count;
      answers->arrived.notify_all();
    };
    std::size_t started = 0;
    std::unique_lock lock(answers->mutex);
    // Up to `parallel` servers in hand; a new one as soon as one has answered.
    auto room = [&] { return started < names.size() && started - answers->count < static_cast<std::size_t>(parallel); };
    while (answers->count < names.size()) {
      if (!room()) {
        answers->arrived.wait(lock, [&] { return answers->count == names.size() || room(); });
        continue;
      }
      const std::size_t i = started++;
      if (probes) {
        for (std::size_t ahead = i; ahead < names.size() && ahead < i + kProbeLookAhead; ++ahead) probes->Ahead(names[ahead]);
      }
      ServerChecks::Answers handlers;
      handlers.answered = [answer, i](ServerCheck check) {
        const bool failed = check.Failed();
        answer(i, std::move(check));
        return failed;
      };
      handlers.late = [answer, i] { answer(i, ServerCheck{{}, CheckFailure::Late, kTimedOut}); };
      lock.unlock();
      try {
        checks.Start(names[i], timeout, std::move(handlers));
      } catch (const std::exception& e) {
        answer(i, ServerCheck{{}, CheckFailure::Query, e.what()});  // no thread to check it on
      }
      lock.lock();
    }
    for (const std::optional<ServerCheck>& check : answers->checks) late = late || check->failure == CheckFailure::Late;
    lock.unlock();
    // The workers that answered are only letting go of what they held: they end before the command
    // does, so none is still on its way out when the process ends. One that was let go is not waited for.
    if (!late) checks.Finish(std::chrono::seconds(5));
  }
  // Probes still running ahead end within their budget: let them, so that no thread is on its way out
  // when the process ends.
  if (probes) probes->Finish(std::chrono::seconds(70));
  std::vector<ServerResult> results;
  for (std::size_t i = 0; i < names.size(); ++i) results.push_back(TableRow(names[i], std::move(*answers->checks[i]), test));
  return results;
}

}  // namespace kestrane
