#ifndef TARNO_CONTEST_QSO_PARAMS_H_
#define TARNO_CONTEST_QSO_PARAMS_H_

#include <cstdint>
#include <string>

#include "contest/ole_date_time.h"

namespace tarno {

// The meaningful parameters of one AddData0 or RemoveData0 call, copied from the
// host (a NULL text already read as empty, a NULL time as a null date).
struct QsoParams {
  std::string ownCall;
  std::string call;
  COleDateTime time;
  uint32_t freqHz = 0;
  std::string mode;
  std::string rstSent;
  std::string rstRcvd;
  std::string exchSent;
  std::string exchRcvd;
  std::string prefix;
  std::string continent;
  std::string band;
};

}  // namespace tarno

#endif  // TARNO_CONTEST_QSO_PARAMS_H_
