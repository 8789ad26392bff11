// The sponsor's cross-check when things go wrong, through the real robot: the robot killed
// (kill -9) in the middle of a check takes the check along, the interrupted run offers
// nothing to publish and the last finished one stays, and a check that fails says why.

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "serve/robot_fixture.h"

namespace tarno::testing {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The processes whose command line names `folder` and holds `word`.
std::vector<int> ProcessesOf(const std::string& folder, const std::string& word) {
  std::vector<int> found;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string pid = entry.path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string command = Slurp("/proc/" + pid + "/cmdline");
    if (command.find(folder) != std::string::npos && command.find(word) != std::string::npos)
      found.push_back(std::stoi(pid));
  }
  return found;
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

// Starts a check and waits for its end; the sponsor's page's progress then.
std::string CheckToItsEnd(RobotProcess& robot) {
  auto client = robot.Client();
  const SponsorLogin login = LogIn(client);
  const httplib::Headers session = {{"Cookie", login.cookie}};
  if (client.Post("/sponsor/check", session, httplib::Params{{"csrf", login.csrf}})->status != 303)
    return "(not started)";
  std::string progress;
  for (int i = 0; i < 600; ++i) {
    progress = ElementText(client.Get("/sponsor", session)->body, "progress");
    if (progress.find("running for") == std::string::npos) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return progress;
}

TEST(RobotCheckTest, KillNineDuringACheckLeavesNoCheckBehindAndTheLastResultsStay) {
  const std::string folder = FreshFolder("killed-check");
  const std::string contest = folder + "-contest";
  ASSERT_EQ(std::system((std::string(TARNO_MAKE_CONTEST_PROGRAM) + " --out " + contest +
                         " --logs 4 --qsos 25000 >/dev/null")
                            .c_str()),
            0);
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(folder));
  UploadSampleContest(robot);
  ASSERT_NE(CheckToItsEnd(robot).find("finished"), std::string::npos);
  auto client = robot.Client();
  SponsorLogin login = LogIn(client);
  ASSERT_EQ(client
                .Post("/sponsor/publish", {{"Cookie", login.cookie}},
                      httplib::Params{{"csrf", login.csrf}, {"run", "1"}})
                ->status,
            303);
  for (const auto& entry : fs::directory_iterator(contest + "/logs"))
    ASSERT_EQ(Upload(client, Slurp(entry.path().string()))->status, 200) << entry.path();
  ASSERT_EQ(
      client
          .Post("/sponsor/check", {{"Cookie", login.cookie}}, httplib::Params{{"csrf", login.csrf}})
          ->status,
      303);
  std::vector<int> checks;
  for (int i = 0; i < 2000 && checks.empty(); ++i) {
    checks = ProcessesOf(folder, "crosscheck");
    if (checks.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ASSERT_EQ(checks.size(), 1u) << "the check was over before it could be caught";
  // Held where it is, so that only the robot's end can end it.
  kill(checks.front(), SIGSTOP);
  robot.Kill();
  // The check and the scoring workers die with the robot.
  for (int i = 0; i < 300 && !ProcessesOf(folder, "tarno-score").empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  const std::vector<int> left = ProcessesOf(folder, "tarno-score");
  EXPECT_EQ(left, std::vector<int>());
  for (int orphan : left) kill(orphan, SIGKILL);

  ASSERT_TRUE(robot.Start(folder));
  auto again = robot.Client();
  login = LogIn(again);
  const httplib::Headers session = {{"Cookie", login.cookie}};
  const std::string page = again.Get("/sponsor", session)->body;
  const std::string progress = ElementText(page, "progress");
  EXPECT_NE(progress.find("Check 2 of 8 logs"), std::string::npos) << progress;
  EXPECT_NE(progress.find("interrupted"), std::string::npos) << progress;
  EXPECT_EQ(ElementText(progress, "run-reason"), "the robot stopped during the check");
  EXPECT_EQ(progress.find(" after "), std::string::npos) << "no time it cannot know";
  EXPECT_NE(ElementText(page, "publish").find("value=\"1\""), std::string::npos)
      << "what can be published is check 1's:\n"
      << ElementText(page, "publish");
  EXPECT_EQ(
      again.Post("/sponsor/publish", session, httplib::Params{{"csrf", login.csrf}, {"run", "2"}})
          ->status,
      409);
  const std::string results = again.Get("/sponsor/results", session)->body;
  EXPECT_NE(results.find("<h1>Results of check 1</h1>"), std::string::npos) << results;
  EXPECT_EQ(again.Get("/sponsor/results/page", session)->get_header_value("Location"),
            "/sponsor/runs/1/results.html");
  EXPECT_EQ(again.Get("/sponsor/runs/1/results.html", session)->status, 200);
  EXPECT_EQ(again.Get("/results/")->status, 200) << "check 1 stays published";
  EXPECT_EQ(robot.Stop(), 0);
}

// A check that cannot write the logs out, and one whose cross-check stops with status 2.
TEST(RobotCheckTest, ACheckThatFailsSaysWhyAndHidesNoEarlierResults) {
  const struct {
    const char* name;
    std::vector<std::string> options;
    bool blockRuns;
    const char* reason;
  } kCases[] = {
      {"runs-blocked", {}, true, "the logs could not be written out: "},
      {"no-country-file",
       {"--cty", "/nonexistent/cty.dat"},
       false,
       "the cross-check stopped with status 2: tarno-score crosscheck: /nonexistent/cty.dat"},
  };
  for (const auto& failing : kCases) {
    const std::string folder = FreshFolder(std::string("failed-check-") + failing.name);
    RobotProcess robot;
    ASSERT_TRUE(robot.Start(folder, failing.options));
    UploadSampleContest(robot);
    if (failing.blockRuns) std::ofstream(folder + "/runs") << "a file where a folder goes\n";
    const std::string progress = CheckToItsEnd(robot);
    EXPECT_NE(progress.find("failed"), std::string::npos) << failing.name << ": " << progress;
    EXPECT_EQ(ElementText(progress, "run-reason").rfind(failing.reason, 0), 0u)
        << failing.name << ": " << progress;
    auto client = robot.Client();
    const SponsorLogin login = LogIn(client);
    EXPECT_EQ(ElementText(client.Get("/sponsor", {{"Cookie", login.cookie}})->body, "publish"),
              "Nothing to publish.");
    EXPECT_EQ(robot.Stop(), 0);
  }
}

}  // namespace
}  // namespace tarno::testing
