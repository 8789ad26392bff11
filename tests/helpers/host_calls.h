#ifndef TARNO_TESTS_HELPERS_HOST_CALLS_H_
#define TARNO_TESTS_HELPERS_HOST_CALLS_H_

// Calls the entry points the way the host does, with every unused parameter filled
// in, through a table of function pointers: linked directly in the native tests,
// looked up in the loaded DLL in the Windows tests.

#include <string>

#include "plugin/entry_point_table.h"

namespace tarno {


// A QSO as the host describes it; a NULL text stands for a text the host left out.
struct HostQso {
  const char* ownCall = "HA5TST";
  const char* call = "DL1ABC";
  COleDateTime time = MakeDate(44576.5);  // 2022-01-15 12:00
  unsigned int freqHz = 14025000;
  const char* mode = "CW";
  const char* rstSent = "599";
  const char* rstRcvd = "599";
  const char* exchSent = "BP";
  const char* exchRcvd = "001";
  const char* prefix = "DL";
  const char* continent = "EU";
  const char* band = "20m";

  static COleDateTime MakeDate(double days, int32_t status = COleDateTime::kValid) {
    COleDateTime date;
    date.m_dt = days;
    date.m_status = status;
    return date;
  }
};

int CallAddData(const EntryPoints& entry, HostQso qso);
int CallRemoveData(const EntryPoints& entry, HostQso qso);
int CallCheckCall(const EntryPoints& entry, const char* call, const char* mode, const char* prefix,
                  const char* county, const char* band);
int CallResetStats(const EntryPoints& entry, const char* ownCall, COleDateTime* start,
                   COleDateTime* end, const char* ownContinent, int cabrilloMode = 0);

}  // namespace tarno

#endif  // TARNO_TESTS_HELPERS_HOST_CALLS_H_
