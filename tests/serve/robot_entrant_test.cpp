// The entrant's side of the robot through real HTTP: a log taken with its receipt, the
// refusals with their reasons, a log sent again, and one sent after the deadline.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "gtest/gtest.h"
#include "serve/robot_fixture.h"

namespace tarno::testing {
namespace {

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  return text.replace(text.find(from), from.size(), to);
}

class RobotEntrantTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_robot.Start(
        FreshFolder("entrant-" +
                    std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())),
        {"--deadline", "2099-01-01", "--upload-limit", "1000"}));
  }
  RobotProcess m_robot;
};

TEST_F(RobotEntrantTest, ALogIsTakenWithAReceiptThatItsLinkShowsAgain) {
  auto client = m_robot.Client();
  auto res = Upload(client, MadeLog("HA5AA", 12));
  ASSERT_TRUE(res);
  ASSERT_EQ(res->status, 200) << res->body;
  EXPECT_EQ(ElementText(res->body, "call"), "HA5AA");
  EXPECT_EQ(ElementText(res->body, "lines-read"), "12");
  EXPECT_EQ(ElementText(res->body, "lines-refused"), "0");
  EXPECT_NE(ElementText(res->body, "categories").find("CATEGORY-OPERATOR: SINGLE-OP"),
            std::string::npos);
  const std::string score = ElementText(res->body, "claimed-score");
  EXPECT_FALSE(score.empty());
  EXPECT_EQ(score.find("not scored"), std::string::npos) << score;
  EXPECT_EQ(res->body.find("id=\"late\""), std::string::npos);

  const size_t link = res->body.find("href=\"/receipt/");
  ASSERT_NE(link, std::string::npos);
  const std::string path = res->body.substr(link + 6, res->body.find('"', link + 6) - link - 6);
  auto again = client.Get(path.c_str());
  ASSERT_TRUE(again);
  EXPECT_EQ(again->status, 200);
  EXPECT_EQ(ElementText(again->body, "claimed-score"), score);
  EXPECT_EQ(again->body.find("id=\"report\""), std::string::npos);  // nothing published
  EXPECT_EQ(client.Get("/receipt/" + std::string(64, 'a'))->status, 404);

  const std::string received = ElementText(client.Get("/")->body, "received");
  EXPECT_NE(received.find("HA5AA"), std::string::npos);
  EXPECT_EQ(received.find("core"), std::string::npos);  // no score before publication
  EXPECT_EQ(client.Get("/results/")->status, 404);
}

TEST_F(RobotEntrantTest, ProblemsAreListedWithTheirLineNumbers) {
  auto client = m_robot.Client();
  std::string log = MadeLog("HA5AA", 3);
  log.insert(log.find("END-OF-LOG"), "QSO: 14025 CW 2026-01-17 1300 HA5AA\n");
  auto res = Upload(client, log);
  ASSERT_EQ(res->status, 200) << res->body;
  EXPECT_EQ(ElementText(res->body, "lines-refused"), "1");
  EXPECT_NE(ElementText(res->body, "findings").find("line 9:"), std::string::npos) << res->body;

  // The receipt lists every problem; the sponsor's list the first few and how many more.
  for (int i = 0; i < 7; ++i) log.insert(log.find("END-OF-LOG"), "QSO: broken\n");
  auto many = Upload(client, log);
  ASSERT_EQ(many->status, 200);
  EXPECT_NE(ElementText(many->body, "findings").find("line 16:"), std::string::npos);
  auto login = LogIn(client);
  const std::string logs =
      ElementText(client.Get("/sponsor", {{"Cookie", login.cookie}})->body, "logs");
  EXPECT_NE(logs.find("<li>and "), std::string::npos) << logs;
  EXPECT_EQ(logs.find("line 16:"), std::string::npos);
}

