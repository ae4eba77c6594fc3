#include "app/serve_main.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <memory>

#include "cli/serve/exporter.h"
#include "cli/serve/listen_address.h"
#include "platform/win32/event_log.h"
#include "platform/win32/http_server.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/url_reservation.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/windows_service.h"

namespace kestrane::app {
namespace {

constexpr wchar_t kServiceName[] = L"Kestrane";
constexpr char kDefaultAccount[] = "NT AUTHORITY\\NetworkService";
constexpr auto kStopLimit = std::chrono::milliseconds(1500);  // stop and shutdown are answered within 2 s

std::string ServedUrl(const CheckOptions& options) { return UrlPrefix(ParseListenAddress(options.serve.value_or(""))); }

std::string AllowedText(const CheckOptions& options) {
  if (options.allowAnyTarget) return "любой сервер (--allow-any-target)";
  std::string out;
  for (const std::string& file : options.listFiles) out += (out.empty() ? "--list " : ", --list ") + file;
  for (const std::string& pattern : options.allowedTargets) out += (out.empty() ? "--allow-target " : ", --allow-target ") + pattern;
  return out;
}

// The workers' apartment lives as long as the exporter. Made and torn down with each check, it costs
// each probe its making, and Wine's RPC runtime was seen to deadlock in making it again.
struct KeptApartment {
  CO_MTA_USAGE_COOKIE cookie = nullptr;
  HRESULT result = ::CoIncrementMTAUsage(&cookie);
  KeptApartment() = default;
  KeptApartment(const KeptApartment&) = delete;
  KeptApartment& operator=(const KeptApartment&) = delete;
  ~KeptApartment() {
    if (SUCCEEDED(result)) ::CoDecrementMTAUsage(cookie);
  }
};

// Serves until `stop` is set. Each request in hand is answered or cut within kStopLimit after it.
int Serve(const CheckOptions& options, const CheckEnvironment& env, const ServiceLog& log, HANDLE stop,
          const std::function<void()>& running) {
  const std::string url = ServedUrl(options);
  const KeptApartment apartment;
  if (FAILED(apartment.result)) log(LogEvent::Notice, "CoIncrementMTAUsage: " + win32::SystemErrorText(apartment.result));
  std::unique_ptr<Exporter> exporter;
  std::unique_ptr<win32::HttpSysServer> server;
  try {
    exporter = std::make_unique<Exporter>(options, env, log);
    server = std::make_unique<win32::HttpSysServer>(
        url, [served = exporter.get()](const HttpRequest& request) { return served->Serve(request); },
        std::clamp(4 * options.parallel, 32, 128), log);
  } catch (const std::exception& e) {
    log(LogEvent::Failure, std::string("Экспортёр не запущен: ") + e.what());
    return kExitUnknown;
  }
  log(LogEvent::Started, "Экспортёр запущен: " + url + ", проверок сразу до " + std::to_string(options.parallel) +
                             "; разрешены: " + AllowedText(options) + ".");
  running();
  ::WaitForSingleObject(stop, INFINITE);
  exporter->Stop();
  if (!server->Stop(kStopLimit)) {
    log(LogEvent::Notice, "Не все запросы завершены за " + std::to_string(kStopLimit.count()) + " мс: они прерываются.");
    // A thread still answering uses both: they stay for the process's last moments.
    server.release();
    exporter.release();
  }
  log(LogEvent::Stopped, "Экспортёр остановлен.");
  return kExitOk;
}

HANDLE consoleStop = nullptr;
HANDLE consoleStopped = nullptr;

BOOL WINAPI OnConsoleControl(DWORD control) {
  ::SetEvent(consoleStop);
  // The process ends when the handler of these returns: the requests in hand get their time first.
  if (control == CTRL_CLOSE_EVENT || control == CTRL_LOGOFF_EVENT || control == CTRL_SHUTDOWN_EVENT) {
    ::WaitForSingleObject(consoleStopped, 2000);
  }
  return TRUE;
}

int ServeInConsole(const CheckOptions& options, const CheckEnvironment& env, const TextWriter& err) {
  win32::UniqueHandle stop(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  win32::UniqueHandle stopped(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!stop || !stopped) return kExitUnknown;
  consoleStop = stop.get();
  consoleStopped = stopped.get();
  if (!::SetConsoleCtrlHandler(OnConsoleControl, TRUE)) {
    err("Ctrl+C не перехватывается: " + win32::SystemErrorText(::GetLastError()) + "\n");
    return kExitUnknown;
  }
  const int code = Serve(options, env, [&err](LogEvent, const std::string& message) { err(message + "\n"); },
                         stop.get(), [&err] { err("Ctrl+C - остановить.\n"); });
  ::SetEvent(stopped.get());
  return code;
}

int ServeAsService(const CheckOptions& options, const CheckEnvironment& env, const TextWriter& err) {
  win32::EventLog events(kServiceName);
  const ServiceLog log = [&events](LogEvent event, const std::string& message) { events.Write(event, message); };
  try {
    const bool ran = win32::RunService(kServiceName, [&](HANDLE stop, const std::function<void()>& running) {
      return static_cast<DWORD>(Serve(options, env, log, stop, running));
    });
    if (ran) return kExitOk;
    err("--service - для диспетчера служб (sc start Kestrane); в консоли экспортёр запускается с --serve.\n");
  } catch (const std::exception& e) {
    err(std::string(e.what()) + "\n");
  }
  return kExitUnknown;
}

std::wstring ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) throw std::runtime_error("GetModuleFileName: " + win32::SystemErrorText(::GetLastError()));
    if (length < path.size()) return path.substr(0, length);
    path.resize(path.size() * 2);
  }
}

