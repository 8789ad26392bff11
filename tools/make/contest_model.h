#ifndef TARNO_TOOLS_MAKE_CONTEST_MODEL_H_
#define TARNO_TOOLS_MAKE_CONTEST_MODEL_H_

// The made-up contest of tarno-make-contest: its stations, their QSO lines and what each
// line must be judged.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace tarno::make {

struct Options {
  std::string out;
  int logs = 20;
  int silent = -1;  // -1: a tenth of the logs
  int qsos = 100;
  uint32_t seed = 1;
  double bustedCall = 2, bustedExchange = 2, nil = 2, unique = 1, dupe = 1, invalid = 0.5,
         outside = 0.3;
  int clockOff = 1;
  // The errors the judgement weighs evidence for; none unless asked.
  double wrongMode = 0, mutualBust = 0;  // percentages of the QSO lines
  int wrongBand = 0;                     // logs with a run of QSOs logged on the wrong band
  int drift = 0;                         // logs whose clock drifts 5 to 10 minutes over the day
  int partial = 0;                       // logs that lost a stretch of 1 to 2 hours
  int wrongSent = 0;                     // logs whose sent-exchange column is wrong on every line
  int noReports = 0;                     // logs without reports, whose serials reach 599
  bool Special() const {
    return wrongMode > 0 || mutualBust > 0 || wrongBand > 0 || drift > 0 || partial > 0 ||
           wrongSent > 0 || noReports > 0;
  }
};

enum class Kind : uint8_t {
  kMatched,
  kBustedCall,
  kBustedExchange,
  kNil,
  kSilent,
  kUnique,
  kDupe,
  kInvalid,
  kOutside,
  kBandMismatch,    // logged on the wrong band; the partner's line is right
  kModeMismatch,    // in the wrong mode
  kPartialPartner,  // the partner's log lost the stretch that held it
};

// What an entrant says of itself, what the sponsor corrects, and where it must be ranked.
struct Entry {
  bool adif = false;        // sends ADIF, which has no header
  std::string headerLines;  // the header's category lines, as written (values in any case)
  std::string name, club;   // NAME: and CLUB:
  bool corrected = false;   // has a line in entrants.csv
  std::string fixCategory, fixName, fixClub;
  std::string category;  // the truth: the published category, "CHECKLOG", or "" for none
};

struct Station {
  std::string call;
  bool home;
  int county;  // index in kCounties, for a home station
  bool sendsLog;
  int clockOffset = 0;
  int driftMinutes = 0;  // its clock's error at the last minute, grown from none at the first
  bool noReports = false;
  int sentColumnError = 0;  // its sent column: counties this many further on, serials off by it
  int gapFirst = -1, gapLast = -1;  // the minutes its log lost
  int runFirst = -1, runLast = -1;  // the minutes of its run logged on the wrong band
  Entry entry;
};

struct Line {
  int minute;        // the true time, minutes from the contest day's start (may be < 0)
  int owner;         // station index
  int worked;        // station index, or -1 for a call of its own (workedCall)
  int partner = -1;  // the other side's line
  int band;
  bool cw;
  uint32_t freqKHz;
  Kind kind;
  std::string workedCall;  // when worked is -1, or a busted copy
  int serial = 0;          // what this side sent, for a station sending serials
  int copyOf = -1;         // a dupe's first line
  bool rtty = false;       // logged in a mode the contest does not have
  bool dropped = false;    // lost with a stretch of a partial log: not written
  bool repeat = false;     // the plug-in takes it for a repeat of an earlier line: DUPE
};

// The made-up contest: first its stations and QSO lines (contest_plan.cpp), then its files
// (contest_files.cpp).
class Contest {
 public:
  explicit Contest(const Options& options) : m_options(options), m_random(options.seed) {}

  void Make();
  bool Write(std::string* error) const;

 private:
  uint32_t Below(uint32_t n) { return static_cast<uint32_t>(m_random() % n); }
  std::string FreshCall(bool home);
  void AddStations();
  std::string BustedCopy(const std::string& call);
  bool Unmatched(int station, int band, bool cw, int minute, bool add);
  bool PairFree(int a, int b, int minute, bool add);
  bool Busy(int station, int minute) const;
  bool InGap(int station, int minute, int margin = 0) const;
  void AssignRoles();
  void AddRun(int station);
  void AddEvent(int forced = -1);
  void AddPair(int a, int b, int band, bool cw, int minute);
  void Finish();
  int LoggedMinute(const Line& line) const;
  void AddSingle(int a, Kind kind, int band, bool cw, int minute, const std::string& call);
  int AddLine(Line line);
  void AssignSerials();
  std::string SentExchange(const Line& line, bool asLogged = true) const;
  std::string ReceivedExchange(const Line& line) const;
  std::string Verdict(const Line& line) const;
  std::string QsoLine(const Line& line) const;
  void AddEntries();
  long long CheckedScore(int station) const;
  bool WriteSponsorFiles(std::string* error) const;
  bool WriteRankingTruth(std::string* error) const;
  std::string ClubTruth(const std::vector<std::pair<long long, std::string>>& order,
                        const std::map<std::string, int>& stationOf) const;
  std::string Header(const Station& station) const;
  std::string AdifRecord(const Line& line) const;
  bool WriteLog(int station, const std::filesystem::path& folder, FILE* truth, bool* complete,
                std::string* error) const;

  Options m_options;
  std::mt19937 m_random;
  std::vector<Station> m_stations;
  std::vector<Line> m_lines;
  std::vector<std::vector<int>> m_linesOf;                      // by station, in the order made
  std::unordered_set<std::string> m_calls;                      // every call any line holds
  std::set<std::tuple<int, int, int, bool>> m_contacts;         // (low, high, band, cw)
  std::unordered_map<uint64_t, std::vector<int>> m_unmatched;   // (station, band, mode) times
  std::unordered_map<uint64_t, std::vector<int>> m_pairTimes;   // (low, high): its lines' times
  std::unordered_map<std::string, std::set<int>> m_silentLogs;  // silent call: its loggers
};

}  // namespace tarno::make

#endif  // TARNO_TOOLS_MAKE_CONTEST_MODEL_H_
