// tarno-make-contest: writes a made-up TARNO contest, one Cabrillo log per entrant in the
// plug-in's own layout, with the errors real contests have, and truth.csv, the verdict
// every QSO line must get. The same options always give the same bytes.
//
//   tarno-make-contest --out FOLDER [--logs N] [--silent N] [--qsos N] [--seed S]
//       [--busted-call PCT] [--busted-exchange PCT] [--nil PCT] [--unique PCT]
//       [--dupe PCT] [--invalid PCT] [--outside PCT] [--clock-off N]
//
// The contest runs on 2026-03-07; --logs stations send logs, --silent more are worked
// but send none; each log holds about --qsos lines. The error rates are percentages of
// the QSO lines; --clock-off logs have their clock an hour fast. Calls made by a busted
// copy are no station's call, and lines that do not match their partner are kept far
// enough apart on a band and mode that no other line could be taken for their partner:
// the truth is never a matter of opinion.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "contest/county_rules.h"
#include "logs/band_plan.h"

namespace {

namespace fs = std::filesystem;

const char* const kForeignPrefixes[] = {"DL", "OK",  "OM", "S5", "9A", "YU", "YO", "LZ",
                                        "SP", "UR",  "G",  "F",  "I",  "EA", "ON", "PA",
                                        "OE", "HB9", "SM", "OH", "W",  "VE", "JA", "LY"};
constexpr int kFirstMinute = 60;   // 01:00, so that a clock an hour fast stays in the day
constexpr int kLastMinute = 1260;  // 21:00; dupes come up to an hour later
constexpr int kApart = 12;         // minutes between unmatched lines on one band and mode

struct Options {
  std::string out;
  int logs = 20;
  int silent = -1;  // -1: a tenth of the logs
  int qsos = 100;
  uint32_t seed = 1;
  double bustedCall = 2, bustedExchange = 2, nil = 2, unique = 1, dupe = 1, invalid = 0.5,
         outside = 0.3;
  int clockOff = 1;
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
  kOutside
};

struct Station {
  std::string call;
  bool home;
  int county;  // index in kCounties, for a home station
  bool sendsLog;
  int clockOffset = 0;
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
};

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
  void AddEvent();
  void AddPair(int a, int b, int band, bool cw, int minute);
  void AddSingle(int a, Kind kind, int band, bool cw, int minute, const std::string& call);
  int AddLine(Line line);
  void AssignSerials();
  std::string SentExchange(const Line& line) const;
  std::string ReceivedExchange(const Line& line) const;
  std::string Verdict(const Line& line) const;
  std::string QsoLine(const Line& line) const;

  Options m_options;
  std::mt19937 m_random;
  std::vector<Station> m_stations;
  std::vector<Line> m_lines;
  std::vector<std::vector<int>> m_linesOf;                      // by station, in the order made
  std::unordered_set<std::string> m_calls;                      // every call any line holds
  std::set<std::tuple<int, int, int, bool>> m_contacts;         // (low, high, band, cw)
  std::unordered_map<uint64_t, std::vector<int>> m_unmatched;   // (station, band, mode) times
  std::unordered_map<std::string, std::set<int>> m_silentLogs;  // silent call: its loggers
};

std::string Contest::FreshCall(bool home) {
  for (;;) {
    std::string call;
    if (home) {
      call = Below(4) == 0 ? "HG" : "HA";
      call += static_cast<char>('0' + Below(10));
    } else {
      call = kForeignPrefixes[Below(sizeof kForeignPrefixes / sizeof *kForeignPrefixes)];
      if (call.back() < '0' || call.back() > '9') call += static_cast<char>('0' + Below(10));
    }
    for (int i = 0; i < 3; ++i) call += static_cast<char>('A' + Below(26));
    if (m_calls.insert(call).second) return call;
  }
}

void Contest::AddStations() {
  const int silent = m_options.silent < 0 ? m_options.logs / 10 : m_options.silent;
  for (int i = 0; i < m_options.logs + silent; ++i) {
    Station station;
    station.home = Below(10) < 4;
    station.call = FreshCall(station.home);
    station.county = static_cast<int>(Below(20));
    station.sendsLog = i < m_options.logs;
    m_stations.push_back(station);
  }
  // Spread over the field rather than the first logs, which sort alike.
  for (int i = 0; i < m_options.clockOff && i < m_options.logs; ++i)
    m_stations[(i * 7919 + 3) % m_options.logs].clockOffset = 60;
  m_linesOf.resize(m_stations.size());
}

