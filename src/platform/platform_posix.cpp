#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/env.h"

namespace tarno {
namespace {

std::string NativePath(std::string path) {
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

Status ErrnoStatus(const std::string& what, const std::string& path) {
  return Status::Error(what + " " + path + ": " + std::strerror(errno));
}

Status WriteAll(int fd, std::string_view bytes, const std::string& path) {
  while (!bytes.empty()) {
    ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return ErrnoStatus("cannot write", path);
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return Status::Ok();
}

Status WriteWithFlags(const std::string& path, std::string_view bytes, int flags) {
  std::string native = NativePath(path);
  int fd = ::open(native.c_str(), flags | O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return ErrnoStatus("cannot open", native);
  Status status = WriteAll(fd, bytes, native);
  if (::close(fd) != 0 && status.ok()) status = ErrnoStatus("cannot close", native);
  return status;
}

class PosixEnv : public Env {
 public:
  Status AppendToFile(const std::string& path, std::string_view bytes) override {
    return WriteWithFlags(path, bytes, O_APPEND);
  }

  Status WriteFile(const std::string& path, std::string_view bytes) override {
    return WriteWithFlags(path, bytes, O_TRUNC);
  }

  Status ReadFile(const std::string& path, std::string* bytes) override {
    std::string native = NativePath(path);
    int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return ErrnoStatus("cannot open", native);
    bytes->clear();
    char buffer[1 << 16];
    for (;;) {
      ssize_t got = ::read(fd, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) {
        Status status = ErrnoStatus("cannot read", native);
        ::close(fd);
        return status;
      }
      if (got == 0) break;
      bytes->append(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
    return Status::Ok();
  }
};

}  // namespace

Env* Env::Default() {
  static PosixEnv* env = new PosixEnv;  // never destroyed: used until the very end
  return env;
}

}  // namespace tarno
