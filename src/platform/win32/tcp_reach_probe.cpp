#include "platform/win32/tcp_reach_probe.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <mstcpip.h>
#include <windows.h>

#include <chrono>
#include <cstring>
#include <utility>
#include <string>
#include <vector>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

// In ws2_32.dll since Windows 8; MinGW-w64's headers do not declare them.
extern "C" {
INT WSAAPI GetAddrInfoExCancel(LPHANDLE lpHandle);
INT WSAAPI GetAddrInfoExOverlappedResult(LPOVERLAPPED lpOverlapped);
}

namespace kestrane::win32 {
namespace {

using Clock = std::chrono::steady_clock;

// Windows 10 2004 and later: a connection that meets an ICMP error (host or network unreachable)
// fails at once instead of retrying until its time is up. Older systems refuse the option; the
// budget bounds the probe there.
constexpr int kFailConnectOnIcmpError = 18;  // TCP_FAIL_CONNECT_ON_ICMP_ERROR

class UniqueSocket {
 public:
  explicit UniqueSocket(SOCKET s) : s_(s) {}
  UniqueSocket(UniqueSocket&& other) noexcept : s_(std::exchange(other.s_, INVALID_SOCKET)) {}
  UniqueSocket& operator=(UniqueSocket&& other) noexcept {
    std::swap(s_, other.s_);
    return *this;
  }
  ~UniqueSocket() {
    if (s_ != INVALID_SOCKET) ::closesocket(s_);
  }
  SOCKET get() const { return s_; }
  explicit operator bool() const { return s_ != INVALID_SOCKET; }

 private:
  SOCKET s_;
};

std::string WinsockText(int code) {
  std::string text = SystemErrorText(static_cast<unsigned long>(code));
  return text.empty() ? "Winsock error " + std::to_string(code) : text;
}

DWORD MillisecondsLeft(Clock::time_point end) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
  return left > 0 ? static_cast<DWORD>(left) : 0;
}

std::string AddressText(const sockaddr* address, std::size_t length) {
  wchar_t text[INET6_ADDRSTRLEN + 8] = {};
  DWORD size = static_cast<DWORD>(std::size(text));
  if (::WSAAddressToStringW(const_cast<sockaddr*>(address), static_cast<DWORD>(length), nullptr, text, &size) != 0) {
    return "?";
  }
  return Narrow(text);
}

struct Resolved {
  std::vector<sockaddr_storage> addresses;
  std::vector<int> lengths;
  int error = 0;  // a Winsock error, or 0
  bool late = false;
};

void Collect(const ADDRINFOEXW* list, Resolved& resolved) {
  // MinGW-w64 declares ai_next with a misspelt tag: the next entry is the same structure.
  for (const ADDRINFOEXW* a = list; a; a = reinterpret_cast<const ADDRINFOEXW*>(a->ai_next)) {
    if ((a->ai_family != AF_INET && a->ai_family != AF_INET6) || a->ai_addrlen > sizeof(sockaddr_storage)) continue;
    sockaddr_storage address{};
    std::memcpy(&address, a->ai_addr, a->ai_addrlen);
    resolved.addresses.push_back(address);
    resolved.lengths.push_back(static_cast<int>(a->ai_addrlen));
  }
}

bool IsLoopbackOrUnspecified(const sockaddr_storage& address) {
  if (address.ss_family == AF_INET) {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address).sin_addr;
    const unsigned long host = ::ntohl(v4.s_addr);
    return (host >> 24) == 127 || host == 0;
  }
  const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address).sin6_addr;
  static const unsigned char kMapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
  if (std::memcmp(v6.s6_addr, kMapped, 12) == 0) return v6.s6_addr[12] == 127 || std::memcmp(v6.s6_addr + 12, "\0\0\0\0", 4) == 0;
  for (int i = 0; i < 15; ++i) {
    if (v6.s6_addr[i] != 0) return false;
  }
  return v6.s6_addr[15] <= 1;  // :: or ::1
}

