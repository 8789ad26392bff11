#include "plugin/cabrillo_steps.h"

namespace tarno {

void EditCabrilloHeader(const std::string&) {}

void ExportCabrillo(int* flag) {
  if (flag) *flag = -1;
}

}  // namespace tarno
