#ifndef TARNO_TESTS_WIN32_DLL_HARNESS_H_
#define TARNO_TESTS_WIN32_DLL_HARNESS_H_

// Loads the built TARNO-Contest.dll the way the host does (LoadLibraryA, then lookup by
// name) so that tests call the real exports, not the objects the DLL was linked from.
//
//   PluginDll dll;
//   ASSERT_TRUE(dll.loaded()) << dll.error();
//   auto* get_set_name = dll.Entry<decltype(GetSetName)>("GetSetName");
//   ASSERT_NE(get_set_name, nullptr);
//
// Each PluginDll holds one reference: the module is unloaded when the last one goes, so a
// test that needs fresh module-wide state makes its own and lets no other live meanwhile.

#include "platform/windows_api.h"

#include <string>

namespace tarno_test {

// Where the build put the DLL, as a path this process can open.
const char* PluginDllPath();

class PluginDll {
 public:
  PluginDll();
  ~PluginDll();
  PluginDll(const PluginDll&) = delete;
  PluginDll& operator=(const PluginDll&) = delete;

  bool loaded() const { return m_module != nullptr; }
  // Why loading failed, with the Windows error code; empty when loaded.
  const std::string& error() const { return m_error; }
  HMODULE module() const { return m_module; }

  // The export of that name, or null (also when the module is not loaded).
  FARPROC Proc(const char* name) const;

  // The export as a pointer to `Function`, e.g. Entry<decltype(GetSetName)>("GetSetName").
  template <typename Function>
  Function* Entry(const char* name) const {
    // Through void(*)(): the one function pointer type any other converts from silently.
    return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(Proc(name)));
  }

 private:
  HMODULE m_module = nullptr;
  std::string m_error;
};

}  // namespace tarno_test

#endif  // TARNO_TESTS_WIN32_DLL_HARNESS_H_
