#include "plugin/setup_step.h"
#include "ui/win32/module_instance.h"
#include "ui/win32/setup_dialog.h"

namespace tarno {

bool RunSetupDialog(int* masterValue, int* multiplier) {
  master values;
  values.m_master = *masterValue;
  values.m_multiplier = *multiplier;
  // No owner: the dialog stands on its own, as the host asks for it.
  if (!Dialog_Setup(nullptr, ModuleInstance(), &values)) return false;
  *masterValue = values.m_master;
  *multiplier = values.m_multiplier;
  return true;
}

}  // namespace tarno
