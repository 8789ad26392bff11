// results.html as a sponsor opens it: in a real browser, with nothing fetched from
// elsewhere, the results table on the page.

#include <unistd.h>

#include "crosscheck_fixture.h"

namespace tarno::testing {
namespace {

const char kChromium[] = "/usr/bin/chromium";

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
  EXPECT_NE(std::string::npos,
            output.find("<table class=\"results\" data-category=\"SINGLE-OP MIXED ALL HIGH, "
                        "Hungary\">"))
      << output;
  for (const char* row : {"<td>1</td><td class=\"call\"><a href=\"HG7BB.html\">HG7BB</a>",
                          "<td>2</td><td class=\"call\"><a href=\"HA5AA.html\">HA5AA</a>"}) {
    EXPECT_NE(std::string::npos, output.find(row)) << row;
  }
  EXPECT_NE(std::string::npos, output.find("id=\"e-OK2DD\"")) << "an entrant's summary is missing";
}

}  // namespace
}  // namespace tarno::testing
