#include "core/text_table.h"

#include <gtest/gtest.h>

namespace kestrane {
namespace {

TEST(TextTable, StartsWithOneEmptyRowAndGrowsRowsToAnyWidth) {
  TextTable table;
  EXPECT_EQ(table.RowCount(), 1);
  EXPECT_EQ(table.Cell(3, 0), "");
  EXPECT_EQ(table.Cell(40, 7), "");  // outside the table reads empty
  table.SetCell(12, 0, "C: 1 MB (1%)");
  EXPECT_EQ(table.Cell(12, 0), "C: 1 MB (1%)");
  EXPECT_EQ(table.CellCount(0), 13);
  EXPECT_THROW(table.SetCell(0, 1, "x"), std::out_of_range);
}

TEST(TextTable, RowCountNeverFallsBelowOneAndDropsRemovedRows) {
  TextTable table;
  table.SetRowCount(3);
  table.SetCell(3, 2, "srv3");
  table.SetRowCount(0);
  EXPECT_EQ(table.RowCount(), 1);
  table.SetRowCount(3);
  EXPECT_EQ(table.Cell(3, 2), "");
}

TEST(TextTable, ClearingKeepsTheColumnsBeforeTheFirstCleared) {
  TextTable table;
  table.SetRowCount(2);
  for (int row = 0; row < 2; ++row) {
    table.SetCell(0, row, "  .");
    table.SetCell(1, row, "1");
    table.SetCell(3, row, "srv");
    table.SetCell(10, row, "X: 1 MB (1%)");
  }
  table.ClearFromColumn(1);
  for (int row = 0; row < 2; ++row) {
    EXPECT_EQ(table.Cell(0, row), "  .");
    EXPECT_EQ(table.Cell(1, row), "");
    EXPECT_EQ(table.Cell(3, row), "");
    EXPECT_EQ(table.Cell(10, row), "");
  }
}

TEST(TextTable, RowCellsKeepEveryColumnUpToTheLastText) {
  TextTable table;
  table.SetCell(3, 0, "srv1");
  table.SetCell(5, 0, "D: 1 MB (1%)");
  table.SetCell(7, 0, "");
  EXPECT_EQ(table.RowCells(0), (std::vector<std::string>{"", "", "", "srv1", "", "D: 1 MB (1%)"}));
}

}  // namespace
}  // namespace kestrane
