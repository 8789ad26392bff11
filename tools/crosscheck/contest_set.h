#ifndef TARNO_TOOLS_CROSSCHECK_CONTEST_SET_H_
#define TARNO_TOOLS_CROSSCHECK_CONTEST_SET_H_

// All received logs of one contest, held compactly: one QsoRecord of integers per QSO
// line (texts by their StringPool id), the lines of one log side by side in time order
// (lines of one time in file order), as the logger took them, whatever order the file
// has. The loader fills it; the later steps only set verdicts, partners and results.

#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "crosscheck/categories.h"
#include "crosscheck/string_pool.h"

namespace tarno::score {

enum class Verdict : uint8_t {
  kPending,  // not decided yet; no record is left so after the cross-check
  kOk,
  kBustedCall,
  kBustedExchange,
  kNil,
  kUnique,
  kNoLog,
  kDupe,
  kOutside,
  kInvalid,
  kBandMismatch,     // the same QSO in the other log on another band; this side shown wrong
  kModeMismatch,     // the same, in another mode
  kNotInPartialLog,  // the worked station's log lost the stretch that held it; credited
};
constexpr int kVerdictCount = 13;

// "OK", "BUSTED-CALL", ... as verdicts.csv writes them.
const char* VerdictName(Verdict verdict);
// Whether the QSO counts towards the checked score.
bool IsCredited(Verdict verdict, bool dropUniques);
// Whether a verdict takes the QSO from a line that the plug-in counted: NIL, BUSTED-CALL,
// BUSTED-EXCHANGE, BAND-MISMATCH, MODE-MISMATCH, and UNIQUE where uniques are dropped.
bool IsLost(Verdict verdict, bool dropUniques);

// How a line found its partner, which the judgement of mismatches weighs.
enum class MatchKind : uint8_t {
  kNone,
  kExact,         // the same band and mode
  kBand,          // the same QSO on another band
  kMode,          // in another mode
  kBustedCall,    // one side logged a busted call
  kConfirmation,  // the partner's line is a DUPE or refused, but holds the QSO
};

constexpr uint32_t kNoRecord = UINT32_MAX;

// The fields every pass reads (time, log, partner, verdict) come first, in one cache line:
// the passes over millions of lines that reach a record through an index miss the cache
// once per line, not twice.
struct QsoRecord {
  double oleDays = 0.0;          // as logged, before any clock correction
  uint32_t log = 0;              // index in ContestSet::logs
  uint32_t partner = kNoRecord;  // the other side's record of this QSO, once matched
  Verdict verdict = Verdict::kPending;
  bool readable = true;  // false: the reader could not make a QSO of the line
  // Read, but refused by the reader for a doubt about its fields: INVALID, never replayed,
  // its reading kept as the log's evidence that the contact was made.
  bool refused = false;
  MatchKind match = MatchKind::kNone;
  uint32_t worked = 0;  // the worked call upper-cased: the key every comparison uses
  uint32_t band = 0;
  uint32_t mode = 0;
  uint32_t line = 0;  // line (Cabrillo) or record (ADIF) number in the file, from 1
  uint32_t workedAsLogged = 0;
  uint32_t stationCall = 0;  // the own call on the line; 0 when the line has none
  uint32_t freqHz = 0;
  uint32_t rstSent = 0;
  uint32_t rstRcvd = 0;
  uint32_t exchSent = 0;
  uint32_t exchRcvd = 0;
  uint32_t continent = 0;  // the worked station's, when the log says
  uint32_t note = 0;       // why a line is INVALID or OUTSIDE, when there is more to say
};
static_assert(sizeof(QsoRecord) == 72, "a record of a line stays 72 bytes");

// One band's row of the plug-in's summary sheet, as it counted them.
struct BandFigures {
  std::string band;
  long long qsos = 0;
  long long points = 0;
  long long counties = 0;
};

// A log's clock against its partners': a constant offset in whole minutes (a time-zone
// mistake, a clock set wrong), or one that drifts, growing in a straight line from
// `startSeconds` at `firstSeconds` (its logged time) to `endSeconds` at `lastSeconds`, and
// held at those values before and after. Positive: the clock ran ahead.
struct ClockFit {
  int offsetMinutes = 0;  // the constant offset; for a drift, the offset at its middle
  bool drifts = false;
  int startSeconds = 0, endSeconds = 0;
  long long firstSeconds = 0, lastSeconds = 0;
  int pairs = 0;          // QSOs it was judged on
  int spreadSeconds = 0;  // the middle half of those QSOs lie within this of the fit
  bool Corrected() const { return offsetMinutes != 0 || drifts; }
  // The offset at a logged time, in seconds.
  long long OffsetAt(long long loggedSeconds) const {
    if (!drifts) return 60LL * offsetMinutes;
    if (loggedSeconds <= firstSeconds || lastSeconds <= firstSeconds) return startSeconds;
    if (loggedSeconds >= lastSeconds) return endSeconds;
    return startSeconds + (endSeconds - startSeconds) * (loggedSeconds - firstSeconds) /
                              (lastSeconds - firstSeconds);
  }
};

// Where a log's sent-exchange column is not what its partners copied, and nearly all of
// them copied the same: a county (the column says SO, everyone copied PE), or serials off
// by the same number. Its partners' copies are judged against what they copied.
struct SentFix {
  enum Kind : uint8_t { kNone, kCounty, kSerialOffset } kind = kNone;
  uint32_t county = 0;  // text id of the county copied, for kCounty
  int offset = 0;       // what the copies add to the column's serials, for kSerialOffset
  uint32_t column = 0;  // text id of what the column says most often
  int agreeing = 0;     // partners' lines that copied so
  int lines = 0;        // partners' lines judged
};

// A stretch in which a log holds no QSO while other logs hold QSOs with it at its usual
// rate: its log lost them. Seconds at the other logs' corrected clocks.
struct MissingStretch {
  long long fromSeconds = 0;
  long long toSeconds = 0;
  int lines = 0;  // other logs' lines in it
  int logs = 0;   // the logs they come from
};

struct EntrantLog {
  std::string file;
  size_t fileOrder = 0;  // position among the files named on the command line
  std::string call;      // upper-cased
  uint32_t callId = 0;
  std::filesystem::file_time_type modified;  // when the file was last written: sent
  bool used = true;                          // false: another file of the same call replaced it
  bool adif = false;                         // its QSOs are numbered by record, not by line
  std::vector<std::string> setAside;         // the used log's: the files of its call not used
  std::string contest;                       // CONTEST: as written
  long long claimedHeader = -1;              // CLAIMED-SCORE:, -1 when absent or not a number
  size_t firstQso = 0;  // the log's records are qsos[firstQso, firstQso + qsoCount)
  size_t qsoCount = 0;
  ClockFit clock;   // how far its clock ran ahead of its partners'
  SentFix sentFix;  // what its partners copied where its sent column says otherwise
  std::vector<MissingStretch> missing;  // stretches its log lost (a partial log)
  std::string ownContinent;
  uint32_t ownContinentId = 0;  // its text id
  EntrantHeader header;         // categories, NAME and CLUB; not present for ADIF

