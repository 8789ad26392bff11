// The judgement held to the truth of made-up contests of about 30,000 lines with every
// error kind whose side the evidence must settle: wrong-band runs, wrong modes, drifting
// clocks, partial logs, mutual busts, wrong sent columns, serials past 599 in logs without
// reports. What entrants complain of is counted apart: innocent losses (a line the truth
// credits that lost credit) and guilty credits (the reverse).

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "crosscheck_fixture.h"

namespace tarno::testing {
namespace {

// log|line -> verdict, of truth.csv or verdicts.csv.
std::map<std::string, std::string> Verdicts(const std::string& csv) {
  std::map<std::string, std::string> verdicts;
  std::istringstream in(csv);
  std::string row;
  std::getline(in, row);
  while (std::getline(in, row)) {
    std::vector<std::string> cells;
    std::istringstream fields(row);
    for (std::string cell; cells.size() < 3 && std::getline(fields, cell, ',');)
      cells.push_back(cell);
    if (cells.size() == 3) verdicts[cells[0] + "|" + cells[1]] = cells[2];
  }
  return verdicts;
}

bool Credited(const std::string& verdict) {
  return verdict == "OK" || verdict == "NO-LOG" || verdict == "UNIQUE" ||
         verdict == "NOT-IN-PARTIAL-LOG";
}

struct Judged {
  const char* name;
  const char* generator;
  const char* crosscheck;
};

void PrintTo(const Judged& contest, std::ostream* out) { *out << contest.name; }

class CrosscheckJudgementTest : public CrosscheckFixture,
                                public ::testing::WithParamInterface<Judged> {};

// Every error kind, beside those each contest has at its own rates.
constexpr char kEveryKind[] =
    " --wrong-band 3 --wrong-mode 1 --drift 3 --partial 2 --mutual-bust 1 --wrong-sent 2"
    " --no-reports 1";

TEST_P(CrosscheckJudgementTest, EveryVerdictClassMeetsTheTruth) {
  const Judged& contest = GetParam();
  std::string output;
  ASSERT_EQ(0, Run(std::string(TARNO_MAKE_CONTEST_PROGRAM) + " --out " + m_folder.string() + " " +
                       contest.generator + kEveryKind,
                   &output))
      << output;
  ASSERT_EQ(
      0, Crosscheck(std::string(contest.crosscheck) + " " + (m_folder / "logs").string(), &output))
      << output;
  const auto truth = Verdicts(Slurp(m_folder / "truth.csv"));
  const auto got = Verdicts(Slurp(Out() / "verdicts.csv"));
  ASSERT_GT(truth.size(), 25000u);
  ASSERT_EQ(truth.size(), got.size());
  std::map<std::string, int> inTruth, given, right;
  int innocentLosses = 0, guiltyCredits = 0;
  std::string wrong;
  for (const auto& [line, verdict] : truth) {
    const std::string& judged = got.count(line) ? got.at(line) : "missing";
    ++inTruth[verdict];
    ++given[judged];
    if (judged == verdict) {
      ++right[verdict];
      continue;
    }
    innocentLosses += Credited(verdict) && !Credited(judged);
    guiltyCredits += !Credited(verdict) && Credited(judged);
    if (wrong.size() < 2000) wrong += line + ": " + verdict + " judged " + judged + "\n";
  }
  // Every kind of error is there to be judged, and most of them by the hundred.
  for (const char* verdict : {"BAND-MISMATCH", "MODE-MISMATCH", "NOT-IN-PARTIAL-LOG", "BUSTED-CALL",
                              "BUSTED-EXCHANGE", "NIL", "DUPE", "UNIQUE"}) {
    EXPECT_GE(inTruth[verdict], 20) << verdict;
  }
  std::set<std::string> classes;
  for (const auto& [verdict, count] : inTruth) classes.insert(verdict);
  for (const auto& [verdict, count] : given) classes.insert(verdict);
  for (const std::string& verdict : classes) {
    const double recall = inTruth[verdict] ? right[verdict] / double(inTruth[verdict]) : 1;
    const double precision = given[verdict] ? right[verdict] / double(given[verdict]) : 1;
    EXPECT_GE(recall, 0.98) << verdict << "\n" << wrong;
    EXPECT_GE(precision, 0.98) << verdict << "\n" << wrong;
  }
  EXPECT_LE(innocentLosses, 5) << wrong;
  EXPECT_LE(guiltyCredits, 5) << wrong;
  // Both partial logs are listed for review, each with the lines of its lost stretch.
  std::istringstream review(Slurp(Out() / "review.csv"));
  int stretches = 0, behind = 0;
  for (std::string row; std::getline(review, row);) {
    if (row.find(",missing stretch,") == std::string::npos) continue;
    (row.find(",NOT-IN-PARTIAL-LOG,") != std::string::npos ? behind : stretches)++;
  }
  EXPECT_EQ(2, stretches);
  EXPECT_EQ(inTruth["NOT-IN-PARTIAL-LOG"], behind);
  // The drifting clocks are named in minutes and seconds at their first and last QSO, and
  // the wrong sent columns in their logs' reports.
  int drifting = 0, columns = 0;
  for (const fs::directory_entry& file : fs::directory_iterator(Out())) {
    if (file.path().extension() != ".ubn") continue;
    const std::string report = Slurp(file.path());
    drifting += report.find("\nClock:          drifting from ") != std::string::npos;
    columns += report.find("\nSent exchange:  your log") != std::string::npos;
  }
  EXPECT_EQ(3, drifting);
  EXPECT_EQ(2, columns);
}

// The review lists the logs above the rules' thresholds, each with the lines behind its
// figures: here the clocks that drift (a spread over half a minute) and the logs that busted
// calls or caused errors at the contest's mean rate or more.
using CrosscheckReviewTest = CrosscheckFixture;

TEST_F(CrosscheckReviewTest, ListsTheLogsAboveTheRulesThresholds) {
  std::string output;
  ASSERT_EQ(0, Run(std::string(TARNO_MAKE_CONTEST_PROGRAM) + " --out " + m_folder.string() +
                       " --logs 40 --qsos 150 --seed 61 --drift 2",
                   &output))
      << output;
  const fs::path rules =
      Write("rules.txt", "review errors: 1\nreview clock spread: 0.5\nreview uniques: 100%\n");
  ASSERT_EQ(0,
            Crosscheck("--rules " + rules.string() + " " + (m_folder / "logs").string(), &output))
      << output;
  const std::string csv = Slurp(Out() / "review.csv");
  const std::string html = Slurp(Out() / "review.html");
  std::map<std::string, int> figures, lines;
  std::istringstream in(csv);
  std::string row;
  std::getline(in, row);
  EXPECT_EQ("call,figure,value,threshold,log,line,verdict,worked,detail", row);
  while (std::getline(in, row)) {
    const size_t first = row.find(','), second = row.find(',', first + 1);
    const std::string figure = row.substr(first + 1, second - first - 1);
    // The lines behind a figure leave its value and threshold empty.
    (row.compare(second, 3, ",,,") == 0 ? lines : figures)[figure]++;
    EXPECT_NE(std::string::npos, html.find("<h2 id=\"r-" + row.substr(0, first) + "\">")) << row;
  }
  EXPECT_EQ(0, figures["uniques"]) << "no log has every line a unique";
  EXPECT_GE(figures["clock spread"], 2) << csv;
  EXPECT_GE(figures["busted calls"], 1) << csv;
  EXPECT_GE(figures["errors caused"], 1) << csv;
  for (const char* figure : {"clock spread", "busted calls", "errors caused"})
    EXPECT_GE(lines[figure], 3 * figures[figure]) << figure;
  EXPECT_NE(std::string::npos, html.find("<table class=\"results\" id=\"review\">"));
}

// The truth the judgement is held to must be borne out by the logs themselves, else a
// slip in the generator would be learnt by the cross-check as a rule.
struct LoggedQso {
  int band = 0;  // kHz / 1000, which tells the bands apart
  std::string mode, worked, sent, received;
  int minute = 0;
};

std::string Cell(const std::string& record, const std::string& tag) {
  const size_t at = record.find("<" + tag + ":");
  if (at == std::string::npos) return "";
  const size_t colon = record.find(':', at), close = record.find('>', at);
  return record.substr(close + 1, std::stoul(record.substr(colon + 1, close - colon - 1)));
}

std::string Normal(std::string exchange) {
  for (char& c : exchange) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const size_t digits = exchange.find_first_not_of('0');
  return exchange.empty() || std::isalpha(static_cast<unsigned char>(exchange[0]))
             ? exchange
             : exchange.substr(std::min(digits, exchange.size() - 1));
}

// Each log by its call: its QSOs by line (Cabrillo) or record (ADIF) number, and whether
// it has reports.
struct MadeLog {
  std::map<int, LoggedQso> qsos;
  bool reports = true;
};

std::map<std::string, MadeLog> ReadMadeLogs(const fs::path& folder) {
  std::map<std::string, MadeLog> logs;
  auto minuteOf = [](const std::string& date, const std::string& hhmm) {
    return std::stoi(date.substr(date.size() - 2)) * 1440 + std::stoi(hhmm.substr(0, 2)) * 60 +
           std::stoi(hhmm.substr(2));
  };
  for (const fs::directory_entry& file : fs::directory_iterator(folder)) {
    MadeLog& log = logs[file.path().stem().string()];
    std::istringstream in(Slurp(file.path()));
    int number = 0;
    for (std::string row; std::getline(in, row);) {
      LoggedQso qso;
      if (file.path().extension() == ".adi") {
        if (row.find("<EOR>") == std::string::npos) continue;
        qso.band = static_cast<int>(std::stod(Cell(row, "FREQ")));
        qso.mode = Cell(row, "MODE") == "SSB" ? "PH" : Cell(row, "MODE") == "RTTY" ? "RY" : "CW";
        qso.worked = Cell(row, "CALL");
        qso.sent = Cell(row, "STX_STRING");
        qso.received = Cell(row, "SRX_STRING");
        qso.minute = minuteOf(Cell(row, "QSO_DATE"), Cell(row, "TIME_ON"));
        log.qsos[++number] = qso;
        continue;
      }
      ++number;
      std::istringstream fields(row);
      std::vector<std::string> f(std::istream_iterator<std::string>{fields}, {});
      if (f.empty() || f[0] != "QSO:") continue;
      log.reports = f.size() == 11;
      const size_t rst = log.reports ? 1 : 0;
      qso.band = std::stoi(f[1]) / 1000;
      qso.mode = f[2];
      qso.minute = minuteOf(f[3], f[4]);
      qso.sent = f[6 + rst];
      qso.worked = f[7 + rst];
      qso.received = f[f.size() - 1];
      log.qsos[number] = qso;
    }
  }
  return logs;
}

// Whether a partner's copy of a call is it or a slip of up to two edits (a busted call
// costs its copier alone).
bool Heard(const std::string& copied, const std::string& call) {
  std::vector<size_t> row(call.size() + 1);
  for (size_t j = 0; j <= call.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= copied.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= call.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (copied[i - 1] != call[j - 1])});
      diagonal = above;
    }
  }
  return row[call.size()] <= 2;
}

