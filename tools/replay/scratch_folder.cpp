#include "replay/scratch_folder.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <random>

namespace tarno::score {

namespace fs = std::filesystem;

namespace {

// The names this process made: one of its own id that is not among them was left by an
// earlier process that had the same id (Windows hands out the same few ids again and again).
std::mutex g_madeLock;
std::vector<std::string> g_made;

bool MadeHere(const std::string& name) {
  std::lock_guard<std::mutex> hold(g_madeLock);
  for (const std::string& made : g_made) {
    if (name.compare(0, made.size(), made) == 0) return true;
  }
  return false;
}

bool Abandoned(const std::string& name, const std::string& prefix) {
  const unsigned long owner = ScratchOwner(name, prefix);
  if (owner == 0) return false;
  return owner == CurrentProcessId() ? !MadeHere(name) : ProcessIsGone(owner);
}

}  // namespace

std::string ScratchName(const std::string& prefix) {
  static std::atomic<unsigned> calls{0};
  char random[20];
  std::snprintf(random, sizeof random, "%08x%04x", std::random_device{}(), ++calls & 0xffffu);
  std::string name = prefix + "-p" + std::to_string(CurrentProcessId()) + "-" + random;
  std::lock_guard<std::mutex> hold(g_madeLock);
  g_made.push_back(name);
  return name;
}

unsigned long ScratchOwner(const std::string& name, const std::string& prefix) {
  const std::string start = prefix + "-p";
  if (name.compare(0, start.size(), start) != 0) return 0;
  unsigned long id = 0;
  size_t at = start.size();
  for (; at < name.size() && name[at] >= '0' && name[at] <= '9'; ++at) {
    if (id > 0xffffffffUL / 10) return 0;
    id = id * 10 + static_cast<unsigned long>(name[at] - '0');
  }
  const bool digits = at > start.size();
  return digits && at < name.size() && name[at] == '-' ? id : 0;
}

void RemoveAbandoned(const fs::path& root, const std::string& prefix) {
  std::error_code error;
  std::vector<fs::path> abandoned;
  for (fs::directory_iterator it(root, fs::directory_options::skip_permission_denied, error), end;
       !error && it != end; it.increment(error)) {
    if (Abandoned(it->path().filename().string(), prefix)) abandoned.push_back(it->path());
  }
  // remove_all takes a symbolic link away and leaves what it points to.
  for (const fs::path& path : abandoned) fs::remove_all(path, error);
}

bool ScratchFolder::Make(const fs::path& root, const std::string& prefix, std::string* error) {
  Remove();
  RemoveAbandoned(root, prefix);
  std::error_code failed;
  const fs::path path = root / ScratchName(prefix);
  // A folder that exists already is someone else's, whatever its name says.
  if (!fs::create_directory(path, failed)) {
    *error = "cannot make the scratch folder " + path.string() +
             (failed ? ": " + failed.message() : ": it exists");
    return false;
  }
  m_path = path;
  return true;
}

bool ScratchFolder::RemoveOnInterrupt(const std::vector<std::string>& inside) {
  std::vector<std::string> paths;
  for (const std::string& name : inside) paths.push_back((m_path / name).string());
  paths.push_back(m_path.string());
  return m_guard.Arm(paths);
}

void ScratchFolder::Remove() {
  m_guard.Disarm();
  if (m_path.empty()) return;
  std::error_code ignored;
  fs::remove_all(m_path, ignored);
  m_path.clear();
}

}  // namespace tarno::score
