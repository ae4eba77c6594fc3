#include "platform/win32/excel_spreadsheet.h"

#include "platform/win32/wide_text.h"

namespace kestrane::win32 {
namespace {

class ExcelSpreadsheet : public Spreadsheet {
 public:
  explicit ExcelSpreadsheet(const ObjectFactory& create) {
    application_ = create(L"Excel.Application");
    Put(application_.Get(), L"Visible", Variant::Bool(true));
    workbooks_ = VariantToDispatch(Call(application_.Get(), L"WorkBooks"));
    workbook_ = VariantToDispatch(Call(workbooks_.Get(), L"Add"));
    sheet_ = VariantToDispatch(Get(workbook_.Get(), L"WorkSheets", {Variant::Int32(1)}));
    Put(sheet_.Get(), L"Name", Variant::Text(Widen(kSheetName)));
    std::int32_t row = 2, column = 1;
    ComPtr<IDispatch> note =
        VariantToDispatch(Get(sheet_.Get(), L"Cells", {Variant::Int32Ref(&row), Variant::Int32Ref(&column)}));
    Put(note.Get(), L"Value", Variant::Text(Widen(kSheetNote)));
  }

  void WriteCell(int row, int column, const std::string& text) override {
    ComPtr<IDispatch> range =
        VariantToDispatch(Get(sheet_.Get(), L"Cells", {Variant::Int32(row), Variant::Int32(column)}));
    Put(range.Get(), L"Value", Variant::Text(Widen(text)));
  }

 private:
  // Released in reverse order when the export ends; a constructor that fails releases what it got.
  ComPtr<IDispatch> application_;
  ComPtr<IDispatch> workbooks_;
  ComPtr<IDispatch> workbook_;
  ComPtr<IDispatch> sheet_;
};

}  // namespace

std::unique_ptr<Spreadsheet> OpenExcel(const ObjectFactory& create) {
  return std::make_unique<ExcelSpreadsheet>(create);
}

}  // namespace kestrane::win32
