#include "platform/win32/windows_service.h"

#include <memory>
#include <mutex>
#include <stdexcept>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace kestrane::win32 {
namespace {

inline void CloseServiceValue(SC_HANDLE h) { ::CloseServiceHandle(h); }
using UniqueService = UniqueAny<SC_HANDLE, CloseServiceValue>;

std::runtime_error ServiceError(const std::wstring& name, const std::string& what, DWORD code) {
  const std::string reason = SystemErrorText(code);
  return std::runtime_error((name.empty() ? std::string() : "Служба " + Narrow(name) + ": ") + what + ": " +
                            (reason.empty() ? "error " + std::to_string(code) : reason));
}

UniqueService OpenManager(DWORD access) {
  UniqueService manager(::OpenSCManagerW(nullptr, nullptr, access));
  if (!manager) throw ServiceError(L"", "Диспетчер служб недоступен", ::GetLastError());
  return manager;
}

UniqueService OpenNamed(const std::wstring& name, DWORD access) {
  UniqueService manager = OpenManager(SC_MANAGER_CONNECT);
  UniqueService service(::OpenServiceW(manager.get(), name.c_str(), access));
  if (!service) throw ServiceError(name, "не открыта", ::GetLastError());
  return service;
}

// The one service of this process, as the control manager's callbacks find it.
struct Running {
  std::wstring name;
  ServiceBody body;
  UniqueHandle stop;
  std::mutex mutex;
  SERVICE_STATUS_HANDLE handle = nullptr;
  SERVICE_STATUS status{SERVICE_WIN32_OWN_PROCESS, SERVICE_START_PENDING, 0, NO_ERROR, 0, 0, 0};

  void Report(DWORD state, DWORD waitHint = 0, DWORD exitCode = 0) {
    std::lock_guard lock(mutex);
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status.dwWin32ExitCode = exitCode == 0 ? NO_ERROR : ERROR_SERVICE_SPECIFIC_ERROR;
    status.dwServiceSpecificExitCode = exitCode;
    status.dwWaitHint = waitHint;
    status.dwCheckPoint = state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : status.dwCheckPoint + 1;
    ::SetServiceStatus(handle, &status);
  }
};
Running* running = nullptr;

DWORD WINAPI Control(DWORD control, DWORD, void*, void* context) {
  auto* service = static_cast<Running*>(context);
  switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
      service->Report(SERVICE_STOP_PENDING, 3000);
      ::SetEvent(service->stop.get());
      return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE: return NO_ERROR;
    default: return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

void WINAPI ServiceMain(DWORD, wchar_t**) {
  Running& service = *running;
  service.handle = ::RegisterServiceCtrlHandlerExW(service.name.c_str(), Control, &service);
  if (!service.handle) return;
  service.Report(SERVICE_START_PENDING, 10000);
  const DWORD code = service.body(service.stop.get(), [&] { service.Report(SERVICE_RUNNING); });
  service.Report(SERVICE_STOPPED, 0, code);
}

}  // namespace

void InstallService(const ServiceSetup& setup) {
  UniqueService manager = OpenManager(SC_MANAGER_CREATE_SERVICE);
  std::wstring dependencies = setup.dependency;
  dependencies.append(2, L'\0');  // a list of names, ended by an empty one
  UniqueService service(::CreateServiceW(manager.get(), setup.name.c_str(), setup.displayName.c_str(),
                                         SERVICE_CHANGE_CONFIG | DELETE, SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
                                         SERVICE_ERROR_NORMAL, setup.commandLine.c_str(), nullptr, nullptr,
                                         setup.dependency.empty() ? nullptr : dependencies.c_str(),
                                         setup.account.c_str(), nullptr));
  if (!service) throw ServiceError(setup.name, "не установлена", ::GetLastError());
  std::wstring description = setup.description;
  SERVICE_DESCRIPTIONW text{description.data()};
  if (!::ChangeServiceConfig2W(service.get(), SERVICE_CONFIG_DESCRIPTION, &text)) {
    const DWORD error = ::GetLastError();
    ::DeleteService(service.get());
    throw ServiceError(setup.name, "описание не записано", error);
  }
}

std::wstring InstalledCommandLine(const std::wstring& name) {
  UniqueService service = OpenNamed(name, SERVICE_QUERY_CONFIG);
  DWORD needed = 0;
  ::QueryServiceConfigW(service.get(), nullptr, 0, &needed);
  std::unique_ptr<BYTE[]> buffer(new BYTE[needed ? needed : 1]);
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.get());
  if (!needed || !::QueryServiceConfigW(service.get(), config, needed, &needed)) {
    throw ServiceError(name, "настройка не прочитана", ::GetLastError());
  }
  return config->lpBinaryPathName ? config->lpBinaryPathName : L"";
}

void RemoveService(const std::wstring& name, std::chrono::milliseconds limit) {
  UniqueService service = OpenNamed(name, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE);
  SERVICE_STATUS status{};
  if (!::QueryServiceStatus(service.get(), &status)) throw ServiceError(name, "состояние не прочитано", ::GetLastError());
  if (status.dwCurrentState != SERVICE_STOPPED) {
    if (!::ControlService(service.get(), SERVICE_CONTROL_STOP, &status) && ::GetLastError() != ERROR_SERVICE_NOT_ACTIVE) {
      throw ServiceError(name, "не остановлена", ::GetLastError());
    }
    const auto until = std::chrono::steady_clock::now() + limit;
    while (status.dwCurrentState != SERVICE_STOPPED) {
      if (std::chrono::steady_clock::now() >= until) throw ServiceError(name, "не остановилась вовремя", ERROR_SERVICE_REQUEST_TIMEOUT);
      ::Sleep(100);
      if (!::QueryServiceStatus(service.get(), &status)) throw ServiceError(name, "состояние не прочитано", ::GetLastError());
    }
  }
  if (!::DeleteService(service.get())) throw ServiceError(name, "не удалена", ::GetLastError());
}

bool RunService(const std::wstring& name, ServiceBody body) {
  auto service = std::make_unique<Running>();
  service->name = name;
  service->body = std::move(body);
  service->stop.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!service->stop) throw ServiceError(name, "CreateEvent", ::GetLastError());
  running = service.get();
  std::wstring tableName = name;
  const SERVICE_TABLE_ENTRYW table[] = {{tableName.data(), ServiceMain}, {nullptr, nullptr}};
  const bool dispatched = ::StartServiceCtrlDispatcherW(table);
  const DWORD error = ::GetLastError();
  running = nullptr;
  if (!dispatched && error != ERROR_FAILED_SERVICE_CONTROLLER_CONNECT) throw ServiceError(name, "не запущена", error);
  return dispatched;
}

std::wstring QuoteArgument(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');  // before the closing quote
  return out + L"\"";
}

}  // namespace kestrane::win32
