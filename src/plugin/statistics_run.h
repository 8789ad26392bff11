#ifndef TARNO_PLUGIN_STATISTICS_RUN_H_
#define TARNO_PLUGIN_STATISTICS_RUN_H_

// A statistics run, from one ResetStats0 to the next, and its score. Host's thread.

#include <string>

#include "contest/ole_date_time.h"

namespace tarno {

struct RunStart {
  int cabrilloMode = 0;
  std::string ownCall;
  COleDateTime contestStart;
  COleDateTime contestEnd;
  std::string ownContinent;
};

// Empties the log, keeps the run's values, starts "err.txt", runs the Cabrillo
// header in Cabrillo mode and decides whether to open the county window.
void ResetStatisticsRun(const RunStart& run);

// Scores the log, keeps the claimed score, exports in Cabrillo mode and returns the
// summary sheet (valid until the next call).
const char* ComputeResult(int* flag);

}  // namespace tarno

#endif  // TARNO_PLUGIN_STATISTICS_RUN_H_
