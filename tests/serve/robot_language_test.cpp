// The robot in English and Hungarian, through real HTTP: the language the browser asks for,
// the switch every page carries and the cookie that keeps the choice, every page whole in
// both languages with the contest's title, and the robot's kept words (refusals, findings,
// what will not count) shown in the language of whoever reads them later.

#include <chrono>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "logs/log_text.h"
#include "serve/robot_fixture.h"

namespace tarno::testing {
namespace {

constexpr char kHungarian[] = "hu-HU,hu;q=0.9,en;q=0.5";
constexpr char kEnglish[] = "en-GB,en;q=0.9";
constexpr char kTitle[] = "TARNO 2026 \xE2\x80\x93 \xC5\x91szi fordul\xC3\xB3";  // – őszi forduló

std::string LanguageOf(const std::string& page) {
  std::smatch found;
  static const std::regex kLang("<html lang=\"([a-z]+)\">");
  return std::regex_search(page, found, kLang) ? found[1].str() : "(none)";
}

std::string LinkOf(const std::string& page, const std::string& id) {
  const size_t at = page.find("id=\"" + id + "\" href=\"");
  if (at == std::string::npos) return std::string();
  const size_t from = at + id.size() + 12;
  return page.substr(from, page.find('"', from) - from);
}

std::string HeaderOf(const httplib::Result& res, const char* name) {
  return res->has_header(name) ? res->get_header_value(name) : std::string();
}

// Any of á é í ó ö ő ú ü ű, as UTF-8.
bool HasHungarianLetter(const std::string& page) {
  for (const char* letter : {"\xC3\xA1", "\xC3\xA9", "\xC3\xAD", "\xC3\xB3", "\xC3\xB6", "\xC5\x91",
                             "\xC3\xBA", "\xC3\xBC", "\xC5\xB1"}) {
    if (page.find(letter) != std::string::npos) return true;
  }
  return false;
}

TEST(RobotLanguageTest, APageIsInTheLanguageTheBrowserAsksForFirstAmongThoseThereAre) {
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(FreshFolder("language-accept"),
                          {"--start", "2026-01-17", "--end", "2026-01-18"}));
  auto client = robot.Client();
  const struct {
    const char* accept;
    const char* language;
    const char* heading;
  } kCases[] = {
      {kHungarian, "hu",
       "Napl\xC3\xB3"
       "bek\xC3\xBCld\xC3\xA9s"},
      {"hu", "hu",
       "Napl\xC3\xB3"
       "bek\xC3\xBCld\xC3\xA9s"},
      {kEnglish, "en", "Log robot"},
      {"de-DE,de;q=0.9,hu;q=0.4,en;q=0.3", "hu",
       "Napl\xC3\xB3"
       "bek\xC3\xBCld\xC3\xA9s"},
      {"de-DE,fr;q=0.8", "en", "Log robot"},
      {"", "en", "Log robot"},
  };
  for (const auto& test : kCases) {
    auto res = client.Get("/", {{"Accept-Language", test.accept}});
    ASSERT_TRUE(res);
    EXPECT_EQ(LanguageOf(res->body), test.language) << test.accept;
    EXPECT_EQ(ElementText(res->body, "contest"), "TARNO 2026") << "the year of --start";
    EXPECT_NE(res->body.find(std::string("<h1>") + test.heading + "</h1>"), std::string::npos)
        << test.accept;
    EXPECT_EQ(HeaderOf(res, "Vary"), "Accept-Language, Cookie");
    EXPECT_EQ(HeaderOf(res, "Set-Cookie"), "") << "nothing chosen, nothing kept";
  }
}

TEST(RobotLanguageTest, TheSwitchKeepsTheChoiceInACookieThatWinsOverTheBrowser) {
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(FreshFolder("language-switch")));
  auto client = robot.Client();
  auto english = client.Get("/", {{"Accept-Language", kEnglish}});
  EXPECT_EQ(LinkOf(english->body, "language"), "/?lang=hu");
  EXPECT_NE(ElementText(english->body, "language").find("Magyarul"), std::string::npos);

  auto switched = client.Get("/?lang=hu", {{"Accept-Language", kEnglish}});
  EXPECT_EQ(LanguageOf(switched->body), "hu");
  EXPECT_EQ(CookieOf(switched, "lang"), "lang=hu");
  EXPECT_EQ(HeaderOf(switched, "Set-Cookie"),
            "lang=hu; Path=/; HttpOnly; SameSite=Lax; Max-Age=31536000");
  EXPECT_EQ(LinkOf(switched->body, "language"), "/?lang=en");

