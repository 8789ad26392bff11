// The contest's rules and the sponsor's last word in the robot, through real HTTP: the rules
// given at the start reach every check, and a broken rules file stops the start; a decision
// made on the sponsor's page changes its line in the next check and the entrant's report,
// and undoing it gives the line back to the check; a decision no check could take is
// refused at once, or fails the check with the cross-check's reason; the wanted logs.

#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "serve/adjudication_pages.h"
#include "serve/robot_fixture.h"
#include "serve/robot_store.h"

namespace tarno::testing {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void UploadSampleContest(RobotProcess& robot) {
  auto client = robot.Client();
  for (const char* name : {"ha5aa", "hg7bb", "dl1cc", "ok2dd"}) {
    ASSERT_EQ(Upload(client, Slurp(std::string(TARNO_SOURCE_DIR) + "/tests/data/crosscheck/logs/" +
                                   name + ".cbr"))
                  ->status,
              200);
  }
}

struct Sponsor {
  explicit Sponsor(RobotProcess& robot) : client(robot.Client()), login(LogIn(client)) {}
  httplib::Headers Session() const { return {{"Cookie", login.cookie}}; }
  httplib::Client client;
  SponsorLogin login;
};

// Runs a check to its end; the sponsor page's progress then.
std::string CheckToItsEnd(Sponsor& sponsor) {
  if (sponsor.client
          .Post("/sponsor/check", sponsor.Session(), httplib::Params{{"csrf", sponsor.login.csrf}})
          ->status != 303) {
    return "(not started)";
  }
  std::string progress;
  for (int i = 0; i < 600; ++i) {
    progress = ElementText(sponsor.client.Get("/sponsor", sponsor.Session())->body, "progress");
    if (progress.find("running for") == std::string::npos) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return progress;
}

std::string RunFile(Sponsor& sponsor, int run, const std::string& name) {
  auto res =
      sponsor.client.Get("/sponsor/runs/" + std::to_string(run) + "/" + name, sponsor.Session());
  return res && res->status == 200 ? res->body : "(no " + name + ")";
}

// The row of verdicts.csv for a log's line.
std::string VerdictRow(const std::string& verdicts, const std::string& call, int line) {
  const std::string start = "\n" + call + "," + std::to_string(line) + ",";
  const size_t at = verdicts.find(start);
  if (at == std::string::npos) return "(no row)";
  return verdicts.substr(at + 1, verdicts.find('\n', at + 1) - at - 1);
}

std::vector<std::string> CsvRow(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

// A column of one call's row of results.csv.
std::string ResultOf(const std::string& results, const std::string& call,
                     const std::string& column) {
  const std::vector<std::string> heading = CsvRow(results.substr(0, results.find('\n')));
  for (size_t from = 0; from < results.size();) {
    const size_t end = results.find('\n', from);
    const std::vector<std::string> row = CsvRow(results.substr(from, end - from));
    from = end == std::string::npos ? results.size() : end + 1;
    if (row.size() < 2 || row[1] != call) continue;
    for (size_t i = 0; i < heading.size() && i < row.size(); ++i) {
      if (heading[i] == column) return row[i];
    }
  }
  return "(none)";
}

httplib::Result Decide(Sponsor& sponsor, const httplib::Params& fields) {
  httplib::Params form = fields;
  form.emplace("csrf", sponsor.login.csrf);
  return sponsor.client.Post("/sponsor/decisions", sponsor.Session(), form);
}

TEST(RobotAdjudicationTest, TheRulesGivenAtTheStartReachEveryCheck) {
  const std::string folder = FreshFolder("rules-reach-the-check");
  const std::string rules = folder + "-rules.txt";
  std::ofstream(rules) << "# the contest's own\npenalty: NIL 1\nwindow: 5\n";
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(folder, {"--rules", rules}));
  UploadSampleContest(robot);
  Sponsor sponsor(robot);
  const std::string page = sponsor.client.Get("/sponsor", sponsor.Session())->body;
  EXPECT_NE(ElementText(page, "rules-in-force").find(rules), std::string::npos) << page;
  EXPECT_NE(ElementText(page, "rules-text").find("penalty: NIL 1"), std::string::npos);
  // The file edited after the start changes nothing until the next start.
  std::ofstream(rules) << "window: nonsense\n";
  ASSERT_NE(CheckToItsEnd(sponsor).find("finished"), std::string::npos);
  // HA5AA's NIL with DL1CC (1 point) costs a point more: 4 points less 1, times 1 county.
  const std::string results = RunFile(sponsor, 1, "results.csv");
  EXPECT_EQ(ResultOf(results, "HA5AA", "penalty"), "1") << results;
  EXPECT_EQ(ResultOf(results, "HA5AA", "checked"), "3") << results;
  EXPECT_EQ(ResultOf(results, "HG7BB", "penalty"), "0") << results;
  EXPECT_EQ(robot.Stop(), 0);
}

TEST(RobotAdjudicationTest, ABrokenRulesFileStopsTheStartWithItsLine) {
  const struct {
    const char* rules;
    const char* said;
  } kCases[] = {
      {"window: 99999\n", "rules.txt: line 1: window:"},
      {"# fine\nwindow: 2\npenalty: NOT-A-VERDICT 1\n", "rules.txt: line 3: penalty:"},
      {"uniques: listed\nuniques: dropped\n", "rules.txt: line 2: uniques: is given twice"},
      {"what is this\n", "rules.txt: line 1: \"what is this\" is not \"key: value\""},
  };
  int number = 0;
  for (const auto& broken : kCases) {
    const std::string folder = FreshFolder("broken-rules-" + std::to_string(++number));
    const std::string rules = folder + "-rules.txt";
    std::ofstream(rules) << broken.rules;
    // `timeout` ends a robot that wrongly started.
    const int status = std::system(("timeout 30 " + std::string(TARNO_SCORE_PROGRAM) +
                                    " serve --listen 127.0.0.1:0 --data " + folder + " --rules " +
                                    rules + " >/dev/null 2>" + folder + "-stderr.txt")
                                       .c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2) << broken.rules;
    const std::string said = Slurp(folder + "-stderr.txt");
    EXPECT_NE(said.find(broken.said), std::string::npos) << said;
    EXPECT_EQ(said.find("listening"), std::string::npos);
  }
}

TEST(RobotAdjudicationTest, ADecisionChangesItsLineInTheNextCheckAndUndoingItGivesItBack) {
  const std::string folder = FreshFolder("decision-and-undo");
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(folder));
  UploadSampleContest(robot);
  Sponsor sponsor(robot);
  ASSERT_NE(CheckToItsEnd(sponsor).find("finished"), std::string::npos);
  ASSERT_EQ(VerdictRow(RunFile(sponsor, 1, "verdicts.csv"), "HA5AA", 27),
            "HA5AA,27,NIL,DL1CC,not in DL1CC's log");

  // Sent as the review page's forms send it; that page offers one for each line behind a
  // figure (HG7BB's unique, here).
  const std::string review = sponsor.client.Get("/sponsor/review", sponsor.Session())->body;
  EXPECT_NE(review.find("/sponsor/runs/1/review.html"), std::string::npos) << review;
  EXPECT_NE(review.find("name=\"call\" value=\"HG7BB\"><input type=\"hidden\" name=\"line\" "
                        "value=\"23\">"),
            std::string::npos)
      << review;
  const std::string reason = "the QSO is in DL1CC's paper log, \"sent late\"";
  auto made = Decide(sponsor, {{"from", "review"},
                               {"call", "ha5aa"},
                               {"line", "27"},
                               {"verdict", "OK"},
                               {"reason", reason},
                               {"comment", "phoned DL1CC"}});
  ASSERT_EQ(made->status, 303) << made->body;
  EXPECT_EQ(made->get_header_value("Location"), "/sponsor/review#review-HA5AA");
  std::string decisions = sponsor.client.Get("/sponsor/decisions", sponsor.Session())->body;
  const std::string row = ElementText(decisions, "decision-1");
  for (const char* shown : {"HA5AA", "OK", "NIL (check 1)", "phoned DL1CC", "in force"})
    EXPECT_NE(row.find(shown), std::string::npos) << shown << " in " << row;

  ASSERT_NE(CheckToItsEnd(sponsor).find("finished"), std::string::npos);
  EXPECT_EQ(VerdictRow(RunFile(sponsor, 2, "verdicts.csv"), "HA5AA", 27).rfind("HA5AA,27,OK,", 0),
            0u);
  const std::string report = RunFile(sponsor, 2, "HA5AA.ubn");
  EXPECT_NE(report.find("decided by the sponsor: " + reason), std::string::npos) << report;
  EXPECT_EQ(ResultOf(RunFile(sponsor, 2, "results.csv"), "HA5AA", "nil"), "0");

  ASSERT_EQ(sponsor.client
                .Post("/sponsor/decisions/1/undo", sponsor.Session(),
                      httplib::Params{{"csrf", sponsor.login.csrf}})
                ->status,
            303);
  EXPECT_EQ(sponsor.client
                .Post("/sponsor/decisions/1/undo", sponsor.Session(),
                      httplib::Params{{"csrf", sponsor.login.csrf}})
                ->status,
            409)
      << "withdrawn once";
  decisions = sponsor.client.Get("/sponsor/decisions", sponsor.Session())->body;
  EXPECT_NE(ElementText(decisions, "decision-1").find("withdrawn"), std::string::npos)
      << "kept with its history";
  ASSERT_NE(CheckToItsEnd(sponsor).find("finished"), std::string::npos);
  EXPECT_EQ(VerdictRow(RunFile(sponsor, 3, "verdicts.csv"), "HA5AA", 27),
            "HA5AA,27,NIL,DL1CC,not in DL1CC's log");

  // The same line decided again from the entrant's report on the private results page.
  EXPECT_NE(sponsor.client.Get("/sponsor/results", sponsor.Session())
                ->body.find("name=\"call\" value=\"HA5AA\""),
            std::string::npos);
  EXPECT_EQ(Decide(sponsor, {{"from", "results"},
                             {"call", "HA5AA"},
                             {"line", "27"},
                             {"verdict", "BUSTED-CALL"},
                             {"reason", "DL1CC logged HA5AB"}})
                ->get_header_value("Location"),
            "/sponsor/results");
  EXPECT_EQ(robot.Stop(), 0);
}

// Line 27 of an entrant's corrected log may be another QSO: a decision stays with the log
// the sponsor decided on, and says so once the entrant has sent another.
TEST(RobotAdjudicationTest, ADecisionIsLeftOutOfTheLogItsEntrantSentSince) {
  const std::string folder = FreshFolder("decision-earlier-log");
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(folder));
  UploadSampleContest(robot);
  Sponsor sponsor(robot);
  ASSERT_NE(CheckToItsEnd(sponsor).find("finished"), std::string::npos);
  ASSERT_EQ(Decide(sponsor, {{"call", "HA5AA"}, {"line", "27"}, {"verdict", "OK"}, {"reason", "r"}})
                ->status,
            303);
  EXPECT_EQ(
      ElementText(sponsor.client.Get("/sponsor/decisions", sponsor.Session())->body, "decision-1")
          .find("earlier log"),
      std::string::npos);
  auto client = robot.Client();
  ASSERT_EQ(
      Upload(client, Slurp(std::string(TARNO_SOURCE_DIR) + "/tests/data/crosscheck/logs/ha5aa.cbr"))
          ->status,
      200);
  EXPECT_NE(
      ElementText(sponsor.client.Get("/sponsor/decisions", sponsor.Session())->body, "decision-1")
          .find("Made for an earlier log of HA5AA"),
      std::string::npos);
  ASSERT_NE(CheckToItsEnd(sponsor).find("finished"), std::string::npos);
  EXPECT_EQ(VerdictRow(RunFile(sponsor, 2, "verdicts.csv"), "HA5AA", 27),
            "HA5AA,27,NIL,DL1CC,not in DL1CC's log");
  EXPECT_EQ(robot.Stop(), 0);
}

