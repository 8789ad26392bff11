#include "platform/windows_api.h"

#include <algorithm>
#include <atomic>
#include <string>

#include "platform/env.h"

namespace tarno {
namespace {

// Other programs (the host, an editor, a viewer) may hold the same file open.
constexpr DWORD kShareMode = FILE_SHARE_READ | FILE_SHARE_WRITE;

// One ReadFile/WriteFile call moves at most a DWORD's worth; stay well below it.
constexpr size_t kMaxChunkBytes = size_t{1} << 30;

std::string WindowsErrorText(DWORD code) {
  char* text = nullptr;
  DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result = length != 0 && text != nullptr ? std::string(text, length) : "";
  if (text != nullptr) LocalFree(text);
  // The system's texts end in ".\r\n", which would break a one-line reason.
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                             result.back() == ' ' || result.back() == '.')) {
    result.pop_back();
  }
  return result;
}

Status LastErrorStatus(const char* what, const std::string& path) {
  DWORD code = GetLastError();
  std::string cause = WindowsErrorText(code);
  if (cause.empty()) cause = "Windows error";
  return Status::Error(std::string(what) + " " + path + ": " + cause + " (error " +
                       std::to_string(code) + ")");
}

// Closes the handle on every way out of a call.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : m_handle(handle) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() {
    if (valid()) CloseHandle(m_handle);
  }

  bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return m_handle; }

  // Closes now, so that a failure to flush can be reported.
  bool Close() {
    HANDLE handle = m_handle;
    m_handle = INVALID_HANDLE_VALUE;
    return CloseHandle(handle) != 0;
  }

 private:
  HANDLE m_handle;
};

HANDLE OpenFile(const std::string& path, DWORD access, DWORD disposition) {
  return CreateFileA(path.c_str(), access, kShareMode, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

Status WriteAll(HANDLE handle, std::string_view bytes, const std::string& path,
                size_t* writtenBytes = nullptr) {
  while (!bytes.empty()) {
    DWORD chunk = static_cast<DWORD>(std::min(bytes.size(), kMaxChunkBytes));
    DWORD written = 0;
    const BOOL done = ::WriteFile(handle, bytes.data(), chunk, &written, nullptr);
    // A failed write may still have moved a part (a disk that filled up meanwhile).
    if (writtenBytes != nullptr) *writtenBytes += written;
    if (!done) return LastErrorStatus("cannot write", path);
    // A write that moves nothing would otherwise loop for ever.
    if (written == 0) return Status::Error("cannot write " + path + ": nothing was written");
    bytes.remove_prefix(written);
  }
  return Status::Ok();
}

Status OpenAndWrite(const std::string& path, std::string_view bytes, DWORD access,
                    DWORD disposition) {
  FileHandle file(OpenFile(path, access, disposition));
  if (!file.valid()) return LastErrorStatus("cannot open", path);
  Status status = WriteAll(file.get(), bytes, path);
  if (!file.Close() && status.ok()) status = LastErrorStatus("cannot close", path);
  return status;
}

Status ReadAll(HANDLE handle, const std::string& path, std::string* bytes) {
  char buffer[1 << 16];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(handle, buffer, sizeof buffer, &got, nullptr)) {
      return LastErrorStatus("cannot read", path);
    }
    if (got == 0) return Status::Ok();
    bytes->append(buffer, got);
  }
}

// A name no other writer uses, in the target's folder so that the move stays on one volume.
std::string TemporaryNameFor(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return path + "." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(++counter) +
         ".tmp";
}

Status WriteNewAndFlush(const std::string& path, std::string_view bytes) {
  FileHandle file(OpenFile(path, GENERIC_WRITE, CREATE_NEW));
  if (!file.valid()) return LastErrorStatus("cannot create", path);
  Status status = WriteAll(file.get(), bytes, path);
  if (status.ok() && !FlushFileBuffers(file.get())) status = LastErrorStatus("cannot flush", path);
  if (!file.Close() && status.ok()) status = LastErrorStatus("cannot close", path);
  return status;
}

// A move would replace a read-only file, which writing in place could not; refuse it alike.
Status CheckReplaceable(const std::string& path, IfPresent ifPresent) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Status::Ok();
  if (ifPresent == IfPresent::kFail) {
    return Status::Error("cannot create " + path + ": the file is already there");
  }
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    return Status::Error("cannot write " + path + ": the file is read-only");
  }
  return Status::Ok();
}

Status MoveTo(const std::string& path, LARGE_INTEGER offset, HANDLE file) {
  if (SetFilePointerEx(file, offset, nullptr, FILE_BEGIN)) return Status::Ok();
  return LastErrorStatus("cannot seek in", path);
}

