#include "platform/win32/ado_directory.h"

#include "platform/win32/wide_text.h"

namespace kestrane::win32 {
namespace {

// ADO's constants.
constexpr std::int32_t kStateClosed = 0;
constexpr std::int32_t kModeRead = 1;         // adModeRead
constexpr std::int32_t kUseClient = 3;        // adUseClient: the records counted as soon as open
constexpr std::int32_t kOpenStatic = 3;       // adOpenStatic
constexpr std::int32_t kLockReadOnly = 1;     // adLockReadOnly

ComPtr<IDispatch> Object(const Variant& v) { return VariantToDispatch(v); }

void SetProperty(IDispatch* owner, const wchar_t* name, const Variant& value) {
  ComPtr<IDispatch> properties = Object(Get(owner, L"Properties"));
  Put(Object(Get(properties.Get(), L"Item", {Variant::Text(name)})).Get(), L"Value", value);
}

}  // namespace

void AdoDirectoryQuery::Connect() {
  if (!connection_) connection_ = create_(L"ADODB.Connection");
  if (VariantToInt64(Get(connection_.Get(), L"State")) != kStateClosed) return;
  // Read only, no prompt, the credentials of the user running the program.
  Put(connection_.Get(), L"Provider", Variant::Text(L"ADsDSOObject"));
  Put(connection_.Get(), L"Mode", Variant::Int32(kModeRead));
  Call(connection_.Get(), L"Open");
}

void AdoDirectoryQuery::CloseRecords() {
  if (records_ && VariantToInt64(Get(records_.Get(), L"State")) != kStateClosed) Call(records_.Get(), L"Close");
  records_.Reset();
  command_.Reset();
}

void AdoDirectoryQuery::SetText(const std::string& text) {
  ComPtr<IDispatch> records = std::move(records_);
  command_.Reset();
  text_ = Widen(text);
  // A result still open from the last press is closed; a failure there is no failure of the new one.
  if (records) {
    try {
      if (VariantToInt64(Get(records.Get(), L"State")) != kStateClosed) Call(records.Get(), L"Close");
    } catch (const std::exception&) {
    }
  }
}

void AdoDirectoryQuery::Open() {
  CloseRecords();
  Connect();
  // Through a command, so the search is paged (every server listed) and bounded in time.
  command_ = create_(L"ADODB.Command");
  Put(command_.Get(), L"ActiveConnection", Variant::Object(connection_.Get()));
  Put(command_.Get(), L"CommandText", Variant::Text(text_));
  SetProperty(command_.Get(), L"Page Size", Variant::Int32(kDirectoryPageSize));
  SetProperty(command_.Get(), L"Timeout", Variant::Int32(kDirectoryTimeoutSeconds));
  records_ = create_(L"ADODB.Recordset");
  Put(records_.Get(), L"CursorLocation", Variant::Int32(kUseClient));
  Put(records_.Get(), L"CursorType", Variant::Int32(kOpenStatic));
  Put(records_.Get(), L"LockType", Variant::Int32(kLockReadOnly));
  Call(records_.Get(), L"Open", {Variant::Object(command_.Get())});
  if (!Eof()) Call(records_.Get(), L"MoveFirst");
}

bool AdoDirectoryQuery::Eof() {
  if (!records_) return true;
  Variant eof = Get(records_.Get(), L"EOF");
  return VariantToInt64(eof) != 0;
}

std::string AdoDirectoryQuery::Name() {
  ComPtr<IDispatch> fields = Object(Get(records_.Get(), L"Fields"));
  ComPtr<IDispatch> field = Object(Get(fields.Get(), L"Item", {Variant::Text(L"Name")}));
  Variant value = Get(field.Get(), L"Value");
  return value.IsNull() ? std::string() : VariantToText(value);  // a field without a value reads empty
}

void AdoDirectoryQuery::Next() { Call(records_.Get(), L"MoveNext"); }

int AdoDirectoryQuery::RecordCount() {
  return static_cast<int>(VariantToInt64(Get(records_.Get(), L"RecordCount")));
}

}  // namespace kestrane::win32
