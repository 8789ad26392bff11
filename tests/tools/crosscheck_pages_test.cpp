// The published pages as files: every page in English at the top of --out and in Hungarian
// under hu/, each linking to its twin and headed by the contest's title; the Hungarian pages
// say what the cross-check found in Hungarian; each entrant's page gives the places, the
// tie and the entrant it is compared with as results.csv has them.

#include <map>
#include <regex>
#include <sstream>
#include <vector>

#include "crosscheck_fixture.h"

namespace tarno::testing {
namespace {

using CrosscheckPagesTest = CrosscheckFixture;

const fs::path kHandMade = fs::path(TARNO_SOURCE_DIR) / "tests" / "data" / "crosscheck";

// The text of the element with `id`, from its start tag to the next tag of its kind closed.
std::string Element(const std::string& html, const std::string& id) {
  const size_t at = html.find("id=\"" + id + "\"");
  if (at == std::string::npos) return "";
  const size_t open = html.rfind('<', at);
  const std::string tag = html.substr(open + 1, html.find_first_of(" >", open) - open - 1);
  return html.substr(open, html.find("</" + tag + ">", at) - open);
}

std::vector<std::string> Pages(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() == ".html") names.push_back(entry.path().filename().string());
  }
  return names;
}

TEST_F(CrosscheckPagesTest, EveryPageHasItsTwinAndTheContestsTitle) {
  std::string output;
  ASSERT_EQ(0, Crosscheck("--title \"Próba Kupa\" " + (kHandMade / "logs").string(), &output))
      << output;
  const std::vector<std::string> english = Pages(Out());
  ASSERT_EQ(7u, english.size()) << "results, statistics, review and four entrants";
  for (const std::string& name : english) {
    SCOPED_TRACE(name);
    const std::string page = Slurp(Out() / name);
    EXPECT_NE(std::string::npos, page.find("<title>")) << page;
    EXPECT_NE(std::string::npos, page.find("Próba Kupa 2026")) << "the title and the year";
    if (name == "review.html") {
      EXPECT_FALSE(fs::exists(Out() / "hu" / name)) << "the sponsor's page is English alone";
      continue;
    }
    const std::string hungarian = Slurp(Out() / "hu" / name);
    EXPECT_NE(std::string::npos, page.find("<html lang=\"en\">"));
    EXPECT_NE(std::string::npos, hungarian.find("<html lang=\"hu\">"));
    EXPECT_NE(std::string::npos, page.find("id=\"twin\" href=\"hu/" + name + "\" hreflang=\"hu\""));
    EXPECT_NE(std::string::npos,
              hungarian.find("id=\"twin\" href=\"../" + name + "\" hreflang=\"en\""));
    EXPECT_NE(std::string::npos, hungarian.find("<span id=\"contest\">Próba Kupa 2026</span>"));
    for (const std::string* text : {&page, &hungarian}) {
      EXPECT_FALSE(std::regex_search(*text, std::regex(R"(\[[a-z_]+\.[a-z_.]+\])")))
          << "a text missing from a catalogue";
    }
  }
  // One copy of every file that is not a page, at the top, where the Hungarian pages find it.
  for (const char* file : {"results.csv", "clubs.csv", "verdicts.csv", "HA5AA.ubn"}) {
    EXPECT_TRUE(fs::exists(Out() / file)) << file;
    EXPECT_FALSE(fs::exists(Out() / "hu" / file)) << file;
  }
  const std::string hungarian = Slurp(Out() / "hu" / "results.html");
  for (const char* link :
       {"href=\"../results.csv\"", "href=\"../clubs.csv\"", "href=\"../results.json\"",
        "href=\"statistics.html\"", "href=\"HA5AA.html\""}) {
    EXPECT_NE(std::string::npos, hungarian.find(link)) << link;
  }
  EXPECT_NE(std::string::npos,
            Slurp(Out() / "hu" / "HA5AA.html").find("id=\"report\" href=\"../HA5AA.ubn\""));
}

