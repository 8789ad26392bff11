#include "helpers/mem_env.h"

#include "plugin/module_state.h"

namespace tarno {

Status MemEnv::AppendToFile(const std::string& path, std::string_view bytes) {
  std::lock_guard<std::mutex> hold(m_mutex);
  ++m_writeCount;
  if (m_failing.count(path)) return Status::Error("injected failure: " + path);
  m_files[path].append(bytes);
  return Status::Ok();
}

Status MemEnv::WriteFile(const std::string& path, std::string_view bytes) {
  std::lock_guard<std::mutex> hold(m_mutex);
  ++m_writeCount;
  if (m_failing.count(path)) return Status::Error("injected failure: " + path);
  m_files[path] = std::string(bytes);
  return Status::Ok();
}

Status MemEnv::ReadFile(const std::string& path, std::string* bytes) {
  std::lock_guard<std::mutex> hold(m_mutex);
  if (m_failingReads.count(path)) return Status::Error("injected read failure: " + path);
  auto found = m_files.find(path);
  if (found == m_files.end()) return Status::Error("no file " + path);
  *bytes = found->second;
  return Status::Ok();
}

Status MemEnv::ReplaceFileAtomically(const std::string& path, std::string_view bytes,
                                     IfPresent ifPresent) {
  std::lock_guard<std::mutex> hold(m_mutex);
  ++m_writeCount;
  if (m_failing.count(path)) return Status::Error("injected failure: " + path);
  if (ifPresent == IfPresent::kFail && m_files.count(path)) {
    return Status::Error("already there: " + path);
  }
  m_files[path] = std::string(bytes);
  return Status::Ok();
}

std::string MemEnv::Content(const std::string& path) {
  std::lock_guard<std::mutex> hold(m_mutex);
  auto found = m_files.find(path);
  return found == m_files.end() ? "<missing>" : found->second;
}

bool MemEnv::Exists(const std::string& path) {
  std::lock_guard<std::mutex> hold(m_mutex);
  return m_files.count(path) != 0;
}

void MemEnv::FailWrites(const std::string& path) {
  std::lock_guard<std::mutex> hold(m_mutex);
  m_failing.insert(path);
}

void MemEnv::FailReads(const std::string& path) {
  std::lock_guard<std::mutex> hold(m_mutex);
  m_failingReads.insert(path);
}

ScopedMemEnv::ScopedMemEnv() : m_previous(g_env) { g_env = &m_env; }

ScopedMemEnv::~ScopedMemEnv() { g_env = m_previous; }

}  // namespace tarno
