// The directory query against recording fakes of ADO's object model: members, argument kinds and
// order, the paged command, a failure at each step, and every reference released.
#include "platform/win32/ado_directory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>

#include "fake_dispatch.h"

namespace kestrane::win32 {
namespace {

using testing::CallLog;
using testing::FakeDispatch;
using testing::Member;
using testing::Returns;
using testing::ReturnsValue;

// Connection, Command with its properties, Recordset with its fields, as the adapter meets them.
class AdoModel {
 public:
  std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
  std::vector<std::wstring> names{L"SRV01", L"SRV02"};
  std::wstring failAt;  // "Connection.Open", "Recordset.Open", "Field.Value", ...
  int connectionState = 0;
  std::size_t at = 0;

  ComPtr<IDispatch> Create(const wchar_t* progId) {
    std::wstring id = progId;
    if (id == L"ADODB.Connection") return Connection();
    if (id == L"ADODB.Command") return Command();
    if (id == L"ADODB.Recordset") return Recordset();
    throw ComError(REGDB_E_CLASSNOTREG, "Class not registered");
  }

 private:
  // A member that fails when named in failAt, else does `ok`.
  Member Step(const std::wstring& name, Member ok) {
    return [this, name, ok](const DISPPARAMS& p, VARIANT* r, EXCEPINFO* info) {
      if (name == failAt) return testing::Fails(E_FAIL, L"Table does not exist.")(p, r, info);
      return ok(p, r, info);
    };
  }
  Member Value(std::function<Variant()> value) {
    return [value](const DISPPARAMS&, VARIANT* r, EXCEPINFO*) {
      Variant v = value();
      return ::VariantCopy(r, v.get());
    };
  }
  // Takes over the reference the fake was made with (MinGW's ComPtr::Attach would add one).
  ComPtr<IDispatch> Adopt(FakeDispatch* fake) {
    ComPtr<IDispatch> p(fake);
    fake->Release();
    return p;
  }
  ComPtr<IDispatch> Connection() {
    auto* c = new FakeDispatch(log, L"Connection");
    c->On(L"State", Step(L"Connection.State", Value([this] { return Variant::Int32(connectionState); })));
    c->On(L"Provider", Step(L"Connection.Provider", testing::Succeeds()));
    c->On(L"Mode", Step(L"Connection.Mode", testing::Succeeds()));
    c->On(L"Open", Step(L"Connection.Open", [this](const DISPPARAMS&, VARIANT*, EXCEPINFO*) {
            connectionState = 1;
            return S_OK;
          }));
    return Adopt(c);
  }
  ComPtr<IDispatch> Command() {
    auto* c = new FakeDispatch(log, L"Command");
    c->On(L"ActiveConnection", Step(L"Command.ActiveConnection", testing::Succeeds()));
    c->On(L"CommandText", Step(L"Command.CommandText", testing::Succeeds()));
    auto* properties = new FakeDispatch(log, L"Properties");
    auto* property = new FakeDispatch(log, L"Property");
    property->On(L"Value", Step(L"Property.Value", testing::Succeeds()));
    properties->On(L"Item", Step(L"Properties.Item", Returns(property)));
    c->On(L"Properties", Step(L"Command.Properties", Returns(properties)));
    property->Release();
    properties->Release();
    return Adopt(c);
  }
  ComPtr<IDispatch> Recordset() {
    auto* r = new FakeDispatch(log, L"Recordset");
    for (const wchar_t* name : {L"CursorLocation", L"CursorType", L"LockType", L"Close"}) {
      r->On(name, Step(std::wstring(L"Recordset.") + name, testing::Succeeds()));
    }
    r->On(L"State", Value([] { return Variant::Int32(1); }));
    r->On(L"Open", Step(L"Recordset.Open", [this](const DISPPARAMS&, VARIANT*, EXCEPINFO*) {
            at = 0;
            return S_OK;
          }));
    r->On(L"EOF", Step(L"Recordset.EOF", Value([this] { return Variant::Bool(at >= names.size()); })));
    r->On(L"MoveFirst", Step(L"Recordset.MoveFirst", testing::Succeeds()));
    r->On(L"MoveNext", Step(L"Recordset.MoveNext", [this](const DISPPARAMS&, VARIANT*, EXCEPINFO*) {
            ++at;
            return S_OK;
          }));
    r->On(L"RecordCount",
          Step(L"Recordset.RecordCount", Value([this] { return Variant::Int32(static_cast<int>(names.size())); })));
    auto* fields = new FakeDispatch(log, L"Fields");
    auto* field = new FakeDispatch(log, L"Field");
    field->On(L"Value", Step(L"Field.Value", Value([this] { return Variant::Text(names[at]); })));
    fields->On(L"Item", Step(L"Fields.Item", Returns(field)));
    r->On(L"Fields", Step(L"Recordset.Fields", Returns(fields)));
    field->Release();
    fields->Release();
    return Adopt(r);
  }
};

class AdoDirectoryTest : public ::testing::Test {
 protected:
  AdoModel model;
  std::unique_ptr<AdoDirectoryQuery> query =
      std::make_unique<AdoDirectoryQuery>([this](const wchar_t* id) { return model.Create(id); });

