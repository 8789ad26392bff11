#ifndef TARNO_TESTS_HELPERS_MEM_ENV_H_
#define TARNO_TESTS_HELPERS_MEM_ENV_H_

// An Env that keeps files in memory, so that tests see every byte the module writes
// without touching the disk, and can make any file fail.

#include <map>
#include <mutex>
#include <set>
#include <string>

#include "platform/env.h"

namespace tarno {

class MemEnv : public Env {
 public:
  Status AppendToFile(const std::string& path, std::string_view bytes) override;
  Status WriteFile(const std::string& path, std::string_view bytes) override;
  Status ReadFile(const std::string& path, std::string* bytes) override;
  Status ReplaceFileAtomically(const std::string& path, std::string_view bytes,
                               IfPresent ifPresent) override;

  // The content of a file, or "<missing>".
  std::string Content(const std::string& path);
  bool Exists(const std::string& path);
  // Every later write of that path fails and changes nothing.
  void FailWrites(const std::string& path);
  // Every later read of that path fails, whether or not the file is there.
  void FailReads(const std::string& path);
  int writeCount() const { return m_writeCount; }

 private:
  std::mutex m_mutex;
  std::map<std::string, std::string> m_files;
  std::set<std::string> m_failing;
  std::set<std::string> m_failingReads;
  int m_writeCount = 0;
};

// Puts a MemEnv in the module's place for the life of the object.
class ScopedMemEnv {
 public:
  ScopedMemEnv();
  ~ScopedMemEnv();
  MemEnv& env() { return m_env; }

 private:
  MemEnv m_env;
  Env* m_previous;
};

}  // namespace tarno

#endif  // TARNO_TESTS_HELPERS_MEM_ENV_H_
