// Where the exporter listens: --serve [ADDRESS:]PORT, as the HTTP Server API takes it.
#pragma once

#include <string>

namespace kestrane {

// Outside the 9100-9999 range of Prometheus's port allocations (every port of it is taken) and
// below the Windows dynamic port range, which starts at 49152.
inline constexpr int kDefaultServePort = 10135;

struct ListenAddress {
  std::string host;  // "+" for every address of the computer, else an IPv4 or a bracketed IPv6 address
  int port = kDefaultServePort;
};

// "" (the default port), "PORT", "IPv4:PORT" or "[IPv6]:PORT". Throws UsageError.
ListenAddress ParseListenAddress(const std::string& text);

// "http://+:10135/": the URL prefix registered and reserved for the address.
std::string UrlPrefix(const ListenAddress& address);

}  // namespace kestrane
