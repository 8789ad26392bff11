#ifndef TARNO_PLATFORM_ENV_H_
#define TARNO_PLATFORM_ENV_H_

// The one seam between the portable module and the operating system. One
// implementation per platform (platform_posix.cpp, platform_win32.cpp), chosen by
// the build; tests substitute an in-memory one (tests/helpers/mem_env.h).
//
// Paths are narrow texts relative to the process's current directory, with "/" or
// "\" as the separator as the caller writes them; the POSIX implementation reads
// "\" as "/" so that the module's own paths work unchanged on both. Files are opened
// and closed within one call; nothing stays open. Every method may be called from
// any thread.

#include <string>
#include <string_view>

namespace tarno {

// The outcome of an operation that can fail for a reason worth telling.
class Status {
 public:
  static Status Ok() { return Status(); }
  static Status Error(std::string reason) { return Status(std::move(reason)); }

  bool ok() const { return m_ok; }
  const std::string& reason() const { return m_reason; }

 private:
  Status() : m_ok(true) {}
  explicit Status(std::string reason) : m_ok(false), m_reason(std::move(reason)) {}

  bool m_ok;
  std::string m_reason;
};

// What ReplaceFileAtomically does with a file that is already there.
enum class IfPresent {
  kReplace,  // the new content takes the old one's place
  kFail,     // nothing changes and the call fails: the caller expected no file
};

class Env {
 public:
  virtual ~Env() = default;

  // The platform's implementation; lives as long as the process.
  static Env* Default();

  // Adds `bytes` at the end of the file, creating it when missing. Other programs
  // may read and write the file meanwhile. The bytes are written as given (no
  // line-end translation). All or nothing: when the call fails part-way (a full
  // disk), the part already written is taken back off the end of the file.
  virtual Status AppendToFile(const std::string& path, std::string_view bytes) = 0;

  // Creates the file, or empties it, and writes `bytes`; others may share it.
  virtual Status WriteFile(const std::string& path, std::string_view bytes) = 0;

  // The whole content of a file; an error when it is missing or unreadable.
  virtual Status ReadFile(const std::string& path, std::string* bytes) = 0;

  // Gives the file exactly `bytes` in one step, for files whose old content must survive
  // any failure: a reader sees the old content or the new one, never a part, and when the
  // call fails at any point (missing folder, read-only file, full disk) the old content is
  // still there and no other file is left behind. Creates the file when it is missing (never
  // its folder); fails on a file that is there when `ifPresent` is IfPresent::kFail.
  // A file that another program holds open so that it cannot be replaced (Windows, without
  // delete sharing) is written over where it stands instead, when that program lets it be
  // written: a full disk still leaves the old content, but a reader may meanwhile see a part.
  // (Not named ReplaceFile: <windows.h> turns that name into a macro.)
  virtual Status ReplaceFileAtomically(const std::string& path, std::string_view bytes,
                                       IfPresent ifPresent) = 0;
};

}  // namespace tarno

#endif  // TARNO_PLATFORM_ENV_H_
