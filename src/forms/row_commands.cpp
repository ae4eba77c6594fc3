#include "forms/row_commands.h"

namespace kestrane {

std::string RdpCaption(std::string_view name) { return "Зайти на сервер " + std::string(name) + " по RDP"; }

std::string RebootCaption(std::string_view name) { return "Перезагрузить сервер " + std::string(name); }

std::string FreeUpCaption(std::string_view name) { return "Освободить место на сервере " + std::string(name); }

std::string RebootQuestion(std::string_view name) { return "Перезагрузить сервер " + std::string(name) + "?"; }

std::string RebootStarted(std::string_view name) {
  return "Сервер " + std::string(name) + " будет перезагружен через 10 секунд.";
}

std::string RebootFailed(std::string_view name) {
  return "Сервер " + std::string(name) + " не может быть перезагружен.";
}

std::string RdpCommandLine(std::string_view host, HostKind kind) {
  return "mstsc.exe /v:" + RemoteDesktopHost(host, kind) + ":3389";
}

std::string RebootCommandLine(std::string_view host, HostKind kind) {
  return "shutdown /r /m \\\\" + UncHost(host, kind) + " /t 10";
}

}  // namespace kestrane
