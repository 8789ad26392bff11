#include "crosscheck/results_json.h"

#include <cctype>
#include <cstdio>
#include <fstream>

#include "crosscheck/certificate.h"
#include "crosscheck/contest_period.h"
#include "crosscheck/contest_statistics.h"
#include "crosscheck/entrant_page.h"
#include "crosscheck/entrant_standing.h"
#include "crosscheck/json_text.h"

namespace tarno::score {
namespace {

using Fields = std::string;

// `"key":value` after the fields before it.
void Add(Fields* fields, const char* key, const std::string& value) {
  if (!fields->empty()) *fields += ',';
  *fields += '"';
  *fields += key;
  *fields += "\":";
  *fields += value;
}
void Add(Fields* fields, const char* key, long long value) {
  Add(fields, key, std::to_string(value));
}
std::string Object(const Fields& fields) { return "{" + fields + "}"; }

std::string Quoted(const std::string& text) { return JsonString(text); }
std::string TextOrNull(const std::string& text) { return text.empty() ? "null" : JsonString(text); }
std::string Bool(bool value) { return value ? "true" : "false"; }

// "2026-03-07T23:59:59Z" of seconds since 1899-12-30.
std::string IsoTime(long long seconds) {
  const std::string when = FormatSeconds(seconds);  // "2026-03-07 2359"
  if (when.size() != 15) return "null";
  char text[32];
  std::snprintf(text, sizeof text, "\"%sT%s:%s:%02lldZ\"", when.substr(0, 10).c_str(),
                when.substr(11, 2).c_str(), when.substr(13, 2).c_str(), ((seconds % 60) + 60) % 60);
  return text;
}

std::string Contest(const ReportContext& context, const PublishedContest& contest, size_t logs) {
  Fields fields;
  Add(&fields, "name", Quoted(contest.name));
  Add(&fields, "title", Quoted(contest.title));
  Add(&fields, "year", contest.year > 0 ? std::to_string(contest.year) : "null");
  Fields period;
  if (!context.period.open) {
    Add(&period, "start", IsoTime(context.period.startSeconds));
    Add(&period, "end", IsoTime(context.period.endSeconds));
  }
  Add(&fields, "period", context.period.open ? "null" : Object(period));
  Add(&fields, "window_minutes", context.windowMinutes);
  Add(&fields, "uniques_credited", Bool(!context.dropUniques));
  Add(&fields, "logs", static_cast<long long>(logs));
  return Object(fields);
}

std::string CallList(const ContestSet& set, const std::vector<RankedLog>& ranking,
                     const std::vector<size_t>& rows) {
  std::string list;
  for (size_t row : rows)
    list += (list.empty() ? "" : ",") + Quoted(set.logs[ranking[row].log].call);
  return "[" + list + "]";
}

std::string Categories(const ContestSet& set, const std::vector<RankedLog>& ranking,
                       const Standings& standings) {
  std::string list;
  for (const CategoryTable& table : standings.tables) {
    std::string places;
    for (size_t row : table.rows) {
      Fields place;
      Add(&place, "place", ranking[row].categoryRank);
      Add(&place, "call", Quoted(set.logs[ranking[row].log].call));
      places += (places.empty() ? "" : ",") + Object(place);
    }
    Fields fields;
    Add(&fields, "name", Quoted(table.name));
    Add(&fields, "entrants", "[" + places + "]");
    list += (list.empty() ? "\n" : ",\n") + Object(fields);
  }
  return "[" + list + "]";
}

std::string Clubs(const ContestSet& set, const std::vector<RankedLog>& ranking,
                  const std::vector<ClubRow>& clubs) {
  std::string list;
  for (const ClubRow& club : clubs) {
    Fields fields;
    Add(&fields, "rank", club.rank);
    Add(&fields, "name", Quoted(club.club));
    Add(&fields, "score", club.score);
    Add(&fields, "members", CallList(set, ranking, club.members));
    list += (list.empty() ? "\n" : ",\n") + Object(fields);
  }
  return "[" + list + "]";
}

std::string Bands(const std::vector<BandFigures>& bands) {
  std::string list;
  for (const BandFigures& band : bands) {
    Fields fields;
    Add(&fields, "band", Quoted(band.band));
    Add(&fields, "qsos", band.qsos);
    Add(&fields, "points", band.points);
    Add(&fields, "counties", band.counties);
    list += (list.empty() ? "" : ",") + Object(fields);
  }
  return "[" + list + "]";
}

// "busted_call" of BUSTED-CALL, as results.csv names its column.
std::string VerdictKey(Verdict verdict) {
  std::string key = VerdictName(verdict);
  for (char& c : key)
    c = c == '-' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return key;
}

std::string Verdicts(const EntrantLog& log) {
  Fields fields;
  for (int v = 0; v < kVerdictCount; ++v) {
    const Verdict verdict = static_cast<Verdict>(v);
    if (verdict == Verdict::kPending) continue;
    Add(&fields, VerdictKey(verdict).c_str(), log.counts[v]);
  }
  return Object(fields);
}

std::string Percent(double percent) {
  if (percent < 0) return "null";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", percent);
  return text;
}

std::string Entrant(const ContestSet& set, const RankedLog& row, int categorySize,
                    const ReportContext& context, const PublishedContest& contest) {
  const EntrantLog& log = set.logs[row.log];
  Fields fields;
  Add(&fields, "call", Quoted(log.call));
  Add(&fields, "rank", row.rank);
  Add(&fields, "category", TextOrNull(row.category));
  Add(&fields, "category_place", row.categoryRank > 0 ? std::to_string(row.categoryRank) : "null");
  Add(&fields, "category_size", categorySize > 0 ? std::to_string(categorySize) : "null");
  Add(&fields, "check_log", Bool(row.category == "CHECKLOG"));
  Add(&fields, "country", TextOrNull(row.country));
  Add(&fields, "continent", TextOrNull(row.continent));
  Add(&fields, "name", TextOrNull(row.name));
  Add(&fields, "club", TextOrNull(row.club));
  Add(&fields, "claimed", log.claimed);
  Add(&fields, "checked", log.checked);
  Add(&fields, "points", log.checkedPoints);
  Add(&fields, "penalty", log.penaltyPoints);
  Add(&fields, "counties", log.checkedCounties);
  Add(&fields, "qso_lines", static_cast<long long>(log.qsoCount));
  Add(&fields, "credited", CreditedCount(log, context.dropUniques));
  Add(&fields, "error_rate_percent",
      Percent(JudgedLines(log) > 0 ? ErrorPercent(log, context.dropUniques) : -1));
  Add(&fields, "copied_wrong_by_others", log.copiedWrongByOthers);
  Add(&fields, "verdicts", Verdicts(log));
  Fields clock;
  Add(&clock, "start_s",
      log.clock.drifts ? log.clock.startSeconds : 60LL * log.clock.offsetMinutes);
  Add(&clock, "end_s", log.clock.drifts ? log.clock.endSeconds : 60LL * log.clock.offsetMinutes);
  Add(&fields, "clock", Object(clock));
  Add(&fields, "claimed_bands", Bands(log.claimedBands));
  Add(&fields, "checked_bands", Bands(log.checkedBands));
  const std::string report = ReportFileName(log.call);
  const std::string certificate = contest.certificates ? CertificateFileName(log.call) : "";
  Fields files;
  Add(&files, "report", Quoted(report));
  Add(&files, "page", Quoted(PageFileName(report)));
  Add(&files, "certificate", certificate.empty() ? "null" : Quoted("certificates/" + certificate));
  Add(&fields, "files", Object(files));
  return Object(fields);
}

}  // namespace

namespace {

// The file in pieces, each handed to `emit` as it is made: an entrant at a time.
template <typename Emit>
void EmitResultsJson(const ContestSet& set, const std::vector<RankedLog>& ranking,
                     const Standings& standings, const std::vector<ClubRow>& clubs,
                     const ReportContext& context, const PublishedContest& contest, Emit emit) {
  std::vector<int> categorySize(ranking.size(), 0);
  for (const CategoryTable& table : standings.tables) {
    for (size_t row : table.rows) categorySize[row] = static_cast<int>(table.rows.size());
  }
  emit("{\"format\":\"tarno-contest-results\",\"version\":" + std::to_string(kResultsJsonVersion) +
       ",\n\"contest\":" + Contest(context, contest, ranking.size()) +
       ",\n\"categories\":" + Categories(set, ranking, standings) +
       ",\n\"not_ranked\":" + CallList(set, ranking, standings.unranked) +
       ",\n\"clubs\":" + Clubs(set, ranking, clubs) + ",\n\"entrants\":[");
  for (size_t row = 0; row < ranking.size(); ++row) {
    emit((row == 0 ? "\n" : ",\n") +
         Entrant(set, ranking[row], categorySize[row], context, contest));
  }
  emit("]}\n");
}

}  // namespace

std::string ResultsJson(const ContestSet& set, const std::vector<RankedLog>& ranking,
                        const Standings& standings, const std::vector<ClubRow>& clubs,
                        const ReportContext& context, const PublishedContest& contest) {
  std::string json;
  EmitResultsJson(set, ranking, standings, clubs, context, contest,
                  [&json](const std::string& piece) { json += piece; });
  return json;
}

bool WriteResultsJson(const ContestSet& set, const std::vector<RankedLog>& ranking,
                      const Standings& standings, const std::vector<ClubRow>& clubs,
                      const ReportContext& context, const PublishedContest& contest,
                      const std::string& path, std::string* error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  EmitResultsJson(set, ranking, standings, clubs, context, contest,
                  [&out](const std::string& piece) { out << piece; });
  out.close();
  if (out) return true;
  *error = "cannot write " + path;
  return false;
}

}  // namespace tarno::score
