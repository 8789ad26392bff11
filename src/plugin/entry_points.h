#ifndef TARNO_PLUGIN_ENTRY_POINTS_H_
#define TARNO_PLUGIN_ENTRY_POINTS_H_

// The module's exported surface, as the host calls it: 32-bit cdecl, on the host's
// user-interface thread, one call at a time. Every text the host passes may be
// NULL (read as empty text) and is copied, never kept. Every text returned points
// into module-owned storage that stays valid until the next call of the same entry.
// No exception leaves any of these functions.
//
// Each function is exported under its plain name; the Windows build also exports it
// under the decorated name of its implementing function (RunCommand0 only so).

#include "contest/ole_date_time.h"

#if defined(_WIN32)
#define TARNO_EXPORT
#define TARNO_CDECL __cdecl
#else
#define TARNO_EXPORT __attribute__((visibility("default")))
#define TARNO_CDECL
#endif

extern "C" {

TARNO_EXPORT int TARNO_CDECL GetNumberOfSets();
TARNO_EXPORT const char* TARNO_CDECL GetSetName(int setNumber);

// Implemented as StatsGetExchgCount0.
TARNO_EXPORT int TARNO_CDECL GetExchgCount0(const char*, const char*, const char*);

// Implemented as StatsIsValidExchg0.
TARNO_EXPORT int TARNO_CDECL IsValidExchg0(const char* exchange, const char*, const char* prefix,
                                          const char*, int, int, int);

TARNO_EXPORT void TARNO_CDECL SetupSet0();

TARNO_EXPORT int TARNO_CDECL ResetStats0(
    const char*, int cabrilloMode, const char* ownCall, COleDateTime* contestStart,
    COleDateTime* contestEnd, const char*, const char*, const char*, const char*, const char*,
    const char*, const char*, const char*, const char*, const char*, int, int, int, double,
    double, const char*, const char* ownContinent, const char*);

// AddData0 and RemoveData0 take the same 33 parameters; frequency in Hz.
TARNO_EXPORT int TARNO_CDECL AddData0(
    const char* ownCall, const char* call, COleDateTime* qsoTime, COleDateTime*, COleDateTime*,
    COleDateTime*, unsigned int, unsigned int freqHz, const char* mode, const char* rstSent,
    const char* rstRcvd, const char* exchSent, const char* exchRcvd, const char*, const char*,
    const char*, const char*, const char*, const char*, const char*, const char*, const char*,
    const char* prefix, int, int, int, double, double, const char*, const char* continent,
    const char*, const char* band, const char*);

TARNO_EXPORT int TARNO_CDECL RemoveData0(
    const char* ownCall, const char* call, COleDateTime* qsoTime, COleDateTime*, COleDateTime*,
    COleDateTime*, unsigned int, unsigned int freqHz, const char* mode, const char* rstSent,
    const char* rstRcvd, const char* exchSent, const char* exchRcvd, const char*, const char*,
    const char*, const char*, const char*, const char*, const char*, const char*, const char*,
    const char* prefix, int, int, int, double, double, const char*, const char* continent,
    const char*, const char* band, const char*);

// Implemented as CheckCallFunc0. The two output buffers are never written.
TARNO_EXPORT int TARNO_CDECL CheckCall0(
    const char* call, unsigned int, unsigned int, const char* mode, const char*, const char*,
    const char*, const char*, const char*, const char*, const char*, const char*, const char*,
    const char* prefix, int, int, int, double, double, const char*, const char*, const char*,
    const char*, const char* county, const char* band, const char*, char*, char*);

// `flag` receives -1 after a Cabrillo export; otherwise it is not touched.
TARNO_EXPORT const char* TARNO_CDECL GetResult0(int* flag);

TARNO_EXPORT const char* TARNO_CDECL RunCommand0(int, const char* command);

}  // extern "C"

#endif  // TARNO_PLUGIN_ENTRY_POINTS_H_
