// tarno-make-contest's entrants as a sponsor ranks them: the categories, names and clubs
// their headers give (some missing, unknown or wrong, some logs without a header), the
// sponsor's categories file and corrections, and the truth of every category table and the
// club table. Drawn from a random sequence of their own, so that the QSO lines stay those
// the same seed always gave.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>

#include "make/contest_model.h"

namespace tarno::make {
namespace {

namespace fs = std::filesystem;

const char kHome[] = "Hungary";
const char kSingleHigh[] = "Single operator, high power, Hungary";
const char kSingleLow[] = "Single operator, low power, Hungary";
const char kMultiHome[] = "Multi operator, Hungary";
const char kSingleForeign[] = "Single operator, foreign";
const char kMultiForeign[] = "Multi operator, foreign";

const char kCategoriesFile[] =
    "# The published categories, in the order they are published.\n"
    "category: Single operator, high power, Hungary\n"
    "  stations: home\n  operator: SINGLE-OP\n  power: HIGH\n\n"
    "category: Single operator, low power, Hungary\n"
    "  stations: home\n  operator: SINGLE-OP\n  power: LOW, QRP\n\n"
    "category: Multi operator, Hungary\n  stations: home\n  operator: MULTI-OP\n\n"
    "category: Single operator, foreign\n  stations: foreign\n  operator: SINGLE-OP\n\n"
    "category: Multi operator, foreign\n  stations: foreign\n  operator: MULTI-OP\n";

const char* const kNames[] = {"Anna Kovacs",  "Bela Nagy", "Csaba Toth",  "Dora Szabo",
                              "Erik Horvath", "Jan Novak", "Petra Weber", "Marek Dvorak",
                              "Ivan Petrov",  "Lena Berg", "Tom Baker",   "Yuki Sato"};
const char* const kClubs[] = {"Pannonia Contest Club", "Danube DX Group", "Morava DX Team",
                              "Alpine Radio Club", "Baltic Contest Club"};

// The continent a made-up call is on; every prefix tarno-make-contest uses is in Europe
// but these.
std::string ContinentOf(const std::string& call) {
  if (call.rfind("W", 0) == 0 || call.rfind("VE", 0) == 0) return "NA";
  if (call.rfind("JA", 0) == 0) return "AS";
  if (call.rfind("EA8", 0) == 0 || call.rfind("EA9", 0) == 0) return "AF";
  return "EU";
}

bool IsHomeCall(const std::string& call) {
  return call.rfind("HA", 0) == 0 || call.rfind("HG", 0) == 0;
}

// A club as another member might type it.
std::string Spelling(const std::string& club, uint32_t roll) {
  std::string text = club;
  if (roll % 4 == 1) {
    for (char& c : text) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  } else if (roll % 4 == 2) {
    text.insert(text.find(' '), " ");
  }
  return text;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return text;
}

// The category a home or foreign station of this operator and power is published in.
std::string PublishedFor(bool home, const std::string& op, const std::string& power) {
  if (op == "MULTI-OP") return home ? kMultiHome : kMultiForeign;
  if (op != "SINGLE-OP") return "";
  if (!home) return kSingleForeign;
  if (power == "HIGH") return kSingleHigh;
  if (power == "LOW" || power == "QRP") return kSingleLow;
  return "";
}

std::string TagLine(const char* tag, const std::string& value) {
  return std::string(tag) + ": " + value + "\r\n";
}

// What an entrant is (op, power: "" for not given) and what its header writes.
struct Claim {
  std::string op, power;
  std::string opText, powerText;  // "" leaves the line out
};

// One entrant in three or so gets something wrong, by `kind` (0 to 99): a log in ADIF (some
// settled by the sponsor), a check log, an operator or power that is no Cabrillo value or
// missing, a header the sponsor corrects.
void AddMistake(uint32_t kind, bool home, Claim* claim, Entry* entry) {
  if (kind < 6) {
    entry->adif = true;
    claim->op = claim->power = "";
    if (kind < 4) {
      entry->corrected = true;
      entry->fixCategory = kind < 2 ? "single-op low" : PublishedFor(home, "MULTI-OP", "");
      entry->fixClub = kClubs[kind];
      claim->op = kind < 2 ? "SINGLE-OP" : "MULTI-OP";
      claim->power = "LOW";
    }
  } else if (kind < 13) {
    claim->op = "CHECKLOG";
    claim->opText = kind % 2 ? "CHECKLOG" : "checklog";
  } else if (kind < 19) {
    claim->opText = "SINGLE";  // no Cabrillo value: not given, unless the sponsor says
    claim->op = "";
    if (kind % 2) {
      entry->corrected = true;
      entry->fixCategory = "SINGLE-OP HIGH";
      claim->op = "SINGLE-OP";
      claim->power = "HIGH";
    }
  } else if (kind < 27) {
    claim->powerText = kind % 2 ? "MEDIUM" : "";
    claim->power = "";
  } else if (kind < 33) {
    entry->corrected = true;  // the header says multi-op, high power; the sponsor knows better
    claim->opText = "MULTI-OP";
    claim->powerText = "HIGH";
    entry->fixCategory = "SINGLE-OP QRP";
    entry->fixName = "Corrected " + entry->name;
    entry->name = "";
    claim->op = "SINGLE-OP";
    claim->power = "QRP";
  }
}

}  // namespace

void Contest::AddEntries() {
  std::mt19937 random(m_options.seed * 7919u + 17u);
  auto below = [&](uint32_t n) { return static_cast<uint32_t>(random() % n); };
  const char* const powers[] = {"HIGH", "LOW", "QRP"};
  const char* const modes[] = {"MIXED", "MIXED", "CW", "SSB"};
  for (int s = 0; s < m_options.logs; ++s) {
    Station& station = m_stations[s];
    Entry& entry = station.entry;
    entry.name = kNames[below(12)];
    if (below(10) >= 3) entry.club = Spelling(kClubs[below(5)], below(8));
    Claim claim;
    claim.op = below(4) == 0 ? "MULTI-OP" : "SINGLE-OP";
    claim.power = powers[below(3)];
    const std::string mode = modes[below(4)];
    const uint32_t kind = below(100);
    claim.opText = claim.op;
    claim.powerText = claim.power;
    if (below(3) == 0) claim.opText = Lower(claim.opText), claim.powerText = Lower(claim.power);
    AddMistake(kind, station.home, &claim, &entry);
    entry.category =
        claim.op == "CHECKLOG" ? "CHECKLOG" : PublishedFor(station.home, claim.op, claim.power);
    if (entry.adif) {
      entry.name = entry.club = "";
      continue;
    }
    entry.headerLines =
        TagLine("CATEGORY-OPERATOR", claim.opText) + TagLine("CATEGORY-BAND", "ALL") +
        (claim.powerText.empty() ? "" : TagLine("CATEGORY-POWER", claim.powerText)) +
        TagLine("CATEGORY-MODE", below(2) ? mode : Lower(mode)) +
        TagLine("CATEGORY-TRANSMITTER", "ONE");
    if (below(5) == 0) entry.headerLines += TagLine("CATEGORY-ASSISTED", "NON-ASSISTED");
    if (below(5) == 0) entry.headerLines += TagLine("CATEGORY-OVERLAY", "rookie");
  }
}

// What the cross-check must credit: the lines that are no error of this station's own,
// scored as the plug-in scores (points by the worked station, counties per band).
long long Contest::CheckedScore(int s) const {
  const std::string own = ContinentOf(m_stations[s].call);
  long long points = 0, counties = 0;
  std::set<std::pair<int, int>> worked;  // (band, county)
  for (int index : m_linesOf[s]) {
    const Line& line = m_lines[index];
    const std::string verdict = Verdict(line);
    if (line.dropped || (verdict != "OK" && verdict != "NO-LOG" && verdict != "UNIQUE" &&
                         verdict != "NOT-IN-PARTIAL-LOG")) {
      continue;
    }
    const std::string call =
        line.workedCall.empty() ? m_stations[line.worked].call : line.workedCall;
    points += call.rfind("HA", 0) == 0 ? 6 : ContinentOf(call) == own ? 1 : 3;
    // A unique's exchange is a serial, which names no county.
    if (line.worked >= 0 && line.kind != Kind::kUnique && IsHomeCall(call) &&
        worked.insert({line.band, m_stations[line.worked].county}).second)
      ++counties;
  }
  return points * counties;
}

std::string Contest::ClubTruth(const std::vector<std::pair<long long, std::string>>& order,
                               const std::map<std::string, int>& stationOf) const {
  struct Club {
    std::string name;  // as the first member by call spells it
    long long score = 0;
    std::string members;
    int logs = 0;
  };
  std::map<std::string, Club> byKey;
  auto keyOf = [&](const std::string& call) {
    const Entry& entry = m_stations[stationOf.at(call)].entry;
    const std::string club = entry.fixClub.empty() ? entry.club : entry.fixClub;
    std::string key;
    for (char c : club) {
      if (c != ' ') key += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    }
    if (entry.category == "CHECKLOG") key.clear();
    return std::pair{key, club};
  };
  for (const auto& [call, s] : stationOf) {
    const auto [key, club] = keyOf(call);
    if (key.empty() || byKey.count(key)) continue;
    std::string& name = byKey[key].name;  // blanks collapsed, as the header is read
    for (char c : club) {
      if (c != ' ' || (!name.empty() && name.back() != ' ')) name += c;
    }
  }
  for (const auto& [negative, call] : order) {
    const std::string key = keyOf(call).first;
    if (key.empty()) continue;
    Club& club = byKey[key];
    club.score -= negative;
    club.members += (club.logs++ ? " " : "") + call;
  }
  std::vector<Club> clubs;
  for (const auto& [key, club] : byKey) clubs.push_back(club);
  std::sort(clubs.begin(), clubs.end(), [](const Club& a, const Club& b) {
    return a.score != b.score ? a.score > b.score : a.name < b.name;
  });
  std::string text = "rank,club,score,logs,members\n";
  int rank = 0;
  for (size_t i = 0; i < clubs.size(); ++i) {
    if (i == 0 || clubs[i].score != clubs[i - 1].score) rank = static_cast<int>(i + 1);
    text += std::to_string(rank) + "," + clubs[i].name + "," + std::to_string(clubs[i].score) +
            "," + std::to_string(clubs[i].logs) + "," + clubs[i].members + "\n";
  }
  return text;
}

bool Contest::WriteSponsorFiles(std::string* error) const {
  const fs::path out(m_options.out);
  std::string entrants = "call,category,name,club\n";
  for (const Station& station : m_stations) {
    const Entry& entry = station.entry;
    if (!entry.corrected) continue;
    entrants += station.call + ",\"" + entry.fixCategory + "\",\"" + entry.fixName + "\"," +
                entry.fixClub + "\n";
  }
  for (const auto& [name, text] : {std::pair{"categories.txt", std::string(kCategoriesFile)},
                                   std::pair{"entrants.csv", entrants}}) {
    FILE* file = std::fopen((out / name).string().c_str(), "wb");
    const bool written = file && std::fputs(text.c_str(), file) >= 0;
    if (!file || std::fclose(file) != 0 || !written) {
      *error = "cannot write " + (out / name).string();
      return false;
    }
  }
  return true;
}

// categories-truth.csv: category,place,call,checked, the tables in the order published,
// then the logs not ranked (place empty) by call. clubs-truth.csv: as clubs.csv.
bool Contest::WriteRankingTruth(std::string* error) const {
  std::vector<std::pair<long long, std::string>> order;  // (-checked, call)
  std::map<std::string, int> stationOf;
  for (int s = 0; s < m_options.logs; ++s) {
    order.push_back({-CheckedScore(s), m_stations[s].call});
    stationOf[m_stations[s].call] = s;
  }
  std::sort(order.begin(), order.end());
  std::string categories = "category,place,call,checked\n";
  for (const char* name : {kSingleHigh, kSingleLow, kMultiHome, kSingleForeign, kMultiForeign}) {
    int place = 0, seen = 0;
    long long last = 1;
    for (const auto& [negative, call] : order) {
      if (m_stations[stationOf[call]].entry.category != name) continue;
      ++seen;
      if (-negative != last) place = seen;
      last = -negative;
      categories += std::string("\"") + name + "\"," + std::to_string(place) + "," + call + "," +
                    std::to_string(-negative) + "\n";
    }
  }
  for (const auto& [call, s] : stationOf) {
    const std::string& category = m_stations[s].entry.category;
    if (category.empty() || category == "CHECKLOG")
      categories += category + ",," + call + "," + std::to_string(CheckedScore(s)) + "\n";
  }
  const std::string clubs = ClubTruth(order, stationOf);
  for (const auto& [name, text] :
       {std::pair{"categories-truth.csv", categories}, std::pair{"clubs-truth.csv", clubs}}) {
    const fs::path path = fs::path(m_options.out) / name;
    FILE* file = std::fopen(path.string().c_str(), "wb");
    const bool written = file && std::fputs(text.c_str(), file) >= 0;
    if (!file || std::fclose(file) != 0 || !written) {
      *error = "cannot write " + path.string();
      return false;
    }
  }
  return true;
}

}  // namespace tarno::make
