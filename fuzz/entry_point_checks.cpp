#include "entry_point_checks.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

namespace tarno::fuzz {

void Broken(const char* invariant) {
  // Printed so that a report names the rule, not only the place.
  std::fprintf(stderr, "broken invariant: %s\n", invariant);
  std::abort();
}

namespace plain {
namespace {

const char* const kContestBands[] = {"160m", "80m", "40m", "20m", "15m", "10m"};
const char* const kCounties[] = {"ZA", "GY", "VA", "KO", "VE", "SO", "TO", "BA", "FE", "BP",
                                 "NG", "HE", "PE", "SZ", "BE", "CS", "BN", "BO", "SA", "HB"};

bool IsCWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool SameContact(const CInfo& r, std::string_view call, std::string_view band,
                 std::string_view mode) {
  return r.m_call == call && r.m_band == band && r.m_mode == mode;
}

}  // namespace

bool IsRefusedBand(std::string_view band) {
  return band == "30m" || band == "17m" || band == "12m";
}

bool IsContestMode(std::string_view mode) { return mode == "CW" || mode == "SSB"; }

bool IsHomePrefix(std::string_view prefix) { return prefix == "HA" || prefix == "HG"; }

bool IsCountyCode(std::string_view code) {
  for (const char* county : kCounties) {
    if (code == county) return true;
  }
  return false;
}

int BandIndex(std::string_view band) {
  for (int i = 0; i < 6; ++i) {
    if (band == kContestBands[i]) return i;
  }
  return -1;
}

std::string NormalisedCounty(std::string_view typed) {
  while (!typed.empty() && IsCWhiteSpace(typed.front())) typed.remove_prefix(1);
  while (!typed.empty() && IsCWhiteSpace(typed.back())) typed.remove_suffix(1);
  std::string code(typed);
  for (char& c : code) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return code;
}

std::string StoredPrefix(std::string_view prefix) {
  if (prefix == "IT9" || prefix == "IG9" || prefix == "IH9") return "I";
  return std::string(prefix);
}

int CountContacts(const ContestLog& log, std::string_view call, std::string_view band,
                  std::string_view mode) {
  int count = 0;
  for (size_t i = 0; i < log.Size(); ++i) count += SameContact(log[i], call, band, mode) ? 1 : 0;
  return count;
}

int CountPrefixOnBand(const ContestLog& log, std::string_view band, std::string_view prefix) {
  int count = 0;
  for (size_t i = 0; i < log.Size(); ++i) {
    count += log[i].m_band == band && log[i].m_prefix == prefix ? 1 : 0;
  }
  return count;
}

int CountCountyOnBand(const ContestLog& log, std::string_view band, std::string_view county) {
  int count = 0;
  for (size_t i = 0; i < log.Size(); ++i) {
    count += log[i].m_band == band && log[i].m_county == county ? 1 : 0;
  }
  return count;
}

int CountCountedCountyOnBand(const ContestLog& log, std::string_view band,
                             std::string_view county) {
  int count = 0;
  for (size_t i = 0; i < log.Size(); ++i) {
    const CInfo& r = log[i];
    count += r.m_band == band && r.m_county == county && !r.m_call.empty() && r.m_dupe == 0;
  }
  return count;
}

long FirstContact(const ContestLog& log, std::string_view call, std::string_view band,
                  std::string_view mode) {
  for (size_t i = 0; i < log.Size(); ++i) {
    if (SameContact(log[i], call, band, mode)) return static_cast<long>(i);
  }
  return -1;
}

int CallCheckAnswer(const ContestLog& log, std::string_view call, std::string_view mode,
                    std::string_view prefix, std::string_view county, std::string_view band) {
  for (size_t i = 0; i < log.Size(); ++i) {
    if (SameContact(log[i], call, band, mode)) return 0;
  }
  const bool home = IsHomePrefix(prefix);
  for (size_t i = 0; i < log.Size(); ++i) {
    const CInfo& r = log[i];
    if (r.m_band == band && (home ? r.m_county == county : r.m_prefix == prefix)) return 1;
  }
  return 2;
}

Admission Admit(const ContestLog& log, const QsoParams& qso) {
  Admission result;
  if (IsRefusedBand(qso.band) || !IsContestMode(qso.mode) || qso.exchRcvd.empty() ||
      qso.exchSent.empty()) {
    result.errorLines = 1;
    return result;
  }
  result.admitted = true;
  if (IsHomePrefix(qso.prefix) && !IsCountyCode(NormalisedCounty(qso.exchRcvd))) {
    ++result.errorLines;
  }
  result.errorLines += static_cast<size_t>(CountContacts(log, qso.call, qso.band, qso.mode));
  return result;
}

int RemoveAnswer(const QsoParams& qso) {
  if (qso.exchRcvd.empty() || qso.exchSent.empty()) return 0;
  if (IsHomePrefix(qso.prefix) && !IsCountyCode(NormalisedCounty(qso.exchRcvd))) return 0;
  return 1;
}

Tally Score(const ContestLog& log, const std::vector<std::string>& bands,
            const std::string& ownContinent, const std::string& startText,
            const std::string& endText, const std::string& ownCall,
            const BandTextLists& countiesBefore) {
  Tally tally;
  tally.bandCounties = countiesBefore;
  std::string rows;
  long long totalPoints = 0, totalCounties = 0;
  for (const std::string& band : bands) {
    long long qsos = 0, points = 0;
    std::vector<std::string> counties;
    for (size_t i = 0; i < log.Size(); ++i) {
      const CInfo& r = log[i];
      if (r.m_band != band || r.m_call.empty() || r.m_dupe != 0) continue;
      ++qsos;
      points += r.m_prefix == "HA" ? 6 : r.m_continent == ownContinent ? 1 : 3;
      if (!r.m_county.empty() &&
          std::find(counties.begin(), counties.end(), r.m_county) == counties.end()) {
        counties.push_back(r.m_county);
      }
    }
    rows += band + "\t " + std::to_string(qsos) + "\t " + std::to_string(points) + "\t " +
            std::to_string(counties.size()) + "\r\n";
    totalPoints += points;
    totalCounties += static_cast<long long>(counties.size());
    const int index = BandIndex(band);
    if (index >= 0) tally.bandCounties[index] = counties;
  }
  tally.score = static_cast<int>(totalPoints * totalCounties);
  tally.sheet = "    TARNO-CONTEST " + startText + "-" + endText + "\r\n\tContestant: " + ownCall +
                " \r\n\tQSOs\tPoints\tCounty\r\n" + rows + "Total\t " + std::to_string(log.Size()) +
                "\t " + std::to_string(totalPoints) + "\t " + std::to_string(totalCounties) +
                "\r\n\r\nScore: " + std::to_string(totalPoints) + "*" +
                std::to_string(totalCounties) + " = " + std::to_string(tally.score);
  return tally;
}

}  // namespace plain

bool SameRecord(const CInfo& a, const CInfo& b) {
  return a.m_call == b.m_call && a.m_prefix == b.m_prefix && a.m_continent == b.m_continent &&
         a.m_band == b.m_band && a.m_mode == b.m_mode && a.m_rstRcvd == b.m_rstRcvd &&
         a.m_rstSent == b.m_rstSent && a.m_exchRcvd == b.m_exchRcvd &&
         a.m_exchSent == b.m_exchSent && a.m_county == b.m_county && a.m_freqKHz == b.m_freqKHz &&
         a.m_dupe == b.m_dupe && std::memcmp(&a.m_time.m_dt, &b.m_time.m_dt, sizeof(double)) == 0 &&
         a.m_time.m_status == b.m_time.m_status;
}

CInfo ExpectedRecord(const QsoParams& qso) {
  CInfo record;
  record.m_call = qso.call;
  record.m_prefix = plain::StoredPrefix(qso.prefix);
  record.m_continent = qso.continent;
  record.m_band = qso.band;
  record.m_mode = qso.mode;
  record.m_rstRcvd = qso.rstRcvd;
  record.m_rstSent = qso.rstSent;
  record.m_exchRcvd = qso.exchRcvd;
  record.m_exchSent = qso.exchSent;
  const std::string code = plain::NormalisedCounty(qso.exchRcvd);
  if (plain::IsHomePrefix(qso.prefix) && plain::IsCountyCode(code)) record.m_county = code;
  record.m_freqKHz = static_cast<int32_t>(qso.freqHz / 1000);
  record.m_time = qso.time;
  return record;
}

namespace {

void CheckRecord(const CInfo& r, const BandList& bands) {
  Require(!plain::IsRefusedBand(r.m_band), "no record is on 30, 17 or 12 m");
  Require(plain::IsContestMode(r.m_mode), "every record is CW or SSB");
  Require(!r.m_exchRcvd.empty() && !r.m_exchSent.empty(), "every record has both exchanges");
  Require(
      r.m_county.empty() || (plain::IsCountyCode(r.m_county) && plain::IsHomePrefix(r.m_prefix)),
      "a record's county is empty or one of the twenty, and only a home station has one");
  Require(r.m_prefix != "IT9" && r.m_prefix != "IG9" && r.m_prefix != "IH9",
          "Sicily is stored as I");
  Require(r.m_dupe == 0 || r.m_dupe == 1, "the dupe flag is 0 or 1");
  Require(bands.Contains(r.m_band), "the band list names every band of the log");
}

void CheckKeys(const ContestLog& log, std::string_view call, std::string_view band,
               std::string_view mode, std::string_view prefix, std::string_view county) {
  Require(log.CountContacts(call, band, mode) == plain::CountContacts(log, call, band, mode),
          "CountContacts agrees with a scan");
  Require(log.FindFirstContact(call, band, mode) == plain::FirstContact(log, call, band, mode),
          "FindFirstContact agrees with a scan");
  Require(log.CountPrefixOnBand(band, prefix) == plain::CountPrefixOnBand(log, band, prefix),
          "CountPrefixOnBand agrees with a scan");
  Require(log.CountCountyOnBand(band, county) == plain::CountCountyOnBand(log, band, county),
          "CountCountyOnBand agrees with a scan");
}

std::vector<std::string_view> SplitCrLf(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find("\r\n", at);
    Require(end != std::string_view::npos, "a file's last line ends in CR LF");
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

void RequireOneLine(std::string_view line, const char* invariant) {
  Require(line.find_first_of("\r\n") == std::string_view::npos, invariant);
}

bool StartsWith(std::string_view text, std::string_view start) {
  return text.substr(0, start.size()) == start;
}

const char kErrorHeading[] = "TARNO Contest UBN file ";

void CheckErrorLine(std::string_view line) {
  RequireOneLine(line, "an error line holds no bare CR or LF");
  Require(StartsWith(line, "QSO:  "), "every error line starts with \"QSO:  \"");
  Require(line.size() >= 3 && line.substr(line.size() - 3) == "!!!",
          "every error line ends with its problem");
}

}  // namespace

void CheckLog(const ContestLog& log, const BandList& bands, const QsoParams* probe,
              const std::vector<size_t>& probeRecords) {
  std::set<std::string> distinct(bands.Texts().begin(), bands.Texts().end());
  Require(distinct.size() == bands.Size(), "the band list has no duplicates");
  for (const std::string& band : bands.Texts()) {
    Require(bands.Contains(band), "the band list knows its own bands");
  }
  for (size_t i = 0; i < log.Size(); ++i) CheckRecord(log[i], bands);
  for (size_t index : probeRecords) {
    if (index >= log.Size()) continue;
    const CInfo& r = log[index];
    CheckKeys(log, r.m_call, r.m_band, r.m_mode, r.m_prefix, r.m_county);
    CheckKeys(log, r.m_call, r.m_band, r.m_mode == "CW" ? "SSB" : "CW", r.m_prefix, "");
  }
  if (probe) {
    CheckKeys(log, probe->call, probe->band, probe->mode, probe->prefix, probe->exchRcvd);
    CheckKeys(log, probe->call, probe->band, probe->mode, plain::StoredPrefix(probe->prefix),
              plain::NormalisedCounty(probe->exchRcvd));
  }
}

void CheckAppendedErrorLines(std::string_view bytes, size_t expectedLines) {
  const std::vector<std::string_view> lines = SplitCrLf(bytes);
  Require(lines.size() == expectedLines, "admission writes one error line per problem");
  for (std::string_view line : lines) CheckErrorLine(line);
}

void CheckErrorFile(std::string_view content) {
  const std::vector<std::string_view> lines = SplitCrLf(content);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i == 0 && lines[i] == kErrorHeading) continue;
    CheckErrorLine(lines[i]);
  }
}

