#ifndef TARNO_PLATFORM_DESKTOP_H_
#define TARNO_PLATFORM_DESKTOP_H_

// What the module shows the operator outside its own windows, and what it learns
// about the host program's installation. Called on the host's thread.
//
// Windows: real modal dialogs and message boxes owned by the host's active window.
// Elsewhere there is nobody to ask: the header dialog confirms the values as they
// are, messages go to standard error, and no host executable is found.

#include <string>

#include "cabrillo/header_values.h"

namespace tarno {

class Desktop {
 public:
  virtual ~Desktop() = default;

  // The platform's desktop; lives as long as the process.
  static Desktop* Default();

  // Runs the Cabrillo header dialog (template 101) modally with `values`; true when
  // the operator confirmed it, with `values` as the controls held them. On cancel
  // `values` is unchanged.
  virtual bool RunCabrilloHeaderDialog(CabrilloHeaderValues* values) = 0;

  // The "Output" message: information icon, OK button; returns when it is closed.
  virtual void ShowOutputMessage(const std::string& text) = 0;

  // The host's version for the CREATED-BY line: from the first "*.exe" in the current
  // directory whose name contains "Zelk", "major.minor" for major version 2, else
  // "major.minor.build"; empty when there is no such file or it has no version.
  virtual std::string HostVersion() = 0;
};

}  // namespace tarno

#endif  // TARNO_PLATFORM_DESKTOP_H_
