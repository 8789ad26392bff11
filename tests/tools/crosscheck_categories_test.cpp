// Categories and rankings: what a header says, the sponsor's files, and whole contests whose
// category and club tables must equal what tarno-make-contest says they are.

#include <map>
#include <sstream>
#include <vector>

#include "crosscheck/categories.h"
#include "crosscheck_fixture.h"

namespace tarno::testing {
namespace {

using score::CategoryRule;
using score::EntrantCorrection;
using score::EntrantHeader;

const fs::path kSamples = fs::path(TARNO_SOURCE_DIR) / "samples";

TEST(EntrantHeaderTest, ValuesAreReadInAnyCaseAndWhatIsNoValueIsKept) {
  const EntrantHeader header = score::ReadEntrantHeader(
      "START-OF-LOG: 3.0\r\ncategory-operator: single-op\r\nCATEGORY-POWER: MEDIUM\r\n"
      "CATEGORY-MODE: cw\r\nCATEGORY-MODE: Ssb\r\nCATEGORY-OVERLAY: rookie\r\n"
      "NAME:   Anna\t  Kovacs  \r\nCLUB: Pannonia\x01 Club\r\nCATEGORY-BAND:\r\n"
      "QSO:  3525 CW 2026-03-07 0900 HA5AA 599 BP DL1CC 599 001\r\n"
      "CATEGORY-TRANSMITTER: ONE\r\n");
  EXPECT_TRUE(header.present);
  EXPECT_EQ("SINGLE-OP", header.values[score::kOperatorField]);
  EXPECT_EQ("", header.values[score::kPowerField]);
  EXPECT_EQ("MEDIUM", header.unknown[score::kPowerField]);
  EXPECT_EQ("SSB", header.values[score::kModeField]) << "the last of a repeated line counts";
  EXPECT_EQ("ROOKIE", header.values[score::kOverlayField]);
  EXPECT_EQ("", header.values[score::kBandField]);
  EXPECT_EQ("", header.unknown[score::kBandField]) << "an empty line is missing, not unknown";
  EXPECT_EQ("", header.values[score::kTransmitterField]) << "nothing after the first QSO";
  EXPECT_EQ("Anna Kovacs", header.name);
  EXPECT_EQ("Pannonia Club", header.club);
}

TEST(EntrantHeaderTest, EveryValueBelongsToOneFieldOnly) {
  EXPECT_EQ(score::kTransmitterField, score::FieldOfValue("limited"));
  EXPECT_EQ(score::kStationField, score::FieldOfValue("ROVER-LIMITED"));
  EXPECT_EQ(score::kBandField, score::FieldOfValue("1.2g"));
  EXPECT_EQ(score::kAssistedField, score::FieldOfValue("NON-ASSISTED"));
  EXPECT_EQ(-1, score::FieldOfValue("MEDIUM"));
}

struct BadFile {
  const char* text;
  const char* error;
};

TEST(CategoriesFileTest, EveryMistakeIsToldWithItsLine) {
  const BadFile cases[] = {
      {"operator: SINGLE-OP\n", "line 1: \"operator:\" before the first category:"},
      {"category: A\n  power: MEDIUM\n", "line 2: \"MEDIUM\" is no CATEGORY-POWER value"},
      {"category: A\n  stations: abroad\n", "line 2: stations: takes home, foreign or all"},
      {"category: A\ncategory: a\n", "line 2: category \"a\" is named twice"},
      {"category: A\n  colour: red\n", "line 2: \"colour:\" is not category:, stations:"},
      {"category:\n", "line 1: a category needs a name"},
      {"category: A\n  mode:\n", "line 2: mode: names no value"},
      {"# nothing\n", "names no category"},
      {"category A\n", "line 1: \"category A\" is not \"key: value\""},
  };
  for (const BadFile& bad : cases) {
    std::vector<CategoryRule> rules;
    std::string error;
    EXPECT_FALSE(score::ParseCategories(bad.text, &rules, &error)) << bad.text;
    EXPECT_EQ(0u, error.find(bad.error)) << bad.text << " gave " << error;
  }
}

TEST(CategoriesFileTest, TheExampleTakesLogsInTheOrderItPublishes) {
  std::vector<CategoryRule> rules;
  std::string error;
  ASSERT_TRUE(score::ParseCategories(Slurp(kSamples / "crosscheck-categories.txt"), &rules, &error))
      << error;
  ASSERT_EQ(6u, rules.size());
  auto first = [&](std::array<std::string, score::kCategoryFieldCount> values, bool home) {
    for (const CategoryRule& rule : rules) {
      if (score::Fits(rule, values, home)) return rule.name;
    }
    return std::string("none");
  };
  EXPECT_EQ("Single operator, high power, Hungary", first({"SINGLE-OP", "HIGH"}, true));
  EXPECT_EQ("Single operator, low power, Hungary", first({"SINGLE-OP", "QRP", "SSB"}, true));
  EXPECT_EQ("Single operator CW, Hungary", first({"SINGLE-OP", "", "CW"}, true));
  EXPECT_EQ("none", first({"SINGLE-OP", "", "SSB"}, true)) << "power not given";
  EXPECT_EQ("Single operator, foreign", first({"SINGLE-OP", "HIGH"}, false));
  EXPECT_EQ("Multi operator, foreign", first({"MULTI-OP"}, false));
  EXPECT_EQ("none", first({"CHECKLOG"}, false));
}

TEST(EntrantsFileTest, QuotedFieldsAHeadingAndMistakes) {
  std::vector<EntrantCorrection> entrants;
  std::string error;
  ASSERT_TRUE(score::ParseEntrants(Slurp(kSamples / "crosscheck-entrants.csv"), &entrants, &error))
      << error;
  ASSERT_EQ(3u, entrants.size());
  EXPECT_EQ("DL1CC", entrants[2].call);
  EXPECT_EQ("Multi operator, foreign", entrants[2].category);
  EXPECT_EQ("Rhine Valley DX Club, Bonn", entrants[2].club);
  EXPECT_EQ(4, entrants[2].line);
  for (const BadFile& bad : {BadFile{"ha1aa,SINGLE-OP\n", "line 1: is not call,category,name,club"},
                             BadFile{"x,y,z,w\nha1aa,\"open,,\n", "line 2: is not call"},
                             BadFile{",SINGLE-OP,,\n", "line 1: names no call"}}) {
    EXPECT_FALSE(score::ParseEntrants(bad.text, &entrants, &error)) << bad.text;
    EXPECT_EQ(0u, error.find(bad.error)) << bad.text << " gave " << error;
  }
}

// The rows of a CSV file, split at commas outside quotes.
std::vector<std::vector<std::string>> CsvRows(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    rows.emplace_back(1);
    bool quoted = false;
    for (char c : line) {
      if (c == '"') {
        quoted = !quoted;
      } else if (c == ',' && !quoted) {
        rows.back().emplace_back();
      } else {
        rows.back().back() += c;
      }
    }
  }
  return rows;
}

// results.csv's rows as the truth lists them: category, place, call, checked; the ranked
// by table in the order results.html publishes them, then the rest by call.
std::vector<std::string> PublishedTables(const std::string& resultsCsv, const std::string& html) {
  const std::vector<std::vector<std::string>> rows = CsvRows(resultsCsv);
  std::map<std::string, size_t> column;
  for (size_t i = 0; i < rows[0].size(); ++i) column[rows[0][i]] = i;
  auto cell = [&](const std::vector<std::string>& row, const char* name) {
    return row[column.at(name)];
  };
  std::vector<std::string> tables;
  const std::string mark = "data-category=\"";
  for (size_t at = html.find(mark); at != std::string::npos; at = html.find(mark, at + 1)) {
    const size_t start = at + mark.size();
    std::string name = html.substr(start, html.find('"', start) - start);
    for (size_t amp; (amp = name.find("&amp;")) != std::string::npos;) name.erase(amp + 1, 4);
    tables.push_back(name);
  }
  std::vector<std::string> published;
  for (const std::string& table : tables) {
    for (size_t r = 1; r < rows.size(); ++r) {
      if (cell(rows[r], "category") != table) continue;
      published.push_back(table + "|" + cell(rows[r], "category_rank") + "|" +
                          cell(rows[r], "call") + "|" + cell(rows[r], "checked"));
    }
  }
  std::map<std::string, std::string> unranked;
  for (size_t r = 1; r < rows.size(); ++r) {
    if (!cell(rows[r], "category_rank").empty()) continue;
    const std::string category = cell(rows[r], "category");
    unranked[cell(rows[r], "call")] =
        category + "||" + cell(rows[r], "call") + "|" + cell(rows[r], "checked");
  }
  for (const auto& [call, row] : unranked) published.push_back(row);
  return published;
}

std::vector<std::string> TruthTables(const std::string& truthCsv) {
  std::vector<std::string> truth;
  const std::vector<std::vector<std::string>> rows = CsvRows(truthCsv);
  for (size_t r = 1; r < rows.size(); ++r)
    truth.push_back(rows[r][0] + "|" + rows[r][1] + "|" + rows[r][2] + "|" + rows[r][3]);
  return truth;
}

class GeneratedCategoriesTest : public CrosscheckFixture,
                                public ::testing::WithParamInterface<const char*> {};

TEST_P(GeneratedCategoriesTest, EveryCategoryTableAndTheClubTableEqualTheTruth) {
  std::string output;
  ASSERT_TRUE(CheckMadeContestWithSponsorFiles(GetParam(), &output));
  const std::vector<std::string> truth = TruthTables(Slurp(m_folder / "categories-truth.csv"));
  const std::vector<std::string> got =
      PublishedTables(Slurp(Out() / "results.csv"), Slurp(Out() / "results.html"));
  ASSERT_GT(truth.size(), 30u);
  EXPECT_EQ(truth, got);
  EXPECT_EQ(Slurp(m_folder / "clubs-truth.csv"), Slurp(Out() / "clubs.csv"));
  for (const char* told :
       {"has no header: its categories are not given",
        "\"MEDIUM\" is no Cabrillo value; shown as not given",
        "no CATEGORY-POWER: shown as not given", "fits no published category; not ranked"}) {
    EXPECT_NE(std::string::npos, output.find(told)) << told;
  }
}

INSTANTIATE_TEST_SUITE_P(Contests, GeneratedCategoriesTest,
                         ::testing::Values("--logs 80 --qsos 60 --seed 31",
                                           "--logs 150 --qsos 40 --seed 32 --clock-off 4"));

using CrosscheckCategoriesTest = CrosscheckFixture;

const char kQso[] = "QSO:  3525 CW 2026-03-07 0900 ";

std::string CabrilloLog(const std::string& call, const std::string& header,
                        const std::string& qsos) {
  return "START-OF-LOG: 3.0\r\nCONTEST: TARNO\r\nCALLSIGN: " + call + "\r\n" + header + qsos +
         "END-OF-LOG:\r\n";
}

// Without a categories file: one table per operator, mode, band and power, home first;
// a check log and a log without a header are not ranked until the sponsor says.
TEST_F(CrosscheckCategoriesTest, WithoutACategoriesFileEachCombinationIsATable) {
  const std::string single =
      "CATEGORY-OPERATOR: SINGLE-OP\r\nCATEGORY-MODE: CW\r\n"
      "CATEGORY-BAND: ALL\r\nCATEGORY-POWER: LOW\r\n";
  Write("logs/ha1aa.cbr",
        CabrilloLog("HA1AA", single + "CLUB: Pannonia\r\n",
                    std::string(kQso) + "HA1AA 599 BP DL1CC 599 001\r\n" +
                        "QSO:  7025 CW 2026-03-07 0910 HA1AA 599 BP " + "HA2BB 599 GY\r\n"));
  Write("logs/ha2bb.cbr",
        CabrilloLog("HA2BB", "CATEGORY-OPERATOR: checklog\r\nNAME: <script>x&y</script>\r\n",
                    "QSO:  7025 CW 2026-03-07 0910 HA2BB 599 GY HA1AA 599 BP\r\n"));
  Write("logs/dl1cc.cbr", CabrilloLog("DL1CC", single + "CLUB: PANNONIA\r\nNAME: =1+2 Claus\r\n",
                                      std::string(kQso) + "DL1CC 599 001 HA1AA 599 BP\r\n"));
  Write("logs/ok1dd.adi",
        "<CALL:5>HA1AA <QSO_DATE:8>20260307 <TIME_ON:4>0930 <FREQ:5>3.526 <MODE:2>CW "
        "<STX_STRING:3>001 <SRX_STRING:2>BP <STATION_CALLSIGN:5>OK1DD <EOR>\r\n");
  std::string output;
  ASSERT_EQ(0, Crosscheck((m_folder / "logs").string(), &output)) << output;
  std::vector<std::string> got;
  const std::vector<std::vector<std::string>> rows = CsvRows(Slurp(Out() / "results.csv"));
  std::map<std::string, size_t> column;
  for (size_t i = 0; i < rows[0].size(); ++i) column[rows[0][i]] = i;
  for (size_t r = 1; r < rows.size(); ++r) {
    std::string shown;
    for (const char* name : {"call", "category", "category_rank", "continent", "club"})
      shown += (shown.empty() ? "" : "|") + rows[r][column.at(name)];
    got.push_back(shown);
  }
  EXPECT_EQ((std::vector<std::string>{
                "HA1AA|SINGLE-OP CW ALL LOW, Hungary|1|EU|Pannonia",
                "DL1CC|SINGLE-OP CW ALL LOW, outside Hungary|1|EU|PANNONIA", "HA2BB|CHECKLOG||EU|",
                "OK1DD|operator not given mode not given band not given power not given, "
                "outside Hungary|1|EU|"}),
            got);
  EXPECT_EQ("rank,club,score,logs,members\n1,PANNONIA,13,2,HA1AA DL1CC\n",
            Slurp(Out() / "clubs.csv"))
      << "the check log counts for no club";
  EXPECT_NE(std::string::npos, output.find("ok1dd.adi: has no header")) << output;
  EXPECT_NE(std::string::npos, Slurp(Out() / "results.csv").find(",EU,'=1+2 Claus,PANNONIA,"))
      << "a NAME is no formula";
  const std::string html = Slurp(Out() / "results.html");
  EXPECT_NE(std::string::npos, html.find("&lt;script&gt;x&amp;y&lt;/script&gt;"));
  EXPECT_EQ(std::string::npos, html.find("<script")) << "a NAME is shown, never run";

  Write("entrants.csv", "OK1DD,single-op low cw all,Dora,Morava\nXX1XX,,,\n");
  ASSERT_EQ(0, Crosscheck("--entrants " + (m_folder / "entrants.csv").string() + " " +
                              (m_folder / "logs").string(),
                          &output))
      << output;
  EXPECT_NE(std::string::npos,
            Slurp(Out() / "results.csv")
                .find("\"SINGLE-OP CW ALL LOW, outside Hungary\",2,Czech Republic,EU,Dora,Morava,"))
      << Slurp(Out() / "results.csv");
  EXPECT_NE(std::string::npos, output.find("entrants file line 2: no log of XX1XX")) << output;
  EXPECT_EQ(std::string::npos, output.find("ok1dd.adi: has no header")) << output;
}

TEST_F(CrosscheckCategoriesTest, ABadSponsorFileStopsTheRunWithItsLine) {
  Write("logs/ha1aa.cbr",
        CabrilloLog("HA1AA", "", std::string(kQso) + "HA1AA 599 BP DL1CC 599 001\r\n"));
  Write("categories.txt", "category: A\n  power: MEDIUM\n");
  Write("entrants.csv", "HA1AA,SINGLE-OP MULTI-OP,,\n");
  Write("entrants2.csv", "HA1AA,,,\nha1aa,,,\n");
  const std::string logs = " " + (m_folder / "logs").string();
  const struct {
    std::string arguments;
    const char* message;
  } cases[] = {
      {"--categories " + (m_folder / "categories.txt").string(),
       "categories.txt: line 2: \"MEDIUM\" is no CATEGORY-POWER value"},
      {"--entrants " + (m_folder / "entrants.csv").string(),
       "entrants.csv: line 1: \"SINGLE-OP MULTI-OP\" is neither a published category nor "
       "Cabrillo category values, one a field"},
      {"--entrants " + (m_folder / "entrants2.csv").string(),
       "entrants2.csv: line 2: HA1AA is corrected on line 1 too"},
      {"--categories " + m_folder.string(), "is a folder"},
  };
  for (const auto& bad : cases) {
    std::string output;
    EXPECT_EQ(2, Crosscheck(bad.arguments + logs, &output)) << bad.arguments;
    EXPECT_NE(std::string::npos, output.find(bad.message)) << output;
  }
}

TEST(MakeContestTest, HelpPrintsTheUsageWithStatusZero) {
  std::string output;
  EXPECT_EQ(0, RunCommand(std::string(TARNO_MAKE_CONTEST_PROGRAM) + " --help", &output));
  EXPECT_EQ(0u, output.find("usage: tarno-make-contest --out FOLDER")) << output;
  EXPECT_EQ(2, RunCommand(std::string(TARNO_MAKE_CONTEST_PROGRAM) + " --logs", &output));
}

}  // namespace
}  // namespace tarno::testing
