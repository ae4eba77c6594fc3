// One fixed logical disk as the disk query delivers it.
#pragma once

#include <cstdint>
#include <string>

namespace kestrane {

struct DiskReading {
  std::string DeviceID;
  std::int64_t FreeSpace = 0;
  std::int64_t Size = 0;
};

inline bool operator==(const DiskReading& a, const DiskReading& b) {
  return a.DeviceID == b.DeviceID && a.FreeSpace == b.FreeSpace && a.Size == b.Size;
}

}  // namespace kestrane
