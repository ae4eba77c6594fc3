// "Выгрузить в Excel" in the real window under Wine: with a fake registered as
// "Excel.Application" the calls for the real table, without it the error box.
#include <gtest/gtest.h>

#include <fstream>

#include "form_fixture.h"
#include "forms/table_export.h"
#include "platform/win32/excel_spreadsheet.h"

namespace kestrane::win32 {
namespace {

constexpr wchar_t kFakeClsid[] = L"{7B1E2F0A-3C44-4C2B-9E55-6A4C5D2E8F11}";

void SetKey(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  HKEY h = nullptr;
  ::RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr);
  ::RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  ::RegCloseKey(h);
}

class ExportWindowTest : public FormWindowTest {
 protected:
  std::wstring log;
  ExportWindowTest() {
    ::CoInitialize(nullptr);
    services.spreadsheet = [] { return OpenExcel(); };
    Unregister();  // left behind by a run that was killed, the fake would stand in for a missing Excel
  }
  ~ExportWindowTest() override { ::CoUninitialize(); }
  // The fake as the test prefix's "Excel.Application".
  void Register() {
    wchar_t exe[MAX_PATH], temp[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring folder(exe);
    folder.resize(folder.find_last_of(L'\\'));
    ::GetTempPathW(MAX_PATH, temp);
    log = std::wstring(temp) + L"kestrane_fake_excel.log";
    ::DeleteFileW(log.c_str());
    ::SetEnvironmentVariableW(L"KESTRANE_FAKE_EXCEL_LOG", log.c_str());
    SetKey(L"Excel.Application\\CLSID", nullptr, kFakeClsid);
    SetKey(std::wstring(L"CLSID\\") + kFakeClsid + L"\\InprocServer32", nullptr,
           folder + L"\\fake_excel.dll");
    SetKey(std::wstring(L"CLSID\\") + kFakeClsid + L"\\InprocServer32", L"ThreadingModel",
           L"Apartment");
  }
  static void Unregister() {
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L"Excel.Application");
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + kFakeClsid).c_str());
  }
  void TearDown() override {
    Unregister();
    FormWindowTest::TearDown();
    if (!log.empty()) ::DeleteFileW(log.c_str());
  }
  std::vector<std::string> Logged() {
    std::ifstream in(Narrow(log));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
};

TEST_F(ExportWindowTest, TheButtonWritesTheRealTableCallByCall) {
  Register();
  Paste(H(form->Memo2), L"\r\nsrv-b\r\n");  // the local computer and a server that does not answer
  ::SendMessageW(H(form->BtnStart), BM_CLICK, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return !form->RunActive() && form->LiveWorkers() == 0; }));
  form->StringGrid1.SetCell(0, 1, "  .");
  ::SendMessageW(H(form->BtnExcel), BM_CLICK, 0, 0);
  EXPECT_TRUE(dialogs.shown.empty()) << dialogs.shown[0];
  std::vector<std::string> expected{"Application.Visible=true",   "Application.WorkBooks()",
                                    "Workbooks.Add()",            "Workbook.WorkSheets(1)",
                                    "Worksheet.Name='Внешние данные'", "Worksheet.Cells(&2,&1)",
                                    "Range.Value='Эти данные переданы из внешней программы.'"};
  for (int row = 0; row < 2; ++row) {
    for (int col = 0; col < 9; ++col) {
      expected.push_back("Worksheet.Cells(" + std::to_string(row + 4) + "," + std::to_string(col + 1) + ")");
      expected.push_back("Range.Value='" + SpreadsheetText(form->StringGrid1.Cell(col, row)) + "'");
    }
  }
  EXPECT_EQ(Logged(), expected);
  EXPECT_EQ(form->StringGrid1.Cell(4, 1), "Недоступно");
  EXPECT_NE(std::find(expected.begin(), expected.end(), "Range.Value='Недоступно'"), expected.end());
}

TEST_F(ExportWindowTest, WithoutASpreadsheetTheErrorBoxShowsAndTheProgramGoesOn) {
  ::SendMessageW(H(form->BtnExcel), BM_CLICK, 0, 0);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0], "OLE error 800401F3.");
  ::SendMessageW(H(form->BtnStart), BM_CLICK, 0, 0);  // and the window goes on as before
  EXPECT_EQ(dialogs.shown.size(), 2u);  // the empty list's message
}

}  // namespace
}  // namespace kestrane::win32
