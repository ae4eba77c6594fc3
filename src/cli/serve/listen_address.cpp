#include "cli/serve/listen_address.h"

#include "cli/check_options.h"
#include "core/host_name.h"

namespace kestrane {

ListenAddress ParseListenAddress(const std::string& text) {
  ListenAddress address{"+", kDefaultServePort};
  if (text.empty()) return address;
  auto refuse = [&] {
    throw UsageError("Значение --serve должно быть портом (1-65535) или адресом с портом: 10135, 127.0.0.1:10135, "
                     "[::1]:10135, а не \"" + text + "\".");
  };
  const std::size_t colon = text.rfind(':');
  std::string port = text;
  if (colon != std::string::npos) {
    address.host = text.substr(0, colon);
    port = text.substr(colon + 1);
    const bool bracketed = address.host.size() > 2 && address.host.front() == '[' && address.host.back() == ']';
    const std::optional<HostKind> kind =
        ClassifyHost(bracketed ? address.host.substr(1, address.host.size() - 2) : address.host);
    // An IP address binds the listener to that interface; a name would only be matched against the
    // Host header of each request, which is no restriction at all.
    if (!kind || (bracketed ? *kind != HostKind::IPv6 : *kind != HostKind::IPv4)) refuse();
  }
  // Decimal digits without a leading zero, as the HTTP Server API takes a port.
  if (port.empty() || port.size() > 5 || port[0] == '0' || port.find_first_not_of("0123456789") != std::string::npos) {
    refuse();
  }
  address.port = std::stoi(port);
  if (address.port > 65535) refuse();
  return address;
}

std::string UrlPrefix(const ListenAddress& address) {
  return "http://" + address.host + ":" + std::to_string(address.port) + "/";
}

}  // namespace kestrane
