// A recording fake of Excel's object model as the export uses it: Application, Workbooks,
// Workbook, Worksheet and a Range for every Cells call. A step named in failAt fails.
#pragma once

#include <string>

#include "fake_dispatch.h"

namespace kestrane::win32::testing {

class ExcelModel {
 public:
  std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
  std::wstring failAt;  // "Application.Visible", "Worksheet.Cells", "Range.Value", ...
  int failOnCall = -1;  // or the call with this number (0 the first)

  ComPtr<IDispatch> Application() {
    auto* app = New(L"Application");
    auto* books = New(L"Workbooks");
    auto* book = New(L"Workbook");
    auto* sheet = New(L"Worksheet");
    app->On(L"Visible", Step(L"Application.Visible", Succeeds()));
    app->On(L"WorkBooks", Step(L"Application.WorkBooks", Returns(books)));
    books->On(L"Add", Step(L"Workbooks.Add", Returns(book)));
    book->On(L"WorkSheets", Step(L"Workbook.WorkSheets", Returns(sheet)));
    sheet->On(L"Name", Step(L"Worksheet.Name", Succeeds()));
    sheet->On(L"Cells", Step(L"Worksheet.Cells", [this](const DISPPARAMS&, VARIANT* result, EXCEPINFO*) {
                auto* range = New(L"Range");
                range->On(L"Value", Step(L"Range.Value", Succeeds()));
                result->vt = VT_DISPATCH;
                result->pdispVal = range;  // the reference it was made with goes to the caller
                return S_OK;
              }));
    books->Release();
    book->Release();
    sheet->Release();
    ComPtr<IDispatch> p(app);
    app->Release();
    return p;
  }

  // "Worksheet.Cells(4,1)", "Range.Value='text'", ... for comparing.
  static std::wstring Describe(const RecordedCall& c) {
    std::wstring out = c.object + L"." + c.member;
    out += c.flags == DISPATCH_PROPERTYPUT ? L"=" : L"(";
    for (std::size_t i = 0; i < c.args.size(); ++i) {
      const RecordedArg& a = c.args[i];
      if (i > 0) out += L",";
      if (a.type == VT_BSTR) out += L"'" + a.text + L"'";
      else if (a.type == VT_BOOL) out += a.number ? L"true" : L"false";
      else if (a.type == (VT_I4 | VT_BYREF)) out += L"&" + std::to_wstring(a.number);
      else out += std::to_wstring(a.number);
    }
    if (c.flags != DISPATCH_PROPERTYPUT) out += L")";
    return out;
  }

 private:
  FakeDispatch* New(const wchar_t* label) { return new FakeDispatch(log, label); }
  Member Step(const std::wstring& name, Member ok) {
    return [this, name, ok](const DISPPARAMS& p, VARIANT* r, EXCEPINFO* info) {
      const bool fails = name == failAt || static_cast<int>(log->calls.size()) - 1 == failOnCall;
      if (fails) return Fails(E_FAIL, L"Unable to set the Value property of the Range class")(p, r, info);
      return ok(p, r, info);
    };
  }
};

}  // namespace kestrane::win32::testing
