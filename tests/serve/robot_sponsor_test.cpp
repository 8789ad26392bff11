// The sponsor's side through real HTTP: nothing without a session, the login and its
// delay, CSRF, and a whole contest collected, checked, looked at privately and published.

#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "gtest/gtest.h"
#include "serve/robot_fixture.h"

namespace tarno::testing {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(RobotSponsorTest, EverySponsorRouteRefusesARequestWithoutASession) {
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(FreshFolder("no-session")));
  auto client = robot.Client();
  ASSERT_EQ(Upload(client, MadeLog("HA5AA", 3))->status, 200);
  const httplib::Headers forged = {{"Cookie", "tarno_session=" + std::string(64, 'a')}};
  for (const httplib::Headers& headers : {httplib::Headers(), forged}) {
    for (const char* path : {"/sponsor/upload/1/raw", "/sponsor/archive", "/sponsor/results",
                             "/sponsor/results/page", "/sponsor/anything"}) {
      auto res = client.Get(path, headers);
      ASSERT_TRUE(res);
      EXPECT_EQ(res->status, 303) << path;
      EXPECT_EQ(res->get_header_value("Location"), "/sponsor") << path;
      EXPECT_EQ(res->body.find("QSO:"), std::string::npos) << path;
    }
    for (const char* path :
         {"/sponsor/check", "/sponsor/publish", "/sponsor/logout", "/sponsor/anything"}) {
      auto res = client.Post(path, headers, httplib::Params{{"csrf", "x"}});
      ASSERT_TRUE(res);
      EXPECT_EQ(res->status, 403) << path;
    }
    auto page = client.Get("/sponsor", headers);
    EXPECT_NE(page->body.find("id=\"login\""), std::string::npos);
    EXPECT_EQ(page->body.find("id=\"logs\""), std::string::npos);
  }
}

TEST(RobotSponsorTest, LoginCookieCsrfDelayAndLogout) {
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(FreshFolder("login")));
  auto client = robot.Client();
  EXPECT_TRUE(LogIn(client, "wrong").cookie.empty());
  EXPECT_TRUE(LogIn(client).cookie.empty()) << "the right password too soon after a wrong one";
  std::this_thread::sleep_for(std::chrono::milliseconds(2100));
  const SponsorLogin login = LogIn(client);
  ASSERT_FALSE(login.cookie.empty());
  ASSERT_FALSE(login.csrf.empty());

  auto in = client.Get("/sponsor/results", {{"Cookie", login.cookie}});
  EXPECT_EQ(in->status, 200);
  const httplib::Headers session = {{"Cookie", login.cookie}};
  EXPECT_EQ(client.Post("/sponsor/publish", session, httplib::Params{{"csrf", "x"}})->status, 403);
  EXPECT_EQ(client.Post("/sponsor/publish", session, httplib::Params{})->status, 403);
  EXPECT_EQ(client.Post("/sponsor/logout", session, httplib::Params{{"csrf", login.csrf}})->status,
            303);
  EXPECT_EQ(client.Get("/sponsor/results", session)->status, 303) << "the session is gone";
}

TEST(RobotSponsorTest, SessionCookieIsHttpOnlyStrictAndSecureBehindTls) {
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(FreshFolder("cookie"), {"--behind-tls"}));
  auto client = robot.Client();
  auto form = client.Get("/sponsor");
  const std::string cookie = form->get_header_value("Set-Cookie");
  EXPECT_NE(cookie.find("HttpOnly"), std::string::npos);
  EXPECT_NE(cookie.find("SameSite=Strict"), std::string::npos);
  EXPECT_NE(cookie.find("Secure"), std::string::npos);
  EXPECT_NE(cookie.find("Path=/sponsor"), std::string::npos);
}

// `link` read on the page at `page`, as a browser resolves it: "../x" climbs a folder.
std::string Resolved(const std::string& page, const std::string& link) {
  std::vector<std::string> parts;
  const std::string path = link[0] == '/' ? link : page.substr(0, page.rfind('/') + 1) + link;
  std::stringstream in(path);
  for (std::string part; std::getline(in, part, '/');) {
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
  }
  std::string resolved;
  for (const std::string& part : parts) resolved += "/" + part;
  return resolved;
}

