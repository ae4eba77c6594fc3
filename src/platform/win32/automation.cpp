#include "platform/win32/automation.h"

#include <cstdio>
#include <vector>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace kestrane::win32 {
namespace {

[[noreturn]] void ThrowConversion(VARTYPE from, const char* to) {
  throw std::runtime_error(std::string("Could not convert variant of type (") + VariantTypeName(from) +
                           ") into type (" + to + ")");
}

}  // namespace

std::string ComErrorMessage(HRESULT hr, const EXCEPINFO* info) {
  // WMI's descriptions end in a line break, as the system's texts do.
  if (info && info->bstrDescription) {
    std::string description = MessageText(std::wstring_view(info->bstrDescription, ::SysStringLen(info->bstrDescription)));
    if (!description.empty()) return description;
  }
  // An exception's own code says what failed; DISP_E_EXCEPTION only says that something did.
  const HRESULT code = info && info->scode != 0 ? info->scode : hr;
  std::string text = SystemErrorText(static_cast<unsigned long>(code));
  if (!text.empty()) return text;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "OLE error %08lX", static_cast<unsigned long>(code));
  return buffer;
}

void ThrowComError(HRESULT hr, const EXCEPINFO* info) { throw ComError(hr, ComErrorMessage(hr, info)); }

Variant::Variant(const Variant& other) : Variant() { ::VariantCopy(&v_, const_cast<VARIANT*>(&other.v_)); }

