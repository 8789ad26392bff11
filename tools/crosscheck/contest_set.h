#ifndef TARNO_TOOLS_CROSSCHECK_CONTEST_SET_H_
#define TARNO_TOOLS_CROSSCHECK_CONTEST_SET_H_

// All received logs of one contest, held compactly: one QsoRecord of integers per QSO
// line (texts by their StringPool id), the lines of one log side by side in time order
// (lines of one time in file order), as the logger took them, whatever order the file
// has. The loader fills it; the later steps only set verdicts, partners and results.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
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
};
constexpr int kVerdictCount = 10;

// "OK", "BUSTED-CALL", ... as verdicts.csv writes them.
const char* VerdictName(Verdict verdict);
// Whether the QSO counts towards the checked score.
bool IsCredited(Verdict verdict, bool dropUniques);

constexpr uint32_t kNoRecord = UINT32_MAX;

struct QsoRecord {
  double oleDays = 0.0;  // as logged, before any clock correction
  uint32_t log = 0;      // index in ContestSet::logs
  uint32_t line = 0;     // line (Cabrillo) or record (ADIF) number in the file, from 1
  uint32_t worked = 0;   // the worked call upper-cased: the key every comparison uses
  uint32_t workedAsLogged = 0;
  uint32_t stationCall = 0;  // the own call on the line; 0 when the line has none
  uint32_t freqHz = 0;
  uint32_t band = 0;
  uint32_t mode = 0;
  uint32_t rstSent = 0;
  uint32_t rstRcvd = 0;
  uint32_t exchSent = 0;
  uint32_t exchRcvd = 0;
  uint32_t continent = 0;        // the worked station's, when the log says
  uint32_t note = 0;             // why a line is INVALID or OUTSIDE, when there is more to say
  uint32_t partner = kNoRecord;  // the other side's record of this QSO, once matched
  Verdict verdict = Verdict::kPending;
  bool readable = true;  // false: the reader could not make a QSO of the line
};

// One band's row of the plug-in's summary sheet, as it counted them.
struct BandFigures {
  std::string band;
  long long qsos = 0;
  long long points = 0;
  long long counties = 0;
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
  int clockOffsetMinutes = 0;  // how far its clock ran ahead of its partners'
  int clockPairs = 0;          // QSOs the offset was judged on
  std::string ownContinent;
  EntrantHeader header;  // categories, NAME and CLUB; not present for ADIF

  // Results.
  long long claimed = 0;
  long long checked = 0;
  long long checkedPoints = 0;
  long long checkedCounties = 0;
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

struct ContestSet {
  StringPool texts;
  std::vector<EntrantLog> logs;  // in the order they were read; see used
  std::vector<QsoRecord> qsos;
  std::vector<FileProblem> problems;
  std::vector<int32_t> logOfCall;  // by text id: the used log of that call, or -1
};

// The indexes in ContestSet::qsos of the log's records by their line in the file, as the
// sponsor's files list them.
std::vector<uint32_t> RecordsInFileOrder(const ContestSet& set, const EntrantLog& log);

// Seconds since 1899-12-30 of a host date value, rounded.
long long SecondsOf(double oleDays);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_CONTEST_SET_H_
