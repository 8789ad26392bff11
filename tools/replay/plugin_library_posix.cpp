#include <dlfcn.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "replay/plugin_library.h"

namespace tarno::score {

PluginLibrary::~PluginLibrary() {
  if (m_handle) dlclose(m_handle);
}

bool PluginLibrary::Load(const std::string& path, std::string* error) {
  m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!m_handle) {
    *error = "cannot load " + path + ": " + dlerror();
    return false;
  }
  const char* missing = nullptr;
  auto lookup = [this](const char* name) { return dlsym(m_handle, name); };
  if (!FillEntryPoints(lookup, &m_entries, &missing)) {
    *error = path + " has no entry point " + missing;
    return false;
  }
  return true;
}

std::string PluginLibrary::DefaultPath() {
  char self[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return "libtarno-contest.so";
  std::string folder(self, static_cast<size_t>(length));
  return folder.substr(0, folder.rfind('/') + 1) + "libtarno-contest.so";
}

bool ChangeDirectory(const std::string& path, std::string* error) {
  if (chdir(path.c_str()) == 0) return true;
  *error = "cannot use folder " + path + ": " + std::strerror(errno);
  return false;
}

bool MakeDirectory(const std::string& path) {
  return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

}  // namespace tarno::score
