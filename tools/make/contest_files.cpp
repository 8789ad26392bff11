// tarno-make-contest's files: one Cabrillo log per entrant and truth.csv.

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "contest/county_rules.h"
#include "make/contest_model.h"

namespace tarno::make {

namespace fs = std::filesystem;

namespace {

// "2026-03-07 0930" of a minute from the contest day's start; day 7 of March 2026, a
// negative minute the evening before.
std::string LoggedTime(int logged) {
  const int day = logged < 0 ? 6 : 7 + logged / 1440;
  const int inDay = (logged % 1440 + 1440) % 1440;
  char date[32];
  std::snprintf(date, sizeof date, "2026-03-%02d %02d%02d", day, inDay / 60, inDay % 60);
  return date;
}

}  // namespace

// What the line's station sent; `asLogged`, what its log's sent column says, which a
// station with a wrong column gets wrong on every line.
std::string Contest::SentExchange(const Line& line, bool asLogged) const {
  const Station& self = m_stations[line.owner];
  const int error = asLogged ? self.sentColumnError : 0;
  if (self.home) return tarno::kCountyCodes[(self.county + error) % 20];
  char text[16];
  std::snprintf(text, sizeof text, "%03d", line.serial + error);
  return text;
}

// What this side copied: what the other side sent, sometimes written another way (a
// serial without its zeros, a county in lower case), or, busted, something else.
std::string Contest::ReceivedExchange(const Line& line) const {
  if (line.kind == Kind::kDupe) return ReceivedExchange(m_lines[line.copyOf]);
  const Station* other = line.worked >= 0 ? &m_stations[line.worked] : nullptr;
  std::string sent;
  if (line.partner >= 0) {
    sent = SentExchange(m_lines[line.partner], false);
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
  if (line.repeat) return "DUPE";
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
    case Kind::kBandMismatch:
      return "BAND-MISMATCH";
    case Kind::kModeMismatch:
      return "MODE-MISMATCH";
    case Kind::kPartialPartner:
      return "NOT-IN-PARTIAL-LOG";
  }
  return "?";
}

std::string Contest::QsoLine(const Line& line) const {
  const Station& self = m_stations[line.owner];
  const std::string date = LoggedTime(LoggedMinute(line));
  const bool rtty = line.rtty;
  const std::string worked =
      line.workedCall.empty() ? m_stations[line.worked].call : line.workedCall;
  const char* rst = line.cw || rtty ? "599" : "59";
  const char* mode = rtty ? "RY" : line.cw ? "CW" : "PH";
  char text[160];
  if (self.noReports) {
    std::snprintf(text, sizeof text, "QSO: %5u %2s %s %-13s %-6s %-13s %s\r\n", line.freqKHz, mode,
                  date.c_str(), self.call.c_str(), SentExchange(line).c_str(), worked.c_str(),
                  ReceivedExchange(line).c_str());
    return text;
  }
  std::snprintf(text, sizeof text, "QSO: %5u %2s %s %-13s %-3s %-6s %-13s %-3s %s\r\n",
                line.freqKHz, mode, date.c_str(), self.call.c_str(), rst,
                SentExchange(line).c_str(), worked.c_str(), rst, ReceivedExchange(line).c_str());
  return text;
}

std::string Contest::Header(const Station& station) const {
  const Entry& entry = station.entry;
  return "START-OF-LOG: 3.0\r\nCONTEST: TARNO\r\nCALLSIGN: " + station.call + "\r\n" +
         entry.headerLines + "OPERATORS: " + station.call +
         "\r\nLOCATION: \r\nCLUB: " + entry.club + "\r\nCREATED-BY: Zelk \r\nNAME: " + entry.name +
         "\r\nADDRESS: \r\nADDRESS-CITY: \r\nADDRESS-POSTALCODE: \r\nADDRESS-COUNTRY: \r\n"
         "E-MAIL: \r\nSOAPBOX: \r\n";
}

static std::string AdifField(const char* name, const std::string& value) {
  return "<" + std::string(name) + ":" + std::to_string(value.size()) + ">" + value + " ";
}

std::string Contest::AdifRecord(const Line& line) const {
  const Station& self = m_stations[line.owner];
  const std::string when = LoggedTime(LoggedMinute(line));
  char freqMHz[32];
  std::snprintf(freqMHz, sizeof freqMHz, "%u.%03u", line.freqKHz / 1000, line.freqKHz % 1000);
  const std::string worked =
      line.workedCall.empty() ? m_stations[line.worked].call : line.workedCall;
  const char* rst = line.cw || line.rtty ? "599" : "59";
  return AdifField("CALL", worked) +
         AdifField("QSO_DATE", when.substr(0, 4) + when.substr(5, 2) + when.substr(8, 2)) +
         AdifField("TIME_ON", when.substr(11, 4)) + AdifField("FREQ", freqMHz) +
         AdifField("MODE", line.rtty ? "RTTY"
                           : line.cw ? "CW"
                                     : "SSB") +
         AdifField("RST_SENT", rst) + AdifField("RST_RCVD", rst) +
         AdifField("STX_STRING", SentExchange(line)) +
         AdifField("SRX_STRING", ReceivedExchange(line)) +
         AdifField("STATION_CALLSIGN", self.call) + "<EOR>\r\n";
}

// One entrant's log, and the truth of each of its lines; false when the file cannot be made.
// `complete` turns false when the file did not take every byte.
bool Contest::WriteLog(int s, const fs::path& folder, FILE* truth, bool* complete,
                       std::string* error) const {
  const Station& station = m_stations[s];
  const bool adif = station.entry.adif;
  const std::string path = (folder / (station.call + (adif ? ".adi" : ".cbr"))).string();
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    *error = "cannot write " + path;
    return false;
  }
  const std::string header =
      adif ? "Made-up TARNO log\r\n<ADIF_VER:5>3.1.4 <EOH>\r\n" : Header(station);
  std::fputs(header.c_str(), file);
  // A Cabrillo line is told by its line, an ADIF record by its number.
  int number = adif ? 0 : static_cast<int>(std::count(header.begin(), header.end(), '\n'));
  for (int index : m_linesOf[s]) {
    const Line& line = m_lines[index];
    if (line.dropped) continue;
    std::fputs((adif ? AdifRecord(line) : QsoLine(line)).c_str(), file);
    const std::string worked =
        line.workedCall.empty() ? m_stations[line.worked].call : line.workedCall;
    std::fprintf(truth, "%s,%d,%s,%s\n", station.call.c_str(), ++number, Verdict(line).c_str(),
                 worked.c_str());
  }
  if (!adif) std::fputs("END-OF-LOG:\r\n", file);
  *complete = std::fclose(file) == 0 && *complete;
  return true;
}

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
    if (!WriteLog(s, logs, truth, &written, error)) {
      std::fclose(truth);
      return false;
    }
  }
  written = std::fclose(truth) == 0 && written;
  if (!written) *error = "a file could not be written to the end";
  return written && WriteSponsorFiles(error) && WriteRankingTruth(error);
}

}  // namespace tarno::make
