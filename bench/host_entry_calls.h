#ifndef TARNO_BENCH_HOST_ENTRY_CALLS_H_
#define TARNO_BENCH_HOST_ENTRY_CALLS_H_

// The module's entry points, called as the host calls them: every parameter filled in,
// the unused ones with empty texts and zeros.

#include "host_qsos.h"

namespace tarno::bench {

int HostResetStats(int cabrilloMode);
int HostAddData(const BenchQso& qso);
int HostCheckCall(const BenchQso& probe);

}  // namespace tarno::bench

#endif  // TARNO_BENCH_HOST_ENTRY_CALLS_H_
