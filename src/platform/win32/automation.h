// Late-bound automation: members called by name through IDispatch. Serves WMI, ADO and Excel.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kestrane::win32 {

using Microsoft::WRL::ComPtr;

// A failed COM call; what() is the text the user sees.
class ComError : public std::runtime_error {
 public:
  ComError(HRESULT hr, const std::string& message) : std::runtime_error(message), hr_(hr) {}
  HRESULT Result() const { return hr_; }

 private:
  HRESULT hr_;
};

// The EXCEPINFO description, else the system's text for its scode (or hr), else "OLE error 800401F3"
// with that code.
std::string ComErrorMessage(HRESULT hr, const EXCEPINFO* info = nullptr);
[[noreturn]] void ThrowComError(HRESULT hr, const EXCEPINFO* info = nullptr);

// Owns a VARIANT.
class Variant {
 public:
  Variant() { ::VariantInit(&v_); }
  ~Variant() { ::VariantClear(&v_); }
  Variant(const Variant& other);
  Variant& operator=(const Variant& other);
  Variant(Variant&& other) noexcept : v_(other.v_) { ::VariantInit(&other.v_); }
  Variant& operator=(Variant&& other) noexcept;

  static Variant Text(std::wstring_view text);
  static Variant Int32(std::int32_t value);
  static Variant Bool(bool value);
  // An object argument (the variant holds its own reference).
  static Variant Object(IDispatch* object);
  // A by-reference argument pointing at `target`, which must outlive the call.
  static Variant Int32Ref(std::int32_t* target);

  VARIANT* get() { return &v_; }
  const VARIANT* get() const { return &v_; }
  VARTYPE Type() const { return v_.vt; }
  bool IsNull() const { return v_.vt == VT_NULL; }
  VARIANT* Reset() {  // clears and hands out for an [out] parameter
    ::VariantClear(&v_);
    return &v_;
  }

 private:
  VARIANT v_;
};

// The name Delphi-style conversions use for a variant type: "Null", "String", "Int64", ...
const char* VariantTypeName(VARTYPE vt);

// Converts to a signed 64-bit integer; decimal texts (as WMI hands over 64-bit values)
// included. Throws "Could not convert variant of type (X) into type (Int64)".
std::int64_t VariantToInt64(const Variant& value);
// Converts to text (UTF-8). Throws for Null.
std::string VariantToText(const Variant& value);
// The dispatch interface a result holds; throws when it holds none.
ComPtr<IDispatch> VariantToDispatch(const Variant& value);

// Creates the automation object of a program identifier ("WbemScripting.SWbemLocator").
ComPtr<IDispatch> CreateAutomationObject(const wchar_t* progId);

// Invokes `name` with DISPATCH_METHOD | DISPATCH_PROPERTYGET. Arguments in call order.
Variant Call(IDispatch* object, const wchar_t* name, std::initializer_list<Variant> args = {});
// Reads a property (the same flags: Wine's WMI refuses a bare property get).
inline Variant Get(IDispatch* object, const wchar_t* name, std::initializer_list<Variant> args = {}) {
  return Call(object, name, args);
}
// Writes a property; `args` are the property's index arguments, if any.
void Put(IDispatch* object, const wchar_t* name, const Variant& value,
         std::initializer_list<Variant> args = {});

}  // namespace kestrane::win32