  const struct {
    const char* path;
    const char* cookie;
    const char* accept;
    const char* language;
    const char* kept;  // the cookie the answer sets, if any
  } kCases[] = {
      {"/", "lang=hu", kEnglish, "hu", ""},
      {"/sponsor", "other=1; lang=hu", kEnglish, "hu", ""},
      {"/no/such/page", "lang=en", kHungarian, "en", ""},
      {"/?lang=en", "lang=hu", kHungarian, "en", "lang=en"},
      // A choice of a language there is not is no choice: the browser's language stands.
      {"/?lang=de", "", kHungarian, "hu", ""},
      {"/?lang=hu%0d%0aX%3a%20y", "", kEnglish, "en", ""},
      {"/", "lang=de", kHungarian, "hu", ""},
      {"/", "lang=hungarian", kEnglish, "en", ""},
  };
  for (const auto& test : kCases) {
    httplib::Headers headers = {{"Accept-Language", test.accept}};
    if (*test.cookie) headers.emplace("Cookie", test.cookie);
    auto res = client.Get(test.path, headers);
    ASSERT_TRUE(res) << test.path;
    EXPECT_EQ(LanguageOf(res->body), test.language) << test.path << " " << test.cookie;
    EXPECT_EQ(CookieOf(res, "lang"), test.kept) << test.path << " " << test.cookie;
  }
  // Each page's switch leads to the same page, the unknown one too.
  auto missing = client.Get("/no/such/page", {{"Accept-Language", kEnglish}});
  EXPECT_EQ(LinkOf(missing->body, "language"), "/no/such/page?lang=hu");
  EXPECT_EQ(LinkOf(client.Get("/sponsor")->body, "language"), "/sponsor?lang=hu");
}

// The pages of a robot with a refused upload, a late log the sponsor took in, a finished
// check and a backup, each fetched in `accept`'s language.
struct Walk {
  std::vector<std::pair<std::string, httplib::Result>> pages;
  std::string backupMessage;
};

