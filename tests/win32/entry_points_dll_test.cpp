// Runs the host-view tests (tests/entry_points_test.cpp) against the real DLL, each
// entry looked up as the host does.

#include <cstdio>
#include <cstdlib>

#include "dll_harness.h"
#include "helpers/host_calls.h"

namespace tarno {

const EntryPoints& TheEntryPoints() {
  // Loaded once for the whole program: the module-wide state lives as long as the
  // host keeps the DLL, as it does in the logger.
  static tarno_test::PluginDll dll;
  static const EntryPoints entry = [] {
    if (!dll.loaded()) {
      std::fprintf(stderr, "cannot load the DLL: %s\n", dll.error().c_str());
      std::abort();
    }
    EntryPoints found;
    const char* missing = nullptr;
    auto lookup = [](const char* name) {
      return reinterpret_cast<void*>(dll.Proc(name));
    };
    if (!FillEntryPoints(lookup, &found, &missing)) {
      std::fprintf(stderr, "the DLL has no export %s\n", missing);
      std::abort();
    }
    return found;
  }();
  return entry;
}

}  // namespace tarno
