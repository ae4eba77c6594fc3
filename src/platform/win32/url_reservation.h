// URL reservations of the HTTP Server API (what `netsh http add urlacl` makes): without one, only an
// administrator may register a URL, so the service's account gets its own at installation.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <string>

namespace kestrane::win32 {

// The security identifier of an account as text: "S-1-5-20" for "NT AUTHORITY\NetworkService".
// Throws with the system's reason when the account is unknown.
std::string AccountSid(const std::string& account);

// Lets the account of `sid` register `urlPrefix`, replacing an earlier reservation of it. Throws.
void ReserveUrl(const std::string& urlPrefix, const std::string& sid);
// Removes the reservation; nothing happens when there is none. Throws with the system's reason.
void ReleaseUrl(const std::string& urlPrefix);

}  // namespace kestrane::win32