Walk WalkEveryPage(RobotProcess& robot, const std::string& accept) {
  Walk walk;
  auto client = robot.Client();
  client.set_default_headers({{"Accept-Language", accept}});
  const auto add = [&walk](const std::string& what, httplib::Result res) {
    walk.pages.emplace_back(what, std::move(res));
  };
  add("the home page", client.Get("/"));
  auto receipt = Upload(client, MadeLog("HA5AA", 6, "CATEGORY-POWER: HUGE\n"));
  const std::string link = LinkOf(receipt->body, "receipt-link");
  add("the receipt of an upload", std::move(receipt));
  add("the receipt through its link", client.Get(link));
  add("a refusal", Upload(client, "not a log"));
  add("an unknown receipt", client.Get("/receipt/" + std::string(64, 'c')));
  add("an unknown page", client.Get("/nowhere"));
  add("the results before publication", client.Get("/results/"));
  add("the login", client.Get("/sponsor"));
  auto form = client.Get("/sponsor");
  add("a wrong password",
      client.Post("/sponsor/login", {{"Cookie", CookieOf(form, "tarno_login")}},
                  httplib::Params{{"csrf", HiddenCsrf(form->body)}, {"password", "wrong"}}));
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));  // the delay after a failure
  const SponsorLogin login = LogIn(client);
  const httplib::Headers session = {{"Cookie", login.cookie}};
  add("the sponsor's list with a late log", client.Get("/sponsor", session));
  add("a late log taken in without a reason",
      client.Post("/sponsor/upload/1/admit", session,
                  httplib::Params{{"csrf", login.csrf}, {"reason", ""}}));
  client.Post("/sponsor/upload/1/admit", session,
              httplib::Params{{"csrf", login.csrf}, {"reason", "posta"}});
  add("a forged form", client.Post("/sponsor/check", session, httplib::Params{{"csrf", "x"}}));
  add("the results before a check", client.Get("/sponsor/results", session));
  client.Post("/sponsor/check", session, httplib::Params{{"csrf", login.csrf}});
  for (int i = 0; i < 400; ++i) {
    auto results = client.Get("/sponsor/results", session);
    if (results && results->body.find("id=\"results-page\"") != std::string::npos) {
      add("the private results", std::move(results));
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  add("the sponsor's list after the check", client.Get("/sponsor", session));
  auto backup = client.Post("/sponsor/backup", session, httplib::Params{{"csrf", login.csrf}});
  walk.backupMessage = ElementText(backup->body, "message");
  add("a backup made", std::move(backup));
  return walk;
}

TEST(RobotLanguageTest, EveryPageIsWholeInBothLanguagesWithTheContestsTitle) {
  const std::regex missingKey(R"(\[[a-z]+(\.[a-z_]+)+\])");
  const struct {
    const char* accept;
    const char* language;
    const char* backup;
  } kLanguages[] = {{kEnglish, "en", "Backup made: backups/robot-"},
                    {kHungarian, "hu",
                     "Elk\xC3\xA9sz\xC3\xBClt a biztons\xC3\xA1gi ment\xC3\xA9s: "
                     "backups/robot-"}};
  std::vector<std::string> english;
  for (const auto& language : kLanguages) {
    RobotProcess robot;
    ASSERT_TRUE(robot.Start(FreshFolder(std::string("language-walk-") + language.language),
                            {"--deadline", "2020-01-01", "--title", kTitle}));
    const Walk walk = WalkEveryPage(robot, language.accept);
    ASSERT_EQ(walk.pages.size(), 16u) << "the check did not finish";
    for (size_t i = 0; i < walk.pages.size(); ++i) {
      const auto& [what, res] = walk.pages[i];
      ASSERT_TRUE(res) << what;
      const std::string& page = res->body;
      EXPECT_EQ(res->get_header_value("Content-Type"), "text/html; charset=utf-8") << what;
      EXPECT_EQ(LanguageOf(page), language.language) << what;
      EXPECT_EQ(ElementText(page, "contest"), kTitle) << what;
      EXPECT_TRUE(score::IsValidUtf8(page)) << what;
      EXPECT_FALSE(std::regex_search(page, missingKey)) << what << ":\n" << page;
      EXPECT_EQ(page.find('\x1E'), std::string::npos) << what << ": a kept message unread";
      if (std::string(language.language) == "hu") {
        EXPECT_TRUE(HasHungarianLetter(page)) << what;
        EXPECT_NE(page, english[i]) << what << " is the same in both languages";
      } else {
        english.push_back(page);
      }
    }
    EXPECT_EQ(walk.backupMessage.rfind(language.backup, 0), 0u) << walk.backupMessage;
    EXPECT_EQ(robot.Stop(), 0);
  }
}

// What the robot said of an upload is kept, and shown in the language of its reader.
TEST(RobotLanguageTest, KeptWordsAreShownInTheLanguageOfWhoeverReadsThem) {
  RobotProcess robot;
  ASSERT_TRUE(
      robot.Start(FreshFolder("language-kept"), {"--start", "2026-01-17", "--end", "2026-01-18"}));
  auto client = robot.Client();
  std::string log = MadeLog("HA5AA", 4, "CATEGORY-POWER: HUGE\n");
  log.insert(log.find("END-OF-LOG"), "QSO: 14025 CW 2025-12-31 1303 HA5AA 599 BP OK1AA 599 10\n");
  const httplib::MultipartFormDataItems items = {{"log", log, "log.cbr", "text/plain"}};
  auto sent = client.Post("/upload", {{"Accept-Language", kHungarian}}, items);
  ASSERT_EQ(sent->status, 200);
  const std::string link = LinkOf(sent->body, "receipt-link");
  Upload(client, "not a log");

  const struct {
    const char* accept;
    const char* finding;
    const char* uncounted;
    const char* refusal;
  } kReaders[] = {
      {kEnglish, "<li>line 6: CATEGORY-POWER: unknown value", "outside the contest period</li>",
       "not a log: neither a Cabrillo log"},
      {kHungarian, "<li>6. sor: CATEGORY-POWER: unknown value",
       "a versenyid\xC5\x91szakon k\xC3\xADv\xC3\xBCl</li>", "nem napl\xC3\xB3: sem Cabrillo"},
  };
  for (const auto& reader : kReaders) {
    client.set_default_headers({{"Accept-Language", reader.accept}});
    const std::string receipt = client.Get(link)->body;
    EXPECT_NE(ElementText(receipt, "findings").find(reader.finding), std::string::npos) << receipt;
    EXPECT_NE(ElementText(receipt, "uncounted").find(reader.uncounted), std::string::npos)
        << receipt;
    const SponsorLogin login = LogIn(client);
    const std::string list = client.Get("/sponsor", {{"Cookie", login.cookie}})->body;
    EXPECT_NE(ElementText(list, "upload-2").find(reader.refusal), std::string::npos) << list;
  }
}

}  // namespace
}  // namespace tarno::testing
