// kestrane-check.exe: the command-line check over WMI.
#include <windows.h>
#include <shellapi.h>
#include <objbase.h>

#include <chrono>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/serve_main.h"
#include "cli/check_command.h"
#include "platform/ansi_text.h"
#include "platform/files.h"
#include "platform/user_name.h"
#include "platform/win32/tcp_reach_probe.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/wmi_disk_query.h"

namespace {

std::vector<std::string> Arguments() {
  int count = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  kestrane::win32::UniqueLocal owned(argv);
  std::vector<std::string> args;
  for (int i = 1; argv && i < count; ++i) args.push_back(kestrane::win32::Narrow(argv[i]));
  return args;
}

// UTF-8 as it stands into a pipe or file; UTF-16 through the console's own API on a console.
void Write(DWORD which, const std::string& text) {
  HANDLE h = ::GetStdHandle(which);
  if (h == nullptr || h == INVALID_HANDLE_VALUE || text.empty()) return;
  DWORD mode = 0;
  DWORD written = 0;
  if (::GetConsoleMode(h, &mode)) {
    std::wstring wide = kestrane::win32::Widen(text);
    ::WriteConsoleW(h, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  } else {
    ::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
}

}  // namespace

int main() {
  // WMI's locator may be registered apartment-threaded (Wine's is): created from the workers'
  // multithreaded apartment, it then lives on a thread COM starts for it and tells to end, waited
  // for by no one, when the last worker leaves the apartment. The process then ended while that
  // thread was going down (under Wine a SIGSEGV after the output, one run in a few hundred). Held to
  // the end, the apartment outlives every worker and that thread only waits for messages when the
  // process ends it.
  CO_MTA_USAGE_COOKIE apartment = nullptr;
  ::CoIncrementMTAUsage(&apartment);
  kestrane::CheckEnvironment env;
  // Each server on a worker thread of its own, in the multithreaded apartment.
  env.queries = [] { return kestrane::win32::MakeWmiDiskQuery(kestrane::win32::ComApi::Multithreaded()); };
  env.volumeQueries = [] {
    return kestrane::win32::MakeWmiDiskQuery(kestrane::win32::ComApi::Multithreaded(), kestrane::win32::WmiDisks::Volumes);
  };
  env.readFile = kestrane::ReadWholeFile;
  env.ansi = kestrane::AnsiToUtf8;
  env.writeFile = kestrane::ReplaceFileAtomically;
  env.computerName = kestrane::LocalComputerName;
  env.probe = kestrane::win32::MakeTcpReachProbe();
  env.ownNames = kestrane::LocalComputerNames;
  env.seconds = [] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  };
  const std::vector<std::string> args = Arguments();
  if (std::optional<int> served = kestrane::app::ServeMode(
          args, env, [](const std::string& text) { Write(STD_OUTPUT_HANDLE, text); },
          [](const std::string& text) { Write(STD_ERROR_HANDLE, text); })) {
    return *served;
  }
  std::ostringstream out;
  std::ostringstream err;
  int code = kestrane::CheckMain(args, env, out, err);
  Write(STD_OUTPUT_HANDLE, out.str());
  Write(STD_ERROR_HANDLE, err.str());
  return code;
}
