#ifndef TARNO_PLUGIN_ENTRY_POINT_TABLE_H_
#define TARNO_PLUGIN_ENTRY_POINT_TABLE_H_

// The entry points as a host holds them after looking them up in the loaded library:
// each by its plain name, RunCommand0 by the only name it has.

#include "plugin/entry_points.h"

namespace tarno {

struct EntryPoints {
  decltype(&GetNumberOfSets) getNumberOfSets = nullptr;
  decltype(&GetSetName) getSetName = nullptr;
  decltype(&GetExchgCount0) getExchgCount = nullptr;
  decltype(&IsValidExchg0) isValidExchg = nullptr;
  decltype(&SetupSet0) setupSet = nullptr;
  decltype(&ResetStats0) resetStats = nullptr;
  decltype(&AddData0) addData = nullptr;
  decltype(&RemoveData0) removeData = nullptr;
  decltype(&CheckCall0) checkCall = nullptr;
  decltype(&GetResult0) getResult = nullptr;
  decltype(&RunCommand0) runCommand = nullptr;
};

// The names a host looks the entries up by, in the order of the table's fields.
#if defined(_WIN32)
#define TARNO_RUN_COMMAND_EXPORT "?RunCommand0@@YAPBDHPBD@Z"
#else
#define TARNO_RUN_COMMAND_EXPORT "RunCommand0"
#endif

// Fills the table through `lookup(name)`, which returns the entry's address or null;
// false, naming the first missing entry in `*missing`, when one is not found.
template <typename Lookup>
bool FillEntryPoints(Lookup lookup, EntryPoints* table, const char** missing) {
  bool complete = true;
  auto take = [&](auto& field, const char* name) {
    void* address = lookup(name);
    if (!address && complete) {
      complete = false;
      *missing = name;
    }
    field = reinterpret_cast<std::remove_reference_t<decltype(field)>>(address);
  };
  take(table->getNumberOfSets, "GetNumberOfSets");
  take(table->getSetName, "GetSetName");
  take(table->getExchgCount, "GetExchgCount0");
  take(table->isValidExchg, "IsValidExchg0");
  take(table->setupSet, "SetupSet0");
  take(table->resetStats, "ResetStats0");
  take(table->addData, "AddData0");
  take(table->removeData, "RemoveData0");
  take(table->checkCall, "CheckCall0");
  take(table->getResult, "GetResult0");
  take(table->runCommand, TARNO_RUN_COMMAND_EXPORT);
  return complete;
}

}  // namespace tarno

#endif  // TARNO_PLUGIN_ENTRY_POINT_TABLE_H_
