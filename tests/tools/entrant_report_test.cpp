// The entrant's report and page over whole contests: the band figures add up to the checked
// score, the lost QSOs' costs account for the gap between claimed and checked, the page's
// score curve ends at the checked scores, and ADIF entries are told by record.

#include <algorithm>
#include <map>
#include <sstream>
#include <vector>

#include "crosscheck_fixture.h"

namespace tarno::testing {
namespace {

const fs::path kHandMade = fs::path(TARNO_SOURCE_DIR) / "tests" / "data" / "crosscheck";

struct Figures {
  long long qsos = 0, points = 0, counties = 0;
  bool operator==(const Figures& o) const {
    return qsos == o.qsos && points == o.points && counties == o.counties;
  }
};

std::ostream& operator<<(std::ostream& out, const Figures& f) {
  return out << f.qsos << " QSOs, " << f.points << " points, " << f.counties << " counties";
}

// What a report says about the score: its band rows, its Total row, its lost QSOs' costs.
struct ReportFigures {
  std::vector<Figures> claimedBands, checkedBands;
  Figures claimedTotal, checkedTotal;
  long long checkedScore = -1;  // the "Checked score:" line
  int outsideLines = -1;
  Figures lost;  // lines with a cost, their points, the counties they cost
};

long long After(const std::string& line, const std::string& label) {
  return std::stoll(line.substr(line.find(label) + label.size()));
}

ReportFigures ParseReport(const std::string& text) {
  ReportFigures report;
  std::istringstream in(text);
  bool inTable = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("Checked score:", 0) == 0) report.checkedScore = After(line, "Checked score:");
    if (line.rfind("Not counted:", 0) == 0) report.outsideLines = After(line, "OUTSIDE ");
    if (line.rfind("Band      QSOs", 0) == 0) {
      inTable = true;
      continue;
    }
    if (inTable && line.rfind("Score ", 0) == 0) inTable = false;
    if (inTable) {
      std::istringstream row(line.substr(8));
      Figures claimed, checked;
      row >> claimed.qsos >> claimed.points >> claimed.counties >> checked.qsos >> checked.points >>
          checked.counties;
      if (line.rfind("Total", 0) == 0) {
        report.claimedTotal = claimed;
        report.checkedTotal = checked;
      } else {
        report.claimedBands.push_back(claimed);
        report.checkedBands.push_back(checked);
      }
    }
    if (line.rfind("  cost: ", 0) == 0) {
      ++report.lost.qsos;
      report.lost.points += After(line, "cost: ");
      if (line.find(", which no credited QSO gives") != std::string::npos) ++report.lost.counties;
    }
  }
  return report;
}

Figures Sum(const std::vector<Figures>& rows) {
  Figures sum;
  for (const Figures& row : rows) {
    sum.qsos += row.qsos;
    sum.points += row.points;
    sum.counties += row.counties;
  }
  return sum;
}

// results.csv's checked score by call.
std::map<std::string, long long> CheckedScores(const std::string& csv) {
  std::map<std::string, long long> scores;
  std::istringstream in(csv);
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::vector<std::string> cells;
    std::istringstream row(line);
    for (std::string cell; std::getline(row, cell, ',');) cells.push_back(cell);
    if (cells.size() > 3) scores[cells[1]] = std::stoll(cells[3]);
  }
  return scores;
}

// The rival the page compares with, and the score difference its chart's table ends with.
bool PageGap(const std::string& html, std::string* rival, long long* gap) {
  const std::string mark = "<div id=\"compare\" data-rival=\"";
  const size_t compared = html.find(mark);
  const size_t table = html.find("id=\"gap-table\"");
  if (compared == std::string::npos || table == std::string::npos) return false;
  const size_t start = compared + mark.size();
  *rival = html.substr(start, html.find('"', start) - start);
  const size_t last = html.rfind("<td>", html.find("</tbody>", table)) + 4;
  std::string number = html.substr(last, html.find("</td>", last) - last);
  number.erase(std::remove(number.begin(), number.end(), ','), number.end());
  *gap = std::stoll(number);
  return true;
}

struct Contest {
  const char* name;
  const char* generator;  // tarno-make-contest arguments; "" for the hand-made contest
  const char* options;
};

void PrintTo(const Contest& contest, std::ostream* out) { *out << contest.name; }

class EntrantReportSumTest : public CrosscheckFixture,
                             public ::testing::WithParamInterface<Contest> {};