// Follows every relative link from `start` through the pages it reaches in its folder and
// the folders under it (the Hungarian pages in hu/), each answering 200 with the type its
// name says; how many files were fetched.
size_t ExpectEveryLinkAnswers(httplib::Client& client, const std::string& start,
                              const httplib::Headers& headers) {
  std::set<std::string> seen = {start};
  std::vector<std::string> pages = {start};
  const std::string root = start.substr(0, start.rfind('/') + 1);
  const std::regex href("href=\"([^\"#:]+)\"");
  while (!pages.empty()) {
    const std::string page = pages.back();
    pages.pop_back();
    auto res = client.Get(page, headers);
    if (!res || res->status != 200) {
      ADD_FAILURE() << page << " answers " << (res ? res->status : -1);
      continue;
    }
    const std::string type = res->get_header_value("Content-Type");
    const std::string extension = page.substr(page.rfind('.'));
    const std::map<std::string, std::string> kTypes = {{".html", "text/html; charset=utf-8"},
                                                       {".ubn", "text/plain; charset=utf-8"},
                                                       {".csv", "text/csv; charset=utf-8"}};
    if (kTypes.count(extension)) {
      EXPECT_EQ(type, kTypes.at(extension)) << page;
    }
    if (extension != ".html") continue;
    for (std::sregex_iterator link(res->body.begin(), res->body.end(), href), end; link != end;
         ++link) {
      const std::string target = Resolved(page, (*link)[1].str());
      if (target.rfind(root, 0) != 0 || !seen.insert(target).second) continue;
      pages.push_back(target);
    }
  }
  return seen.size();
}

