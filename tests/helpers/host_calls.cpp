#include "helpers/host_calls.h"

namespace tarno {
namespace {

// The host fills the parameters the module ignores with its own data; give them
// recognisable values so that a module reading the wrong slot shows up.
const char* const kUnused = "unused";

COleDateTime g_unusedDate = HostQso::MakeDate(1.0);

}  // namespace

int CallAddData(const EntryPoints& entry, HostQso qso) {
  return entry.addData(qso.ownCall, qso.call, &qso.time, &g_unusedDate, &g_unusedDate,
                       &g_unusedDate, 7u, qso.freqHz, qso.mode, qso.rstSent, qso.rstRcvd,
                       qso.exchSent, qso.exchRcvd, kUnused, kUnused, kUnused, kUnused, kUnused,
                       kUnused, kUnused, kUnused, kUnused, qso.prefix, 24, 25, 26, 27.0, 28.0,
                       kUnused, qso.continent, kUnused, qso.band, kUnused);
}

int CallRemoveData(const EntryPoints& entry, HostQso qso) {
  return entry.removeData(qso.ownCall, qso.call, &qso.time, &g_unusedDate, &g_unusedDate,
                          &g_unusedDate, 7u, qso.freqHz, qso.mode, qso.rstSent, qso.rstRcvd,
                          qso.exchSent, qso.exchRcvd, kUnused, kUnused, kUnused, kUnused, kUnused,
                          kUnused, kUnused, kUnused, kUnused, qso.prefix, 24, 25, 26, 27.0, 28.0,
                          kUnused, qso.continent, kUnused, qso.band, kUnused);
}

int CallCheckCall(const EntryPoints& entry, const char* call, const char* mode, const char* prefix,
                  const char* county, const char* band) {
  char out1[64] = "untouched";
  char out2[64] = "untouched";
  int result =
      entry.checkCall(call, 2u, 3u, mode, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused,
                      kUnused, kUnused, kUnused, prefix, 15, 16, 17, 18.0, 19.0, kUnused, kUnused,
                      kUnused, kUnused, county, band, kUnused, out1, out2);
  // The host's buffers belong to the host.
  if (std::string(out1) != "untouched" || std::string(out2) != "untouched") return -100;
  return result;
}

int CallResetStats(const EntryPoints& entry, const char* ownCall, COleDateTime* start,
                   COleDateTime* end, const char* ownContinent, int cabrilloMode) {
  return entry.resetStats(kUnused, cabrilloMode, ownCall, start, end, kUnused, kUnused, kUnused,
                          kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, 16, 17, 18,
                          19.0, 20.0, kUnused, ownContinent, kUnused);
}

}  // namespace tarno