std::string Contest::BustedCopy(const std::string& call) {
  for (;;) {
    std::string copy = call;
    const size_t at = copy.size() - 1 - Below(3);
    copy[at] = static_cast<char>('A' + Below(26));
    if (m_calls.insert(copy).second) return copy;
  }
}

// Whether a line that will find no exact partner can go at this time: one such line, or
// one naming this station, within kApart minutes on the same band and mode could be taken
// for a busted copy of the other. With `add`, records it.
bool Contest::Unmatched(int station, int band, bool cw, int minute, bool add) {
  const uint64_t key = (static_cast<uint64_t>(station) << 8) | (band << 1) | (cw ? 1 : 0);
  std::vector<int>& times = m_unmatched[key];
  for (int t : times) {
    if (std::abs(t - minute) < kApart) return false;
  }
  if (add) times.push_back(minute);
  return true;
}

int Contest::AddLine(Line line) {
  const tarno::score::BandPlan& plan = tarno::score::kBandPlan[line.band];
  if (line.freqKHz == 0) line.freqKHz = (line.cw ? plan.cwKHz : plan.ssbKHz) + Below(30);
  m_lines.push_back(line);
  const int index = static_cast<int>(m_lines.size()) - 1;
  m_linesOf[line.owner].push_back(index);
  return index;
}

void Contest::AddPair(int a, int b, int band, bool cw, int minute) {
  const Station& other = m_stations[b];
  Kind kind = Kind::kMatched;
  if (!other.sendsLog) {
    kind = Kind::kSilent;
  } else {
    const uint32_t roll = Below(1000000);
    const double nil = m_options.nil * 10000, busted = m_options.bustedCall * 10000;
    const double exchange = m_options.bustedExchange * 10000;
    if (roll < nil)
      kind = Kind::kNil;
    else if (roll < nil + busted)
      kind = Kind::kBustedCall;
    else if (roll < nil + busted + exchange)
      kind = Kind::kBustedExchange;
  }
  // Lines that will not match exactly keep their distance (see Unmatched).
  const bool aOdd = kind != Kind::kMatched && kind != Kind::kBustedExchange;
  const bool bOdd = kind == Kind::kNil || kind == Kind::kBustedCall;
  if (aOdd && (!Unmatched(a, band, cw, minute, false) || !Unmatched(b, band, cw, minute, false)))
    return;
  if (aOdd) Unmatched(a, band, cw, minute, true);
  if (bOdd) Unmatched(b, band, cw, minute, true);
  m_contacts.insert({std::min(a, b), std::max(a, b), band, cw});
  Line mine{minute + static_cast<int>(Below(2)), a, b, -1, band, cw, 0, kind, "", 0, -1, false};
  if (kind == Kind::kBustedCall) mine.workedCall = BustedCopy(other.call);
  if (kind == Kind::kSilent) m_silentLogs[other.call].insert(a);
  const int first = AddLine(mine);
  if (kind == Kind::kNil || kind == Kind::kSilent) return;
  Line theirs{minute + static_cast<int>(Below(2)),
              b,
              a,
              first,
              band,
              cw,
              m_lines[first].freqKHz,
              Kind::kMatched,
              "",
              0,
              -1,
              false};
  const int second = AddLine(theirs);
  m_lines[first].partner = second;
}

void Contest::AddSingle(int a, Kind kind, int band, bool cw, int minute, const std::string& call) {
  Line line{minute, a, -1, -1, band, cw, 0, kind, call, 0, -1, false};
  if (kind == Kind::kInvalid) {
    if (Below(2) == 0) {
      line.freqKHz = 18080 + Below(30);  // 17 m, on which there is no contest
    } else {
      line.rtty = true;
    }
  }
  AddLine(line);
}

void Contest::AddEvent() {
  const int a = static_cast<int>(Below(static_cast<uint32_t>(m_options.logs)));
  const int band = static_cast<int>(Below(6));
  const bool cw = Below(2) == 0;
  const int minute = kFirstMinute + static_cast<int>(Below(kLastMinute - kFirstMinute));
  const double roll = Below(1000000) / 10000.0;
  const double unique = m_options.unique, dupe = unique + m_options.dupe;
  const double invalid = dupe + m_options.invalid, outside = invalid + m_options.outside;
  if (roll < unique) {
    if (Unmatched(a, band, cw, minute, true))
      AddSingle(a, Kind::kUnique, band, cw, minute, FreshCall(Below(2) == 0));
  } else if (roll < dupe) {
    const std::vector<int>& mine = m_linesOf[a];
    if (mine.empty()) return;
    const Line& first = m_lines[mine[Below(static_cast<uint32_t>(mine.size()))]];
    if (first.kind != Kind::kMatched || first.worked < 0) return;
    Line copy = first;
    copy.kind = Kind::kDupe;
    copy.partner = -1;
    copy.copyOf = static_cast<int>(&first - m_lines.data());
    copy.minute = first.minute + 10 + static_cast<int>(Below(50));
    AddLine(copy);
  } else if (roll < invalid) {
    AddSingle(a, Kind::kInvalid, band, cw, minute, FreshCall(false));
  } else if (roll < outside) {
    AddSingle(a, Kind::kOutside, band, cw, -1 - static_cast<int>(Below(120)), FreshCall(false));
  } else {
    const int b = static_cast<int>(Below(static_cast<uint32_t>(m_stations.size())));
    if (b == a || m_contacts.count({std::min(a, b), std::max(a, b), band, cw})) return;
    AddPair(a, b, band, cw, minute);
  }
}

