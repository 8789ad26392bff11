#ifndef TARNO_PLUGIN_CABRILLO_STEPS_H_
#define TARNO_PLUGIN_CABRILLO_STEPS_H_

// The Cabrillo steps of a statistics run in Cabrillo mode, on the host's thread.

#include <string>

namespace tarno {

// At statistics reset: the header dialog, owned by the host's active window;
// returns when the operator has closed it.
void EditCabrilloHeader(const std::string& ownCall);

// In the score request, after the score: writes the Cabrillo file of the whole log,
// tells the operator, and sets the host's int to -1.
void ExportCabrillo(int* flag);

}  // namespace tarno

#endif  // TARNO_PLUGIN_CABRILLO_STEPS_H_