std::wstring FullPath(const std::string& path) {
  const std::wstring wide = win32::Widen(path);
  const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  std::wstring full(size, L'\0');
  const DWORD length = size ? ::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr) : 0;
  if (length == 0 || length >= size) throw std::runtime_error("Путь " + path + ": " + win32::SystemErrorText(::GetLastError()));
  return full.substr(0, length);
}

// The service runs in the system folder: each list file is stored with its full path.
std::wstring ServiceCommandLine(const std::vector<std::string>& args) {
  std::wstring line = win32::QuoteArgument(ProgramPath()) + L" --service";
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--install-service") continue;
    if (args[i] == "--service-account") {
      ++i;
      continue;
    }
    line += L" " + win32::QuoteArgument(win32::Widen(args[i]));
    if (args[i] == "--list" && i + 1 < args.size()) line += L" " + win32::QuoteArgument(FullPath(args[++i]));
  }
  return line;
}

int Install(const std::vector<std::string>& args, const CheckOptions& options, const CheckEnvironment& env,
            const TextWriter& out, const TextWriter& err) {
  const std::string url = ServedUrl(options);
  const std::string account = options.serviceAccount.value_or(kDefaultAccount);
  std::wstring commandLine;
  try {
    // The options as the service will take them: its list files readable now.
    Exporter check(options, env, [](LogEvent, const std::string&) {});
    commandLine = ServiceCommandLine(args);
    win32::InstallService({kServiceName, L"Kestrane",
                           L"Экспортёр Prometheus: свободное место на дисках серверов (kestrane-check --serve).",
                           commandLine, win32::Widen(account), L"HTTP"});
    try {
      // After the service: a virtual account (NT SERVICE\Kestrane) exists only with it.
      win32::ReserveUrl(url, win32::AccountSid(account));
      win32::RegisterEventSource(kServiceName, ProgramPath());
    } catch (const std::exception&) {
      win32::RemoveService(kServiceName, std::chrono::seconds(5));
      throw;
    }
  } catch (const std::exception& e) {
    err(std::string(e.what()) + "\nСлужба Kestrane не установлена.\n");
    return kExitUnknown;
  }
  out("Служба Kestrane установлена (запуск автоматический, учётная запись " + account + "): " +
      win32::Narrow(commandLine) + "\nАдрес " + url + " зарезервирован для этой учётной записи. Запуск сейчас: sc start Kestrane\n");
  return kExitOk;
}

std::vector<std::string> SplitCommandLine(const std::wstring& line) {
  int count = 0;
  wchar_t** argv = ::CommandLineToArgvW(line.c_str(), &count);
  if (!argv) throw std::runtime_error("CommandLineToArgv: " + win32::SystemErrorText(::GetLastError()));
  win32::UniqueLocal owned(argv);
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i) args.push_back(win32::Narrow(argv[i]));
  return args;
}

int Uninstall(const TextWriter& out, const TextWriter& err) {
  std::string url;
  try {
    // What the service reserved is read from its own command line before anything is removed.
    url = ServedUrl(ParseCheckArguments(SplitCommandLine(win32::InstalledCommandLine(kServiceName))));
    win32::RemoveService(kServiceName, std::chrono::seconds(10));
  } catch (const std::exception& e) {
    err(std::string(e.what()) + "\nСлужба Kestrane не удалена.\n");
    return kExitUnknown;
  }
  int code = kExitOk;
  try {
    win32::ReleaseUrl(url);
    win32::UnregisterEventSource(kServiceName);
  } catch (const std::exception& e) {
    err(std::string(e.what()) + "\n");
    code = kExitUnknown;
  }
  out("Служба Kestrane удалена" + std::string(code == kExitOk ? ", резервирование адреса " + url + " снято" : "") + ".\n");
  return code;
}

}  // namespace

std::optional<int> ServeMode(const std::vector<std::string>& args, const CheckEnvironment& env, const TextWriter& out,
                             const TextWriter& err) {
  CheckOptions options;
  try {
    options = ParseCheckArguments(args);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  if (options.help || !(options.Serves() || options.uninstallService)) return std::nullopt;
  if (options.uninstallService) return Uninstall(out, err);
  if (options.installService) return Install(args, options, env, out, err);
  if (options.service) return ServeAsService(options, env, err);
  return ServeInConsole(options, env, err);
}

}  // namespace kestrane::app
