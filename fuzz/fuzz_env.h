#ifndef TARNO_FUZZ_FUZZ_ENV_H_
#define TARNO_FUZZ_FUZZ_ENV_H_

// Files in memory for the entry-point fuzzer. Unlike the tests' MemEnv it keeps every write
// as it was asked for, so that each one can be checked once, when it happens, instead of the
// whole file after every step (the error file grows quadratically with repeated dupes).

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/env.h"

namespace tarno::fuzz {

class FuzzEnv : public Env {
 public:
  enum class WriteKind { kAppend, kWrite, kReplace };
  struct WriteRecord {
    WriteKind kind;
    std::string path;
    std::string bytes;
    bool failed;
  };

  Status AppendToFile(const std::string& path, std::string_view bytes) override;
  Status WriteFile(const std::string& path, std::string_view bytes) override;
  Status ReadFile(const std::string& path, std::string* bytes) override;
  Status ReplaceFileAtomically(const std::string& path, std::string_view bytes,
                               IfPresent ifPresent) override;

  void Clear();
  // Every later write of the path fails and changes nothing.
  void FailWrites(const std::string& path) { m_failing.insert(path); }
  // The file's content, or null when there is no such file.
  const std::string* Find(const std::string& path) const;
  // The writes since the last call, oldest first.
  std::vector<WriteRecord> TakeWrites();

 private:
  Status Record(WriteKind kind, const std::string& path, std::string_view bytes);

  std::map<std::string, std::string> m_files;
  std::set<std::string> m_failing;
  std::vector<WriteRecord> m_writes;
};

}  // namespace tarno::fuzz

#endif  // TARNO_FUZZ_FUZZ_ENV_H_