// The title as given, the year after it unless it holds it; without --title, the contest
// most logs name, in every language alike; a title no page can carry stops the run.
TEST_F(CrosscheckPagesTest, TheTitleComesFromTheSponsorOrTheLogs) {
  std::string output;
  ASSERT_EQ(0, Crosscheck((kHandMade / "logs").string(), &output)) << output;
  for (const char* page : {"results.html", "hu/results.html", "hu/OK2DD.html", "review.html"})
    EXPECT_NE(std::string::npos, Slurp(Out() / page).find("TARNO 2026")) << page;
  for (const char* call : {"ha5aa", "hg7bb", "dl1cc"}) {
    std::string log = Slurp(kHandMade / "logs" / (std::string(call) + ".cbr"));
    log.replace(log.find("CONTEST: TARNO"), 14, "CONTEST: tarno-sprint");
    Write(std::string("sprint/") + call + ".cbr", log);
  }
  ASSERT_EQ(0, Crosscheck((m_folder / "sprint").string(), &output)) << output;
  EXPECT_NE(std::string::npos,
            Slurp(Out() / "hu" / "results.html").find("<span id=\"contest\">TARNO-SPRINT 2026<"));
  ASSERT_EQ(
      0, Crosscheck("--title \"2026 Spring <Sprint>\" " + (kHandMade / "logs").string(), &output))
      << output;
  EXPECT_NE(std::string::npos,
            Slurp(Out() / "HA5AA.html").find(">2026 Spring &lt;Sprint&gt;</span>"));
  for (const std::string& bad :
       {std::string("\"\""), std::string("\"a\tb\""), "\"" + std::string(201, 'x') + "\"",
        std::string("\"$(printf '\\377')\"")}) {
    EXPECT_EQ(2, Crosscheck("--title " + bad + " " + (kHandMade / "logs").string(), &output))
        << bad;
    EXPECT_NE(std::string::npos, output.find("--title ")) << output;
  }
}

// What the Hungarian entrant reads, in Hungarian; the English page keeps the judge's words.
TEST_F(CrosscheckPagesTest, HungarianPagesSayWhatTheCrossCheckFound) {
  std::string output;
  ASSERT_EQ(0, Crosscheck((kHandMade / "logs").string(), &output)) << output;
  struct Expected {
    const char* page;
    std::vector<const char*> texts;
  };
  const Expected table[] = {
      {"hu/HA5AA.html",
       {"Ellenőrzött pontszám: <b>4</b>", "hibás hívójel (BUSTED-CALL): 1",
        "a helyes hívójel: ", "nincs benne DL1CC naplójában",
        "Hibaarány:", "Pontcsökkenés:", "Borsod-Abaúj-Zemplén", "Pest", "Összevetés: HG7BB",
        "</a> közvetlenül Ön előtt végzett a kategóriájában", "A teljes értékelés soronként"}},
      {"hu/HG7BB.html",
       {"Ön vezeti a kategóriáját; közvetlenül Ön után <a href=\"HA5AA.html\">HA5AA</a> végzett",
        "1. helyezés (2 induló)", "A magyarországi állomások között:"}},
      {"hu/results.html",
       {"ellenőrzött eredmények", "SINGLE-OP MIXED ALL HIGH, magyarországi állomások",
        "SINGLE-OP MIXED ALL HIGH, külföldi állomások", "Klubok", "A résztvevők oldalai",
        "versenyidő: 2026. 03. 07. 00:00 – 2026. 03. 07. 23:59 UTC"}},
      {"HA5AA.html",
       {"Checked score <b>4</b>", "BUSTED-CALL: 1", "right call ", "not in DL1CC&#39;s log",
        "Place <b>2 of 2</b> in SINGLE-OP MIXED ALL HIGH, Hungary",
        "Among home stations:", "</a> is placed just above you", "The whole report, line by line"}},
      {"DL1CC.html", {"Among foreign stations: 2 of 2", "No other entrant"}},
  };
  for (const Expected& want : table) {
    const std::string page = Slurp(Out() / want.page);
    for (const char* text : want.texts)
      EXPECT_NE(std::string::npos, page.find(text)) << want.page << ": " << text;
  }
  const std::string hungarian = Slurp(Out() / "hu" / "HA5AA.html");
  for (const char* english : {"right call", "not in ", "Checked score", "credited"})
    EXPECT_EQ(std::string::npos, hungarian.find(english)) << english;
}

