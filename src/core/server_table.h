// The server table: the only store of check results, as cell texts.
//
// Columns: 0 no-alert marker, 1 alert flag, 2 always empty, 3 server name, 4 and on disk
// cells. A row holds any number of cells.
#pragma once

#include <string_view>

#include "core/text_table.h"

namespace kestrane {

inline constexpr int kMarkerColumn = 0;
inline constexpr int kAlertColumn = 1;
inline constexpr int kNameColumn = 3;
inline constexpr int kFirstDiskColumn = 4;
inline constexpr int kShownColumnCount = 9;  // columns 0 to 8; disk cells beyond exist only here

inline constexpr std::string_view kNoAlertMarker = "  .";
inline constexpr std::string_view kAlertFlag = "1";
inline constexpr std::string_view kUnavailableText = "Недоступно";

// The table the grid shows, laid out in the columns above.
using ServerTable = TextTable;

}  // namespace kestrane
