#ifndef TARNO_TOOLS_REPLAY_PLUGIN_LIBRARY_H_
#define TARNO_TOOLS_REPLAY_PLUGIN_LIBRARY_H_

// Loads the plug-in library the way the logger does and finds its entry points by
// name: dlopen/dlsym on Linux, LoadLibraryA/GetProcAddress on Windows. The library
// stays loaded as long as the object lives.

#include <string>

#include "plugin/entry_point_table.h"

namespace tarno::score {

class PluginLibrary {
 public:
  PluginLibrary() = default;
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  // False with the reason when the library cannot be loaded or lacks an entry.
  bool Load(const std::string& path, std::string* error);
  const EntryPoints& entries() const { return m_entries; }

  // The library's file name beside the running program.
  static std::string DefaultPath();

 private:
  void* m_handle = nullptr;
  EntryPoints m_entries;
};

// Changes the current directory; false with the reason on failure.
bool ChangeDirectory(const std::string& path, std::string* error);
bool MakeDirectory(const std::string& path);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_REPLAY_PLUGIN_LIBRARY_H_
