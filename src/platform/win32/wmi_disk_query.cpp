#include "platform/win32/wmi_disk_query.h"

#include <oleauto.h>

#include "platform/win32/wide_text.h"

namespace kestrane::win32 {

ComApi ComApi::System() {
  return ComApi{
      [] { return ::CoInitialize(nullptr); },
      [] { ::CoUninitialize(); },
      [](const wchar_t* progId) { return CreateAutomationObject(progId); },
  };
}

ComApi ComApi::Multithreaded() {
  ComApi api = System();
  api.initialize = [] { return ::CoInitializeEx(nullptr, COINIT_MULTITHREADED); };
  return api;
}

namespace {

// A volume's Name is its drive letter or mount point path, or its volume GUID path \\?\Volume{...}\ when
// it has neither.
bool HasPath(const Variant& name) {
  if (name.Type() != VT_BSTR) return false;
  std::wstring_view text(name.get()->bstrVal ? name.get()->bstrVal : L"", ::SysStringLen(name.get()->bstrVal));
  return !text.empty() && text.substr(0, 4) != L"\\\\?\\";
}

class WmiDiskQuery : public DiskQuery {
 public:
  WmiDiskQuery(ComApi api, WmiDisks disks) : api_(std::move(api)), volumes_(disks == WmiDisks::Volumes) {}

  ~WmiDiskQuery() override {
    DropObjects();
    // Balances what the servers that answered left initialised on this thread.
    while (initialised_ > 0) {
      api_.uninitialize();
      --initialised_;
    }
  }

  void Prepare() override {
    // Counts up after a server that answered; only a call that succeeded is balanced later.
    if (SUCCEEDED(api_.initialize())) ++initialised_;
  }

  void Release() override {
    DropObjects();
    if (initialised_ > 0) {
      api_.uninitialize();
      --initialised_;
    }
  }

  void Open(const std::string& server) override {
    DropObjects();
    locator_ = api_.createObject(kWmiLocatorProgId);
    if (!locator_) ThrowComError(REGDB_E_CLASSNOTREG);
    Variant service = Call(locator_.Get(), L"ConnectServer",
                           {Variant::Text(Widen(server)), Variant::Text(kWmiNamespace), Variant::Text(L""),
                            Variant::Text(L""), Variant::Text(L""), Variant::Text(L""),
                            Variant::Int32(kWbemConnectFlagUseMaxWait)});
    service_ = VariantToDispatch(service);
    Variant result = Call(service_.Get(), L"ExecQuery",
                          {Variant::Text(volumes_ ? kFixedVolumeQuery : kFixedDiskQuery), Variant::Text(L"WQL"),
                           Variant::Int32(kWbemFlagForwardOnly)});
    result_ = VariantToDispatch(result);
    Variant newEnum = Call(result_.Get(), L"_NewEnum");
    IUnknown* unknown = newEnum.Type() == VT_UNKNOWN    ? newEnum.get()->punkVal
                        : newEnum.Type() == VT_DISPATCH ? newEnum.get()->pdispVal
                                                        : nullptr;
    if (!unknown || FAILED(unknown->QueryInterface(IID_PPV_ARGS(&enum_)))) {
      ThrowComError(E_NOINTERFACE);
    }
  }

  std::optional<DiskReading> NextDisk() override {
    if (!enum_) return std::nullopt;
    for (;;) {
      Variant item;
      ULONG fetched = 0;
      // Any answer but S_OK, the end and an error alike, ends the list.
      if (enum_->Next(1, item.Reset(), &fetched) != S_OK) return std::nullopt;
      ComPtr<IDispatch> disk = VariantToDispatch(item);
      if (volumes_ && !HasPath(Get(disk.Get(), L"Name"))) continue;
      if (Get(disk.Get(), L"FreeSpace").IsNull()) continue;
      const Variant freeSpace = Get(disk.Get(), L"FreeSpace");
      const Variant size = Get(disk.Get(), volumes_ ? L"Capacity" : L"Size");
      DiskReading reading;
      reading.DeviceID = VariantToText(Get(disk.Get(), volumes_ ? L"Name" : L"DeviceID"));
      try {
        reading.FreeSpace = VariantToInt64(freeSpace);
        reading.Size = VariantToInt64(size);
      } catch (const std::exception& e) {
        // A figure the disk does not report (a null size) fails the server: the reason names the disk.
        throw std::runtime_error(reading.DeviceID + ": " + e.what());
      }
      return reading;
    }
  }

 private:
  void DropObjects() {
    enum_.Reset();
    result_.Reset();
    service_.Reset();
    locator_.Reset();
  }

  ComApi api_;
  bool volumes_;
  int initialised_ = 0;
  ComPtr<IDispatch> locator_;
  ComPtr<IDispatch> service_;
  ComPtr<IDispatch> result_;
  ComPtr<IEnumVARIANT> enum_;
};

}  // namespace

std::unique_ptr<DiskQuery> MakeWmiDiskQuery(ComApi api, WmiDisks disks) {
  return std::make_unique<WmiDiskQuery>(std::move(api), disks);
}

}  // namespace kestrane::win32
