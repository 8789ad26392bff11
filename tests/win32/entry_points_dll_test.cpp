// Runs the host-view tests (tests/entry_points_test.cpp) against the real DLL, each
// entry looked up by its plain name as the host does (RunCommand0 by its decorated
// one, the only name it has).

#include <cstdlib>
#include <cstdio>

#include "dll_harness.h"
#include "helpers/host_calls.h"

namespace tarno {
namespace {

template <typename Function>
Function* Need(const tarno_test::PluginDll& dll, const char* name) {
  Function* entry = dll.Entry<Function>(name);
  if (!entry) {
    std::fprintf(stderr, "the DLL has no export %s\n", name);
    std::abort();
  }
  return entry;
}

}  // namespace

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
    found.getNumberOfSets = Need<decltype(GetNumberOfSets)>(dll, "GetNumberOfSets");
    found.getSetName = Need<decltype(GetSetName)>(dll, "GetSetName");
    found.getExchgCount = Need<decltype(GetExchgCount0)>(dll, "GetExchgCount0");
    found.isValidExchg = Need<decltype(IsValidExchg0)>(dll, "IsValidExchg0");
    found.resetStats = Need<decltype(ResetStats0)>(dll, "ResetStats0");
    found.addData = Need<decltype(AddData0)>(dll, "AddData0");
    found.removeData = Need<decltype(RemoveData0)>(dll, "RemoveData0");
    found.checkCall = Need<decltype(CheckCall0)>(dll, "CheckCall0");
    found.getResult = Need<decltype(GetResult0)>(dll, "GetResult0");
    found.runCommand = Need<decltype(RunCommand0)>(dll, "?RunCommand0@@YAPBDHPBD@Z");
    return found;
  }();
  return entry;
}

}  // namespace tarno
