#include "dll_harness.h"

namespace tarno_test {

const char* PluginDllPath() { return TARNO_PLUGIN_DLL_PATH; }

PluginDll::PluginDll() {
  m_module = LoadLibraryA(PluginDllPath());
  if (m_module == nullptr) {
    m_error = std::string("LoadLibraryA(") + PluginDllPath() + ") failed with error " +
              std::to_string(GetLastError());
  }
}

PluginDll::~PluginDll() {
  if (m_module != nullptr) FreeLibrary(m_module);
}

FARPROC PluginDll::Proc(const char* name) const {
  return m_module != nullptr ? GetProcAddress(m_module, name) : nullptr;
}

}  // namespace tarno_test
