// tarno-make-contest's stations and QSO lines: who works whom, when, on which band, and
// which errors each line carries.

#include <algorithm>
#include <cstdlib>

#include "logs/band_plan.h"
#include "make/contest_model.h"

namespace tarno::make {
namespace {

const char* const kForeignPrefixes[] = {"DL", "OK",  "OM", "S5", "9A", "YU", "YO", "LZ",
                                        "SP", "UR",  "G",  "F",  "I",  "EA", "ON", "PA",
                                        "OE", "HB9", "SM", "OH", "W",  "VE", "JA", "LY"};
constexpr int kFirstMinute = 60;   // 01:00, so that a clock an hour fast stays in the day
constexpr int kLastMinute = 1260;  // 21:00; dupes come up to an hour later
constexpr int kApart = 12;         // minutes between unmatched lines on one band and mode

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
  AddEntries();
}

}  // namespace tarno::make
