// The export against a recording fake of Excel's object model: the calls with their flags and
// arguments, a failure at each step, every reference let go, and Wine without a spreadsheet.
#include "platform/win32/excel_spreadsheet.h"

#include <gtest/gtest.h>

#include "fake_excel.h"
#include "forms/table_export.h"
#include "platform/win32/wide_text.h"

namespace kestrane::win32 {
namespace {

using testing::ExcelModel;

std::vector<std::wstring> Described(const testing::CallLog& log) {
  std::vector<std::wstring> out;
  for (const auto& c : log.calls) out.push_back(ExcelModel::Describe(c));
  return out;
}

class ExcelExportTest : public ::testing::Test {
 protected:
  ExcelModel model;
  SpreadsheetFactory Excel() {
    return [this] { return OpenExcel([this](const wchar_t*) { return model.Application(); }); };
  }
};

TEST_F(ExcelExportTest, OpensAVisibleWorkbookNamesTheSheetAndWritesEveryCellAsText) {
  ServerTable table;
  table.SetRowCount(3);
  table.SetCell(0, 0, "  .");
  table.SetCell(1, 0, "1");
  table.SetCell(3, 0, "srv01");
  table.SetCell(4, 0, "C: 700 MB (1%)");
  table.SetCell(3, 1, "srv02");
  table.SetCell(4, 1, "Недоступно");
  table.SetCell(3, 2, "=HYPERLINK(\"http://x\",\"srv\")");
  ExportTable(table, 9, Excel());
  std::vector<std::wstring> calls = Described(*model.log);
  ASSERT_EQ(calls.size(), 7u + 3u * 9u * 2u);
  EXPECT_EQ(std::vector<std::wstring>(calls.begin(), calls.begin() + 7),
            (std::vector<std::wstring>{L"Application.Visible=true", L"Application.WorkBooks()", L"Workbooks.Add()",
                                       L"Workbook.WorkSheets(1)", L"Worksheet.Name='Внешние данные'",
                                       L"Worksheet.Cells(&2,&1)",
                                       L"Range.Value='Эти данные переданы из внешней программы.'"}));
  EXPECT_EQ(calls[7], L"Worksheet.Cells(4,1)");
  EXPECT_EQ(calls[8], L"Range.Value='  .'");
  EXPECT_EQ(calls[10], L"Range.Value='1'");
  EXPECT_EQ(calls[12], L"Range.Value=''");  // column 2, always empty, written too
  EXPECT_EQ(calls[13], L"Worksheet.Cells(4,4)");
  EXPECT_EQ(calls[14], L"Range.Value='srv01'");
  EXPECT_EQ(calls[7 + 18 + 9], L"Range.Value='Недоступно'");
  EXPECT_EQ(calls[7 + 36 + 7], L"Range.Value=''=HYPERLINK(\"http://x\",\"srv\")'");  // stays text
  EXPECT_EQ(calls.back(), L"Range.Value=''");
  EXPECT_EQ(calls[calls.size() - 2], L"Worksheet.Cells(6,9)");
  // Property puts go as puts with the named argument, method calls read a result.
  EXPECT_EQ(model.log->calls[0].flags, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(model.log->calls[0].namedArgs, 1);
  EXPECT_EQ(model.log->calls[1].flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
  EXPECT_EQ(model.log->liveObjects, 0);  // every reference let go
}

TEST_F(ExcelExportTest, AFailureAtAnyStepStopsThereKeepsWhatWasWrittenAndLetsGo) {
  for (const wchar_t* step : {L"Application.Visible", L"Application.WorkBooks", L"Workbooks.Add",
                              L"Workbook.WorkSheets", L"Worksheet.Name", L"Worksheet.Cells", L"Range.Value"}) {
    ExcelModel failing;
    failing.failAt = step;
    SpreadsheetFactory open = [&] { return OpenExcel([&](const wchar_t*) { return failing.Application(); }); };
    try {
      ExportTable(ServerTable(), 9, open);
      ADD_FAILURE() << "no failure at " << Narrow(step);
    } catch (const ComError& e) {
      EXPECT_STREQ(e.what(), "Unable to set the Value property of the Range class");
    }
    EXPECT_EQ(ExcelModel::Describe(failing.log->calls.back()).rfind(step, 0), 0u);  // stopped there
    EXPECT_EQ(failing.log->liveObjects, 0) << Narrow(step);
  }
  ExcelModel failing;
  failing.failOnCall = 7 + 2 * 5 + 1;  // the sixth cell's value
  try {
    ExportTable(ServerTable(), 9, [&] { return OpenExcel([&](const wchar_t*) { return failing.Application(); }); });
  } catch (const ComError&) {
  }
  EXPECT_EQ(failing.log->calls.size(), 7u + 2u * 5u + 2u);  // five cells written, then the failing call
  EXPECT_EQ(failing.log->liveObjects, 0);
}

TEST(ExcelUnderWine, WithoutASpreadsheetTheErrorNamesTheCode) {
  ::CoInitialize(nullptr);
  try {
    OpenExcel();
    ADD_FAILURE() << "Excel.Application was created";
  } catch (const ComError& e) {
    EXPECT_EQ(e.Result(), CO_E_CLASSSTRING);
    std::string text = e.what();
    EXPECT_TRUE(text == "OLE error 800401F3" || text.find("class") != std::string::npos) << text;
  }
  ::CoUninitialize();
}

}  // namespace
}  // namespace kestrane::win32
