// tarno-make-contest's stations and QSO lines: who works whom, when, on which band, and
// which errors each line carries.

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "logs/band_plan.h"
#include "make/contest_model.h"

namespace tarno::make {
namespace {

const char* const kForeignPrefixes[] = {"DL", "OK",  "OM", "S5", "9A", "YU", "YO", "LZ",
                                        "SP", "UR",  "G",  "F",  "I",  "EA", "ON", "PA",
                                        "OE", "HB9", "SM", "OH", "W",  "VE", "JA", "LY"};
constexpr int kFirstMinute = 60;     // 01:00, so that a clock an hour fast stays in the day
constexpr int kLastMinute = 1260;    // 21:00; dupes come up to an hour later
constexpr int kApart = 12;           // minutes between unmatched lines on one band and mode,
                                     // and between any two lines of one station pair
constexpr int kNoReportLines = 610;  // enough for a serial of 599

uint64_t PairKey(int a, int b) {
  return (static_cast<uint64_t>(std::min(a, b)) << 32) | static_cast<uint32_t>(std::max(a, b));
}

}  // namespace

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

// Each log with an error of its own has one: which ones, from a sequence of their own, so
// that a contest without them is the one the same seed always gave.
void Contest::AssignRoles() {
  if (!m_options.Special()) return;
  std::mt19937 random(m_options.seed * 104729u + 7u);
  std::vector<int> free;
  for (int i = 0; i < m_options.logs; ++i) {
    if (m_stations[i].clockOffset == 0) free.push_back(i);
  }
  std::shuffle(free.begin(), free.end(), random);
  const auto take = [&](int count, auto fits, auto assign) {
    for (int n = 0; n < count;) {
      const auto found = std::find_if(free.begin(), free.end(), fits);
      if (found == free.end()) return;
      Station& station = m_stations[*found];
      free.erase(found);
      assign(station);
      ++n;
    }
  };
  const auto any = [](int) { return true; };
  take(
      m_options.noReports, [&](int s) { return !m_stations[s].home && !m_stations[s].entry.adif; },
      [&](Station& s) { s.noReports = true; });
  take(m_options.drift, any, [&](Station& s) {
    s.driftMinutes = static_cast<int>(5 + random() % 6) * (random() % 2 ? 1 : -1);
  });
  take(m_options.partial, any, [&](Station& s) {
    const int length = 60 + static_cast<int>(random() % 61);
    if (random() % 2) {  // the last stretch: a log cut short
      s.gapFirst = kLastMinute - length;
      s.gapLast = kLastMinute + 120;
    } else {
      s.gapFirst = kFirstMinute + 60 +
                   static_cast<int>(random() % (kLastMinute - kFirstMinute - 120 - length));
      s.gapLast = s.gapFirst + length;
    }
  });
  take(m_options.wrongSent, any, [&](Station& s) {
    s.sentColumnError = s.home ? 1 + static_cast<int>(random() % 19) : (random() % 2 ? 1 : -1);
  });
  take(m_options.wrongBand, any, [&](Station& s) { s.runFirst = 0; });  // AddRun sets it
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

// Whether two stations have no line with each other within kApart minutes, on any band:
// two such lines could be taken for one QSO on another band, or its repeat. With `add`,
// records this one.
bool Contest::PairFree(int a, int b, int minute, bool add) {
  std::vector<int>& times = m_pairTimes[PairKey(a, b)];
  for (int t : times) {
    if (std::abs(t - minute) < kApart) return false;
  }
  if (add) times.push_back(minute);
  return true;
}

bool Contest::Busy(int station, int minute) const {
  const Station& s = m_stations[station];
  return s.runLast >= 0 && minute >= s.runFirst - 2 && minute <= s.runLast + 2;
}

bool Contest::InGap(int station, int minute, int margin) const {
  const Station& s = m_stations[station];
  return s.gapLast >= 0 && minute >= s.gapFirst - margin && minute <= s.gapLast + margin;
}

int Contest::AddLine(Line line) {
  const tarno::score::BandPlan& plan = tarno::score::kBandPlan[line.band];
  if (line.freqKHz == 0) line.freqKHz = (line.cw ? plan.cwKHz : plan.ssbKHz) + Below(30);
  m_lines.push_back(line);
  const int index = static_cast<int>(m_lines.size()) - 1;
  m_linesOf[line.owner].push_back(index);
  return index;
}

// A run of 40 to 60 minutes on one band that the station's log puts on another (the
// logger's band not changed with the radio's): its partners log the right band. A third
// of them work it again later on the band its log named, which the plug-in then takes for
// a repeat.
void Contest::AddRun(int x) {
  const int length = 40 + static_cast<int>(Below(21));
  const int first = kFirstMinute + 30 + static_cast<int>(Below(kLastMinute - kFirstMinute - 150));
  const int band = static_cast<int>(Below(6));
  const int logged = (band + 1 + static_cast<int>(Below(5))) % 6;
  const bool cw = Below(2) == 0;
  std::vector<int> again;
  for (int t = first; t <= first + length; t += 2 + static_cast<int>(Below(3))) {
    int p = -1;
    for (int tries = 0; tries < 20 && p < 0; ++tries) {
      const int candidate = static_cast<int>(Below(static_cast<uint32_t>(m_stations.size())));
      if (candidate != x && !Busy(candidate, t) && !InGap(candidate, t) &&
          !m_contacts.count({std::min(x, candidate), std::max(x, candidate), band, cw}) &&
          PairFree(x, candidate, t, false)) {
        p = candidate;
      }
    }
    if (p < 0) continue;
    PairFree(x, p, t, true);
    m_contacts.insert({std::min(x, p), std::max(x, p), band, cw});
    const bool logs = m_stations[p].sendsLog;
    const int mine = AddLine({t + static_cast<int>(Below(2)), x, p, -1, logged, cw, 0,
                              logs ? Kind::kBandMismatch : Kind::kSilent, "", 0, -1, false});
    if (!logs) continue;
    const int theirs = AddLine({t + static_cast<int>(Below(2)), p, x, mine, band, cw, 0,
                                Kind::kMatched, "", 0, -1, false});
    m_lines[mine].partner = theirs;
    if (Below(3) == 0) again.push_back(p);
  }
  m_stations[x].runFirst = first;
  m_stations[x].runLast = first + length;
  for (int p : again) {
    const int t = first + length + 15 + static_cast<int>(Below(120));
    if (t > kLastMinute || Busy(p, t) || InGap(x, t) || InGap(p, t) ||
        m_contacts.count({std::min(x, p), std::max(x, p), logged, cw}) ||
        !PairFree(x, p, t, true)) {
      continue;
    }
    m_contacts.insert({std::min(x, p), std::max(x, p), logged, cw});
    const int mine = AddLine({t, x, p, -1, logged, cw, 0, Kind::kMatched, "", 0, -1, false});
    const int theirs = AddLine({t + static_cast<int>(Below(2)), p, x, mine, logged, cw,
                                m_lines[mine].freqKHz, Kind::kMatched, "", 0, -1, false});
    m_lines[mine].partner = theirs;
  }
}

void Contest::AddPair(int a, int b, int band, bool cw, int minute) {
  if (Busy(a, minute) || Busy(b, minute) || !PairFree(a, b, minute, false)) return;
  const Station& self = m_stations[a];
  const Station& other = m_stations[b];
  Kind kind = Kind::kMatched;
  bool mutual = false;
  if (!other.sendsLog) {
    kind = Kind::kSilent;
  } else {
    const uint32_t roll = Below(1000000);
    const double nil = m_options.nil * 10000, busted = m_options.bustedCall * 10000;
    const double exchange = m_options.bustedExchange * 10000;
    const double mode = m_options.wrongMode * 10000, both = m_options.mutualBust * 10000;
    if (roll < nil)
      kind = Kind::kNil;
    else if (roll < nil + busted)
      kind = Kind::kBustedCall;
    else if (roll < nil + busted + exchange)
      kind = Kind::kBustedExchange;
    else if (roll < nil + busted + exchange + mode && band != 0)  // 160 m has no mode parts
      kind = Kind::kModeMismatch;
    else if (roll < nil + busted + exchange + mode + both)
      kind = Kind::kBustedCall, mutual = true;
    // The stretch a partial log lost holds clean QSOs: what was lost cannot be judged. So
    // does half an hour on either side, where the cross-check sees the stretch begin.
    if (InGap(a, minute, 30) || InGap(b, minute, 30)) kind = Kind::kMatched, mutual = false;
  }
  // Lines that will not match exactly keep their distance (see Unmatched).
  const bool aOdd = kind != Kind::kMatched && kind != Kind::kBustedExchange;
  const bool bOdd = kind == Kind::kNil || kind == Kind::kBustedCall || kind == Kind::kModeMismatch;
  const bool loggedCw = kind == Kind::kModeMismatch ? !cw : cw;
  if (aOdd &&
      (!Unmatched(a, band, loggedCw, minute, false) || !Unmatched(b, band, cw, minute, false) ||
       !Unmatched(b, band, loggedCw, minute, false))) {
    return;
  }
  if (aOdd) Unmatched(a, band, loggedCw, minute, true);
  if (bOdd) Unmatched(b, band, cw, minute, true);
  PairFree(a, b, minute, true);
  m_contacts.insert({std::min(a, b), std::max(a, b), band, cw});
  Line mine{
      minute + static_cast<int>(Below(2)), a, b, -1, band, loggedCw, 0, kind, "", 0, -1, false};
  // A mode logged wrong keeps the radio's frequency, in the other mode's part of the band.
  if (kind == Kind::kModeMismatch)
    mine.freqKHz =
        (cw ? tarno::score::kBandPlan[band].cwKHz : tarno::score::kBandPlan[band].ssbKHz) +
        Below(30);
  if (kind == Kind::kBustedCall) mine.workedCall = BustedCopy(other.call);
  const int first = AddLine(mine);
  if (kind == Kind::kNil || kind == Kind::kSilent) return;
  Line theirs{minute + static_cast<int>(Below(2)),
              b,
              a,
              first,
              band,
              cw,
              m_lines[first].freqKHz,
              mutual ? Kind::kBustedCall : Kind::kMatched,
              mutual ? BustedCopy(self.call) : "",
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

void Contest::AddEvent(int forced) {
  const int a =
      forced >= 0 ? forced : static_cast<int>(Below(static_cast<uint32_t>(m_options.logs)));
  const int band = static_cast<int>(Below(6));
  const bool cw = Below(2) == 0;
  const int minute = kFirstMinute + static_cast<int>(Below(kLastMinute - kFirstMinute));
  const double roll = Below(1000000) / 10000.0;
  const double unique = m_options.unique, dupe = unique + m_options.dupe;
  const double invalid = dupe + m_options.invalid, outside = invalid + m_options.outside;
  if (roll < unique) {
    if (!Busy(a, minute) && Unmatched(a, band, cw, minute, true))
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
    if (Busy(a, copy.minute) || !PairFree(a, copy.worked, copy.minute, true)) return;
    AddLine(copy);
  } else if (roll < invalid) {
    if (!Busy(a, minute)) AddSingle(a, Kind::kInvalid, band, cw, minute, FreshCall(false));
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

// What the rules make of the lines once all are made: the lines a partial log lost (and
// the repeats of them), the stations without a log by the logs that hold them, and which
// lines the plug-in takes for repeats (call, band and mode as logged, in the order logged).
void Contest::Finish() {
  for (Line& line : m_lines) {
    if (!InGap(line.owner, line.minute)) continue;
    line.dropped = true;
    if (line.partner >= 0 && m_lines[line.partner].kind == Kind::kMatched &&
        !InGap(m_lines[line.partner].owner, m_lines[line.partner].minute)) {
      m_lines[line.partner].kind = Kind::kPartialPartner;
    }
  }
  for (Line& line : m_lines) {
    if (line.kind == Kind::kDupe && m_lines[line.copyOf].dropped) line.dropped = true;
  }
  m_silentLogs.clear();
  for (const Line& line : m_lines) {
    if (line.kind == Kind::kSilent && !line.dropped)
      m_silentLogs[m_stations[line.worked].call].insert(line.owner);
  }
  for (const std::vector<int>& lines : m_linesOf) {
    std::set<std::tuple<std::string, int, bool>> held;
    for (int index : lines) {
      Line& line = m_lines[index];
      if (line.dropped || line.kind == Kind::kOutside || line.kind == Kind::kInvalid) continue;
      const std::string call =
          line.workedCall.empty() ? m_stations[line.worked].call : line.workedCall;
      line.repeat = !held.insert({call, line.band, line.cw}).second;
    }
  }
}

int Contest::LoggedMinute(const Line& line) const {
  const Station& self = m_stations[line.owner];
  int minute = line.minute + self.clockOffset;
  if (self.driftMinutes != 0 && line.minute > kFirstMinute) {
    minute +=
        static_cast<int>(std::lround(static_cast<double>(self.driftMinutes) *
                                     (line.minute - kFirstMinute) / (kLastMinute - kFirstMinute)));
  }
  return minute;
}

void Contest::Make() {
  AddStations();
  AddEntries();
  AssignRoles();
  for (int s = 0; s < m_options.logs; ++s) {
    if (m_stations[s].runFirst == 0) AddRun(s);
  }
  const size_t wanted = static_cast<size_t>(m_options.logs) * m_options.qsos;
  while (m_lines.size() < wanted) AddEvent();
  for (int s = 0; s < m_options.logs; ++s) {
    for (int tries = 0; m_stations[s].noReports && m_linesOf[s].size() < kNoReportLines &&
                        tries < 100 * kNoReportLines;
         ++tries) {
      AddEvent(s);
    }
  }
  AssignSerials();
  Finish();
}

}  // namespace tarno::make