// results.csv's columns by name, one map per row.
std::vector<std::map<std::string, std::string>> CsvRows(const std::string& csv) {
  std::vector<std::map<std::string, std::string>> rows;
  std::istringstream in(csv);
  std::string line;
  std::vector<std::string> heads;
  while (std::getline(in, line)) {
    std::vector<std::string> cells;
    std::string cell;
    bool quoted = false;
    for (char c : line) {
      if (c == '"') {
        quoted = !quoted;
      } else if (c == ',' && !quoted) {
        cells.push_back(cell);
        cell.clear();
      } else {
        cell += c;
      }
    }
    cells.push_back(cell);
    if (heads.empty()) {
      heads = cells;
      continue;
    }
    std::map<std::string, std::string> row;
    for (size_t i = 0; i < heads.size() && i < cells.size(); ++i) row[heads[i]] = cells[i];
    rows.push_back(row);
  }
  return rows;
}

// Over a contest with check logs, logs in no category and the sponsor's categories: each
// page's place "of N" is its results.csv row's, and the entrant it is compared with is in
// its category, placed just above it (just below for the first).
TEST_F(CrosscheckPagesTest, EveryPagesPlaceAndRivalAgreeWithTheResults) {
  std::string output;
  ASSERT_TRUE(CheckMadeContestWithSponsorFiles("--logs 60 --qsos 50 --seed 41", &output));
  const auto rows = CsvRows(Slurp(Out() / "results.csv"));
  std::map<std::string, int> inCategory;
  std::map<std::string, const std::map<std::string, std::string>*> byCall;
  for (const auto& row : rows) {
    if (!row.at("category_rank").empty()) ++inCategory[row.at("category")];
    byCall[row.at("call")] = &row;
  }
  int checkLogs = 0, uncategorised = 0, compared = 0;
  for (const auto& row : rows) {
    const std::string& call = row.at("call");
    SCOPED_TRACE(call);
    const std::string page = Slurp(Out() / (call + ".html"));
    const std::string places = Element(page, "places");
    if (row.at("category_rank").empty()) {
      const bool checkLog = row.at("category") == "CHECKLOG";
      (checkLog ? checkLogs : uncategorised)++;
      EXPECT_NE(std::string::npos, places.find(checkLog ? "A check log" : "In no category"))
          << places;
      EXPECT_EQ(std::string::npos, page.find("id=\"compare")) << "compared with no one";
      continue;
    }
    const int place = std::stoi(row.at("category_rank"));
    EXPECT_NE(std::string::npos,
              places.find("Place <b>" + std::to_string(place) + " of " +
                          std::to_string(inCategory[row.at("category")]) + "</b>"))
        << places;
    const std::string compare = Element(page, "compare");
    if (compare.empty()) continue;
    const size_t at = compare.find("data-rival=\"") + 12;
    const std::string rival = compare.substr(at, compare.find('"', at) - at);
    ASSERT_EQ(1u, byCall.count(rival)) << rival;
    const auto& theirs = *byCall[rival];
    EXPECT_EQ(row.at("category"), theirs.at("category"));
    const int theirPlace = std::stoi(theirs.at("category_rank"));
    EXPECT_TRUE(theirPlace < place || (place == 1 && theirPlace >= 1))
        << rival << " at " << theirPlace << " against " << place;
    ++compared;
  }
  EXPECT_GT(checkLogs, 0);
  EXPECT_GT(uncategorised, 0);
  EXPECT_GT(compared, 40);
}

}  // namespace
}  // namespace tarno::testing