void CheckCabrilloFile(std::string_view content, const ContestLog& log, int claimedScore) {
  const std::vector<std::string_view> lines = SplitCrLf(content);
  for (std::string_view line : lines)
    RequireOneLine(line, "a Cabrillo line holds no bare CR or LF");
  static const char* const kHeader[] = {"START-OF-LOG: ",
                                        "CONTEST: ",
                                        "CALLSIGN: ",
                                        "CATEGORY-OPERATOR: ",
                                        "CATEGORY-BAND: ",
                                        "CATEGORY-POWER: ",
                                        "CATEGORY-MODE: ",
                                        "CATEGORY-TRANSMITTER: ",
                                        "OPERATORS: ",
                                        "LOCATION: ",
                                        "CLAIMED-SCORE: ",
                                        "CLUB: ",
                                        "CREATED-BY: ",
                                        "NAME: ",
                                        "ADDRESS: ",
                                        "ADDRESS-CITY: ",
                                        "ADDRESS-POSTALCODE: ",
                                        "ADDRESS-COUNTRY: ",
                                        "E-MAIL: ",
                                        "SOAPBOX: "};
  size_t at = 0;
  for (const char* tag : kHeader) {
    Require(at < lines.size() && StartsWith(lines[at], tag),
            "every Cabrillo header line has its tag, in the writer's order");
    if (std::strcmp(tag, "CLAIMED-SCORE: ") == 0) {
      Require(lines[at].substr(std::strlen(tag)) == std::to_string(claimedScore),
              "the Cabrillo file claims the score of the summary");
    }
    ++at;
    // The multi-line fields go out as one tagged line per line typed.
    const bool repeats = std::strcmp(tag, "OPERATORS: ") == 0 || std::strcmp(tag, "SOAPBOX: ") == 0;
    while (repeats && at < lines.size() && StartsWith(lines[at], tag)) ++at;
  }
  Require(lines[0] == "START-OF-LOG: 3.0" && lines[1] == "CONTEST: TARNO",
          "a Cabrillo file starts with its version and the contest");
  Require(lines.size() == at + log.Size() + 1, "the Cabrillo file has one QSO line per record");
  for (size_t i = 0; i < log.Size(); ++i) {
    std::string_view line = lines[at + i];
    Require(StartsWith(line, "QSO: "), "every Cabrillo line after the header is a QSO line");
    // The frequency is right-aligned in five columns, or wider when it has more digits.
    size_t afterFreq = line.find_first_not_of(' ', 5);
    afterFreq = line.find(' ', afterFreq == std::string_view::npos ? line.size() : afterFreq);
    const char* modeCode = log[i].m_mode == "CW" ? " CW " : " PH ";
    Require(afterFreq != std::string_view::npos && line.substr(afterFreq, 4) == modeCode,
            "a QSO line has its record's mode");
  }
  Require(lines.back() == "END-OF-LOG:", "a Cabrillo file ends with END-OF-LOG:");
}