TEST_P(EntrantReportSumTest, BandFiguresAddUpToTheCheckedScore) {
  const Contest& contest = GetParam();
  std::string output;
  fs::path logs = kHandMade / "logs";
  if (*contest.generator) {
    ASSERT_EQ(0, Run(std::string(TARNO_MAKE_CONTEST_PROGRAM) + " --out " + m_folder.string() + " " +
                         contest.generator,
                     &output))
        << output;
    logs = m_folder / "logs";
  }
  ASSERT_EQ(0, Crosscheck(std::string(contest.options) + " " + logs.string(), &output)) << output;
  const std::map<std::string, long long> checked = CheckedScores(Slurp(Out() / "results.csv"));
  ASSERT_FALSE(checked.empty());
  int withLosses = 0;
  for (const auto& [call, score] : checked) {
    SCOPED_TRACE(call);
    const ReportFigures report = ParseReport(Slurp(Out() / (call + ".ubn")));
    ASSERT_FALSE(report.checkedBands.empty());
    EXPECT_EQ(Sum(report.checkedBands), report.checkedTotal);
    EXPECT_EQ(Sum(report.claimedBands), report.claimedTotal);
    EXPECT_EQ(score, report.checkedTotal.points * report.checkedTotal.counties);
    EXPECT_EQ(score, report.checkedScore);
    // Without lines outside the period, every claimed point not checked is a lost QSO's.
    if (report.outsideLines == 0) {
      const Figures gap{report.claimedTotal.qsos - report.checkedTotal.qsos,
                        report.claimedTotal.points - report.checkedTotal.points,
                        report.claimedTotal.counties - report.checkedTotal.counties};
      EXPECT_EQ(gap, report.lost);
    }
    withLosses += report.lost.qsos > 0;
    std::string rival;
    long long gap = 0;
    const std::string page = Slurp(Out() / (call + ".html"));
    // A log not ranked (a CHECKLOG) or alone in its category has no one to compare with.
    if (page.find("<div id=\"compare\"") == std::string::npos) continue;
    ASSERT_TRUE(PageGap(page, &rival, &gap));
    ASSERT_EQ(1u, checked.count(rival)) << rival;
    EXPECT_EQ(score - checked.at(rival), gap) << "the page's score curve ends elsewhere";
  }
  if (*contest.generator) {
    EXPECT_GT(withLosses, 5);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Contests, EntrantReportSumTest,
    ::testing::Values(
        Contest{"HandMade", "", ""}, Contest{"HandMadeUniquesDropped", "", "--drop-uniques"},
        Contest{"ManyErrors",
                "--logs 80 --qsos 150 --seed 21 --busted-call 6 --busted-exchange 6 --nil 6 "
                "--unique 4 --dupe 3 --invalid 2 --outside 2 --clock-off 6",
                ""},
        Contest{"ManyStationsWithoutLogs", "--logs 40 --silent 60 --qsos 100 --seed 22",
                "--drop-uniques"}),
    [](const ::testing::TestParamInfo<Contest>& info) { return info.param.name; });

const char kHeader[] = "START-OF-LOG: 3.0\r\nCONTEST: TARNO\r\n";

using EntrantReportTest = CrosscheckFixture;

// An ADIF file has records, not lines; and what a log holds reaches a page only escaped.
TEST_F(EntrantReportTest, AdifEntriesAreToldByRecordAndLogTextIsEscaped) {
  Write("logs/ha5aa.adi",
        "made by hand<EOH>\n"
        "<CALL:5>DL1AA<QSO_DATE:8>20260307<TIME_ON:4>0900<FREQ:5>3.525<MODE:2>CW"
        "<STX_STRING:2>BP<SRX_STRING:3>001<STATION_CALLSIGN:5>HA5AA<EOR>\n"
        "<CALL:5>OK1AB<QSO_DATE:8>20260307<TIME_ON:4>0910<FREQ:5>7.025<MODE:2>CW"
        "<STX_STRING:2>BP<SRX_STRING:4><i>&<STATION_CALLSIGN:5>HA5AA<EOR>\n"
        "<CALL:5>DL1AA<QSO_DATE:8>20260307<TIME_ON:4>0920<FREQ:5>3.526<MODE:2>CW"
        "<STX_STRING:2>BP<SRX_STRING:3>001<STATION_CALLSIGN:5>HA5AA<EOR>\n");
  Write("logs/dl1aa.cbr", std::string(kHeader) +
                              "CALLSIGN: DL1AA\r\n"
                              "QSO:  3525 CW 2026-03-07 0900 DL1AA 599 001 HA5AA 599 BO\r\n");
  Write("logs/ok1ab.cbr", std::string(kHeader) +
                              "CALLSIGN: OK1AB\r\n"
                              "QSO:  7025 CW 2026-03-07 0910 OK1AB 599 001 HA5AA 599 BP\r\n");
  std::string output;
  ASSERT_EQ(0, Crosscheck((m_folder / "logs").string(), &output)) << output;
  const std::string report = Slurp(Out() / "HA5AA.ubn");
  for (const char* text : {"QSO records:    3", "record 2  BUSTED-EXCHANGE",
                           "record 3  DUPE  dupe of record 1", "  cost: 1 point\n"}) {
    EXPECT_NE(std::string::npos, report.find(text)) << text << "\n" << report;
  }
  EXPECT_NE(std::string::npos, report.find("  you record 1:")) << report;
  // DL1AA copied HA5AA's county wrong: its report names HA5AA's record, and the county it cost.
  const std::string other = Slurp(Out() / "DL1AA.ubn");
  for (const char* text :
       {"line 4  BUSTED-EXCHANGE", "  HA5AA record 1:",
        "cost: 6 points and the county BO on 80m, which no credited QSO gives"}) {
    EXPECT_NE(std::string::npos, other.find(text)) << text << "\n" << other;
  }
  const std::string page = Slurp(Out() / "HA5AA.html");
  EXPECT_EQ(std::string::npos, page.find("<i>")) << page;
  EXPECT_NE(std::string::npos, page.find("&lt;i&gt;&amp;")) << page;
  EXPECT_NE(std::string::npos, page.find("<th scope=\"col\">Record, call</th>")) << page;
  EXPECT_NE(std::string::npos, Slurp(Out() / "results.html").find("<a href=\"HA5AA.html\">"));
}

}  // namespace
}  // namespace tarno::testing
