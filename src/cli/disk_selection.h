// Which disks a check looks at: --disk and --exclude-disk patterns, applied to the disk query itself
// so that a disk left out takes no cell, no performance data and no part in the state.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/disk_query.h"

namespace kestrane {

// '*' any characters, '?' one character, without case. A closing backslash counts neither in the
// pattern nor in the name: "C:" matches the volume "C:\", and "C:\" the logical disk "C:".
bool DiskMatches(std::string_view pattern, std::string_view diskName);

// Queries that deliver only the disks that match one of `only` (all when it is empty) and none of
// `excluded`.
DiskQueryFactory SelectDisks(DiskQueryFactory queries, std::vector<std::string> only, std::vector<std::string> excluded);

}  // namespace kestrane
