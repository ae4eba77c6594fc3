// The directory query through ADO and the ADSI OLE DB provider "ADsDSOObject", late-bound.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <functional>

#include "platform/directory_query.h"
#include "platform/win32/automation.h"

namespace kestrane::win32 {

using ObjectFactory = std::function<ComPtr<IDispatch>(const wchar_t* progId)>;

// The directory answers at most this many records a page: a search without paging stops at 1000.
inline constexpr std::int32_t kDirectoryPageSize = 1000;
// A directory that does not answer lets the window go after this many seconds.
inline constexpr std::int32_t kDirectoryTimeoutSeconds = 30;

class AdoDirectoryQuery : public DirectoryQuery {
 public:
  explicit AdoDirectoryQuery(ObjectFactory create = CreateAutomationObject) : create_(std::move(create)) {}
  void Connect() override;
  void SetText(const std::string& text) override;
  void Open() override;
  bool Eof() override;
  std::string Name() override;
  void Next() override;
  int RecordCount() override;

 private:
  void CloseRecords();
  ObjectFactory create_;
  std::wstring text_;
  ComPtr<IDispatch> connection_;
  ComPtr<IDispatch> command_;
  ComPtr<IDispatch> records_;
};

}  // namespace kestrane::win32
