// The scoring workers behind the receipts, through the real robot: a worker that dies or
// hangs in the middle of a log costs that log its score and nothing else, and nothing of
// one entrant's log carries into the next one's score.

#include <signal.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <string>
#include <thread>

#include "gtest/gtest.h"
#include "serve/robot_fixture.h"
#include "serve/worker_frame.h"

namespace tarno::testing {
namespace {

// The robot's child that a test hook has stopped in the middle of a log; 0 when none is
// within a few seconds.
pid_t StoppedChildOf(pid_t robot) {
  for (int i = 0; i < 1000; ++i) {
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
      const std::string pid = entry.path().filename().string();
      if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
      std::ifstream in("/proc/" + pid + "/stat");
      const std::string stat{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      char state = 0;
      int parent = 0;
      const size_t name = stat.rfind(')');
      if (name != std::string::npos &&
          std::sscanf(stat.c_str() + name + 1, " %c %d", &state, &parent) == 2 && parent == robot &&
          state == 'T') {
        return std::stoi(pid);
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return 0;
}

class RobotScoringTest : public ::testing::Test {
 protected:
  // A robot with one worker, whose worker stops itself at the log of HA9ZZ.
  void StartRobot(std::vector<std::string> extra) {
    setenv("TARNO_TEST_STOP_SCORING_OF", "HA9ZZ", 1);
    extra.insert(extra.end(), {"--children", "1", "--upload-limit", "1000"});
    const bool started =
        m_robot.Start(FreshFolder(std::string("scoring-") +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name()),
                      extra);
    unsetenv("TARNO_TEST_STOP_SCORING_OF");
    ASSERT_TRUE(started);
  }
  std::string ScoreOf(const std::string& log) {
    auto client = m_robot.Client();
    auto res = Upload(client, log);
    return res && res->status == 200 ? ElementText(res->body, "claimed-score") : "(no receipt)";
  }
  RobotProcess m_robot;
};

TEST_F(RobotScoringTest, AWorkerKilledMidLogCostsThatLogItsScoreAlone) {
  ASSERT_NO_FATAL_FAILURE(StartRobot({}));
  const std::string score = ScoreOf(MadeLog("HA5AA", 40));
  ASSERT_EQ(score.find("not scored"), std::string::npos) << score;

  auto stalled = std::async(std::launch::async, [this] {
    auto client = m_robot.Client();
    return Upload(client, MadeLog("HA9ZZ", 40));
  });
  const pid_t worker = StoppedChildOf(m_robot.pid());
  ASSERT_GT(worker, 0);
  kill(worker, SIGKILL);
  auto receipt = stalled.get();
  ASSERT_TRUE(receipt);
  ASSERT_EQ(receipt->status, 200) << receipt->body;
  EXPECT_NE(ElementText(receipt->body, "claimed-score")
                .find("not scored: the scoring of this "
                      "log failed"),
            std::string::npos)
      << receipt->body;
  EXPECT_EQ(ElementText(receipt->body, "call"), "HA9ZZ") << "the log is kept all the same";

  EXPECT_EQ(ScoreOf(MadeLog("HA5AA", 40)), score) << "a new worker scores the next log";
}

TEST_F(RobotScoringTest, AWorkerThatHangsPastItsTimeIsReplaced) {
  ASSERT_NO_FATAL_FAILURE(StartRobot({"--scoring-timeout", "1"}));
  const std::string hung = ScoreOf(MadeLog("HA9ZZ", 10));
  EXPECT_NE(hung.find("took longer than the robot allows"), std::string::npos) << hung;
  const std::string next = ScoreOf(MadeLog("HA5AA", 10));
  EXPECT_EQ(next.find("not scored"), std::string::npos) << next;
  EXPECT_EQ(m_robot.Stop(), 0);
}

// One worker scores every log here, so a log scored after another must come out as it
// does from a fresh worker.
TEST_F(RobotScoringTest, NothingOfOneLogCarriesIntoTheNext) {
  ASSERT_NO_FATAL_FAILURE(StartRobot({}));
  auto client = m_robot.Client();
  const std::string small = MadeLog("HG7BB", 7);
  auto fresh = Upload(client, small);
  ASSERT_EQ(fresh->status, 200);
  std::string other = MadeLog("HA5AA", 300, "NAME: Someone Else\nSOAPBOX: not mine\n");
  ASSERT_EQ(Upload(client, other)->status, 200);
  auto again = Upload(client, small);
  ASSERT_EQ(again->status, 200);
  EXPECT_EQ(ElementText(again->body, "summary"), ElementText(fresh->body, "summary"));
  EXPECT_EQ(ElementText(again->body, "claimed-score"), ElementText(fresh->body, "claimed-score"));
}

uintmax_t FolderBytes(const std::string& folder) {
  uintmax_t bytes = 0;
  std::error_code failed;  // a worker's scratch may go while it is counted
  for (auto it = std::filesystem::recursive_directory_iterator(folder, failed);
       !failed && it != std::filesystem::recursive_directory_iterator(); it.increment(failed)) {
    if (it->is_regular_file(failed)) bytes += it->file_size(failed);
  }
  return bytes;
}

// The plug-in writes an error line per earlier copy at every copy of a contact: a log of
// one QSO repeated once made the robot write with the square of the repeats.
TEST(RobotScoringBoundsTest, OneQsoRepeatedTwentyThousandTimesCostsItsOwnSizeAndSeconds) {
  const std::string folder = FreshFolder("repeats");
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(folder));
  auto client = robot.Client();
  // The third QSO of a made log is with a home station: it scores a county and points.
  const std::string made = MadeLog("HA5AA", 3);
  const size_t header = made.find("QSO:");
  const size_t line = made.find("QSO:", made.find("QSO:", header + 1) + 1);
  const std::string qso = made.substr(line, made.find('\n', line) + 1 - line);
  auto single = Upload(client, made.substr(0, header) + qso + "END-OF-LOG:\n");
  ASSERT_EQ(single->status, 200);
  ASSERT_NE(ElementText(single->body, "claimed-score"), "0");
  std::string repeated = made.substr(0, header);
  for (int i = 0; i < 20000; ++i) repeated += qso;
  repeated += "END-OF-LOG:\n";
  ASSERT_GT(repeated.size(), 1400000u);

  const uintmax_t before = FolderBytes(folder);
  const auto start = std::chrono::steady_clock::now();
  auto receipt = Upload(client, repeated);
  const auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start)
          .count();
  ASSERT_TRUE(receipt);
  ASSERT_EQ(receipt->status, 200) << receipt->body;
  EXPECT_LT(FolderBytes(folder) - before, 10u * 1000 * 1000);
  EXPECT_LT(seconds, 30);
  EXPECT_EQ(ElementText(receipt->body, "claimed-score"),
            ElementText(single->body, "claimed-score"));
  EXPECT_NE(ElementText(receipt->body, "summary").find("Total\t 20000\t"), std::string::npos)
      << "the dupes are in the count, as in one run of the plug-in over the log";
  EXPECT_EQ(robot.Stop(), 0);
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What `tarno-score --own-call CALL LOG` leaves in summary.txt, line ends LF.
std::string SheetOfTarnoScore(const std::string& log, const std::string& call,
                              const std::string& folder) {
  std::filesystem::create_directories(folder);
  std::ofstream(folder + "/log.txt", std::ios::binary) << log;
  const std::string command = std::string(TARNO_SCORE_PROGRAM) + " --dir " + folder +
                              " --own-call " + call + " " + folder + "/log.txt >/dev/null 2>&1";
  if (std::system(command.c_str()) == -1) return "(not run)";
  std::string sheet = Slurp(folder + "/summary.txt");
  sheet.erase(std::remove(sheet.begin(), sheet.end(), '\r'), sheet.end());
  return sheet;
}

// A log that holds contacts logged again and again, among them copies the plug-in refuses.
std::string RepeatingLog() {
  std::string log = MadeLog("HA5AA", 30);
  std::string copies;
  for (int i = 0; i < 90; ++i) {
    const char* mode = i % 9 == 4 ? "FM" : "CW";
    const char* exchange = i % 11 == 5 ? "" : "ZA";
    copies += std::string("QSO: 14025 ") + mode + " 2026-01-17 2210 HA5AA         599 BP     " +
              (i % 2 ? "HA1XY " : "HG7AB ") + "599 " + exchange + "\n";
  }
  return log.insert(log.find("END-OF-LOG"), copies);
}

// The receipt's score is the plug-in's for the whole log, however its runs are cut up.
TEST(RobotScoringBoundsTest, EveryLogScoresAsTarnoScoreScoresIt) {
  const std::string folder = FreshFolder("as-tarno-score");
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(folder, {"--upload-limit", "1000"}));
  auto client = robot.Client();
  std::vector<std::string> logs = {RepeatingLog(), MadeLog("HG7BB", 200)};
  for (const auto& entry :
       std::filesystem::directory_iterator(std::string(TARNO_SOURCE_DIR) + "/tests/data/logs"))
    logs.push_back(Slurp(entry.path().string()));
  int scored = 0;
  for (size_t i = 0; i < logs.size(); ++i) {
    auto receipt = Upload(client, logs[i]);
    ASSERT_TRUE(receipt);
    if (receipt->status != 200 ||
        ElementText(receipt->body, "claimed-score").find("not scored") != std::string::npos)
      continue;
    ++scored;
    const std::string call = ElementText(receipt->body, "call");
    EXPECT_EQ(ElementText(receipt->body, "summary"),
              SheetOfTarnoScore(logs[i], call, folder + "-score/" + std::to_string(i)))
        << "log " << i << " of " << call;
  }
  EXPECT_GE(scored, 10);
}

// What a worker that has gone wrong may send: every field must fit the frame exactly.
TEST(WorkerFrameTest, FieldsThatDoNotFillTheFrameExactlyAreGarbage) {
  using score::DecodeFields;
  using score::EncodeFields;
  const score::Fields sent = {"HA5AA", std::string("\0\xff", 2), "", std::string(70000, 'x')};
  score::Fields got;
  ASSERT_TRUE(DecodeFields(EncodeFields(sent), &got));
  EXPECT_EQ(got, sent);
  const std::string whole = EncodeFields(sent);
  for (const std::string& garbage :
       {whole.substr(0, whole.size() - 1), whole + "x", std::string("\xff\xff\xff\xff", 4),
        std::string("\x05\0\0\0abc", 7), std::string("\x01\0", 2)}) {
    EXPECT_FALSE(DecodeFields(garbage, &got)) << garbage.size();
  }
}

}  // namespace
}  // namespace tarno::testing
