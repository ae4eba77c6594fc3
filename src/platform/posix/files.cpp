// The file services on a POSIX system (native builds and tests).
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <utility>

#include "platform/files.h"

namespace kestrane {
namespace {

std::string FullPath(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char cwd[PATH_MAX];
  if (!::getcwd(cwd, sizeof cwd)) return path;
  return std::string(cwd) + "/" + path;
}

[[noreturn]] void ThrowCannotCreate(const std::string& path, int error, const std::string& more = "") {
  throw std::runtime_error("Cannot create file \"" + FullPath(path) + "\". " + std::strerror(error) + more);
}

// Writes the bytes whole: 0, or the errno of the write that failed.
int WriteAll(int fd, const void* data, std::size_t size) {
  const auto* next = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, next, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : EIO;
    next += n;
    size -= static_cast<std::size_t>(n);
  }
  return 0;
}

}  // namespace

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  auto fail = [&](int error) -> std::vector<std::uint8_t> {
    throw std::runtime_error("Cannot open file \"" + FullPath(path) + "\". " + std::strerror(error));
  };
  int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return fail(errno);
  std::vector<std::uint8_t> bytes;
  std::uint8_t buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      int error = errno;
      ::close(fd);
      return fail(error);
    }
    if (n == 0) break;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  ::close(fd);
  return bytes;
}

void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) ThrowCannotCreate(path, errno);
  int error = WriteAll(fd, bytes.data(), bytes.size());
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) ThrowCannotCreate(path, error);
}

void ReplaceFileAtomically(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".tmp-" + std::to_string(::getpid());
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) ThrowCannotCreate(path, errno);  // nothing made, nothing to remove
  int error = WriteAll(fd, text.data(), text.size());
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error == 0) return;
  std::string leftOver;
  if (::unlink(temporary.c_str()) != 0) {
    leftOver = " The temporary file \"" + FullPath(temporary) + "\" could not be removed: " + std::strerror(errno);
  }
  ThrowCannotCreate(path, error, leftOver);
}

std::optional<FileView> FileView::Open(const std::string& path) {
  auto fail = [&](int error) -> std::optional<FileView> {
    throw std::runtime_error("Cannot open file \"" + FullPath(path) + "\". " + std::strerror(error));
  };
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT) return std::nullopt;
  if (fd < 0) return fail(errno);
  struct stat info;
  int error = ::fstat(fd, &info) != 0 ? errno : S_ISREG(info.st_mode) ? 0 : EISDIR;
  const auto size = error == 0 ? static_cast<std::size_t>(info.st_size) : 0;
  void* data = error == 0 && size > 0 ? ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0) : nullptr;
  if (data == MAP_FAILED) error = errno;
  ::close(fd);  // the mapping keeps the file
  if (error != 0) return fail(error);
  return FileView(static_cast<const char*>(data), size);
}

FileView::FileView(FileView&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

FileView::~FileView() {
  if (data_) ::munmap(const_cast<char*>(data_), size_);
}

bool RenameIfFree(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno == EEXIST) return false;
  throw std::runtime_error("Cannot rename file \"" + FullPath(from) + "\". " + std::strerror(errno));
}

struct FileLock::Held {
  int fd;
};

FileLock::FileLock(const std::string& path, std::chrono::milliseconds wait) {
  auto fail = [&](int error) {
    throw std::runtime_error("Cannot lock file \"" + FullPath(path) + "\". " + std::strerror(error));
  };
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) fail(errno);
  // flock, not fcntl: its lock belongs to the open file, so two holders in one process exclude each other too.
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    if (error == EINTR) continue;
    if (error != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
      ::close(fd);
      fail(error);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  held_ = std::make_unique<Held>(Held{fd});
}

FileLock::~FileLock() { ::close(held_->fd); }  // which releases the lock

std::string ProgramFolder() {
  char buffer[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return ".";
  std::string exe(buffer, static_cast<std::size_t>(n));
  return exe.substr(0, exe.rfind('/'));
}

}  // namespace kestrane