Variant& Variant::operator=(const Variant& other) {
  if (this != &other) ::VariantCopy(&v_, const_cast<VARIANT*>(&other.v_));
  return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept {
  if (this != &other) {
    ::VariantClear(&v_);
    v_ = other.v_;
    ::VariantInit(&other.v_);
  }
  return *this;
}

Variant Variant::Text(std::wstring_view text) {
  Variant v;
  v.v_.vt = VT_BSTR;
  v.v_.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return v;
}

Variant Variant::Int32(std::int32_t value) {
  Variant v;
  v.v_.vt = VT_I4;
  v.v_.lVal = value;
  return v;
}

Variant Variant::Bool(bool value) {
  Variant v;
  v.v_.vt = VT_BOOL;
  v.v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

Variant Variant::Object(IDispatch* object) {
  Variant v;
  v.v_.vt = VT_DISPATCH;
  v.v_.pdispVal = object;
  if (object) object->AddRef();
  return v;
}

Variant Variant::Int32Ref(std::int32_t* target) {
  Variant v;
  v.v_.vt = VT_I4 | VT_BYREF;
  v.v_.plVal = reinterpret_cast<LONG*>(target);
  return v;
}

const char* VariantTypeName(VARTYPE vt) {
  switch (vt & VT_TYPEMASK) {
    case VT_EMPTY: return "Empty";
    case VT_NULL: return "Null";
    case VT_I2: return "Smallint";
    case VT_I4: return "Integer";
    case VT_R4: return "Single";
    case VT_R8: return "Double";
    case VT_CY: return "Currency";
    case VT_DATE: return "Date";
    case VT_BSTR: return "String";
    case VT_DISPATCH: return "Dispatch";
    case VT_ERROR: return "Error";
    case VT_BOOL: return "Boolean";
    case VT_VARIANT: return "Variant";
    case VT_UNKNOWN: return "Unknown";
    case VT_DECIMAL: return "Decimal";
    case VT_I1: return "ShortInt";
    case VT_UI1: return "Byte";
    case VT_UI2: return "Word";
    case VT_UI4: return "LongWord";
    case VT_I8: return "Int64";
    case VT_UI8: return "UInt64";
    default: return "Unknown";
  }
}

std::int64_t VariantToInt64(const Variant& value) {
  const VARIANT* v = value.get();
  if (v->vt == VT_BSTR) {
    std::wstring_view text(v->bstrVal ? v->bstrVal : L"", ::SysStringLen(v->bstrVal));
    while (!text.empty() && text.front() == L' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == L' ') text.remove_suffix(1);
    bool negative = !text.empty() && text.front() == L'-';
    if (!text.empty() && (text.front() == L'-' || text.front() == L'+')) text.remove_prefix(1);
    if (text.empty()) ThrowConversion(v->vt, "Int64");
    std::uint64_t magnitude = 0;
    for (wchar_t c : text) {
      if (c < L'0' || c > L'9') ThrowConversion(v->vt, "Int64");
      std::uint64_t digit = static_cast<std::uint64_t>(c - L'0');
      if (magnitude > (UINT64_MAX - digit) / 10) ThrowConversion(v->vt, "Int64");
      magnitude = magnitude * 10 + digit;
    }
    std::uint64_t limit = negative ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1;
    if (magnitude > limit) ThrowConversion(v->vt, "Int64");
    return negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
  }
  if (v->vt == VT_NULL || v->vt == VT_DISPATCH || v->vt == VT_UNKNOWN) ThrowConversion(v->vt, "Int64");
  Variant converted;
  if (FAILED(::VariantChangeType(converted.get(), const_cast<VARIANT*>(v), 0, VT_I8))) ThrowConversion(v->vt, "Int64");
  return converted.get()->llVal;
}

std::string VariantToText(const Variant& value) {
  const VARIANT* v = value.get();
  if (v->vt == VT_BSTR) {
    return Narrow(std::wstring_view(v->bstrVal ? v->bstrVal : L"", ::SysStringLen(v->bstrVal)));
  }
  if (v->vt == VT_NULL || v->vt == VT_DISPATCH || v->vt == VT_UNKNOWN) ThrowConversion(v->vt, "String");
  Variant converted;
  if (FAILED(::VariantChangeType(converted.get(), const_cast<VARIANT*>(v), 0, VT_BSTR))) ThrowConversion(v->vt, "String");
  return VariantToText(converted);
}

ComPtr<IDispatch> VariantToDispatch(const Variant& value) {
  const VARIANT* v = value.get();
  ComPtr<IDispatch> dispatch;
  if (v->vt == VT_DISPATCH && v->pdispVal) {
    dispatch = v->pdispVal;
  } else if (v->vt == VT_UNKNOWN && v->punkVal) {
    v->punkVal->QueryInterface(IID_PPV_ARGS(&dispatch));
  }
  if (!dispatch) ThrowConversion(v->vt, "Dispatch");
  return dispatch;
}

ComPtr<IDispatch> CreateAutomationObject(const wchar_t* progId) {
  CLSID clsid;
  HRESULT hr = ::CLSIDFromProgID(progId, &clsid);
  if (FAILED(hr)) ThrowComError(hr);
  ComPtr<IDispatch> object;
  hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                          IID_PPV_ARGS(&object));
  if (FAILED(hr)) ThrowComError(hr);
  return object;
}

namespace {

Variant InvokeByName(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT>& reversed,
                     bool propertyPut) {
  if (!object) ThrowComError(E_POINTER);
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) ThrowComError(hr);
  DISPPARAMS params{};
  params.cArgs = static_cast<UINT>(reversed.size());
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  DISPID putId = DISPID_PROPERTYPUT;
  if (propertyPut) {
    params.cNamedArgs = 1;
    params.rgdispidNamedArgs = &putId;
  }
  Variant result;
  EXCEPINFO info{};
  UINT argError = 0;
  hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, propertyPut ? nullptr : result.get(),
                      &info, &argError);
  // An object may leave the description to be filled in when someone asks for it.
  if (hr == DISP_E_EXCEPTION && info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
  // The strings of the exception are the caller's to free, whatever happens to the message.
  UniqueBstr source(info.bstrSource), description(info.bstrDescription), helpFile(info.bstrHelpFile);
  if (FAILED(hr)) throw ComError(hr, ComErrorMessage(hr, hr == DISP_E_EXCEPTION ? &info : nullptr));
  return result;
}

// DISPPARAMS take the arguments last first. The VARIANTs are shallow views of `args`.
std::vector<VARIANT> Reversed(std::initializer_list<Variant> args) {
  std::vector<VARIANT> out;
  out.reserve(args.size());
  for (auto it = std::rbegin(args); it != std::rend(args); ++it) out.push_back(*it->get());
  return out;
}

}  // namespace

Variant Call(IDispatch* object, const wchar_t* name, std::initializer_list<Variant> args) {
  std::vector<VARIANT> reversed = Reversed(args);
  return InvokeByName(object, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, reversed, false);
}

void Put(IDispatch* object, const wchar_t* name, const Variant& value, std::initializer_list<Variant> args) {
  std::vector<VARIANT> reversed;
  reversed.reserve(args.size() + 1);
  reversed.push_back(*value.get());  // the value is the last argument, so first here
  for (const VARIANT& v : Reversed(args)) reversed.push_back(v);
  InvokeByName(object, name, DISPATCH_PROPERTYPUT, reversed, true);
}

}  // namespace kestrane::win32
