#include "helpers/host_calls.h"

namespace tarno {

const EntryPoints& TheEntryPoints() {
  static const EntryPoints entry = [] {
    EntryPoints linked;
    linked.getNumberOfSets = &GetNumberOfSets;
    linked.getSetName = &GetSetName;
    linked.getExchgCount = &GetExchgCount0;
    linked.setupSet = &SetupSet0;
    linked.isValidExchg = &IsValidExchg0;
    linked.resetStats = &ResetStats0;
    linked.addData = &AddData0;
    linked.removeData = &RemoveData0;
    linked.checkCall = &CheckCall0;
    linked.getResult = &GetResult0;
    linked.runCommand = &RunCommand0;
    return linked;
  }();
  return entry;
}

}  // namespace tarno
