// Whether a server answers where every remote WMI connection begins, the RPC endpoint mapper on
// TCP 135: its name resolved and a connection tried on each of its addresses at once, within one
// budget.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <memory>

#include "core/reachability.h"

namespace kestrane::win32 {

std::shared_ptr<HostProbe> MakeTcpReachProbe();

}  // namespace kestrane::win32