TEST_F(RobotEntrantTest, RefusalsSayWhyAndKeepTheBytes) {
  auto client = m_robot.Client();
  const struct {
    std::string bytes;
    std::string reason;
  } kCases[] = {
      {"", "empty"},
      {"   \r\n\n", "empty"},
      {"Dear sponsor, my log follows by post.\n", "not a log"},
      {std::string("START-OF-LOG: 3.0\0\x01\x02", 20), "not a log"},
      {Replaced(MadeLog("HA5AA", 2), "TARNO", "CQ-WW"), "another contest"},
      {"START-OF-LOG: 3.0\nCONTEST: TARNO\nQSO: 14025 CW 2026-01-17 1205 HA5AA 599 BP DL1ABC "
       "599 1\nEND-OF-LOG:\n",
       "no CALLSIGN"},
      {MadeLog("HELLO", 2), "implausible CALLSIGN"},
      {MadeLog("12345", 2), "implausible CALLSIGN"},
      {MadeLog("HA5AA", 0), "no QSO"},
  };
  for (const auto& refused : kCases) {
    auto res = Upload(client, refused.bytes);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 400) << refused.reason;
    EXPECT_NE(ElementText(res->body, "refused").find(refused.reason), std::string::npos)
        << refused.reason << "\n"
        << res->body;
  }
  auto login = LogIn(client);
  ASSERT_FALSE(login.csrf.empty());
  auto raw = client.Get("/sponsor/upload/5/raw", {{"Cookie", login.cookie}});
  ASSERT_EQ(raw->status, 200);
  EXPECT_EQ(raw->body, kCases[4].bytes);
  auto page = client.Get("/sponsor", {{"Cookie", login.cookie}});
  EXPECT_NE(ElementText(page->body, "logs").find("refused"), std::string::npos);
}

TEST_F(RobotEntrantTest, SendingAgainReplacesTheLogAndKeepsTheEarlierOne) {
  auto client = m_robot.Client();
  ASSERT_EQ(Upload(client, MadeLog("HA5AA", 4))->status, 200);
  ASSERT_EQ(Upload(client, MadeLog("ha5aa", 6))->status, 200);
  ASSERT_EQ(Upload(client, MadeLog("HG7BB", 5))->status, 200);
  auto login = LogIn(client);
  auto page = client.Get("/sponsor", {{"Cookie", login.cookie}});
  const std::string logs = ElementText(page->body, "logs");
  EXPECT_NE(logs.find("replaced"), std::string::npos);
  auto first = client.Get("/sponsor/upload/1/raw", {{"Cookie", login.cookie}});
  EXPECT_EQ(first->body, MadeLog("HA5AA", 4));
  auto home = client.Get("/");
  const std::string received = ElementText(home->body, "received");
  EXPECT_EQ(received.find("HA5AA"), received.rfind("HA5AA")) << "one row per call";
}

// Every log of the readers' corpus is taken with a claimed score (or why there is none),
// or refused with its reasons; the logs that name no own call or another contest are
// refused.
TEST_F(RobotEntrantTest, TheReadersCorpusIsTakenOrRefusedWithReasons) {
  auto client = m_robot.Client();
  const std::string refused[] = {"older-logger.adi", "other-contest.cbr", "no-own-call.adi",
                                 "wpx-no-blank.cbr"};
  for (const auto& entry :
       std::filesystem::directory_iterator(std::string(TARNO_SOURCE_DIR) + "/tests/data/logs")) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string name = entry.path().filename().string();
    auto res = Upload(client, bytes, name);
    ASSERT_TRUE(res);
    if (std::find(std::begin(refused), std::end(refused), name) != std::end(refused)) {
      EXPECT_EQ(res->status, 400) << name;
    }
    if (res->status == 200) {
      EXPECT_FALSE(ElementText(res->body, "claimed-score").empty()) << name;
    } else {
      EXPECT_EQ(res->status, 400) << name;
      EXPECT_NE(ElementText(res->body, "refused").find("<li>"), std::string::npos) << name;
    }
  }
}

TEST(RobotDeadlineTest, ALogAfterTheDeadlineIsKeptAndMarkedLate) {
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(FreshFolder("late"), {"--deadline", "2020-01-01T12:00"}));
  auto client = robot.Client();
  auto res = Upload(client, MadeLog("HA5AA", 3));
  ASSERT_EQ(res->status, 200) << res->body;
  EXPECT_NE(res->body.find("id=\"late\""), std::string::npos);
  EXPECT_NE(ElementText(client.Get("/")->body, "received").find("late"), std::string::npos);
  EXPECT_EQ(robot.Stop(), 0);
}

}  // namespace
}  // namespace tarno::testing
