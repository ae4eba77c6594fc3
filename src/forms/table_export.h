// The server table into a new workbook: the note in A2, table row r and column c in sheet row
// r + 4 and column c + 1, every cell as text.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/server_table.h"
#include "platform/spreadsheet.h"

namespace kestrane {

// The text a spreadsheet keeps as text: a leading apostrophe (which the spreadsheet takes as a text
// marker and does not show) before a text it would read as a formula, one beginning with "=",
// "+", "-", "@", a tab or a carriage return. Every other text as it is.
std::string SpreadsheetText(std::string_view text);

// Rows counted once, columns anew for every row, the cells left to right; an error stops the
// export where it happens and what was written stays. Once `ending` says the program ends (a
// call into the spreadsheet can let the close of the window through), no further cell is written.
void ExportTable(const ServerTable& table, int columnCount, const SpreadsheetFactory& open,
                 const std::function<bool()>& ending = nullptr);

}  // namespace kestrane
