#include "platform/win32/wmi_disk_query.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "forms/check_run.h"
#include "forms/recording_view.h"
#include "fake_dispatch.h"
#include "platform/win32/wide_text.h"

namespace kestrane::win32 {
namespace {

using testing::CallLog;
using testing::FakeDispatch;
using testing::FakeEnum;
using testing::Fails;
using testing::Returns;
using testing::ReturnsValue;

Variant Null() {
  Variant v;
  v.get()->vt = VT_NULL;
  return v;
}

constexpr WORD kGetFlags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

// A locator, a service, a query result and an enumerator over disk objects.
class FakeWmi {
 public:
  std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
  FakeDispatch* locator = new FakeDispatch(log, L"locator");
  FakeDispatch* service = new FakeDispatch(log, L"service");
  FakeDispatch* result = new FakeDispatch(log, L"result");
  std::vector<FakeDispatch*> disks;
  HRESULT enumEnd = S_FALSE;
  std::vector<std::wstring> created;
  int inits = 0;
  int uninits = 0;
  HRESULT initResult = S_OK;
  bool createFails = false;
  int failCreation = -1;  // the creation with this number (0 the first) fails

  FakeWmi() {
    locator->On(L"ConnectServer", Returns(service));
    service->On(L"ExecQuery", Returns(result));
    result->On(L"_NewEnum", [this](const DISPPARAMS&, VARIANT* out, EXCEPINFO*) {
      std::vector<IDispatch*> items(disks.begin(), disks.end());
      out->vt = VT_UNKNOWN;
      out->punkVal = new FakeEnum(log, items, enumEnd);
      return S_OK;
    });
  }
  ~FakeWmi() {
    for (FakeDispatch* d : disks) d->Release();
    result->Release();
    service->Release();
    locator->Release();
  }
  FakeDispatch* AddDisk(const Variant& free, const Variant& size, const Variant& device) {
    auto* disk = new FakeDispatch(log, L"disk");
    disk->On(L"FreeSpace", ReturnsValue(free));
    disk->On(L"Size", ReturnsValue(size));
    disk->On(L"DeviceID", ReturnsValue(device));
    disks.push_back(disk);
    return disk;
  }
  ComApi Api() {
    return ComApi{
        [this] {
          ++inits;
          return initResult;
        },
        [this] { ++uninits; },
        [this](const wchar_t* progId) {
          created.push_back(progId);
          if (createFails || static_cast<int>(created.size()) - 1 == failCreation) ThrowComError(REGDB_E_CLASSNOTREG);
          return ComPtr<IDispatch>(locator);
        },
    };
  }
  std::vector<DiskReading> ReadAll(const std::string& server) {
    std::unique_ptr<DiskQuery> query = MakeWmiDiskQuery(Api());
    query->Prepare();
    query->Open(server);
    std::vector<DiskReading> readings;
    while (auto r = query->NextDisk()) readings.push_back(*r);
    return readings;
  }
};

TEST(WmiDiskQueryCalls, MakesTheDocumentedCallsWithExactArguments) {
  FakeWmi wmi;
  wmi.AddDisk(Variant::Text(L"13207024435"), Variant::Text(L"53687091200"), Variant::Text(L"C:"));
  std::vector<DiskReading> readings = wmi.ReadAll("srv01");

  ASSERT_EQ(readings.size(), 1u);
  EXPECT_EQ(readings[0], (DiskReading{"C:", 13207024435, 53687091200}));
  EXPECT_EQ(wmi.created, std::vector<std::wstring>{L"WbemScripting.SWbemLocator"});
  EXPECT_EQ(wmi.log->Members(),
            (std::vector<std::wstring>{L"locator.ConnectServer", L"service.ExecQuery", L"result._NewEnum",
                                       L"enum.Next", L"disk.FreeSpace", L"disk.FreeSpace", L"disk.Size",
                                       L"disk.DeviceID", L"enum.Next"}));

  const auto& connect = wmi.log->calls[0];
  EXPECT_EQ(connect.flags, kGetFlags);
  ASSERT_EQ(connect.args.size(), 7u);
  const wchar_t* texts[] = {L"srv01", L"root\\cimv2", L"", L"", L"", L""};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(connect.args[i].type, VT_BSTR) << i;
    EXPECT_EQ(connect.args[i].text, texts[i]) << i;
  }
  EXPECT_EQ(connect.args[6].type, VT_I4);
  EXPECT_EQ(connect.args[6].number, 128);

