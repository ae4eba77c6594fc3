// The file services on a POSIX system (native builds and tests).
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

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

std::string ProgramFolder() {
  char buffer[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return ".";
  std::string exe(buffer, static_cast<std::size_t>(n));
  return exe.substr(0, exe.rfind('/'));
}

}  // namespace kestrane
