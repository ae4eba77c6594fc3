// The texts and command lines of the table menu's commands on a server.
#pragma once

#include <string>
#include <string_view>

#include "core/host_name.h"

namespace kestrane {

inline constexpr char kNoAlertCaption[] = "Не генерить алерт";
inline constexpr char kRdpCaption[] = "Открыть RDP";
inline constexpr char kRebootCaption[] = "Перезагрузить";
inline constexpr char kFreeUpCaption[] = "Освободить место...";

std::string RdpCaption(std::string_view name);     // "Зайти на сервер srv по RDP"
std::string RebootCaption(std::string_view name);  // "Перезагрузить сервер srv"
std::string FreeUpCaption(std::string_view name);  // "Освободить место на сервере srv"
std::string RebootQuestion(std::string_view name);
std::string RebootStarted(std::string_view name);
std::string RebootFailed(std::string_view name);

// "mstsc.exe /v:srv:3389" and "shutdown /r /m \\srv /t 10", the server in the form each needs.
std::string RdpCommandLine(std::string_view host, HostKind kind);
std::string RebootCommandLine(std::string_view host, HostKind kind);

}  // namespace kestrane