// Writes over the file where it stands. The step that may fail for the file's size goes
// first, before a byte of the old content has changed: a longer content takes all its new room
// by writing the part beyond the old end, a shorter one cuts the file (which a program that
// maps it refuses). Writing over the old bytes then needs nothing more of the disk.
Status OverwriteInPlace(const std::string& path, std::string_view bytes) {
  FileHandle file(OpenFile(path, GENERIC_WRITE | FILE_READ_ATTRIBUTES, OPEN_EXISTING));
  if (!file.valid()) return LastErrorStatus("cannot open", path);
  LARGE_INTEGER oldLength{};
  if (!GetFileSizeEx(file.get(), &oldLength)) return LastErrorStatus("cannot measure", path);
  const size_t kept = std::min(bytes.size(), static_cast<size_t>(oldLength.QuadPart));
  Status status = Status::Ok();
  if (bytes.size() > kept) {
    status = MoveTo(path, oldLength, file.get());
    if (status.ok()) status = WriteAll(file.get(), bytes.substr(kept), path);
    if (!status.ok()) {
      if (MoveTo(path, oldLength, file.get()).ok()) SetEndOfFile(file.get());
      return status;
    }
  } else {
    LARGE_INTEGER newLength{};
    newLength.QuadPart = static_cast<LONGLONG>(bytes.size());
    status = MoveTo(path, newLength, file.get());
    if (status.ok() && !SetEndOfFile(file.get())) status = LastErrorStatus("cannot cut", path);
    if (!status.ok()) return status;
  }
  LARGE_INTEGER start{};
  status = MoveTo(path, start, file.get());
  if (status.ok()) status = WriteAll(file.get(), bytes.substr(0, kept), path);
  if (status.ok() && !FlushFileBuffers(file.get())) status = LastErrorStatus("cannot flush", path);
  if (!file.Close() && status.ok()) status = LastErrorStatus("cannot close", path);
  return status;
}

// A program that holds the file open without delete sharing (some viewers and log checkers)
// makes the move fail, though it may well let the file be written.
bool IsHeldOpen(DWORD moveError) {
  return moveError == ERROR_SHARING_VIOLATION || moveError == ERROR_ACCESS_DENIED;
}

Status ReplaceWhole(const std::string& path, std::string_view bytes, IfPresent ifPresent) {
  Status status = CheckReplaceable(path, ifPresent);
  if (!status.ok()) return status;
  std::string temporary = TemporaryNameFor(path);
  status = WriteNewAndFlush(temporary, bytes);
  bool heldOpen = false;
  if (status.ok()) {
    // Without MOVEFILE_REPLACE_EXISTING the move refuses a file that appeared meanwhile.
    DWORD flags = MOVEFILE_WRITE_THROUGH;
    if (ifPresent == IfPresent::kReplace) flags |= MOVEFILE_REPLACE_EXISTING;
    if (!MoveFileExA(temporary.c_str(), path.c_str(), flags)) {
      heldOpen = ifPresent == IfPresent::kReplace && IsHeldOpen(GetLastError());
      status = LastErrorStatus("cannot replace", path);
    }
  }
  if (!status.ok()) DeleteFileA(temporary.c_str());
  if (heldOpen) {
    const Status inPlace = OverwriteInPlace(path, bytes);
    if (inPlace.ok()) return inPlace;
  }
  return status;
}

// Cuts the file back to `length` bytes, through a handle of its own: an append-only handle
// may not shorten a file.
void CutBackTo(const std::string& path, LARGE_INTEGER length) {
  FileHandle file(OpenFile(path, GENERIC_WRITE, OPEN_EXISTING));
  if (file.valid() && SetFilePointerEx(file.get(), length, nullptr, FILE_BEGIN)) {
    SetEndOfFile(file.get());
  }
}

// A disk that fills up takes the first part of a write and refuses the rest; left in the file,
// that part would be a cut line which the next append, once there is room, would continue.
// So the file is cut back to the length it had before this append.
Status AppendWhole(const std::string& path, std::string_view bytes) {
  // Append-only access makes every write land at the end of the file as it is then,
  // even when another program has written to it since it was opened. Reading the length
  // needs the right to read attributes, which append-only access does not include.
  FileHandle file(OpenFile(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, OPEN_ALWAYS));
  if (!file.valid()) return LastErrorStatus("cannot open", path);
  LARGE_INTEGER lengthBefore{};
  const bool measured = GetFileSizeEx(file.get(), &lengthBefore) != 0;
  size_t written = 0;
  Status status = WriteAll(file.get(), bytes, path, &written);
  if (!file.Close() && status.ok()) status = LastErrorStatus("cannot close", path);
  if (!status.ok() && written > 0 && measured) CutBackTo(path, lengthBefore);
  return status;
}

class Win32Env : public Env {
 public:
  Status AppendToFile(const std::string& path, std::string_view bytes) override {
    return AppendWhole(path, bytes);
  }

  Status WriteFile(const std::string& path, std::string_view bytes) override {
    return OpenAndWrite(path, bytes, GENERIC_WRITE, CREATE_ALWAYS);
  }

  Status ReadFile(const std::string& path, std::string* bytes) override {
    FileHandle file(OpenFile(path, GENERIC_READ, OPEN_EXISTING));
    if (!file.valid()) return LastErrorStatus("cannot open", path);
    bytes->clear();
    Status status = ReadAll(file.get(), path, bytes);
    if (!status.ok()) bytes->clear();
    return status;
  }

  Status ReplaceFileAtomically(const std::string& path, std::string_view bytes,
                               IfPresent ifPresent) override {
    return ReplaceWhole(path, bytes, ifPresent);
  }
};

}  // namespace

Env* Env::Default() {
  static Win32Env* env = new Win32Env;  // never destroyed: used until the very end
  return env;
}

}  // namespace tarno
