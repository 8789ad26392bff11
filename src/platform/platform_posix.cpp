#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
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

Status WriteAll(int fd, std::string_view bytes, const std::string& path,
                size_t* writtenBytes = nullptr) {
  while (!bytes.empty()) {
    ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return ErrnoStatus("cannot write", path);
    }
    bytes.remove_prefix(static_cast<size_t>(written));
    if (writtenBytes != nullptr) *writtenBytes += static_cast<size_t>(written);
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

// The folder part of a path, for syncing it after a rename; "." for a bare name.
std::string FolderOf(const std::string& native) {
  size_t slash = native.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : native.substr(0, slash);
}

// A name no other writer uses: the process and a per-process count tell them apart, and the
// temporary sits in the target's folder so that the rename stays within one file system.
std::string TemporaryNameFor(const std::string& native) {
  static std::atomic<unsigned> counter{0};
  return native + "." + std::to_string(::getpid()) + "." + std::to_string(++counter) + ".tmp";
}

Status WriteAndSync(int fd, std::string_view bytes, const std::string& path) {
  Status status = WriteAll(fd, bytes, path);
  if (status.ok() && ::fsync(fd) != 0) status = ErrnoStatus("cannot sync", path);
  if (::close(fd) != 0 && status.ok()) status = ErrnoStatus("cannot close", path);
  return status;
}

// Settles the new name on disk; the content is already in place, so a failure here only
// weakens durability across a power cut and is not reported.
void SyncFolder(const std::string& native) {
  int fd = ::open(FolderOf(native).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Puts the finished temporary in the file's place, or (kFail) beside a file that must not
// be there: link() refuses an existing name, where rename() would replace it.
Status MoveInPlace(const std::string& temporary, const std::string& native, IfPresent ifPresent) {
  if (ifPresent == IfPresent::kReplace) {
    if (::rename(temporary.c_str(), native.c_str()) != 0) {
      return ErrnoStatus("cannot replace", native);
    }
    return Status::Ok();
  }
  if (::link(temporary.c_str(), native.c_str()) != 0) return ErrnoStatus("cannot create", native);
  ::unlink(temporary.c_str());
  return Status::Ok();
}

Status ReplaceNative(const std::string& native, std::string_view bytes, IfPresent ifPresent) {
  struct stat old;
  bool present = ::stat(native.c_str(), &old) == 0;
  if (present && ifPresent == IfPresent::kFail) {
    return Status::Error("cannot create " + native + ": the file is already there");
  }
  // rename() would replace a file we may not write; refuse it as writing in place would.
  if (present && ::access(native.c_str(), W_OK) != 0) return ErrnoStatus("cannot write", native);
  mode_t mode = present ? (old.st_mode & 0777) : 0644;
  std::string temporary = TemporaryNameFor(native);
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) return ErrnoStatus("cannot create a temporary file for", native);
  // open() applies the umask; the replacement keeps the old file's permissions.
  if (present) ::fchmod(fd, mode);
  Status status = WriteAndSync(fd, bytes, temporary);
  if (status.ok()) status = MoveInPlace(temporary, native, ifPresent);
  if (!status.ok()) {
    ::unlink(temporary.c_str());
    return status;
  }
  SyncFolder(native);
  return Status::Ok();
}

// A disk that fills up takes the first part of a write and refuses the rest; left in the file,
// that part would be a cut line which the next append, once there is room, would continue.
// So the file is cut back to where this append began.
Status AppendWhole(const std::string& path, std::string_view bytes) {
  std::string native = NativePath(path);
  int fd = ::open(native.c_str(), O_APPEND | O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return ErrnoStatus("cannot open", native);
  size_t written = 0;
  Status status = WriteAll(fd, bytes, native, &written);
  if (!status.ok() && written > 0) {
    // With O_APPEND the offset ends this call's last write, whatever others appended before.
    const off_t end = ::lseek(fd, 0, SEEK_CUR);
    if (end >= static_cast<off_t>(written) && ::ftruncate(fd, end - written) != 0) {
      status = ErrnoStatus("cannot take back a part written to", native);
    }
  }
  if (::close(fd) != 0 && status.ok()) status = ErrnoStatus("cannot close", native);
  return status;
}

class PosixEnv : public Env {
 public:
  Status AppendToFile(const std::string& path, std::string_view bytes) override {
    return AppendWhole(path, bytes);
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

  Status ReplaceFileAtomically(const std::string& path, std::string_view bytes,
                               IfPresent ifPresent) override {
    return ReplaceNative(NativePath(path), bytes, ifPresent);
  }
};

}  // namespace

Env* Env::Default() {
  static PosixEnv* env = new PosixEnv;  // never destroyed: used until the very end
  return env;
}

}  // namespace tarno
