#ifndef TARNO_PLUGIN_SETUP_STEP_H_
#define TARNO_PLUGIN_SETUP_STEP_H_

// The setup dialog behind SetupSet0, on the host's thread.

namespace tarno {

// Shows the "Master" and "Multiplier" settings and returns when the operator has closed the
// dialog. On OK both become the states of their boxes (0 or 1) and the result is true.
// Closed any other way, and where there are no windows (nobody to ask), both are left as
// they were and the result is false.
bool RunSetupDialog(int* master, int* multiplier);

}  // namespace tarno

#endif  // TARNO_PLUGIN_SETUP_STEP_H_