  std::vector<std::string> ReadAll() {
    std::vector<std::string> out;
    query->SetText("select Name, operatingsystem from 'LDAP://corp.example' where objectclass='computer'");
    query->Open();
    while (!query->Eof()) {
      out.push_back(query->Name());
      query->Next();
    }
    return out;
  }
};

TEST_F(AdoDirectoryTest, ConnectsReadOnlyToTheAdsiProvider) {
  query->Connect();
  ASSERT_EQ(model.log->Members(), (std::vector<std::wstring>{L"Connection.State", L"Connection.Provider",
                                                             L"Connection.Mode", L"Connection.Open"}));
  const auto& calls = model.log->calls;
  EXPECT_EQ(calls[1].flags, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(calls[1].args[0].text, L"ADsDSOObject");
  EXPECT_EQ(calls[2].args[0].type, VT_I4);
  EXPECT_EQ(calls[2].args[0].number, 1);  // adModeRead
  EXPECT_TRUE(calls[3].args.empty());     // no user, no password, no prompt
  query->Connect();                       // open already: nothing more
  EXPECT_EQ(model.log->calls.size(), 5u);
}

TEST_F(AdoDirectoryTest, RunsThePagedQueryThroughACommandAndReadsEveryRecord) {
  query->Connect();
  model.log->calls.clear();
  EXPECT_EQ(ReadAll(), (std::vector<std::string>{"SRV01", "SRV02"}));
  EXPECT_EQ(query->RecordCount(), 2);
  std::vector<std::wstring> members = model.log->Members();
  std::vector<std::wstring> head(members.begin(), members.begin() + 16);
  EXPECT_EQ(head, (std::vector<std::wstring>{
                      L"Connection.State", L"Command.ActiveConnection", L"Command.CommandText",
                      L"Command.Properties", L"Properties.Item", L"Property.Value", L"Command.Properties",
                      L"Properties.Item", L"Property.Value", L"Recordset.CursorLocation", L"Recordset.CursorType",
                      L"Recordset.LockType", L"Recordset.Open", L"Recordset.EOF", L"Recordset.MoveFirst",
                      L"Recordset.EOF"}));
  const auto& calls = model.log->calls;
  EXPECT_EQ(calls[1].args[0].type, VT_DISPATCH);
  EXPECT_EQ(calls[2].args[0].text,
            L"select Name, operatingsystem from 'LDAP://corp.example' where objectclass='computer'");
  EXPECT_EQ(calls[4].args[0].text, L"Page Size");
  EXPECT_EQ(calls[5].args[0].number, 1000);
  EXPECT_EQ(calls[7].args[0].text, L"Timeout");
  EXPECT_EQ(calls[8].args[0].number, 30);
  EXPECT_EQ(calls[9].args[0].number, 3);   // adUseClient: counted as soon as open
  EXPECT_EQ(calls[10].args[0].number, 3);  // adOpenStatic
  EXPECT_EQ(calls[11].args[0].number, 1);  // adLockReadOnly
  EXPECT_EQ(calls[12].args[0].type, VT_DISPATCH);  // the command
  auto nameField = std::find_if(calls.begin(), calls.end(), [](const auto& c) { return c.object == L"Fields"; });
  ASSERT_NE(nameField, calls.end());
  EXPECT_EQ(nameField->args[0].text, L"Name");
}

TEST_F(AdoDirectoryTest, AClosedConnectionIsOpenedByTheQuery) {
  EXPECT_EQ(ReadAll().size(), 2u);
  EXPECT_EQ(model.connectionState, 1);
}

TEST_F(AdoDirectoryTest, AFailureAtAnyStepIsThrownAndEveryReferenceIsReleased) {
  for (const wchar_t* step :
       {L"Connection.Open", L"Connection.Provider", L"Command.CommandText", L"Properties.Item", L"Property.Value",
        L"Recordset.Open", L"Recordset.EOF", L"Recordset.MoveFirst", L"Fields.Item", L"Field.Value",
        L"Recordset.MoveNext"}) {
    AdoModel failing;
    failing.failAt = step;
    {
      AdoDirectoryQuery q([&](const wchar_t* id) { return failing.Create(id); });
      bool threw = false;
      try {
        q.SetText("x");
        q.Open();
        while (!q.Eof()) {
          q.Name();
          q.Next();
        }
      } catch (const ComError& e) {
        threw = true;
        EXPECT_STREQ(e.what(), "Table does not exist.");
      }
      EXPECT_TRUE(threw) << std::string(step, step + wcslen(step));
    }
    EXPECT_EQ(failing.log->liveObjects, 0) << std::string(step, step + wcslen(step));
  }
}

TEST_F(AdoDirectoryTest, ASecondQueryClosesTheFirstAndNothingIsLeftHeld) {
  EXPECT_EQ(ReadAll().size(), 2u);
  model.names = {L"SRV09"};
  EXPECT_EQ(ReadAll(), std::vector<std::string>{"SRV09"});
  std::vector<std::wstring> members = model.log->Members();
  EXPECT_EQ(std::count(members.begin(), members.end(), L"Recordset.Close"), 1);
  query.reset();
  EXPECT_EQ(model.log->liveObjects, 0);
}

TEST(AdoDirectoryUnderWine, TheRealProviderFailsAndSaysWhy) {
  // Wine has ADO but no late binding for it and no ADSI provider: the failure the window reports.
  ::CoInitialize(nullptr);
  {
    AdoDirectoryQuery q;
    EXPECT_THROW(q.Connect(), std::exception);
    q.SetText("select Name from 'LDAP://' where objectclass='computer'");
    EXPECT_THROW(q.Open(), std::exception);
  }
  ::CoUninitialize();
}

}  // namespace
}  // namespace kestrane::win32
