// results.html as a sponsor and its readers open it: in a real browser, with nothing fetched
// from elsewhere, on a desktop screen, on a phone's and on paper, in English and in
// Hungarian, the category tables as the truth says. The pictures land in the build folder's
// screenshots/ (the README shows them).

#include <unistd.h>

#include "crosscheck_fixture.h"

namespace tarno::testing {
namespace {

const char kChromium[] = "/usr/bin/chromium";
const char kDriver[] = "/usr/bin/chromedriver";
const char kPython[] = "/usr/bin/python3";

const fs::path kShots = fs::path(TARNO_BUILD_DIR) / "screenshots";

using CrosscheckBrowserTest = CrosscheckFixture;

TEST_F(CrosscheckBrowserTest, ResultsPageShowsTheTableInChromium) {
  if (access(kChromium, X_OK) != 0) {
    GTEST_SKIP() << kChromium << " is missing; scripts/install-deps installs it";
  }
  const fs::path logs = fs::path(TARNO_SOURCE_DIR) / "tests" / "data" / "crosscheck" / "logs";
  std::string output;
  ASSERT_EQ(0, Crosscheck(logs.string(), &output)) << output;
  const fs::path page = Out() / "results.html";
  const std::string html = Slurp(page);
  for (const char* outside : {"http:", "https:", "<script", "<link", "@import", "url("})
    EXPECT_EQ(std::string::npos, html.find(outside)) << "the page reaches outside: " << outside;

  const std::string browser = std::string(kChromium) +
                              " --headless --no-sandbox --disable-gpu --hide-scrollbars"
                              " --user-data-dir=" +
                              (m_folder / "profile").string() + " --window-size=1280,1000 ";
  const fs::path shot = m_folder / "results.png";
  ASSERT_EQ(0, Run(browser + "--screenshot=" + shot.string() + " file://" + page.string(), &output))
      << output;
  const std::string png = Slurp(shot);
  ASSERT_GT(png.size(), 10000u) << "an empty page gives a tiny picture";
  EXPECT_EQ(std::string("\x89PNG", 4), png.substr(0, 4));

  ASSERT_EQ(0, Run(browser + "--dump-dom file://" + page.string(), &output)) << output;
  EXPECT_NE(std::string::npos, output.find("<table class=\"results ranked entrants\" "
                                           "data-category=\"SINGLE-OP MIXED ALL HIGH, Hungary\">"))
      << output;
  for (const char* row :
       {"<td>1</td><th scope=\"row\"><a href=\"HG7BB.html\">HG7BB</a></th><td>",
        "<td>2</td><th scope=\"row\"><a href=\"HA5AA.html\">HA5AA</a></th><td>"}) {
    EXPECT_NE(std::string::npos, output.find(row)) << row;
  }
  EXPECT_NE(std::string::npos, output.find("<a href=\"OK2DD.html\">OK2DD</a> "))
      << "an entrant is missing from the list of pages";
}

// Why the page cannot be measured here, or empty when it can.
std::string MissingBrowser() {
  std::string output;
  if (access(kChromium, X_OK) != 0 || access(kDriver, X_OK) != 0 ||
      RunCommand(std::string(kPython) + " -c 'import selenium'", &output) != 0) {
    return "Chromium, its driver or python3-selenium is missing; scripts/install-deps installs "
           "them";
  }
  return "";
}

// The page checked at 1280 and 400 px wide (see results_page_check.py), each picture
// saved as `shot` with the width before ".png".
void CheckAtBothWidths(const fs::path& page, const std::string& shot, const std::string& truth) {
  fs::create_directories(kShots);
  for (const char* width : {"1280", "400"}) {
    std::string output;
    const std::string command = std::string(kPython) + " " + TARNO_SOURCE_DIR +
                                "/tests/tools/results_page_check.py " + page.string() + " " +
                                width + " " + (kShots / (shot + "-" + width + ".png")).string() +
                                " " + truth;
    EXPECT_EQ(0, RunCommand(command, &output)) << width << " px:\n" << output;
  }
}

TEST_F(CrosscheckBrowserTest, ResultsPageReadsOnADesktopAndOnAPhone) {
  const std::string missing = MissingBrowser();
  if (!missing.empty()) GTEST_SKIP() << missing;
  const fs::path logs = fs::path(TARNO_SOURCE_DIR) / "tests" / "data" / "crosscheck" / "logs";
  std::string output;
  ASSERT_EQ(0, Crosscheck(logs.string(), &output)) << output;
  CheckAtBothWidths(Out() / "results.html", "crosscheck-results", "");
  CheckAtBothWidths(Out() / "hu" / "results.html", "crosscheck-results-hu", "");
}

TEST_F(CrosscheckBrowserTest, CategoryTablesInChromiumEqualTheTruth) {
  const std::string missing = MissingBrowser();
  if (!missing.empty()) GTEST_SKIP() << missing;
  std::string output;
  ASSERT_TRUE(CheckMadeContestWithSponsorFiles("--logs 60 --qsos 50 --seed 41", &output));
  CheckAtBothWidths(Out() / "results.html", "crosscheck-categories",
                    (m_folder / "categories-truth.csv").string());
}

}  // namespace
}  // namespace tarno::testing
