

#include "platform/windows_api.h"
#include "replay/plugin_library.h"

namespace tarno::score {

PluginLibrary::~PluginLibrary() {
  if (m_handle) FreeLibrary(static_cast<HMODULE>(m_handle));
}

bool PluginLibrary::Load(const std::string& path, std::string* error) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (!module) {
    *error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  m_handle = module;
  const char* missing = nullptr;
  auto lookup = [module](const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(module, name));
  };
  if (!FillEntryPoints(lookup, &m_entries, &missing)) {
    *error = path + " has no entry point " + missing;
    return false;
  }
  return true;
}

std::string PluginLibrary::DefaultPath() {
  char self[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
  if (length == 0 || length >= sizeof self) return "TARNO-Contest.dll";
  std::string folder(self, length);
  return folder.substr(0, folder.find_last_of("\\/") + 1) + "TARNO-Contest.dll";
}

bool ChangeDirectory(const std::string& path, std::string* error) {
  if (SetCurrentDirectoryA(path.c_str())) return true;
  *error = "cannot use folder " + path + " (error " + std::to_string(GetLastError()) + ")";
  return false;
}

bool MakeDirectory(const std::string& path) {
  return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

}  // namespace tarno::score
