// The certificates through the command, as a sponsor gets them: one PDF for every checked
// entrant, the same files in the archive, and each read back (pdftotext) with its call,
// its name, its place of how many or why it took part, in both languages.

#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "crosscheck_fixture.h"

namespace tarno::testing {
namespace {

// The fields of one CSV line as the cross-check writes them (quotes around a field that
// holds a comma or a quote, quotes doubled).
std::vector<std::string> CsvFields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
      fields.back() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

// results.csv as rows of column name to value.
std::vector<std::map<std::string, std::string>> ResultRows(const std::string& csv) {
  std::istringstream in(csv);
  std::string line;
  std::getline(in, line);
  const std::vector<std::string> heads = CsvFields(line);
  std::vector<std::map<std::string, std::string>> rows;
  while (std::getline(in, line)) {
    const std::vector<std::string> fields = CsvFields(line);
    std::map<std::string, std::string> row;
    for (size_t i = 0; i < heads.size() && i < fields.size(); ++i) row[heads[i]] = fields[i];
    rows.push_back(row);
  }
  return rows;
}

std::string Ordinal(int number) {
  const int lastTwo = number % 100;
  if (lastTwo >= 11 && lastTwo <= 13) return "th";
  return number % 10 == 1 ? "st" : number % 10 == 2 ? "nd" : number % 10 == 3 ? "rd" : "th";
}

std::string FileCall(std::string call) {
  for (char& c : call) c = c == '/' ? '_' : c;
  return call;
}

// The one zip in `folder`, by name; "" for none.
std::string ZipIn(const fs::path& folder) {
  std::string name;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() != ".zip") continue;
    EXPECT_EQ("", name) << "a second zip " << entry.path();
    name = entry.path().filename().string();
  }
  return name;
}

using CrosscheckCertificatesTest = CrosscheckFixture;

TEST_F(CrosscheckCertificatesTest, EveryCheckedEntrantReadsBackItsOwnCertificate) {
  std::string output;
  ASSERT_EQ(0, Run(std::string(TARNO_MAKE_CONTEST_PROGRAM) + " --out " + m_folder.string() +
                       " --logs 40 --seed 11",
                   &output))
      << output;
  // One entrant's name corrected to one with every long Hungarian accent.
  const std::string accented = "Kővári Őrs Fűzfa";
  std::string entrants = Slurp(m_folder / "entrants.csv");
  const size_t empty = entrants.find(",\"\",");
  ASSERT_NE(std::string::npos, empty);
  const size_t lineStart = entrants.rfind('\n', empty) + 1;
  const std::string renamed = entrants.substr(lineStart, entrants.find(',', lineStart) - lineStart);
  entrants.replace(empty, 4, ",\"" + accented + "\",");
  Write("entrants.csv", entrants);
  ASSERT_EQ(
      0, Crosscheck("--title \"Próba Kupa\" --sponsor \"Magyar Rádióamatőr Szövetség\" --categories " +
                        (m_folder / "categories.txt").string() + " --entrants " +
                        (m_folder / "entrants.csv").string() + " " + (m_folder / "logs").string(),
                    &output))
      << output;

  const auto rows = ResultRows(Slurp(Out() / "results.csv"));
  ASSERT_EQ(40u, rows.size());
  std::map<std::string, int> ranked;
  for (const auto& row : rows) ranked[row.at("category")] += !row.at("category_rank").empty();
  std::set<std::string> files;
  int places = 0, checkLogs = 0, others = 0;
  bool found = false;
  for (const auto& row : rows) {
    const std::string call = row.at("call");
    const fs::path pdf = Out() / "certificates" / (FileCall(call) + ".pdf");
    files.insert("certificates/" + FileCall(call) + ".pdf");
    std::string text;
    ASSERT_EQ(0, Run("pdftotext -enc UTF-8 '" + pdf.string() + "' -", &text)) << call << text;
    EXPECT_NE(std::string::npos, text.find(call)) << text;
    EXPECT_NE(std::string::npos, text.find("Magyar Rádióamatőr Szövetség")) << text;
    if (call == renamed) {
      EXPECT_NE(std::string::npos, text.find(accented)) << text;
      found = true;
    }
    const std::string& category = row.at("category");
    if (!row.at("category_rank").empty()) {
      ++places;
      const int place = std::stoi(row.at("category_rank"));
      const std::string count = std::to_string(ranked[category]);
      for (const std::string& words :
           {std::to_string(place) + ". helyezés", std::to_string(place) + Ordinal(place) + " place",
            "a kategória " + count + " indulója közül", "of " + count + " in the category",
            category, "Checked score: " + row.at("checked")}) {
        EXPECT_NE(std::string::npos, text.find(words)) << call << ": " << words << "\n" << text;
      }
    } else if (category == "CHECKLOG") {
      ++checkLogs;
      EXPECT_NE(std::string::npos, text.find("ellenőrző naplót küldött / sent a check log"))
          << text;
      EXPECT_EQ(std::string::npos, text.find("Checked score")) << text;
    } else {
      ++others;
      EXPECT_NE(std::string::npos, text.find("részt vett a versenyen / took part in the contest"))
          << text;
      EXPECT_NE(std::string::npos, text.find("Checked score: " + row.at("checked"))) << text;
    }
  }
  // The made-up contest holds each kind.
  EXPECT_TRUE(found) << renamed;
  EXPECT_GT(places, 0);
  EXPECT_GT(checkLogs, 0);
  EXPECT_GT(others, 0);
  // The archive the sponsor downloads is named by the contest's title and year.
  const std::string zipName = ZipIn(Out());
  EXPECT_EQ(0u, zipName.rfind("Proba-Kupa-20", 0)) << zipName;
  EXPECT_EQ(zipName.size() - 17, zipName.find("-certificates.zip")) << zipName;
  std::string listing;
  ASSERT_EQ(0, Run("unzip -Z1 '" + (Out() / zipName).string() + "'", &listing));
  std::set<std::string> zipped;
  std::istringstream names(listing);
  for (std::string name; std::getline(names, name);) zipped.insert(name);
  EXPECT_EQ(files, zipped);
  size_t pdfs = 0;
  for (const auto& entry : fs::directory_iterator(Out() / "certificates"))
    pdfs += entry.is_regular_file();
  EXPECT_EQ(rows.size(), pdfs);
}

// A run without certificates writes none and results.json links none; the next run with
// them writes them and links each.
TEST_F(CrosscheckCertificatesTest, NoCertificatesWritesNoneAndResultsJsonSaysSo) {
  const fs::path logs = fs::path(TARNO_SOURCE_DIR) / "tests" / "data" / "crosscheck" / "logs";
  std::string output;
  ASSERT_EQ(0, Crosscheck("--no-certificates " + logs.string(), &output)) << output;
  EXPECT_FALSE(fs::exists(Out() / "certificates"));
  EXPECT_EQ("", ZipIn(Out()));
  const std::string json = Slurp(Out() / "results.json");
  EXPECT_NE(std::string::npos, json.find("\"certificate\":null")) << json;
  EXPECT_EQ(std::string::npos, json.find("certificates/")) << json;
  ASSERT_EQ(0, Crosscheck(logs.string(), &output)) << output;
  EXPECT_TRUE(fs::exists(Out() / "certificates" / "HA5AA.pdf"));
  EXPECT_NE(std::string::npos,
            Slurp(Out() / "results.json").find("\"certificate\":\"certificates/HA5AA.pdf\""));
}

}  // namespace
}  // namespace tarno::testing