TEST(RobotAdjudicationTest, ADecisionTheLatestCheckCannotHoldIsRefusedAtOnce) {
  const std::string folder = FreshFolder("decision-refused");
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(folder));
  UploadSampleContest(robot);
  Sponsor sponsor(robot);
  ASSERT_NE(CheckToItsEnd(sponsor).find("finished"), std::string::npos);
  ASSERT_EQ(Decide(sponsor, {{"call", "HG7BB"}, {"line", "23"}, {"verdict", "OK"}, {"reason", "r"}})
                ->status,
            303);
  const struct {
    httplib::Params fields;
    int status;
    const char* said;
  } kCases[] = {
      {{{"call", "HA5AA"}, {"line", "99"}, {"verdict", "OK"}, {"reason", "r"}},
       409,
       "the log of HA5AA has no line 99 in check 1"},
      {{{"call", "ZZ9ZZ"}, {"line", "1"}, {"verdict", "OK"}, {"reason", "r"}},
       409,
       "check 1 has no log of ZZ9ZZ"},
      {{{"call", "HG7BB"}, {"line", "23"}, {"verdict", "NIL"}, {"reason", "r"}},
       409,
       "has a decision in force already"},
      {{{"call", "HA5AA"}, {"line", "27"}, {"verdict", "GOOD"}, {"reason", "r"}},
       400,
       "is no verdict"},
      {{{"call", "HA5AA"}, {"line", "27"}, {"verdict", "OK"}, {"reason", "  "}},
       400,
       "give a reason"},
      {{{"call", "<b>"}, {"line", "27"}, {"verdict", "OK"}, {"reason", "r"}}, 400, "&lt;B&gt;"},
      {{{"call", "HA5AA"}, {"line", "x"}, {"verdict", "OK"}, {"reason", "r"}},
       400,
       "give the line"},
  };
  for (const auto& refused : kCases) {
    auto res = Decide(sponsor, refused.fields);
    EXPECT_EQ(res->status, refused.status) << refused.said;
    EXPECT_NE(ElementText(res->body, "decision-refused").find(refused.said), std::string::npos)
        << res->body;
  }
  const std::string decisions = sponsor.client.Get("/sponsor/decisions", sponsor.Session())->body;
  EXPECT_FALSE(ElementText(decisions, "decision-1").empty());
  EXPECT_NE(sponsor.client.Get("/sponsor/review", sponsor.Session())
                ->body.find("decision 1 in force: OK"),
            std::string::npos)
      << "a decided line offers no second form";
  EXPECT_TRUE(ElementText(decisions, "decision-2").empty()) << "nothing refused was kept";

  // Without the session's CSRF token, or without a session, nothing is decided.
  const httplib::Params fields = {
      {"call", "HA5AA"}, {"line", "27"}, {"verdict", "OK"}, {"reason", "r"}};
  httplib::Params forged = fields;
  forged.emplace("csrf", "forged");
  EXPECT_EQ(sponsor.client.Post("/sponsor/decisions", sponsor.Session(), forged)->status, 403);
  EXPECT_EQ(sponsor.client.Post("/sponsor/decisions", fields)->status, 403);
  EXPECT_EQ(sponsor.client
                .Post("/sponsor/decisions/1/undo", httplib::Params{{"csrf", sponsor.login.csrf}})
                ->status,
            403);
  EXPECT_EQ(sponsor.client.Get("/sponsor/decisions")->status, 303) << "to the login";
  EXPECT_TRUE(
      ElementText(sponsor.client.Get("/sponsor/decisions", sponsor.Session())->body, "decision-2")
          .empty());
  // The pages speak the browser's language.
  const std::string hungarian =
      sponsor.client
          .Get("/sponsor/review", {{"Cookie", sponsor.login.cookie}, {"Accept-Language", "hu"}})
          ->body;
  EXPECT_NE(hungarian.find("Átnézendő naplók"), std::string::npos);
  EXPECT_EQ(robot.Stop(), 0);
}

