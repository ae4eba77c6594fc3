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
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) {
    throw std::runtime_error("Cannot create file \"" + FullPath(path) + "\". " + std::strerror(errno));
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) {
      int error = errno;
      ::close(fd);
      throw std::runtime_error("Cannot create file \"" + FullPath(path) + "\". " + std::strerror(error));
    }
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
}

void ReplaceFileAtomically(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".tmp-" + std::to_string(::getpid());
  WriteWholeFile(temporary, std::vector<std::uint8_t>(text.begin(), text.end()));
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    int error = errno;
    ::unlink(temporary.c_str());
    throw std::runtime_error("Cannot create file \"" + FullPath(path) + "\". " + std::strerror(error));
  }
}

std::string ProgramFolder() {
  char buffer[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return ".";
  std::string exe(buffer, static_cast<std::size_t>(n));
  return exe.substr(0, exe.rfind('/'));
}

}  // namespace kestrane