  // Results.
  long long claimed = 0;
  long long checked = 0;
  long long checkedPoints = 0;
  long long checkedCounties = 0;
  long long penaltyPoints = 0;            // the contest's penalties, taken from checkedPoints
  std::vector<BandFigures> claimedBands;  // the plug-in's count of every line of the log
  std::vector<BandFigures> checkedBands;  // of its credited lines
  std::array<int, kVerdictCount> counts{};
  int copiedWrongByOthers = 0;
};

// A file that could not be used, or something the sponsor should know about one.
struct FileProblem {
  std::string file;
  std::string message;
  bool unused = true;  // the log is left out of the check
};

// The country file's word on a worked call as logged, found once for every thread that
// needs it.
struct CallCountry {
  uint32_t prefix = 0;  // text ids of the country's prefix and continent
  uint32_t continent = 0;
  bool ha = false;    // its stored prefix is "HA": 6 points
  bool home = false;  // a home prefix: its county counts
};

// A line's verdict as the sponsor decided it (decisions.h), with what the cross-check said.
struct SponsorDecision {
  uint32_t reason = 0;  // text ids
  uint32_t was = 0;     // "NIL: not in HA5AA's log"
};

struct ContestSet {
  StringPool texts;
  std::vector<EntrantLog> logs;  // in the order they were read; see used
  std::vector<QsoRecord> qsos;
  std::vector<FileProblem> problems;
  std::vector<int32_t> logOfCall;  // by text id: the used log of that call, or -1
  std::unordered_map<uint32_t, SponsorDecision> decisions;  // by index in qsos
  std::vector<CallCountry> countryOfCall;  // by text id of every worked call as logged
};

// The indexes in ContestSet::qsos of the log's records by their line in the file, as the
// sponsor's files list them.
std::vector<uint32_t> RecordsInFileOrder(const ContestSet& set, const EntrantLog& log);

// Seconds since 1899-12-30 of a host date value, rounded half away from zero as
// std::llround does. Inline: the matching asks it for every line several times.
inline long long SecondsOf(double oleDays) {
  const double seconds = oleDays * 86400.0;
  // Beyond 2^62 (or not a number) the library's rounding answers as it always did.
  if (!(seconds > -4.6e18 && seconds < 4.6e18)) return std::llround(seconds);
  long long whole = static_cast<long long>(seconds);             // toward zero
  const double fraction = seconds - static_cast<double>(whole);  // exact
  if (fraction >= 0.5) ++whole;
  if (fraction <= -0.5) --whole;
  return whole;
}

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_CONTEST_SET_H_
