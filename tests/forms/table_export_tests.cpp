// The table into a new workbook, against a recording spreadsheet.
#include <gtest/gtest.h>

#include "forms/form1_fixture.h"
#include "forms/table_export.h"

namespace kestrane {
namespace {

// Every cell written, as "row,column=text"; fails at the chosen write.
class RecordingSheet : public Spreadsheet {
 public:
  explicit RecordingSheet(std::vector<std::string>& cells, int failAt = -1) : cells_(cells), failAt_(failAt) {}
  ~RecordingSheet() override { cells_.push_back("released"); }
  void WriteCell(int row, int column, const std::string& text) override {
    if (static_cast<int>(cells_.size()) == failAt_) throw std::runtime_error("Unable to set the Value property");
    cells_.push_back(std::to_string(row) + "," + std::to_string(column) + "=" + text);
    if (afterWrite) afterWrite();
  }
  std::function<void()> afterWrite;  // what the call let through meanwhile

 private:
  std::vector<std::string>& cells_;
  int failAt_;
};

TEST(SpreadsheetText, OnlyWhatASpreadsheetWouldReadAsAFormulaGetsTheTextMarker) {
  for (const char* formula : {"=HYPERLINK(\"http://x\")", "+1", "-x", "@SUM(A1)", "\tsrv", "\rsrv",
                              "=cmd|' /C calc'!A0", "-"}) {
    EXPECT_EQ(SpreadsheetText(formula), "'" + std::string(formula)) << formula;
  }
  for (const char* text : {"", "srv01", "  .", "1", "C: 12,3 GB (24%)", "Недоступно", " =1", "a=b", "'quoted"}) {
    EXPECT_EQ(SpreadsheetText(text), text) << text;
  }
}

TEST(ExportTable, EveryRowAndColumnZeroToEightFromSheetRowFour) {
  ServerTable table;
  table.SetRowCount(3);
  table.SetCell(0, 0, "  .");
  table.SetCell(1, 0, "1");
  table.SetCell(3, 0, "srv01");
  table.SetCell(4, 0, "C: 700 MB (1%)");
  table.SetCell(3, 1, "srv02");
  table.SetCell(4, 1, "Недоступно");
  table.SetCell(3, 2, "=srv03");
  table.SetCell(9, 2, "J: 1 MB (1%)");  // beyond column 8: only in the model
  std::vector<std::string> cells;
  ExportTable(table, 9, [&] { return std::make_unique<RecordingSheet>(cells); });
  ASSERT_EQ(cells.size(), 3u * 9u + 1u);
  EXPECT_EQ(cells[0], "4,1=  .");
  EXPECT_EQ(cells[1], "4,2=1");
  EXPECT_EQ(cells[2], "4,3=");  // column 2 is always empty
  EXPECT_EQ(cells[3], "4,4=srv01");
  EXPECT_EQ(cells[4], "4,5=C: 700 MB (1%)");
  EXPECT_EQ(cells[8], "4,9=");
  EXPECT_EQ(cells[9 + 4], "5,5=Недоступно");
  EXPECT_EQ(cells[18 + 3], "6,4='=srv03");
  EXPECT_EQ(cells[26], "6,9=");
  EXPECT_EQ(cells.back(), "released");
}

TEST(ExportTable, TheTableBeforeTheFirstRunIsOneRowOfNineEmptyTexts) {
  std::vector<std::string> cells;
  ExportTable(ServerTable(), 9, [&] { return std::make_unique<RecordingSheet>(cells); });
  EXPECT_EQ(cells, (std::vector<std::string>{"4,1=", "4,2=", "4,3=", "4,4=", "4,5=", "4,6=", "4,7=", "4,8=", "4,9=",
                                             "released"}));
}

TEST(ExportTable, AFailureStopsWhereItHappensAndLetsGo) {
  ServerTable table;
  table.SetRowCount(2);
  std::vector<std::string> cells;
  EXPECT_THROW(ExportTable(table, 9, [&] { return std::make_unique<RecordingSheet>(cells, 11); }), std::runtime_error);
  EXPECT_EQ(cells.size(), 12u);  // eleven cells written, then the release
  EXPECT_EQ(cells[10], "5,2=");
  EXPECT_EQ(cells.back(), "released");
}

TEST_F(Form1Test, TheExportButtonWritesTheTableAndReportsAMissingSpreadsheet) {
  std::vector<std::string> cells;
  bool busyWhileWriting = false;
  services.spreadsheet = [&]() -> std::unique_ptr<Spreadsheet> {
    busyWhileWriting = form->Busy();
    return std::make_unique<RecordingSheet>(cells);
  };
  Create();
  form->StringGrid1.SetCell(3, 0, "srv01");
  form->BtnExcel.Click();
  EXPECT_EQ(cells.size(), 10u);
  EXPECT_EQ(cells[3], "4,4=srv01");
  EXPECT_TRUE(busyWhileWriting);
  EXPECT_FALSE(form->Busy());
  EXPECT_TRUE(dialogs.errors.empty());

  services.spreadsheet = []() -> std::unique_ptr<Spreadsheet> { throw std::runtime_error("OLE error 800401F3"); };
  Create();
  form->BtnExcel.Click();
  EXPECT_EQ(dialogs.errors, std::vector<std::string>{"OLE error 800401F3."});
  EXPECT_FALSE(form->Busy());  // the program goes on as before
}

TEST_F(Form1Test, EndingTheProgramDuringAnExportStopsItAtTheNextCell) {
  TApplication application(kApplicationTitle);
  services.application = &application;
  std::vector<std::string> cells;
  services.spreadsheet = [&]() -> std::unique_ptr<Spreadsheet> {
    auto sheet = std::make_unique<RecordingSheet>(cells);
    sheet->afterWrite = [&] {
      if (cells.size() == 3) application.Terminate();  // "Выйти" from the tray during the third call
    };
    return sheet;
  };
  Create();
  form->BtnExcel.Click();
  EXPECT_EQ(cells, (std::vector<std::string>{"4,1=", "4,2=", "4,3=", "released"}));
  EXPECT_TRUE(dialogs.errors.empty());
  EXPECT_FALSE(form->Busy());
}

}  // namespace
}  // namespace kestrane