// Made before any check, a decision has nothing to be held to: the check refuses it, and
// the sponsor reads the cross-check's own reason.
TEST(RobotAdjudicationTest, ADecisionNoCheckCouldHoldFailsTheCheckWithItsReason) {
  const std::string folder = FreshFolder("decision-fails-check");
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(folder));
  UploadSampleContest(robot);
  Sponsor sponsor(robot);
  ASSERT_EQ(Decide(sponsor, {{"call", "HA5AA"}, {"line", "99"}, {"verdict", "OK"}, {"reason", "r"}})
                ->status,
            303);
  const std::string progress = CheckToItsEnd(sponsor);
  EXPECT_NE(progress.find("failed"), std::string::npos) << progress;
  EXPECT_NE(ElementText(progress, "run-reason")
                .find("decisions.csv: line 2: matches no line: the logs checked have no HA5AA "
                      "line 99"),
            std::string::npos)
      << progress;
  EXPECT_NE(ElementText(sponsor.client.Get("/sponsor/decisions", sponsor.Session())->body,
                        "check-refusal")
                .find("HA5AA line 99"),
            std::string::npos);
  EXPECT_EQ(robot.Stop(), 0);
}

TEST(RobotAdjudicationTest, WantedLogsListTheMostWorkedStationsThatSentNoLog) {
  const std::string folder = FreshFolder("wanted-logs");
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(folder));
  Sponsor sponsor(robot);
  EXPECT_NE(sponsor.client.Get("/sponsor", sponsor.Session())->body.find("No log has come yet."),
            std::string::npos);
  UploadSampleContest(robot);
  // 9A3FF is in HA5AA's and HG7BB's logs, S5EE in HA5AA's and DL1CC's, the busted HG7BC in
  // HA5AA's; every other call worked sent its log.
  EXPECT_EQ(ElementText(sponsor.client.Get("/sponsor", sponsor.Session())->body, "wanted-logs"),
            "<thead><tr><th scope=\"col\">Call</th><th scope=\"col\">Logs that worked it</th>"
            "</tr></thead><tbody>\n"
            "<tr><td>9A3FF</td><td class=\"num\">2</td></tr>\n"
            "<tr><td>S5EE</td><td class=\"num\">2</td></tr>\n"
            "<tr><td>HG7BC</td><td class=\"num\">1</td></tr>\n</tbody>");
  // A log from S5EE takes it off; a replaced log's calls count no more.
  auto client = robot.Client();
  ASSERT_EQ(Upload(client, MadeLog("S5EE", 2))->status, 200);
  ASSERT_EQ(Upload(client, MadeLog("HG7BB", 1))->status, 200);
  const std::string wanted =
      ElementText(sponsor.client.Get("/sponsor", sponsor.Session())->body, "wanted-logs");
  EXPECT_EQ(wanted.find("S5EE"), std::string::npos) << wanted;
  EXPECT_NE(wanted.find("<tr><td>9A3FF</td><td class=\"num\">1</td></tr>"), std::string::npos)
      << wanted;
  EXPECT_EQ(robot.Stop(), 0);
}

