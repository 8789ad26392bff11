#ifndef TARNO_BENCH_HOST_QSOS_H_
#define TARNO_BENCH_HOST_QSOS_H_

// Made-up contest QSOs, kept compactly so that 1M of them fit beside a 1M-QSO log.
// Texts are what the host would pass: zero-terminated, frequency in Hz, time as the
// host's date value. Portable: the 32-bit memory probe uses them too.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "contest/ole_date_time.h"
#include "contest/qso_params.h"
#include "contest/qso_record.h"

namespace tarno::bench {

extern const char kBenchOwnCall[];       // "HA5TST"
extern const char kBenchOwnContinent[];  // "EU"

struct BenchQso {
  char call[16] = {};
  char exchRcvd[8] = {};  // a serial, or a home station's county code
  char county[4] = {};    // what the operator would type while checking: the county, or ""
  uint8_t bandIndex = 0;  // into kBandNames
  uint8_t modeIndex = 0;  // 0 CW, 1 SSB
  uint8_t prefixIndex = 0;
  uint32_t freqHz = 0;
  COleDateTime time;

  const char* band() const;
  const char* mode() const;
  const char* prefix() const;
  const char* continent() const;
  const char* rst() const;
};

// `count` QSOs that are each a new, valid contact: a third home stations with a
// county, the rest foreign stations of 26 prefixes, spread over the six bands and both
// modes. The same count and seed give the same QSOs.
std::vector<BenchQso> MakeCleanQsos(size_t count, uint32_t seed = 1);

// Calls a host types while a log of `logQsos` (made by MakeCleanQsos with the same
// seed) is loaded, in turn: a dupe of a logged QSO, a new call on a band where its
// prefix or county is worked, and a new call of a prefix worked nowhere.
std::vector<BenchQso> MakeCheckProbes(const std::vector<BenchQso>& logQsos, size_t count);

// The record admission would keep for the QSO.
CInfo RecordOf(const BenchQso& qso);

// The QSO as AddData0 hands it to admission.
QsoParams ParamsOf(const BenchQso& qso);

}  // namespace tarno::bench

#endif  // TARNO_BENCH_HOST_QSOS_H_