TEST(RobotSponsorTest, AContestIsCollectedCheckedAndPublished) {
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(FreshFolder("contest"),
                          {"--start", "2026-03-06", "--end", "2026-03-07", "--title", "Próba Kupa",
                           "--sponsor", "Magyar Rádióamatőr Szövetség"}));
  auto client = robot.Client();
  std::string receipt;
  for (const char* name : {"ha5aa", "hg7bb", "dl1cc", "ok2dd"}) {
    auto res = Upload(client, Slurp(std::string(TARNO_SOURCE_DIR) + "/tests/data/crosscheck/logs/" +
                                    name + ".cbr"));
    ASSERT_EQ(res->status, 200) << res->body;
    if (receipt.empty()) {  // HA5AA's, which claims far more than its log scores
      EXPECT_NE(ElementText(res->body, "findings").find("the log claims &quot;999&quot;"),
                std::string::npos);
      const size_t link = res->body.find("href=\"/receipt/");
      receipt = res->body.substr(link + 6, 9 + 64);
    }
  }
  const SponsorLogin login = LogIn(client);
  const httplib::Headers session = {{"Cookie", login.cookie}};
  EXPECT_EQ(client.Post("/sponsor/publish", session, httplib::Params{{"csrf", login.csrf}})->status,
            409)
      << "nothing checked yet";
  ASSERT_EQ(client.Post("/sponsor/check", session, httplib::Params{{"csrf", login.csrf}})->status,
            303);
  std::string progress;
  for (int i = 0; i < 200; ++i) {
    progress = ElementText(client.Get("/sponsor", session)->body, "progress");
    if (progress.find("finished") != std::string::npos) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_NE(progress.find("finished with status 0"), std::string::npos) << progress;

  auto privately = client.Get("/sponsor/results", session);
  EXPECT_NE(privately->body.find("HA5AA.ubn"), std::string::npos);
  EXPECT_EQ(client.Get("/sponsor/results/page", session)->status, 303);
  const std::string runPage =
      privately->body.substr(privately->body.find("/sponsor/runs/")).substr(0, 40);
  const std::string runFolder = runPage.substr(0, runPage.find("results.html"));
  EXPECT_GE(ExpectEveryLinkAnswers(client, runFolder + "results.html", session), 15u);
  EXPECT_EQ(client.Get(runFolder + "verdicts.csv")->status, 303) << "the sponsor's alone";
  EXPECT_EQ(client.Get("/results/")->status, 404) << "not before publication";
  EXPECT_EQ(client.Get(receipt.c_str())->body.find("id=\"report\""), std::string::npos);

  auto zip = client.Get("/sponsor/archive", session);
  EXPECT_EQ(zip->body.substr(0, 2), "PK");
  EXPECT_EQ(zip->get_header_value("Content-Disposition"),
            "attachment; filename=\"Proba-Kupa-2026-logs.zip\"")
      << "named by the contest's title and year";
  EXPECT_NE(zip->body.find("HG7BB.cbr"), std::string::npos);

  ASSERT_EQ(client.Post("/sponsor/publish", session, httplib::Params{{"csrf", login.csrf}})->status,
            303);
  EXPECT_EQ(client.Get("/results")->get_header_value("Location"), "/results/");
  auto results = client.Get("/results/");
  EXPECT_EQ(results->status, 200);
  // Every page, report and file the results link to, and nothing else of the run.
  EXPECT_GE(ExpectEveryLinkAnswers(client, "/results/results.html", {}), 15u);
  for (const char* hidden : {"/results/verdicts.csv", "/results/../robot.sqlite",
                             "/results/%2e%2e/robot.sqlite", "/results/output.txt"}) {
    EXPECT_EQ(client.Get(hidden)->status, 404) << hidden;
  }
  EXPECT_NE(results->body.find("class=\"results ranked entrants\""), std::string::npos);
  EXPECT_NE(results->body.find("HG7BB"), std::string::npos);
  // The Hungarian pages, in the run's hu/ folder, answer as the English ones do, and lead
  // back to the reports and files the English pages lie beside.
  for (const char* page : {"/results/hu/results.html", "/results/hu/HA5AA.html"}) {
    auto hungarian = client.Get(page);
    ASSERT_EQ(hungarian->status, 200) << page;
    EXPECT_NE(hungarian->body.find("<html lang=\"hu\">"), std::string::npos) << page;
  }
  EXPECT_NE(client.Get("/results/hu/HA5AA.html")->body.find("href=\"../HA5AA.ubn\""),
            std::string::npos);
  EXPECT_EQ(client.Get("/results/hu/verdicts.csv")->status, 404);
  const std::string report = ElementText(client.Get(receipt.c_str())->body, "report");
  EXPECT_NE(report.find("HA5AA"), std::string::npos) << report;
  EXPECT_NE(report.find("Log file: HA5AA.cbr"), std::string::npos) << "named by its call";
  // The check took the robot's title and sponsor: the pages and the certificates name them,
  // and the receipt leads to the entrant's page and certificate.
  EXPECT_NE(results->body.find("Próba Kupa 2026"), std::string::npos);
  const std::string receiptPage = client.Get(receipt.c_str())->body;
  EXPECT_NE(receiptPage.find("id=\"page-link\" href=\"/results/HA5AA.html\""), std::string::npos)
      << receiptPage;
  EXPECT_NE(receiptPage.find("id=\"certificate-link\" href=\"/results/certificates/HA5AA.pdf\""),
            std::string::npos)
      << receiptPage;
  auto certificate = client.Get("/results/certificates/HA5AA.pdf");
  ASSERT_EQ(certificate->status, 200);
  EXPECT_EQ(certificate->get_header_value("Content-Type"), "application/pdf");
  EXPECT_EQ(certificate->body.substr(0, 5), "%PDF-");
  EXPECT_NE(client.Get("/results/HA5AA.html")->body.find("href=\"certificates/HA5AA.pdf\""),
            std::string::npos);

  // A log sent under HA5AA after the check, by anybody, shows no report of the check.
  auto later = Upload(client, MadeLog("HA5AA", 2));
  ASSERT_EQ(later->status, 200);
  const std::string laterReceipt =
      later->body.substr(later->body.find("href=\"/receipt/") + 6, 9 + 64);
  const std::string laterPage = client.Get(laterReceipt.c_str())->body;
  EXPECT_EQ(ElementText(laterPage, "report").find("Log file"), std::string::npos) << laterPage;
  EXPECT_NE(ElementText(client.Get(receipt.c_str())->body, "report").find("HA5AA"),
            std::string::npos)
      << "the checked upload keeps its report";
  EXPECT_EQ(robot.Stop(), 0);
}

