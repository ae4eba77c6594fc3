// One server's check as a value: what the server answered through the disk query.
#pragma once

#include <string>
#include <vector>

#include "core/disk_query.h"
#include "core/disk_reading.h"

namespace kestrane {

// Why a server could not be checked.
enum class CheckFailure {
  None,
  Query,        // the disk query failed: no connection, no right, no answer of WMI, a disk it could not read
  Unreachable,  // the server's name did not resolve, or nothing answered where a connection begins
  Late,         // no answer within the time the server was given
};

struct ServerCheck {
  std::vector<DiskReading> disks;  // in the query's order; those delivered before a failure stay
  CheckFailure failure = CheckFailure::None;
  std::string error;  // the system's text, naming the disk that failed the server where one did
  bool Failed() const { return failure != CheckFailure::None; }
};

// Asks the query for the server's fixed disks on the calling thread, after the caller has made the
// platform preparation. A disk whose size is 0 fails the server ("C:: Division by zero"): it has no
// share to show. Never throws.
ServerCheck CheckServer(DiskQuery& query, const std::string& name);

// The reason of a server that gave no answer in time.
inline constexpr char kTimedOut[] = "No answer within the time allowed";

}  // namespace kestrane