void Contest::AssignSerials() {
  for (std::vector<int>& lines : m_linesOf) {
    std::stable_sort(lines.begin(), lines.end(),
                     [&](int x, int y) { return m_lines[x].minute < m_lines[y].minute; });
    int serial = 0;
    for (int index : lines) m_lines[index].serial = ++serial;
  }
}

void Contest::Make() {
  AddStations();
  const size_t wanted = static_cast<size_t>(m_options.logs) * m_options.qsos;
  while (m_lines.size() < wanted) AddEvent();
  AssignSerials();
}

std::string Contest::SentExchange(const Line& line) const {
  const Station& self = m_stations[line.owner];
  if (self.home) return tarno::kCountyCodes[self.county];
  char text[16];
  std::snprintf(text, sizeof text, "%03d", line.serial);
  return text;
}

// What this side copied: what the other side sent, sometimes written another way (a
// serial without its zeros, a county in lower case), or, busted, something else.
std::string Contest::ReceivedExchange(const Line& line) const {
  if (line.kind == Kind::kDupe) return ReceivedExchange(m_lines[line.copyOf]);
  const Station* other = line.worked >= 0 ? &m_stations[line.worked] : nullptr;
  std::string sent;
  if (line.partner >= 0) {
    sent = SentExchange(m_lines[line.partner]);
  } else if (other && other->home) {
    sent = tarno::kCountyCodes[other->county];
  } else {
    sent = std::to_string(1 + (line.minute * 7 + line.owner) % 400);
  }
  const uint32_t variant = static_cast<uint32_t>(line.minute * 31 + line.owner) % 10;
  const bool serial = sent[0] >= '0' && sent[0] <= '9';
  if (line.kind == Kind::kBustedExchange) {
    if (serial) return std::to_string(std::stoi(sent) + 1 + static_cast<int>(variant));
    return tarno::kCountyCodes[(other->county + 1 + variant) % 20];
  }
  if (variant == 0 && serial) return std::to_string(std::stoi(sent));
  if (variant == 1 && !serial) {
    std::string lower = sent;
    for (char& c : lower) c = static_cast<char>(c + 32);
    return lower;
  }
  return sent;
}

std::string Contest::Verdict(const Line& line) const {
  switch (line.kind) {
    case Kind::kMatched:
      return "OK";
    case Kind::kBustedCall:
      return "BUSTED-CALL";
    case Kind::kBustedExchange:
      return "BUSTED-EXCHANGE";
    case Kind::kNil:
      return "NIL";
    case Kind::kSilent:
      return m_silentLogs.at(m_stations[line.worked].call).size() > 1 ? "NO-LOG" : "UNIQUE";
    case Kind::kUnique:
      return "UNIQUE";
    case Kind::kDupe:
      return "DUPE";
    case Kind::kInvalid:
      return "INVALID";
    case Kind::kOutside:
      return "OUTSIDE";
  }
  return "?";
}

std::string Contest::QsoLine(const Line& line) const {
  const Station& self = m_stations[line.owner];
  const int logged = line.minute + self.clockOffset;
  // Day 7 of March 2026; a negative minute is the evening before.
  const int day = logged < 0 ? 6 : 7 + logged / 1440;
  const int inDay = (logged % 1440 + 1440) % 1440;
  char date[32];
  std::snprintf(date, sizeof date, "2026-03-%02d %02d%02d", day, inDay / 60, inDay % 60);
  const bool rtty = line.rtty;
  const std::string worked =
      line.workedCall.empty() ? m_stations[line.worked].call : line.workedCall;
  const char* rst = line.cw || rtty ? "599" : "59";
  char text[160];
  std::snprintf(text, sizeof text, "QSO: %5u %2s %s %-13s %-3s %-6s %-13s %-3s %s\r\n",
                line.freqKHz,
                rtty      ? "RY"
                : line.cw ? "CW"
                          : "PH",
                date, self.call.c_str(), rst, SentExchange(line).c_str(), worked.c_str(), rst,
                ReceivedExchange(line).c_str());
  return text;
}

