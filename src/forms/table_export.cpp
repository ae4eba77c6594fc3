#include "forms/table_export.h"

namespace kestrane {

std::string SpreadsheetText(std::string_view text) {
  if (!text.empty()) {
    switch (text.front()) {
      case '=':
      case '+':
      case '-':
      case '@':
      case '\t':
      case '\r':
        return "'" + std::string(text);
    }
  }
  return std::string(text);
}

void ExportTable(const ServerTable& table, int columnCount, const SpreadsheetFactory& open,
                 const std::function<bool()>& ending) {
  std::unique_ptr<Spreadsheet> sheet = open();
  const int rows = table.RowCount();
  for (int row = 0; row < rows; ++row) {
    const int columns = columnCount;  // the table's columns, read for each row
    for (int col = 0; col < columns; ++col) {
      if (ending && ending()) return;
      sheet->WriteCell(row + 4, col + 1, SpreadsheetText(table.Cell(col, row)));
    }
  }
}

}  // namespace kestrane
