#include "platform/win32/event_log.h"

#include <stdexcept>

#include "platform/win32/wide_text.h"

namespace kestrane::win32 {
namespace {

const std::wstring kApplicationLog = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\";

std::runtime_error RegistryError(const std::wstring& source, LSTATUS code) {
  return std::runtime_error("Источник событий " + Narrow(source) + " в журнале Application: " + SystemErrorText(code));
}

}  // namespace

EventLog::EventLog(const std::wstring& source) : source_(::RegisterEventSourceW(nullptr, source.c_str())) {}

EventLog::~EventLog() {
  if (source_) ::DeregisterEventSource(source_);
}

void EventLog::Write(LogEvent event, const std::string& message) {
  if (!source_) return;
  const std::wstring text = Widen(message);
  const wchar_t* strings[] = {text.c_str()};
  const WORD type = event == LogEvent::Failure ? EVENTLOG_ERROR_TYPE : EVENTLOG_INFORMATION_TYPE;
  ::ReportEventW(source_, type, 0, static_cast<DWORD>(event), nullptr, 1, 0, strings, nullptr);
}

void RegisterEventSource(const std::wstring& source, const std::wstring& module) {
  HKEY key = nullptr;
  LSTATUS result = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kApplicationLog + source).c_str(), 0, nullptr, 0,
                                     KEY_SET_VALUE, nullptr, &key, nullptr);
  if (result != ERROR_SUCCESS) throw RegistryError(source, result);
  const DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
  result = ::RegSetValueExW(key, L"EventMessageFile", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(module.c_str()),
                            static_cast<DWORD>((module.size() + 1) * sizeof(wchar_t)));
  if (result == ERROR_SUCCESS) {
    result = ::RegSetValueExW(key, L"TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types), sizeof types);
  }
  ::RegCloseKey(key);
  if (result != ERROR_SUCCESS) throw RegistryError(source, result);
}

void UnregisterEventSource(const std::wstring& source) {
  const LSTATUS result = ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, (kApplicationLog + source).c_str());
  if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) throw RegistryError(source, result);
}

}  // namespace kestrane::win32