// A decision is held to the latest check's verdicts.csv by finding its line in the database:
// a whole line's start, never a call that merely begins alike, nor the heading.
TEST(RobotAdjudicationTest, ALineOfARunsFileIsFoundByItsStart) {
  const std::string folder = FreshFolder("run-file-line");
  std::filesystem::create_directories(folder);
  score::RobotStore store;
  std::string error;
  ASSERT_TRUE(store.Open(folder + "/robot.sqlite", &error)) << error;
  const int64_t run = store.AddRun(1, {});
  ASSERT_TRUE(store.FinishRun(run, 2, "finished", 0, "", "",
                              {{"verdicts.csv",
                                "log,line,verdict,worked,detail\nHA5AAB,1,OK,DL1CC,\n"
                                "HA5AA,1,NIL,DL1CC,not in DL1CC's log\nHA5AA,12,OK,S5EE,\n"
                                "HA5AA,2,DUPE,S5EE,\"the last, unended\""}}));
  const struct {
    const char* start;
    const char* line;  // nullptr: none
  } kCases[] = {
      {"\nHA5AA,1,", "HA5AA,1,NIL,DL1CC,not in DL1CC's log"},
      {"\nHA5AA,", "HA5AA,1,NIL,DL1CC,not in DL1CC's log"},
      {"\nHA5AAB,1,", "HA5AAB,1,OK,DL1CC,"},
      {"\nHA5AA,2,", "HA5AA,2,DUPE,S5EE,\"the last, unended\""},
      {"\nHA5AA,3,", nullptr},
      {"\nlog,", nullptr},
  };
  for (const auto& wanted : kCases) {
    std::string line;
    EXPECT_EQ(store.RunFileLine(run, "verdicts.csv", wanted.start, &line), wanted.line != nullptr)
        << wanted.start;
    if (wanted.line) {
      EXPECT_EQ(line, wanted.line);
    }
  }
  std::string line;
  EXPECT_FALSE(store.RunFileLine(run, "results.csv", "\nHA5AA,", &line));
  EXPECT_FALSE(store.RunFileLine(run + 1, "verdicts.csv", "\nHA5AA,", &line));
}

