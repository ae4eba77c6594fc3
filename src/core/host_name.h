// Which texts may name a server on a command line or in a share path: a host name, an IPv4 or an
// IPv6 address. A list line is typed, pasted, read from a file or from the directory; a name such
// as "srv02 /t 0" must never pass options of its own to a program.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrane {

enum class HostKind { Name, IPv4, IPv6 };

// A host name: labels of letters (any script), digits, hyphens and underscores, 1 to 63
// characters each, not beginning or ending with a hyphen, separated by single dots (a trailing
// dot allowed), 253 characters at most. Or an IPv4 address, or an IPv6 address (without brackets
// or zone). Nothing for any other text.
std::optional<HostKind> ClassifyHost(std::string_view text);

// The server as the Remote Desktop client's /v: option takes it before ":port" (IPv6 in brackets).
std::string RemoteDesktopHost(std::string_view host, HostKind kind);
// The server as a UNC path takes it after "\\" (IPv6 as its ipv6-literal.net name).
std::string UncHost(std::string_view host, HostKind kind);

// The message for a text that is not a server's name: "... «srv02 /t 0» ...".
std::string NotAHostMessage(std::string_view text);

}  // namespace kestrane
