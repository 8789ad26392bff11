#include "fuzz_env.h"

namespace tarno::fuzz {

Status FuzzEnv::Record(WriteKind kind, const std::string& path, std::string_view bytes) {
  const bool failed = m_failing.count(path) != 0;
  m_writes.push_back({kind, path, std::string(bytes), failed});
  return failed ? Status::Error("failing on purpose: " + path) : Status::Ok();
}

Status FuzzEnv::AppendToFile(const std::string& path, std::string_view bytes) {
  Status status = Record(WriteKind::kAppend, path, bytes);
  if (status.ok()) m_files[path].append(bytes);
  return status;
}

Status FuzzEnv::WriteFile(const std::string& path, std::string_view bytes) {
  Status status = Record(WriteKind::kWrite, path, bytes);
  if (status.ok()) m_files[path] = std::string(bytes);
  return status;
}

Status FuzzEnv::ReadFile(const std::string& path, std::string* bytes) {
  auto found = m_files.find(path);
  if (found == m_files.end()) return Status::Error("no file " + path);
  *bytes = found->second;
  return Status::Ok();
}

Status FuzzEnv::ReplaceFileAtomically(const std::string& path, std::string_view bytes,
                                      IfPresent ifPresent) {
  if (ifPresent == IfPresent::kFail && m_files.count(path)) {
    return Status::Error("already there: " + path);
  }
  Status status = Record(WriteKind::kReplace, path, bytes);
  if (status.ok()) m_files[path] = std::string(bytes);
  return status;
}

void FuzzEnv::Clear() {
  m_files.clear();
  m_failing.clear();
  m_writes.clear();
}

const std::string* FuzzEnv::Find(const std::string& path) const {
  auto found = m_files.find(path);
  return found == m_files.end() ? nullptr : &found->second;
}

std::vector<FuzzEnv::WriteRecord> FuzzEnv::TakeWrites() {
  std::vector<WriteRecord> writes;
  writes.swap(m_writes);
  return writes;
}

}  // namespace tarno::fuzz
