#include "host_entry_calls.h"

#include "plugin/entry_points.h"

namespace tarno::bench {

int HostResetStats(int cabrilloMode) {
  COleDateTime start;
  start.m_dt = 46039.0;
  COleDateTime end = start;
  end.m_dt += 1.0;
  return ResetStats0("", cabrilloMode, kBenchOwnCall, &start, &end, "", "", "", "", "", "", "", "",
                     "", "", 0, 0, 0, 0.0, 0.0, "", kBenchOwnContinent, "");
}

int HostAddData(const BenchQso& qso) {
  COleDateTime when = qso.time;
  COleDateTime unused;
  return AddData0(kBenchOwnCall, qso.call, &when, &unused, &unused, &unused, 0, qso.freqHz,
                  qso.mode(), qso.rst(), qso.rst(), "BP", qso.exchRcvd, "", "", "", "", "", "", "",
                  "", "", qso.prefix(), 0, 0, 0, 0.0, 0.0, "", qso.continent(), "", qso.band(), "");
}

int HostCheckCall(const BenchQso& probe) {
  char unusedA[64] = "";
  char unusedB[64] = "";
  return CheckCall0(probe.call, 0, 0, probe.mode(), "", "", "", "", "", "", "", "", "",
                    probe.prefix(), 0, 0, 0, 0.0, 0.0, "", "", "", "", probe.county, probe.band(),
                    "", unusedA, unusedB);
}

}  // namespace tarno::bench