  const auto& query = wmi.log->calls[1];
  EXPECT_EQ(query.flags, kGetFlags);
  ASSERT_EQ(query.args.size(), 3u);
  EXPECT_EQ(query.args[0].text, L"Select * From Win32_LogicalDisk where drivetype=3");
  EXPECT_EQ(query.args[1].text, L"WQL");
  EXPECT_EQ(query.args[2].type, VT_I4);
  EXPECT_EQ(query.args[2].number, 32);

  EXPECT_TRUE(wmi.log->calls[2].args.empty());
  EXPECT_EQ(wmi.log->calls[3].args[0].number, 1);  // one element at a time
  for (int i = 4; i < 8; ++i) {
    EXPECT_EQ(wmi.log->calls[i].flags, kGetFlags);
    EXPECT_TRUE(wmi.log->calls[i].args.empty());
  }
}

TEST(WmiDiskQueryCalls, SkipsDisksWithoutFreeSpaceAndKeepsTheOrder) {
  FakeWmi wmi;
  wmi.AddDisk(Variant::Text(L"1"), Variant::Text(L"2"), Variant::Text(L"D:"));
  wmi.AddDisk(Null(), Null(), Null());  // a volume reporting no free space: left out
  wmi.AddDisk(Variant::Int32(5), Variant::Text(L"9223372036854775807"), Variant::Text(L"C:"));
  std::vector<DiskReading> readings = wmi.ReadAll("");
  ASSERT_EQ(readings.size(), 2u);
  EXPECT_EQ(readings[0], (DiskReading{"D:", 1, 2}));
  EXPECT_EQ(readings[1], (DiskReading{"C:", 5, INT64_MAX}));
  auto members = wmi.log->Members();
  EXPECT_EQ(std::count(members.begin(), members.end(), L"disk.FreeSpace"), 5);  // once for the null one
}

TEST(WmiDiskQueryCalls, AnyAnswerButSuccessEndsTheListWithoutFailure) {
  for (HRESULT end : {S_FALSE, E_FAIL, RPC_E_CALL_CANCELED}) {
    FakeWmi wmi;
    wmi.enumEnd = end;
    wmi.AddDisk(Variant::Text(L"1"), Variant::Text(L"2"), Variant::Text(L"C:"));
    EXPECT_EQ(wmi.ReadAll("").size(), 1u);
  }
  FakeWmi none;
  EXPECT_TRUE(none.ReadAll("").empty());  // no fixed disk is no failure
}

TEST(WmiDiskQueryCalls, EveryFailurePointThrows) {
  struct Case {
    const char* what;
    std::function<void(FakeWmi&)> arrange;
    std::string message;  // empty: any text
  };
  std::vector<Case> cases{
      {"locator", [](FakeWmi& w) { w.createFails = true; }, ""},
      {"connect",
       [](FakeWmi& w) { w.locator->On(L"ConnectServer", Fails(DISP_E_EXCEPTION, L"The RPC server is unavailable. ")); },
       "The RPC server is unavailable."},
      {"query", [](FakeWmi& w) { w.service->On(L"ExecQuery", Fails(0x8ABC0001)); }, "OLE error 8ABC0001"},
      {"no enumerator", [](FakeWmi& w) { w.result->On(L"_NewEnum", ReturnsValue(Variant::Int32(3))); }, ""},
      {"null size",
       [](FakeWmi& w) { w.AddDisk(Variant::Text(L"1"), Null(), Variant::Text(L"C:")); },
       "C:: Could not convert variant of type (Null) into type (Int64)"},
      {"free space not a number",
       [](FakeWmi& w) { w.AddDisk(Variant::Text(L"12a"), Variant::Text(L"20"), Variant::Text(L"C:")); },
       "C:: Could not convert variant of type (String) into type (Int64)"},
      {"size beyond 64 bits",
       [](FakeWmi& w) { w.AddDisk(Variant::Text(L"1"), Variant::Text(L"18446744073709551615"), Variant::Text(L"C:")); },
       "C:: Could not convert variant of type (String) into type (Int64)"},
      {"null device",
       [](FakeWmi& w) { w.AddDisk(Variant::Text(L"1"), Variant::Text(L"2"), Null()); },
       "Could not convert variant of type (Null) into type (String)"},
  };
  for (const Case& c : cases) {
    FakeWmi wmi;
    c.arrange(wmi);
    try {
      wmi.ReadAll("srv");
      ADD_FAILURE() << c.what << ": no failure";
    } catch (const std::exception& e) {
      if (!c.message.empty()) {
        EXPECT_EQ(e.what(), c.message) << c.what;
      }
      EXPECT_STRNE(e.what(), "") << c.what;
    }
  }
}

// An automation exception as WMI raises it: DISP_E_EXCEPTION with the cause in the EXCEPINFO.
testing::Member RaisesException(SCODE scode, const wchar_t* description, bool deferred = false) {
  return [=](const DISPPARAMS&, VARIANT*, EXCEPINFO* info) {
    *info = EXCEPINFO{};
    info->scode = scode;
    if (deferred) {
      info->pfnDeferredFillIn = [](EXCEPINFO* e) {
        e->bstrDescription = ::SysAllocString(L"Access is denied. ");
        return S_OK;
      };
    } else if (description) {
      info->bstrDescription = ::SysAllocString(description);
    }
    return DISP_E_EXCEPTION;
  };
}

TEST(WmiDiskQueryCalls, AServersReasonIsTheExceptionsOwnText) {
  struct Case {
    testing::Member connect;
    std::string message;
  };
  const std::vector<Case> cases{
      // The description without the line break and blanks it ends in, as the system's texts.
      {RaisesException(0x800706BA, L"The RPC server is unavailable. \r\n"), "The RPC server is unavailable."},
      {RaisesException(0x80070005, nullptr, true), "Access is denied."},  // filled in when asked
      // The system's text for the exception's code, in the system's words (Wine's differ from Windows's).
      {RaisesException(0x800706BA, nullptr), SystemErrorText(0x800706BA)},
      {RaisesException(0x8004100E, nullptr), "OLE error 8004100E"},  // WBEM_E_INVALID_NAMESPACE: no system text
      {RaisesException(0x8004100E, L" \r\n"), "OLE error 8004100E"},  // a blank description is none
  };
  ASSERT_NE(cases[2].message.find("RPC server"), std::string::npos);
  for (const Case& c : cases) {
    FakeWmi wmi;
    wmi.locator->On(L"ConnectServer", c.connect);
    try {
      wmi.ReadAll("srv");
      ADD_FAILURE() << c.message << ": no failure";
    } catch (const ComError& e) {
      EXPECT_EQ(e.what(), c.message);
    }
  }
}

TEST(WmiDiskQueryCalls, VolumesAreReadByTheirPathsAndThoseWithoutOneAreLeftOut) {
  FakeWmi wmi;
  auto volume = [&](const Variant& name, const Variant& free, const Variant& capacity) {
    auto* v = new FakeDispatch(wmi.log, L"volume");
    v->On(L"Name", ReturnsValue(name));
    v->On(L"FreeSpace", ReturnsValue(free));
    v->On(L"Capacity", ReturnsValue(capacity));
    wmi.disks.push_back(v);
  };
  volume(Variant::Text(L"C:\\"), Variant::Text(L"13207024435"), Variant::Text(L"53687091200"));
  volume(Variant::Text(L"\\\\?\\Volume{4293f4d0-c749-11e6-88bf-9fb7251967bc}\\"), Null(), Null());  // system reserved
  volume(Null(), Variant::Text(L"1"), Variant::Text(L"2"));
  volume(Variant::Text(L"D:\\Mounts\\Data1\\"), Variant::Text(L"734003200"), Variant::Text(L"53687091200"));
  std::unique_ptr<DiskQuery> query = MakeWmiDiskQuery(wmi.Api(), WmiDisks::Volumes);
  query->Prepare();
  query->Open("srv01");
  std::vector<DiskReading> readings;
  while (auto r = query->NextDisk()) readings.push_back(*r);
  EXPECT_EQ(readings, (std::vector<DiskReading>{{"C:\\", 13207024435, 53687091200},
                                                {"D:\\Mounts\\Data1\\", 734003200, 53687091200}}));
  EXPECT_EQ(wmi.log->calls[1].args[0].text, L"Select Name, Capacity, FreeSpace From Win32_Volume where DriveType=3");
  auto members = wmi.log->Members();
  EXPECT_EQ(std::vector<std::wstring>(members.begin() + 3, members.begin() + 9),
            (std::vector<std::wstring>{L"enum.Next", L"volume.Name", L"volume.FreeSpace", L"volume.FreeSpace",
                                       L"volume.Capacity", L"volume.Name"}));
}

TEST(WmiDiskQueryCom, BalancesOnlyInitialisationsThatSucceededAndReleasesEveryObject) {
  FakeWmi wmi;
  wmi.AddDisk(Variant::Text(L"1"), Variant::Text(L"2"), Variant::Text(L"C:"));
  int liveBefore = wmi.log->liveObjects;
  {
    std::unique_ptr<DiskQuery> query = MakeWmiDiskQuery(wmi.Api());
    query->Prepare();  // a server that answers leaves COM initialised
    query->Open("a");
    while (query->NextDisk()) {
    }
    query->Prepare();  // a server that fails releases once
    query->Release();
    EXPECT_EQ(wmi.inits, 2);
    EXPECT_EQ(wmi.uninits, 1);
  }
  EXPECT_EQ(wmi.uninits, 2);  // the end of the run balances the rest on its thread
  EXPECT_EQ(wmi.log->liveObjects, liveBefore);

  FakeWmi refused;
  refused.initResult = RPC_E_CHANGED_MODE;
  {
    std::unique_ptr<DiskQuery> query = MakeWmiDiskQuery(refused.Api());
    query->Prepare();
    query->Release();
  }
  EXPECT_EQ(refused.uninits, 0);
}

TEST(AutomationHelper, PutPassesThePropertyPutArgumentAndByReferenceIndexes) {
  auto log = std::make_shared<CallLog>();
  auto* sheet = new FakeDispatch(log, L"sheet");
  sheet->On(L"Name", testing::Succeeds());
  sheet->On(L"Cells", ReturnsValue(Variant::Int32(0)));
  Put(sheet, L"Name", Variant::Text(L"Внешние данные"));
  std::int32_t row = 2, col = 1;
  Call(sheet, L"Cells", {Variant::Int32Ref(&row), Variant::Int32Ref(&col)});
  ASSERT_EQ(log->calls.size(), 2u);
  EXPECT_EQ(log->calls[0].flags, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(log->calls[0].namedArgs, 1);
  EXPECT_EQ(log->calls[0].args[0].text, L"Внешние данные");
  EXPECT_EQ(log->calls[1].args[0].type, VT_I4 | VT_BYREF);
  EXPECT_EQ(log->calls[1].args[0].number, 2);
  EXPECT_EQ(log->calls[1].args[1].number, 1);
  EXPECT_THROW(Call(sheet, L"NoSuchMember"), ComError);
  sheet->Release();
  EXPECT_EQ(log->liveObjects, 0);
  EXPECT_THROW(CreateAutomationObject(L"No.Such.ProgId"), ComError);
}

// A run over three servers of two disks each, with every automation call failing once (a run
// for each call) and every server's locator failing once: the run goes on with the next server,
// "Недоступно" stands where the failing server's check stopped (a failing enumerator ends the
// list instead), and every reference and every COM initialisation is given back.
TEST(WmiCheckRunFaults, EveryCallFailingOnceLeavesTheRunGoingAndNothingHeld) {
  const std::vector<std::string> servers{"a", "b", "c"};
  const std::string cells[] = {"C: 50,0 GB (50%)", "D: 1,0 GB (1%)"};
  struct Outcome {
    kestrane::testing::RecordingView window;
    std::vector<std::wstring> members;
    int leftOver = 0;
    bool balanced = false;
  };
  auto run = [&](int failCall, int failCreation) {
    auto outcome = std::make_unique<Outcome>();
    std::shared_ptr<CallLog> log;
    {
      FakeWmi wmi;
      log = wmi.log;
      wmi.AddDisk(Variant::Text(L"53687091200"), Variant::Text(L"107374182400"), Variant::Text(L"C:"));
      wmi.AddDisk(Variant::Text(L"1073741824"), Variant::Text(L"107374182400"), Variant::Text(L"D:"));
      log->failCall = failCall;
      wmi.failCreation = failCreation;
      outcome->window.lines = servers;
      {
        auto dispatcher = std::make_shared<QueueDispatcher>();
        CheckRunPresenter runner(dispatcher, outcome->window, [&wmi] { return MakeWmiDiskQuery(wmi.Api()); });
        runner.Start();
        EXPECT_TRUE(kestrane::testing::PumpUntil(*dispatcher, [&] { return !runner.Active(); }));
        EXPECT_TRUE(kestrane::testing::PumpUntil(*dispatcher, [&] { return runner.Workers().Live() == 0; }));
      }
      outcome->balanced = wmi.inits == wmi.uninits;
    }
    outcome->members = log->Members();
    outcome->leftOver = log->liveObjects;  // the fake's own references are given back too by now
    return outcome;
  };
  // The bar as the run moves it, once Start has set it to 0.
  auto progress = [](const kestrane::testing::RecordingView& w) {
    std::vector<std::string> out;
    auto entry = std::find(w.log.begin(), w.log.end(), std::string("clear"));
    for (; entry != w.log.end(); ++entry) {
      if (entry->rfind("progress ", 0) == 0) out.push_back(*entry);
    }
    return out;
  };
  // Server s stopped after `disks` disks: "Недоступно" next unless the list just ended.
  auto expect = [&](const Outcome& o, int s, int disks, bool unavailable, const std::string& what) {
    std::vector<std::string> expectedProgress;
    for (int row = 0; row < 3; ++row) {
      const int shown = row == s ? disks : 2;
      for (int d = 0; d < shown; ++d) EXPECT_EQ(o.window.table.Cell(4 + d, row), cells[d]) << what;
      EXPECT_EQ(o.window.table.Cell(4 + shown, row), row == s && unavailable ? "Недоступно" : "") << what;
      if (row != s || !unavailable) expectedProgress.push_back("progress " + std::to_string(row + 1));
    }
    EXPECT_EQ(progress(o.window), expectedProgress) << what;
    EXPECT_EQ(o.leftOver, 0) << what;
    EXPECT_TRUE(o.balanced) << what;
  };

  const std::vector<std::wstring> calls = run(-1, -1)->members;
  ASSERT_EQ(calls.size(), 3u * 14u);
  for (int k = 0; k < static_cast<int>(calls.size()); ++k) {
    int s = -1, disks = 0;
    for (int i = 0; i <= k; ++i) {
      if (calls[i] == L"locator.ConnectServer") {
        ++s;
        disks = 0;
      } else if (calls[i] == L"disk.DeviceID" && i < k) {
        ++disks;
      }
    }
    const std::wstring& member = calls[k];
    const bool enumerator = member == L"enum.Next";
    const std::string what = "call " + std::to_string(k) + " " + Narrow(member);
    expect(*run(k, -1), s, disks, !enumerator, what);
  }
  for (int s = 0; s < 3; ++s) expect(*run(-1, s), s, 0, true, "locator of server " + std::to_string(s));
}

// Against Wine's own WMI, which answers for the local computer only.
class WmiUnderWine : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr))); }
  void TearDown() override { ::CoUninitialize(); }
};

