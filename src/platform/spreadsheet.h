// A new workbook of a spreadsheet program, written cell by cell.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace kestrane {

inline constexpr char kSheetName[] = "Внешние данные";
inline constexpr char kSheetNote[] = "Эти данные переданы из внешней программы.";

class Spreadsheet {
 public:
  virtual ~Spreadsheet() = default;  // lets go of the program: the workbook stays open, unsaved
  // Writes the text into the cell of the first sheet (rows and columns counted from 1).
  virtual void WriteCell(int row, int column, const std::string& text) = 0;
};

// Starts the program, shows it and opens a new workbook whose first sheet is named kSheetName
// with kSheetNote in A2. Throws with the program's own error text.
using SpreadsheetFactory = std::function<std::unique_ptr<Spreadsheet>()>;

}  // namespace kestrane
