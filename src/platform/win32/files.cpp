// The file services on Windows: wide paths, the system's own error texts.
#include <windows.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "platform/files.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace kestrane {
namespace {

std::string FullPath(const std::wstring& path) {
  wchar_t buffer[MAX_PATH * 4];
  DWORD n = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(std::size(buffer)), buffer, nullptr);
  return win32::Narrow(n && n < std::size(buffer) ? std::wstring(buffer, n) : path);
}

[[noreturn]] void ThrowCannotCreate(const std::wstring& path, DWORD error, const std::string& more = "") {
  throw std::runtime_error("Cannot create file \"" + FullPath(path) + "\". " + win32::SystemErrorText(error) + more);
}

// Writes the bytes whole at the file's position: ERROR_SUCCESS, or the system's error code. A write
// that reports success with fewer bytes than asked goes on from where it stopped.
DWORD WriteAll(HANDLE file, const void* data, std::size_t size) {
  const auto* next = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(file, next, chunk, &written, nullptr)) return ::GetLastError();
    if (written == 0 || written > chunk) return ERROR_WRITE_FAULT;
    next += written;
    size -= written;
  }
  return ERROR_SUCCESS;
}

// A reader that holds the file open for a moment (a collector reading it, a virus scanner) keeps it
// from being replaced: MoveFileExW then fails with ERROR_ACCESS_DENIED or ERROR_SHARING_VIOLATION.
// Those are tried again over about a second; any other failure, or the last, is returned.
DWORD RenameOver(const std::wstring& from, const std::wstring& to) {
  constexpr int kAttempts = 10;
  constexpr DWORD kPauseMs = 100;
  for (int attempt = 1;; ++attempt) {
    if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return ERROR_SUCCESS;
    }
    const DWORD error = ::GetLastError();
    if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || attempt == kAttempts) return error;
    ::Sleep(kPauseMs);
  }
}

}  // namespace

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  std::wstring wide = win32::Widen(path);
  auto fail = [&](DWORD error) -> std::vector<std::uint8_t> {
    throw std::runtime_error("Cannot open file \"" + FullPath(wide) + "\". " + win32::SystemErrorText(error));
  };
  win32::UniqueFile file(::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return fail(::GetLastError());
  std::vector<std::uint8_t> bytes;
  std::uint8_t buffer[65536];
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr)) return fail(::GetLastError());
    if (n == 0) break;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  return bytes;
}

void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::wstring wide = win32::Widen(path);
  win32::UniqueFile file(
      ::CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  const DWORD error = file ? WriteAll(file.get(), bytes.data(), bytes.size()) : ::GetLastError();
  if (error != ERROR_SUCCESS) ThrowCannotCreate(wide, error);
}

void ReplaceFileAtomically(const std::string& path, const std::string& text) {
  const std::wstring target = win32::Widen(path);
  const std::wstring temporary = target + L".tmp-" + std::to_wstring(::GetCurrentProcessId());
  DWORD error = ERROR_SUCCESS;
  {
    win32::UniqueFile file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) ThrowCannotCreate(target, ::GetLastError());  // nothing made, nothing to remove
    // On the disk before the rename, so that the file a reader finds is whole after a crash too.
    error = WriteAll(file.get(), text.data(), text.size());
    if (error == ERROR_SUCCESS && !::FlushFileBuffers(file.get())) error = ::GetLastError();
  }  // closed: a file cannot be renamed over another or deleted while it is open
  if (error == ERROR_SUCCESS) error = RenameOver(temporary, target);
  if (error == ERROR_SUCCESS) return;
  std::string leftOver;
  if (!::DeleteFileW(temporary.c_str())) {
    leftOver = " The temporary file \"" + FullPath(temporary) + "\" could not be removed: " +
               win32::SystemErrorText(::GetLastError());
  }
  ThrowCannotCreate(target, error, leftOver);
}

std::optional<FileView> FileView::Open(const std::string& path) {
  const std::wstring wide = win32::Widen(path);
  auto fail = [&](DWORD error) -> std::optional<FileView> {
    throw std::runtime_error("Cannot open file \"" + FullPath(wide) + "\". " + win32::SystemErrorText(error));
  };
  win32::UniqueFile file(::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file && ::GetLastError() == ERROR_FILE_NOT_FOUND) return std::nullopt;
  if (!file) return fail(::GetLastError());
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size)) return fail(::GetLastError());
  if (size.QuadPart == 0) return FileView(nullptr, 0);  // an empty file has no mapping
  win32::UniqueHandle mapping(::CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
  if (!mapping) return fail(::GetLastError());
  const void* view = ::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0);
  if (!view) return fail(::GetLastError());
  return FileView(static_cast<const char*>(view), static_cast<std::size_t>(size.QuadPart));
}  // the view keeps the file and its mapping open until it is unmapped

FileView::FileView(FileView&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

FileView::~FileView() {
  if (data_) ::UnmapViewOfFile(data_);
}

bool RenameIfFree(const std::string& from, const std::string& to) {
  const std::wstring source = win32::Widen(from);
  // Without MOVEFILE_REPLACE_EXISTING the move fails when the new name is taken.
  if (::MoveFileExW(source.c_str(), win32::Widen(to).c_str(), MOVEFILE_WRITE_THROUGH)) return true;
  const DWORD error = ::GetLastError();
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return false;
  throw std::runtime_error("Cannot rename file \"" + FullPath(source) + "\". " + win32::SystemErrorText(error));
}

struct FileLock::Held {
  win32::UniqueFile file;
};

FileLock::FileLock(const std::string& path, std::chrono::milliseconds wait) {
  const std::wstring wide = win32::Widen(path);
  auto fail = [&](DWORD error) {
    throw std::runtime_error("Cannot lock file \"" + FullPath(wide) + "\". " + win32::SystemErrorText(error));
  };
  win32::UniqueFile file(::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) fail(::GetLastError());
  // Each handle's lock is its own, so two holders in one process exclude each other too. Polled rather
  // than waited for, so that a holder that hangs makes the next run fail instead of waiting with it.
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    OVERLAPPED first{};  // the first byte, which need not exist
    if (::LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &first)) break;
    const DWORD error = ::GetLastError();
    if (error != ERROR_LOCK_VIOLATION || std::chrono::steady_clock::now() >= deadline) fail(error);
    ::Sleep(20);
  }
  held_ = std::make_unique<Held>(Held{std::move(file)});
}

FileLock::~FileLock() {
  // Released at once: the system frees a lock left at the handle's close only when it gets to it.
  OVERLAPPED first{};
  ::UnlockFileEx(held_->file.get(), 0, 1, 0, &first);
}

std::string ProgramFolder() {
  wchar_t buffer[MAX_PATH * 4];
  DWORD n = ::GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
  std::wstring exe(buffer, n);
  return win32::Narrow(exe.substr(0, exe.find_last_of(L"\\/")));
}

}  // namespace kestrane