// Behind a proxy the client's address is the one X-Forwarded-For names last.
httplib::Result UploadFrom(RobotProcess& robot, const std::string& address,
                           const std::string& bytes, const std::string& email) {
  auto client = robot.Client();
  client.set_default_headers({{"X-Forwarded-For", "10.9.9.9, " + address}});
  return Upload(client, bytes, "log.cbr", email);
}

TEST(RobotSponsorTest, AReplacementFromAnotherSenderIsMarkedForTheSponsor) {
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(FreshFolder("impostor"), {"--behind-tls"}));
  ASSERT_EQ(UploadFrom(robot, "192.0.2.1", MadeLog("HA5AA", 3), "op@example.org")->status, 200);
  ASSERT_EQ(UploadFrom(robot, "192.0.2.1", MadeLog("HA5AA", 4), "op@example.org")->status, 200);
  ASSERT_EQ(UploadFrom(robot, "198.51.100.9", MadeLog("HA5AA", 5), "x@example.net")->status, 200);
  auto client = robot.Client();
  const SponsorLogin login = LogIn(client);
  const std::string page = client.Get("/sponsor", {{"Cookie", login.cookie}})->body;
  const std::string second = ElementText(page, "upload-2");
  const std::string third = ElementText(page, "upload-3");
  EXPECT_EQ(second.find("replaces"), std::string::npos) << "the same sender: " << second;
  EXPECT_NE(second.find("192.0.2.1"), std::string::npos) << "the address is shown";
  EXPECT_NE(third.find("replaces upload 2, sent from another address than upload 2 (192.0.2.1)"
                       ", and with another e-mail address than upload 2"),
            std::string::npos)
      << third;
}

TEST(RobotSponsorTest, TheSponsorTakesALateLogIntoTheCheckWithAReason) {
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(FreshFolder("late"), {"--deadline", "2020-01-01"}));
  auto client = robot.Client();
  ASSERT_EQ(Upload(client, MadeLog("HA7LL", 3))->status, 200);
  const SponsorLogin login = LogIn(client);
  const httplib::Headers session = {{"Cookie", login.cookie}};
  EXPECT_EQ(client.Get("/sponsor/archive", session)->body.find("HA7LL"), std::string::npos);
  const auto admit = [&](const std::string& reason) {
    return client
        .Post("/sponsor/upload/1/admit", session,
              httplib::Params{{"csrf", login.csrf}, {"reason", reason}})
        ->status;
  };
  EXPECT_EQ(client
                .Post("/sponsor/upload/1/admit", session,
                      httplib::Params{{"csrf", "forged"}, {"reason", "x"}})
                ->status,
            403);
  EXPECT_EQ(admit("   "), 409) << "a reason is needed";
  EXPECT_EQ(admit("posted before the deadline, \xC3\xA1tvitel hiba"), 303);
  EXPECT_EQ(admit("again"), 409) << "no longer a late log";
  const std::string row = ElementText(client.Get("/sponsor", session)->body, "upload-1");
  EXPECT_NE(row.find("current"), std::string::npos) << row;
  EXPECT_NE(row.find("by the sponsor: posted before the deadline, \xC3\xA1tvitel hiba"),
            std::string::npos)
      << row;
  EXPECT_NE(client.Get("/sponsor/archive", session)->body.find("HA7LL"), std::string::npos);

  // The backup button makes a copy in the data folder's backups/ and names it.
  auto backup = client.Post("/sponsor/backup", session, httplib::Params{{"csrf", login.csrf}});
  ASSERT_EQ(backup->status, 200);
  const std::string made = ElementText(backup->body, "message");
  ASSERT_EQ(made.rfind("Backup made: backups/robot-", 0), 0u) << made;
  EXPECT_TRUE(std::filesystem::is_regular_file(robot.dataFolder() + "/" + made.substr(13)));
}

