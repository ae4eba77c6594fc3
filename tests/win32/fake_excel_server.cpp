// The recording Excel fake as an in-process COM server, for a test to register as
// "Excel.Application": every call is written, one line each, to the file KESTRANE_FAKE_EXCEL_LOG
// names.
#include <windows.h>

#include <fstream>

#include "fake_excel.h"
#include "platform/win32/wide_text.h"

namespace {

using kestrane::win32::testing::ExcelModel;

// {7B1E2F0A-3C44-4C2B-9E55-6A4C5D2E8F11}
const CLSID kFakeExcel = {0x7b1e2f0a, 0x3c44, 0x4c2b, {0x9e, 0x55, 0x6a, 0x4c, 0x5d, 0x2e, 0x8f, 0x11}};

ExcelModel& Model() {
  static ExcelModel* model = [] {
    auto* m = new ExcelModel;  // lives as long as the process: objects may outlive an unload
    wchar_t path[MAX_PATH];
    if (::GetEnvironmentVariableW(L"KESTRANE_FAKE_EXCEL_LOG", path, MAX_PATH)) {
      std::string file = kestrane::win32::Narrow(path);
      m->log->onCall = [file](const kestrane::win32::testing::RecordedCall& call) {
        std::ofstream(file, std::ios::app) << kestrane::win32::Narrow(ExcelModel::Describe(call)) << "\n";
      };
    }
    return m;
  }();
  return *model;
}

class Factory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (outer) return CLASS_E_NOAGGREGATION;
    return Model().Application()->QueryInterface(riid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

}  // namespace

extern "C" __declspec(dllexport) HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
  static Factory factory;
  if (clsid != kFakeExcel) return CLASS_E_CLASSNOTAVAILABLE;
  return factory.QueryInterface(riid, out);
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllCanUnloadNow() { return S_FALSE; }
