#include "core/server_check.h"

#include <exception>

#include "core/errors.h"

namespace kestrane {

ServerCheck CheckServer(DiskQuery& query, const std::string& name) {
  ServerCheck check;
  try {
    query.Open(name);
    while (std::optional<DiskReading> reading = query.NextDisk()) {
      if (reading->Size == 0) {
        check.failure = CheckFailure::Query;
        check.error = reading->DeviceID + ": " + DivisionByZeroError().what();
        return check;
      }
      check.disks.push_back(std::move(*reading));
    }
  } catch (const HostUnreachable& e) {
    check.failure = CheckFailure::Unreachable;
    check.error = e.what();
  } catch (const std::exception& e) {
    check.failure = CheckFailure::Query;
    check.error = e.what();
  } catch (...) {
    check.failure = CheckFailure::Query;
    check.error = "Unknown exception";
  }
  return check;
}

}  // namespace kestrane
