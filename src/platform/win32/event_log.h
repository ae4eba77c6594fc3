// The Application event log, where the service tells its start, its stop and its failures.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

#include <string>

#include "platform/service_log.h"

namespace kestrane::win32 {

class EventLog {
 public:
  explicit EventLog(const std::wstring& source);
  EventLog(const EventLog&) = delete;
  EventLog& operator=(const EventLog&) = delete;
  ~EventLog();
  // The event's number is its identifier; a failure is an error event. A log that cannot be written
  // stops nothing.
  void Write(LogEvent event, const std::string& message);

 private:
  HANDLE source_;
};

// Makes `source` known to the Application log, its texts in the message table of `module` (our
// program), so the event viewer shows each message as written. Throws with the system's reason.
void RegisterEventSource(const std::wstring& source, const std::wstring& module);
// Forgets it; nothing happens when it was not registered. Throws with the system's reason.
void UnregisterEventSource(const std::wstring& source);

}  // namespace kestrane::win32