// The disk takes nothing more (the robot's file-size limit set to a byte, as a full disk
// would): uploads and logins say so, and no cookie is handed out for a session never kept.
TEST(RobotSponsorTest, AFullDiskIsSaidNotHidden) {
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(FreshFolder("full-disk")));
  auto client = robot.Client();
  ASSERT_EQ(Upload(client, MadeLog("HA5AA", 2))->status, 200);
  auto form = client.Get("/sponsor");
  const std::string command =
      "prlimit --pid " + std::to_string(robot.pid()) + " --fsize=1:unlimited";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(Upload(client, MadeLog("HA6BB", 2))->status, 503);
  auto in = client.Post("/sponsor/login", {{"Cookie", CookieOf(form, "tarno_login")}},
                        httplib::Params{{"csrf", HiddenCsrf(form->body)}, {"password", kPassword}});
  ASSERT_TRUE(in);
  EXPECT_EQ(in->status, 503);
  EXPECT_TRUE(CookieOf(in, "tarno_session").empty()) << "a session that was never stored";
  EXPECT_NE(ElementText(in->body, "message").find("could not store"), std::string::npos)
      << in->body;
  EXPECT_EQ(client.Get("/")->status, 200) << "reading goes on";
}

TEST(RobotSponsorTest, AFormWithTwoLogsIsRefused) {
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(FreshFolder("two-logs")));
  auto client = robot.Client();
  const httplib::MultipartFormDataItems items = {
      {"log", MadeLog("HA5AA", 2), "a.cbr", "text/plain"},
      {"log", MadeLog("HA6BB", 2), "b.cbr", "text/plain"}};
  auto res = client.Post("/upload", items);
  ASSERT_EQ(res->status, 400);
  EXPECT_NE(ElementText(res->body, "refused").find("the field log 2 times"), std::string::npos);
}

TEST(RobotSponsorTest, AMadePasswordIsPrintedOnceAndOnlyItsHashKept) {
  const std::string folder = FreshFolder("made-password");
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(folder, {}, true));
  const std::string password = robot.madePassword();
  ASSERT_GE(password.size(), 12u);
  auto client = robot.Client();
  EXPECT_FALSE(LogIn(client, password).cookie.empty());
  EXPECT_EQ(robot.Stop(), 0);

  ASSERT_TRUE(robot.Start(folder, {}, true));
  EXPECT_TRUE(robot.madePassword().empty()) << "printed again";
  auto again = robot.Client();
  EXPECT_FALSE(LogIn(again, password).cookie.empty());
  EXPECT_EQ(robot.Stop(), 0);
  EXPECT_EQ(std::filesystem::status(folder).permissions(), std::filesystem::perms::owner_all)
      << "the sessions and the hash are for this user's eyes";
  for (const char* file : {"/robot.sqlite", "/robot.sqlite-wal"}) {
    const std::string bytes = Slurp(folder + file);
    EXPECT_EQ(bytes.find(password), std::string::npos) << file;
    if (std::string(file) == "/robot.sqlite") {
      EXPECT_NE(bytes.find("$argon2id$"), std::string::npos);
    }
  }
}

TEST(RobotStartTest, ABadCommandLineIsRefusedWithStatusTwo) {
  for (const char* options :
       {"--listen nowhere", "--listen 127.0.0.1:99999", "--start 2026-01-17",
        "--start 2026-01-18 --end 2026-01-17", "--deadline 2026-02-30", "--upload-limit 0",
        "--timeout x", "--frobnicate", "stray", "--title \"$(printf 'A\\tB')\""}) {
    const std::string command =
        std::string(TARNO_SCORE_PROGRAM) + " serve --data /nonexistent/robot " + options + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    char output[512] = {};
    const size_t got = std::fread(output, 1, sizeof output - 1, pipe);
    const int status = pclose(pipe);
    EXPECT_EQ(WEXITSTATUS(status), 2) << options;
    EXPECT_NE(std::string(output, got).find("usage: tarno-score serve"), std::string::npos);
  }
}

}  // namespace
}  // namespace tarno::testing