const char kHeader[] =
    "START-OF-LOG: 3.0\r\nCONTEST: TARNO\r\nCALLSIGN: %s\r\nCATEGORY-OPERATOR: SINGLE-OP\r\n"
    "CATEGORY-BAND: ALL\r\nCATEGORY-POWER: HIGH\r\nCATEGORY-MODE: MIXED\r\n"
    "CATEGORY-TRANSMITTER: ONE\r\nOPERATORS: %s\r\nLOCATION: \r\nCLUB: \r\n"
    "CREATED-BY: Zelk \r\nNAME: \r\nADDRESS: \r\nADDRESS-CITY: \r\nADDRESS-POSTALCODE: \r\n"
    "ADDRESS-COUNTRY: \r\nE-MAIL: \r\nSOAPBOX: \r\n";
constexpr int kHeaderLines = 19;

bool Contest::Write(std::string* error) const {
  const fs::path logs = fs::path(m_options.out) / "logs";
  std::error_code made;
  fs::create_directories(logs, made);
  std::vector<int> order;
  for (int i = 0; i < m_options.logs; ++i) order.push_back(i);
  std::sort(order.begin(), order.end(),
            [&](int x, int y) { return m_stations[x].call < m_stations[y].call; });
  const std::string truthPath = (fs::path(m_options.out) / "truth.csv").string();
  FILE* truth = std::fopen(truthPath.c_str(), "wb");
  if (!truth) {
    *error = "cannot write " + truthPath;
    return false;
  }
  std::fputs("log,line,verdict,worked\n", truth);
  bool written = true;
  for (int s : order) {
    const Station& station = m_stations[s];
    const std::string path = (logs / (station.call + ".cbr")).string();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
      *error = "cannot write " + path;
      std::fclose(truth);
      return false;
    }
    std::fprintf(file, kHeader, station.call.c_str(), station.call.c_str());
    int lineNumber = kHeaderLines;
    for (int index : m_linesOf[s]) {
      const Line& line = m_lines[index];
      std::fputs(QsoLine(line).c_str(), file);
      const std::string worked =
          line.workedCall.empty() ? m_stations[line.worked].call : line.workedCall;
      std::fprintf(truth, "%s,%d,%s,%s\n", station.call.c_str(), ++lineNumber,
                   Verdict(line).c_str(), worked.c_str());
    }
    std::fputs("END-OF-LOG:\r\n", file);
    written = std::fclose(file) == 0 && written;
  }
  written = std::fclose(truth) == 0 && written;
  if (!written) *error = "a file could not be written to the end";
  return written;
}

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    const char* value = argv[i + 1];
    if (arg == "--out")
      options->out = value;
    else if (arg == "--logs")
      options->logs = std::atoi(value);
    else if (arg == "--silent")
      options->silent = std::atoi(value);
    else if (arg == "--qsos")
      options->qsos = std::atoi(value);
    else if (arg == "--seed")
      options->seed = static_cast<uint32_t>(std::strtoul(value, nullptr, 10));
    else if (arg == "--busted-call")
      options->bustedCall = std::atof(value);
    else if (arg == "--busted-exchange")
      options->bustedExchange = std::atof(value);
    else if (arg == "--nil")
      options->nil = std::atof(value);
    else if (arg == "--unique")
      options->unique = std::atof(value);
    else if (arg == "--dupe")
      options->dupe = std::atof(value);
    else if (arg == "--invalid")
      options->invalid = std::atof(value);
    else if (arg == "--outside")
      options->outside = std::atof(value);
    else if (arg == "--clock-off")
      options->clockOff = std::atoi(value);
    else
      return false;
  }
  return argc % 2 == 1 && !options->out.empty() && options->logs >= 2 && options->qsos >= 1;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fprintf(stderr,
                 "usage: tarno-make-contest --out FOLDER [--logs N] [--silent N] [--qsos N]\n"
                 "    [--seed S] [--busted-call PCT] [--busted-exchange PCT] [--nil PCT]\n"
                 "    [--unique PCT] [--dupe PCT] [--invalid PCT] [--outside PCT]"
                 " [--clock-off N]\n");
    return 2;
  }
  Contest contest(options);
  contest.Make();
  std::string error;
  if (!contest.Write(&error)) {
    std::fprintf(stderr, "tarno-make-contest: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
