// Recording IDispatch fakes: members answered by name, every call and its arguments noted,
// and every object counted so tests can see that all references were released.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/automation.h"

namespace kestrane::win32::testing {

struct RecordedArg {
  VARTYPE type;
  std::wstring text;  // BSTR arguments
  long long number = 0;
};

struct RecordedCall {
  std::wstring object;  // the fake's label
  std::wstring member;
  WORD flags;
  std::vector<RecordedArg> args;  // in call order (DISPPARAMS reversed back)
  int namedArgs;
};

class CallLog {
 public:
  std::vector<RecordedCall> calls;
  int liveObjects = 0;
  std::function<void(const RecordedCall&)> onCall;  // told of every call as it happens
  int failCall = -1;  // the call with this number (0 the first) fails with E_FAIL
  bool Failing() const { return static_cast<int>(calls.size()) - 1 == failCall; }
  std::vector<std::wstring> Members() const {
    std::vector<std::wstring> out;
    for (const RecordedCall& c : calls) out.push_back(c.object + L"." + c.member);
    return out;
  }
};

// A member's answer: fills `result` or returns a failure HRESULT (with `info` for
// DISP_E_EXCEPTION).
using Member = std::function<HRESULT(const DISPPARAMS& params, VARIANT* result, EXCEPINFO* info)>;

class FakeDispatch : public IDispatch {
 public:
  FakeDispatch(std::shared_ptr<CallLog> log, std::wstring label) : log_(std::move(log)), label_(std::move(label)) {
    ++log_->liveObjects;
  }
  virtual ~FakeDispatch() { --log_->liveObjects; }

  void On(const std::wstring& name, Member member) { members_[name] = std::move(member); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    for (UINT i = 0; i < count; ++i) {
      auto it = members_.find(names[i]);
      if (it == members_.end()) return DISP_E_UNKNOWNNAME;
      ids[i] = static_cast<DISPID>(std::distance(members_.begin(), it)) + 1;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* info, UINT*) override {
    auto it = members_.begin();
    std::advance(it, id - 1);
    RecordedCall call{label_, it->first, flags, {}, static_cast<int>(params->cNamedArgs)};
    for (UINT i = params->cArgs; i-- > 0;) {
      const VARIANT& v = params->rgvarg[i];
      RecordedArg arg{v.vt, L"", 0};
      if (v.vt == VT_BSTR) arg.text.assign(v.bstrVal, ::SysStringLen(v.bstrVal));
      if (v.vt == VT_I4) arg.number = v.lVal;
      if (v.vt == (VT_I4 | VT_BYREF)) arg.number = *v.plVal;
      if (v.vt == VT_BOOL) arg.number = v.boolVal;
      call.args.push_back(arg);
    }
    log_->calls.push_back(call);
    if (log_->onCall) log_->onCall(call);
    if (result) ::VariantInit(result);
    if (log_->Failing()) return E_FAIL;
    return it->second(*params, result, info);
  }

 private:
  std::shared_ptr<CallLog> log_;
  std::wstring label_;
  ULONG refs_ = 1;
  std::map<std::wstring, Member> members_;
};

// Hands out a new reference to `object` as a VT_DISPATCH result.
inline Member Returns(IDispatch* object) {
  object->AddRef();
  auto held = std::shared_ptr<IDispatch>(object, [](IDispatch* p) { p->Release(); });
  return [held](const DISPPARAMS&, VARIANT* result, EXCEPINFO*) {
    result->vt = VT_DISPATCH;
    result->pdispVal = held.get();
    held->AddRef();
    return S_OK;
  };
}

inline Member ReturnsValue(const Variant& value) {
  return [value](const DISPPARAMS&, VARIANT* result, EXCEPINFO*) {
    return ::VariantCopy(result, const_cast<VARIANT*>(value.get()));
  };
}

inline Member Fails(HRESULT hr, const wchar_t* description = nullptr) {
  return [hr, description](const DISPPARAMS&, VARIANT*, EXCEPINFO* info) {
    if (description && info) {
      *info = EXCEPINFO{};
      info->bstrDescription = ::SysAllocString(description);
      return DISP_E_EXCEPTION;
    }
    return hr;
  };
}

inline Member Succeeds() {
  return [](const DISPPARAMS&, VARIANT*, EXCEPINFO*) { return S_OK; };
}

// An enumerator over disk objects; `endWith` is what Next answers after the last one.
class FakeEnum : public IEnumVARIANT {
 public:
  FakeEnum(std::shared_ptr<CallLog> log, std::vector<IDispatch*> items, HRESULT endWith = S_FALSE)
      : log_(std::move(log)), endWith_(endWith) {
    ++log_->liveObjects;
    for (IDispatch* d : items) {
      d->AddRef();
      items_.push_back(d);
    }
  }
  virtual ~FakeEnum() {
    for (IDispatch* d : items_) d->Release();
    --log_->liveObjects;
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IEnumVARIANT) {
      *out = static_cast<IEnumVARIANT*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }
  HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) override {
    log_->calls.push_back(RecordedCall{L"enum", L"Next", 0, {RecordedArg{VT_UI4, L"", count}}, 0});
    if (next_ >= items_.size() || log_->Failing()) {
      if (fetched) *fetched = 0;
      return next_ >= items_.size() ? endWith_ : E_FAIL;
    }
    out->vt = VT_DISPATCH;
    out->pdispVal = items_[next_++];
    out->pdispVal->AddRef();
    if (fetched) *fetched = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT**) override { return E_NOTIMPL; }

 private:
  std::shared_ptr<CallLog> log_;
  HRESULT endWith_;
  ULONG refs_ = 1;
  std::size_t next_ = 0;
  std::vector<IDispatch*> items_;
};

}  // namespace kestrane::win32::testing
