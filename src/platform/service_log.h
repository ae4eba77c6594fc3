// What a long-running program (the exporter) tells its operator: the Application event log for the service, standard error
// in a console. The numbers are the events' identifiers in the event log.
#pragma once

#include <functional>
#include <string>

namespace kestrane {

enum class LogEvent { Started = 1, Stopped = 2, Failure = 3, Notice = 4 };

// May be called on any thread.
using ServiceLog = std::function<void(LogEvent event, const std::string& message)>;

}  // namespace kestrane