TEST_F(WmiUnderWine, TheEmptyNameListsTheLocalFixedDisks) {
  std::unique_ptr<DiskQuery> query = MakeWmiDiskQuery();
  query->Prepare();
  query->Open("");
  std::vector<DiskReading> readings;
  while (auto r = query->NextDisk()) readings.push_back(*r);
  std::vector<std::string> devices;
  for (const DiskReading& r : readings) {
    devices.push_back(r.DeviceID);
    EXPECT_GT(r.FreeSpace, 0) << r.DeviceID;
    EXPECT_GT(r.Size, 0) << r.DeviceID;
  }
  EXPECT_NE(std::find(devices.begin(), devices.end(), "C:"), devices.end());
  EXPECT_NE(std::find(devices.begin(), devices.end(), "Z:"), devices.end());
}

TEST_F(WmiUnderWine, ARemoteNameFails) {
  std::unique_ptr<DiskQuery> query = MakeWmiDiskQuery();
  query->Prepare();
  EXPECT_THROW(query->Open("no-such-host"), std::exception);
  query->Release();
}

TEST(WmiCheckRun, FillsTheTableFromTheRealQuery) {
  auto dispatcher = std::make_shared<QueueDispatcher>();
  kestrane::testing::RecordingView window;
  window.lines = {"", "no-such-host"};
  window.inputs = {"100000000", "GB"};  // above any disk: every disk is below
  CheckRunPresenter runner(dispatcher, window, [] { return MakeWmiDiskQuery(); });
  runner.Start();
  ASSERT_TRUE(kestrane::testing::PumpUntil(*dispatcher, [&] { return !runner.Active(); }));
  EXPECT_EQ(window.table.Cell(4, 0).substr(0, 3), "C: ");
  EXPECT_NE(window.table.Cell(4, 0).find(" GB ("), std::string::npos);
  EXPECT_EQ(window.table.Cell(1, 0), "1");
  EXPECT_EQ(window.table.Cell(3, 1), "no-such-host");
  EXPECT_EQ(window.table.Cell(4, 1), "Недоступно");
  EXPECT_EQ(window.progressPosition, 1);
  EXPECT_EQ(window.trayImage, kTrayImageAlert);
  ASSERT_TRUE(kestrane::testing::PumpUntil(*dispatcher, [&] { return runner.Workers().Live() == 0; }));
}

}  // namespace
}  // namespace kestrane::win32