class MadeContestTest : public CrosscheckFixture {};

TEST_F(MadeContestTest, LogsBearOutTheirTruth) {
  std::string output;
  ASSERT_EQ(0, Run(std::string(TARNO_MAKE_CONTEST_PROGRAM) + " --out " + m_folder.string() +
                       " --logs 80 --qsos 200 --seed 5 --clock-off 0" + kEveryKind,
                   &output))
      << output;
  const auto logs = ReadMadeLogs(m_folder / "logs");
  const auto truth = Verdicts(Slurp(m_folder / "truth.csv"));
  std::map<std::string, std::string> workedBy;  // log|line -> the station worked
  {
    std::istringstream in(Slurp(m_folder / "truth.csv"));
    for (std::string row; std::getline(in, row);)
      workedBy[row.substr(0, row.find(',', row.find(',') + 1))] = row.substr(row.rfind(',') + 1);
  }
  auto truthOf = [&](const std::string& log, int line) {
    const auto found = truth.find(log + "|" + std::to_string(line));
    return found == truth.end() ? std::string() : found->second;
  };
  // Whether `partner`'s log has `call` (or a slip of it) within `minutes` of `minute` on a
  // line `matches` takes (clocks drift by up to 10 minutes; none is an hour off here).
  auto partnerHas = [&](const std::string& partner, const std::string& call, int minute,
                        int minutes, auto&& matches) {
    for (const auto& [number, qso] : logs.at(partner).qsos) {
      if (Heard(qso.worked, call) && std::abs(qso.minute - minute) <= minutes &&
          matches(number, qso))
        return true;
    }
    return false;
  };
  std::map<std::string, int> checked;
  std::map<std::string, std::pair<int, int>> sentAgreed;  // log -> (agreed, disagreed)
  for (const auto& [key, verdict] : truth) {
    const std::string call = key.substr(0, key.find('|'));
    const int line = std::stoi(key.substr(key.find('|') + 1));
    const std::string& worked = workedBy.at(call + "," + std::to_string(line));
    const std::string row = key + " " + verdict + " " + worked;
    const LoggedQso& qso = logs.at(call).qsos.at(line);
    const bool partnerLogged = logs.count(worked) > 0;
    bool borne = true;
    if (verdict == "NO-LOG") {
      borne = !partnerLogged;
    } else if (verdict == "OK") {
      // The partner logged it alike, or its side is the one shown wrong (or its line a
      // repeat, which may be wrong as well).
      borne = partnerLogged &&
              partnerHas(worked, call, qso.minute, 25, [&](int number, const LoggedQso& p) {
                const std::string theirs = truthOf(worked, number);
                return (p.band == qso.band && p.mode == qso.mode) ||
                       theirs == "BAND-MISMATCH" || theirs == "MODE-MISMATCH" ||
                       theirs == "DUPE";
              });
      if (borne) {
        auto& [agreed, disagreed] = sentAgreed[call];
        const bool heard = partnerHas(worked, call, qso.minute, 25, [&](int, const LoggedQso& p) {
          return p.worked == call && Normal(p.received) == Normal(qso.sent);
        });
        (heard ? agreed : disagreed)++;
      }
    } else if (verdict == "BAND-MISMATCH") {
      borne = partnerLogged &&
              partnerHas(worked, call, qso.minute, 25,
                         [&](int, const LoggedQso& p) { return p.band != qso.band; });
    } else if (verdict == "MODE-MISMATCH") {
      borne = partnerLogged &&
              partnerHas(worked, call, qso.minute, 25, [&](int, const LoggedQso& p) {
                return p.band == qso.band && p.mode != qso.mode;
              });
    } else if (verdict == "NOT-IN-PARTIAL-LOG") {
      borne = partnerLogged &&
              !partnerHas(worked, call, qso.minute, 20, [](int, const LoggedQso&) { return true; });
    } else {
      continue;
    }
    EXPECT_TRUE(borne) << row;
    ++checked[verdict];
  }
  for (const char* verdict : {"OK", "NO-LOG", "BAND-MISMATCH", "MODE-MISMATCH",
                              "NOT-IN-PARTIAL-LOG"}) {
    EXPECT_GE(checked[verdict], 10) << verdict;
  }
  // The wrong sent columns are wrong on every line their partners credit (a partner's
  // busted exchange may land on it by chance); elsewhere only such a bust disagrees.
  int wrongColumns = 0;
  for (const auto& [call, counts] : sentAgreed) {
    const auto [agreed, disagreed] = counts;
    if (agreed * 20 < disagreed) {
      ++wrongColumns;
    } else {
      EXPECT_LT(disagreed * 4, agreed) << call;
    }
  }
  EXPECT_EQ(2, wrongColumns);
  // The log without reports sends serials past 599, and its partners credit those lines.
  int withoutReports = 0;
  for (const auto& [call, log] : logs) {
    if (log.reports) continue;
    ++withoutReports;
    int highest = 0;
    for (const auto& [number, qso] : log.qsos) highest = std::max(highest, std::stoi(qso.sent));
    EXPECT_GE(highest, 599) << call;
  }
  EXPECT_EQ(1, withoutReports);
}

INSTANTIATE_TEST_SUITE_P(
    Contests, CrosscheckJudgementTest,
    ::testing::Values(
        Judged{"EveryKind", "--logs 120 --qsos 250 --seed 31 --clock-off 2", ""},
        Judged{"EveryKindManyErrorsNarrowWindow",
               "--logs 120 --qsos 250 --seed 42 --busted-call 5 --busted-exchange 5 --nil 5 "
               "--unique 3 --dupe 3 --invalid 2 --outside 2 --clock-off 4",
               "--window 2"},
        Judged{"EveryKindManyStationsWithoutLogs", "--logs 100 --silent 80 --qsos 300 --seed 53",
               "--threads 1"}),
    [](const ::testing::TestParamInfo<Judged>& info) { return info.param.name; });

}  // namespace
}  // namespace tarno::testing