namespace {

// One "label\t n\t n\t n\r\n" row off the front of `rest`.
struct SheetRow {
  long long qsos = 0, points = 0, counties = 0;
};

long long TakeNumber(std::string_view* rest, std::string_view end) {
  const size_t stop = rest->find(end);
  Require(stop != std::string_view::npos && stop > 0, "a sheet row has its three numbers");
  const std::string digits(rest->substr(0, stop));
  Require(digits.find_first_not_of("-0123456789") == std::string::npos,
          "a sheet row's numbers are whole numbers");
  rest->remove_prefix(stop + end.size());
  return std::stoll(digits);
}

SheetRow TakeRow(std::string_view* rest, std::string_view label) {
  Require(StartsWith(*rest, std::string(label) + "\t "), "the sheet's rows come in band order");
  rest->remove_prefix(label.size() + 2);
  SheetRow row;
  row.qsos = TakeNumber(rest, "\t ");
  row.points = TakeNumber(rest, "\t ");
  row.counties = TakeNumber(rest, "\r\n");
  return row;
}

}  // namespace

void CheckSummarySheet(std::string_view sheet, const std::string& heading,
                       const std::vector<std::string>& bands, size_t logSize) {
  Require(StartsWith(sheet, heading), "the sheet starts with the dates and the contestant");
  std::string_view rest = sheet.substr(heading.size());
  long long points = 0, counties = 0;
  for (const std::string& band : bands) {
    const SheetRow row = TakeRow(&rest, band);
    points += row.points;
    counties += row.counties;
  }
  const SheetRow total = TakeRow(&rest, "Total");
  Require(total.qsos == static_cast<long long>(logSize), "the total row counts every record");
  Require(total.points == points && total.counties == counties,
          "the total row sums the band rows' points and counties");
  Require(rest == "\r\nScore: " + std::to_string(points) + "*" + std::to_string(counties) + " = " +
                      std::to_string(points * counties),
          "the score is the total points times the total counties");
}

void CheckFileCall(const std::string& fileCall) {
  Require(!fileCall.empty(), "the Cabrillo file has a name");
  for (char c : fileCall) {
    const unsigned char byte = static_cast<unsigned char>(c);
    Require(byte >= 0x20 && byte != 0x7F && std::strchr("/\\<>:\"|?*", c) == nullptr,
            "the Cabrillo file name holds no character Windows refuses");
  }
  // Windows opens a device for such a name whatever extensions follow it ("NUL.X.cbr").
  std::string base = fileCall.substr(0, fileCall.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  const bool device = base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" ||
                      (base.size() == 4 && (StartsWith(base, "COM") || StartsWith(base, "LPT")) &&
                       base[3] >= '1' && base[3] <= '9');
  Require(!device, "the Cabrillo file is no device");
}

}  // namespace tarno::fuzz
