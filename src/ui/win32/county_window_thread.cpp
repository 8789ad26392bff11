#include "ui/county_window_control.h"

namespace tarno {

CountyWindowControl* CountyWindowControl::Default() {
  static NoCountyWindow none;
  return &none;
}

}  // namespace tarno
