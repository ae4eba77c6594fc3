// A program as a Windows service: installed and removed through the service control manager, and run
// under it, answering its stop and shutdown controls.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

namespace kestrane::win32 {

struct ServiceSetup {
  std::wstring name;
  std::wstring displayName;
  std::wstring description;
  std::wstring commandLine;  // the program, quoted, and its arguments
  std::wstring account;      // "NT AUTHORITY\NetworkService"; an account without a password
  std::wstring dependency;   // a service that must run first, or empty
};

// Registers the service, started automatically. Throws with the system's reason, having registered
// nothing (a service of that name that exists already included).
void InstallService(const ServiceSetup& setup);

// The command line the service was installed with. Throws when it is not installed or cannot be read.
std::wstring InstalledCommandLine(const std::wstring& name);

// Stops the service when it runs, waiting for its stop up to `limit`, then removes it. Throws with the
// system's reason, having removed nothing, when it cannot be opened or stopped.
void RemoveService(const std::wstring& name, std::chrono::milliseconds limit);

// What runs as the service: `stop` is set when the service control manager asks it to stop;
// `running` says it now serves; it returns the service's exit code (0 for a normal stop).
using ServiceBody = std::function<DWORD(HANDLE stop, const std::function<void()>& running)>;

// Hands the process's main thread to the service control manager and runs `body` as the service
// `name` until it has stopped. False, with nothing run, when the process was not started by the
// service control manager (ERROR_FAILED_SERVICE_CONTROLLER_CONNECT).
bool RunService(const std::wstring& name, ServiceBody body);

// "C:\Program Files\x.exe" as one argument for CommandLineToArgvW.
std::wstring QuoteArgument(const std::wstring& argument);

}  // namespace kestrane::win32