// The review page is read back from review.csv: each listed log's figures with the lines
// behind them, a spreadsheet's guard taken off, the lines kept within the page's bounds.
TEST(RobotAdjudicationTest, TheReviewIsReadBackFromTheChecksCsvWithinItsBounds) {
  const std::string csv =
      "call,figure,value,threshold,log,line,verdict,worked,detail\n"
      "HA5AA,uniques,20.0% (2 of 10 lines),3.0%,,,,,\n"
      "HA5AA,uniques,,,HA5AA,3,UNIQUE,HG7XX,\"calls close to it: HG7BB, HG7BC\"\n"
      "HA5AA,uniques,,,HA5AA,8,UNIQUE,'-HA1,in no other log\n"
      "HA5AA,errors caused,5.0%,2 times the contest's 1.0%,,,,,\n"
      "HA5AA,errors caused,,,DL1CC,4,NIL,HA5AA,not in HA5AA's log\n"
      "HG7BB,missing stretch,10:00 to 11:00,any,,,,,\n"
      "HG7BB,missing stretch,,,OK2DD,2,NOT-IN-PARTIAL-LOG,HG7BB,\n"
      "HG7BB,missing stretch,,,OK2DD,3,NOT-IN-PARTIAL-LOG,HG7BB,\n"
      "a row that is none of the file's\n";
  const std::vector<score::ReviewedLog> all = score::ReadReviewCsv(csv, 100, 1000);
  ASSERT_EQ(all.size(), 2u);
  ASSERT_EQ(all[0].figures.size(), 2u);
  EXPECT_EQ(all[0].figures[0].value, "20.0% (2 of 10 lines)");
  ASSERT_EQ(all[0].figures[0].lines.size(), 2u);
  EXPECT_EQ(all[0].figures[0].lines[0].detail, "calls close to it: HG7BB, HG7BC");
  EXPECT_EQ(all[0].figures[0].lines[1].worked, "-HA1");
  EXPECT_EQ(all[0].figures[1].lines[0].log, "DL1CC") << "a line of another log behind it";
  EXPECT_EQ(all[1].figures[0].lines.size(), 2u);

  const struct {
    size_t perFigure, inAll;
    size_t kept[3];  // HA5AA's two figures, HG7BB's
    int64_t more[3];
  } kBounds[] = {{1, 1000, {1, 1, 1}, {1, 0, 1}}, {100, 2, {2, 0, 0}, {0, 1, 2}}};
  for (const auto& bound : kBounds) {
    const std::vector<score::ReviewedLog> kept =
        score::ReadReviewCsv(csv, bound.perFigure, bound.inAll);
    const score::ReviewFigure* figures[] = {&kept[0].figures[0], &kept[0].figures[1],
                                            &kept[1].figures[0]};
    for (int f = 0; f < 3; ++f) {
      EXPECT_EQ(figures[f]->lines.size(), bound.kept[f]) << bound.perFigure << " " << f;
      EXPECT_EQ(figures[f]->more, bound.more[f]) << bound.perFigure << " " << f;
    }
  }
}

}  // namespace
}  // namespace tarno::testing
