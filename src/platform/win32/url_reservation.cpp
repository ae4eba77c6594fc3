#include "platform/win32/url_reservation.h"

#include <windows.h>
#include <http.h>
#include <sddl.h>

#include <memory>
#include <stdexcept>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace kestrane::win32 {
namespace {

std::runtime_error Failure(const std::string& what, unsigned long code) {
  const std::string reason = SystemErrorText(code);
  return std::runtime_error(what + ": " + (reason.empty() ? "error " + std::to_string(code) : reason));
}

// The configuration calls of the HTTP Server API, between HttpInitialize and HttpTerminate.
class HttpConfiguration {
 public:
  HttpConfiguration() {
    const ULONG result = ::HttpInitialize(HTTPAPI_VERSION_1, HTTP_INITIALIZE_CONFIG, nullptr);
    if (result != NO_ERROR) throw Failure("HttpInitialize", result);
  }
  ~HttpConfiguration() { ::HttpTerminate(HTTP_INITIALIZE_CONFIG, nullptr); }
  HttpConfiguration(const HttpConfiguration&) = delete;
  HttpConfiguration& operator=(const HttpConfiguration&) = delete;
};

ULONG DeleteReservation(std::wstring& url) {
  HTTP_SERVICE_CONFIG_URLACL_SET reservation{};
  reservation.KeyDesc.pUrlPrefix = url.data();
  return ::HttpDeleteServiceConfiguration(nullptr, HttpServiceConfigUrlAclInfo, &reservation, sizeof reservation, nullptr);
}

}  // namespace

std::string AccountSid(const std::string& account) {
  const std::wstring name = Widen(account);
  DWORD sidSize = 0, domainSize = 0;
  SID_NAME_USE use;
  ::LookupAccountNameW(nullptr, name.c_str(), nullptr, &sidSize, nullptr, &domainSize, &use);
  if (sidSize == 0) throw Failure("Учётная запись " + account, ::GetLastError());
  std::unique_ptr<BYTE[]> sid(new BYTE[sidSize]);
  std::wstring domain(domainSize, L'\0');
  if (!::LookupAccountNameW(nullptr, name.c_str(), sid.get(), &sidSize, domain.data(), &domainSize, &use)) {
    throw Failure("Учётная запись " + account, ::GetLastError());
  }
  wchar_t* text = nullptr;
  if (!::ConvertSidToStringSidW(sid.get(), &text)) throw Failure("ConvertSidToStringSid", ::GetLastError());
  UniqueLocal owned(text);
  return Narrow(text);
}

void ReserveUrl(const std::string& urlPrefix, const std::string& sid) {
  HttpConfiguration configuration;
  std::wstring url = Widen(urlPrefix);
  // GX: the account may register the URL and nothing more (no delegation).
  std::wstring security = Widen("D:(A;;GX;;;" + sid + ")");
  HTTP_SERVICE_CONFIG_URLACL_SET reservation{};
  reservation.KeyDesc.pUrlPrefix = url.data();
  reservation.ParamDesc.pStringSecurityDescriptor = security.data();
  ULONG result = ::HttpSetServiceConfiguration(nullptr, HttpServiceConfigUrlAclInfo, &reservation, sizeof reservation, nullptr);
  if (result == ERROR_ALREADY_EXISTS) {
    result = DeleteReservation(url);
    if (result == NO_ERROR) {
      result = ::HttpSetServiceConfiguration(nullptr, HttpServiceConfigUrlAclInfo, &reservation, sizeof reservation, nullptr);
    }
  }
  if (result != NO_ERROR) throw Failure("Резервирование адреса " + urlPrefix, result);
}

void ReleaseUrl(const std::string& urlPrefix) {
  HttpConfiguration configuration;
  std::wstring url = Widen(urlPrefix);
  const ULONG result = DeleteReservation(url);
  if (result != NO_ERROR && result != ERROR_FILE_NOT_FOUND) throw Failure("Снятие резервирования адреса " + urlPrefix, result);
}

}  // namespace kestrane::win32
