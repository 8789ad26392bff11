#ifndef TARNO_FUZZ_ENTRY_POINT_CHECKS_H_
#define TARNO_FUZZ_ENTRY_POINT_CHECKS_H_

// What the entry-point fuzzer holds the module to. The contest rules are written out again
// here as plain scans over the log's records, from their documented wording, so that the
// module's indexes and shortcuts are measured against something that shares no code with
// them. A broken rule aborts the process with its name, which the fuzzer reports as a crash.

#include <string>
#include <string_view>
#include <vector>

#include "contest/contest_log.h"
#include "contest/qso_params.h"
#include "contest/removal.h"

namespace tarno::fuzz {

[[noreturn]] void Broken(const char* invariant);

inline void Require(bool holds, const char* invariant) {
  if (!holds) Broken(invariant);
}

namespace plain {

bool IsRefusedBand(std::string_view band);
bool IsContestMode(std::string_view mode);
bool IsHomePrefix(std::string_view prefix);
bool IsCountyCode(std::string_view code);
int BandIndex(std::string_view band);
std::string NormalisedCounty(std::string_view typed);
std::string StoredPrefix(std::string_view prefix);

int CountContacts(const ContestLog& log, std::string_view call, std::string_view band,
                  std::string_view mode);
int CountPrefixOnBand(const ContestLog& log, std::string_view band, std::string_view prefix);
int CountCountyOnBand(const ContestLog& log, std::string_view band, std::string_view county);
// Only the records the score counts: no dupe, a call.
int CountCountedCountyOnBand(const ContestLog& log, std::string_view band, std::string_view county);
long FirstContact(const ContestLog& log, std::string_view call, std::string_view band,
                  std::string_view mode);

// 0 dupe, 1 multiplier already worked on the band, 2 new one.
int CallCheckAnswer(const ContestLog& log, std::string_view call, std::string_view mode,
                    std::string_view prefix, std::string_view county, std::string_view band);

// How many error lines admission must write for the QSO, and whether it is admitted.
struct Admission {
  bool admitted = false;
  size_t errorLines = 0;
};
Admission Admit(const ContestLog& log, const QsoParams& qso);

// RemoveData0's answer for the QSO.
int RemoveAnswer(const QsoParams& qso);

// The summary sheet for the log with the bands in the given order.
struct Tally {
  std::string sheet;
  int score = 0;
  BandTextLists bandCounties;  // the lists the score rebuilds; others stay as they were
};
Tally Score(const ContestLog& log, const std::vector<std::string>& bands,
            const std::string& ownContinent, const std::string& startText,
            const std::string& endText, const std::string& ownCall,
            const BandTextLists& countiesBefore);

}  // namespace plain

bool SameRecord(const CInfo& a, const CInfo& b);

// The record admission must append for the QSO.
CInfo ExpectedRecord(const QsoParams& qso);

// Every record obeys the log's rules, the band list names each band once and every band of
// the log, and the indexes agree with a scan for each record's keys among `probeRecords` and
// for the probe QSO's own keys.
void CheckLog(const ContestLog& log, const BandList& bands, const QsoParams* probe,
              const std::vector<size_t>& probeRecords);

// Lines appended to the error file: complete CR LF lines, each one problem.
void CheckAppendedErrorLines(std::string_view bytes, size_t expectedLines);
// The whole error file: the heading first (when a reset wrote it), then problem lines.
void CheckErrorFile(std::string_view content);

// A Cabrillo export: the writer's header lines, one tagged line each, then one QSO line per
// record, then END-OF-LOG.
void CheckCabrilloFile(std::string_view content, const ContestLog& log, int claimedScore);

// The summary sheet read back row by row: a row per band of `bands`, in that order, then the
// total row, whose QSOs are every record of the log and whose points and counties are the sums
// of the band rows, then the score, their product.
void CheckSummarySheet(std::string_view sheet, const std::string& heading,
                       const std::vector<std::string>& bands, size_t logSize);

// A file name the own call gave: nothing Windows would refuse or open as a device.
void CheckFileCall(const std::string& fileCall);

}  // namespace tarno::fuzz

#endif  // TARNO_FUZZ_ENTRY_POINT_CHECKS_H_