// What an asynchronous resolution writes into until it is done. When the system does not end it
// at the end of the budget (a cancel it does not carry out), it is left to write into this, which is
// then never freed, rather than into memory that has gone.
struct Resolution {
  OVERLAPPED overlapped{};
  PADDRINFOEXW list = nullptr;
  HANDLE cancel = nullptr;
  UniqueHandle event{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

// The addresses of `name` with port 135. An address is taken as it is written; a name is resolved
// asynchronously so that a resolver that does not answer is given up at the end of the budget.
Resolved Resolve(const std::wstring& name, Clock::time_point end) {
  Resolved resolved;
  ADDRINFOEXW hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  const std::wstring port = std::to_wstring(kRpcEndpointMapperPort);
  PADDRINFOEXW numeric = nullptr;
  hints.ai_flags = AI_NUMERICHOST;
  if (::GetAddrInfoExW(name.c_str(), port.c_str(), NS_ALL, nullptr, &hints, &numeric, nullptr, nullptr, nullptr,
                       nullptr) == 0) {
    Collect(numeric, resolved);
    ::FreeAddrInfoExW(numeric);
    return resolved;
  }
  hints.ai_flags = 0;
  auto resolution = std::make_unique<Resolution>();
  int rc = WSAEINVAL;
  if (resolution->event) {
    resolution->overlapped.hEvent = resolution->event.get();
    rc = ::GetAddrInfoExW(name.c_str(), port.c_str(), NS_ALL, nullptr, &hints, &resolution->list, nullptr,
                          &resolution->overlapped, nullptr, &resolution->cancel);
  }
  if (rc == WSA_IO_PENDING) {
    if (::WaitForSingleObject(resolution->event.get(), MillisecondsLeft(end)) != WAIT_OBJECT_0) {
      resolved.late = true;
      ::GetAddrInfoExCancel(&resolution->cancel);
      // A cancel completes the call at once; one that does not is left to end on its own.
      if (::WaitForSingleObject(resolution->event.get(), 1000) != WAIT_OBJECT_0) {
        resolution.release();
        return resolved;
      }
    }
    rc = ::GetAddrInfoExOverlappedResult(&resolution->overlapped);
  } else if (rc != 0 && rc != WSAHOST_NOT_FOUND && rc != WSANO_DATA && rc != WSATRY_AGAIN && rc != WSANO_RECOVERY) {
    // A system that cannot resolve asynchronously: asked the plain way, bounded by the server's deadline.
    resolution->list = nullptr;
    rc = ::GetAddrInfoExW(name.c_str(), port.c_str(), NS_ALL, nullptr, &hints, &resolution->list, nullptr, nullptr,
                          nullptr, nullptr);
  }
  if (rc == 0 && !resolved.late) Collect(resolution->list, resolved);
  if (resolution->list) ::FreeAddrInfoExW(resolution->list);
  resolved.error = resolved.late ? 0 : rc;
  return resolved;
}

class TcpReachProbe : public HostProbe {
 public:
  HostReach Probe(const std::string& name, std::chrono::milliseconds budget) override {
    const Clock::time_point end = Clock::now() + budget;
    WSADATA data{};
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) {
      return {ReachOutcome::NotProbed, ""};  // nothing can be told: WMI is asked as without the probe
    }
    HostReach reach = Connect(name, end, budget);
    ::WSACleanup();
    return reach;
  }

 private:
  static std::string Within(std::chrono::milliseconds budget) {
    const auto ms = budget.count();
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
  }

  HostReach Connect(const std::string& name, Clock::time_point end, std::chrono::milliseconds budget) {
    const Resolved resolved = Resolve(Widen(name), end);
    if (resolved.late) {
      return {ReachOutcome::NoAnswer, "The name did not resolve within " + Within(budget) + "."};
    }
    if (resolved.error != 0 || resolved.addresses.empty()) {
      return {ReachOutcome::NotResolved, WinsockText(resolved.error != 0 ? resolved.error : WSAHOST_NOT_FOUND)};
    }
    // A name or an address of this computer however it is written (127.1, ::ffff:127.0.0.1, 0.0.0.0):
    // WMI is asked as for the local computer.
    for (const sockaddr_storage& address : resolved.addresses) {
      if (IsLoopbackOrUnspecified(address)) return {ReachOutcome::NotProbed, ""};
    }
    struct Attempt {
      UniqueSocket socket;
      std::string address;
    };
    std::vector<Attempt> pending;
    int refused = 0, unreachable = 0, other = 0;
    std::string refusedAt, unreachableText, otherText;
    auto failed = [&](int code, const std::string& address) {
      const std::string text = WinsockText(code) + " (" + address + ")";
      if (code == WSAECONNREFUSED) {
        if (!refused++) refusedAt = text;
      } else if (code == WSAEHOSTUNREACH || code == WSAENETUNREACH || code == WSAEADDRNOTAVAIL) {
        if (!unreachable++) unreachableText = text;
      } else if (!other++) {
        otherText = text;
      }
    };
    for (std::size_t i = 0; i < resolved.addresses.size() && pending.size() < FD_SETSIZE; ++i) {
      const sockaddr* address = reinterpret_cast<const sockaddr*>(&resolved.addresses[i]);
      const std::string text = AddressText(address, static_cast<std::size_t>(resolved.lengths[i]));
      UniqueSocket s(::socket(address->sa_family, SOCK_STREAM, IPPROTO_TCP));
      u_long nonBlocking = 1;
      if (!s || ::ioctlsocket(s.get(), FIONBIO, &nonBlocking) != 0) {
        failed(::WSAGetLastError(), text);
        continue;
      }
      DWORD on = 1;
      ::setsockopt(s.get(), IPPROTO_TCP, kFailConnectOnIcmpError, reinterpret_cast<const char*>(&on), sizeof on);
      if (::connect(s.get(), address, resolved.lengths[i]) == 0) return {};  // accepted at once; closed here
      const int code = ::WSAGetLastError();
      if (code != WSAEWOULDBLOCK) {
        failed(code, text);
        continue;
      }
      pending.push_back({std::move(s), text});
    }
    while (!pending.empty()) {
      fd_set writable, failing;
      FD_ZERO(&writable);
      FD_ZERO(&failing);
      for (const Attempt& a : pending) {
        FD_SET(a.socket.get(), &writable);
        FD_SET(a.socket.get(), &failing);
      }
      const DWORD left = MillisecondsLeft(end);
      timeval wait{static_cast<long>(left / 1000), static_cast<long>((left % 1000) * 1000)};
      const int ready = ::select(0, nullptr, &writable, &failing, &wait);
      if (ready == 0) break;  // the budget is spent
      if (ready == SOCKET_ERROR) {
        failed(::WSAGetLastError(), pending.front().address);
        break;
      }
      for (std::size_t i = 0; i < pending.size();) {
        if (FD_ISSET(pending[i].socket.get(), &writable)) return {};  // the first address that accepts
        if (FD_ISSET(pending[i].socket.get(), &failing)) {
          int code = 0;
          int size = sizeof code;
          ::getsockopt(pending[i].socket.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&code), &size);
          failed(code != 0 ? code : WSAECONNREFUSED, pending[i].address);
          pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
          ++i;
        }
      }
    }
    if (!pending.empty()) {
      return {ReachOutcome::NoAnswer, "No answer from " + pending.front().address + " within " + Within(budget) + "."};
    }
    if (refused) return {ReachOutcome::Refused, refusedAt};
    if (unreachable) return {ReachOutcome::Unreachable, unreachableText};
    return {ReachOutcome::Unreachable, otherText};
  }
};

}  // namespace

std::shared_ptr<HostProbe> MakeTcpReachProbe() { return std::make_shared<TcpReachProbe>(); }

}  // namespace kestrane::win32
