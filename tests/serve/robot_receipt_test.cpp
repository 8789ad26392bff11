// What a receipt says of the QSOs that will not count, through the real robot: each one
// by its line and why, the counts exact however many there are, and a word at the top when
// most of the log is lost. And a database from before the robot kept this still opens.

#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "serve/robot_fixture.h"

namespace tarno::testing {
namespace {

std::string WithLines(std::string log, const std::string& lines) {
  return log.insert(log.find("END-OF-LOG"), lines);
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

class RobotReceiptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_robot.Start(
        FreshFolder("receipt-" +
                    std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())),
        {"--start", "2026-01-17", "--end", "2026-01-18", "--upload-limit", "1000"}));
  }
  std::string ReceiptOf(const std::string& log) {
    auto client = m_robot.Client();
    auto res = Upload(client, log);
    return res && res->status == 200 ? res->body
                                     : "(status " + std::to_string(res ? res->status : 0) + ")";
  }
  RobotProcess m_robot;
};

TEST_F(RobotReceiptTest, EveryQsoThatWillNotCountIsListedByLineWithWhy) {
  // The made log's QSO lines are lines 6 to 11; these come after them.
  const std::string log = WithLines(MadeLog("HA5AA", 6),
                                    "QSO: 14025 FM 2026-01-17 1300 HA5AA 599 BP W1AW 599 7\n"
                                    "QSO: 10110 CW 2026-01-17 1301 HA5AA 599 BP W1AW 599 8\n"
                                    "QSO: 14025 CW 2026-01-17 1302 HA5AA 599 BP DL1ABC 599 9\n"
                                    "QSO: 14025 CW 2026-01-17 13\n"
                                    "QSO: 14025 CW 2025-12-31 1303 HA5AA 599 BP OK1AA 599 10\n");
  const std::string receipt = ReceiptOf(log);
  const std::string list = ElementText(receipt, "uncounted");
  const struct {
    const char* line;
    const char* why;
  } kExpected[] = {
      {"line 12: ", "refused by the plug-in: NO CONTEST MODE (FM)"},
      {"line 13: ", "refused by the plug-in: NO CONTEST BAND (30m)"},
      {"line 14: ", "DL1ABC on 20m CW: DUPE of line 6"},
      {"line 15: ", "not read"},
      {"line 16: ", "2025-12-31 13:03 OK1AA: outside the contest period"},
  };
  for (const auto& expected : kExpected) {
    const size_t item = list.find(std::string("<li>") + expected.line);
    ASSERT_NE(item, std::string::npos) << expected.line << "\n" << list;
    EXPECT_NE(list.substr(item, list.find("</li>", item) - item).find(expected.why),
              std::string::npos)
        << list;
  }
  EXPECT_EQ(ElementText(receipt, "uncounted-count"),
            "5 of the 11 QSOs: 1 not read, 1 outside the contest period (2026-01-17 00:00 to "
            "2026-01-18 23:59 UTC), 2 refused by the plug-in, 1 dupe.");
  EXPECT_EQ(receipt.find("id=\"uncounted-warning\""), std::string::npos) << "most of it counts";

  const size_t link = receipt.find("href=\"/receipt/");
  ASSERT_NE(link, std::string::npos);
  auto client = m_robot.Client();
  auto again = client.Get(receipt.substr(link + 6, 9 + 64));
  ASSERT_EQ(again->status, 200);
  EXPECT_EQ(ElementText(again->body, "uncounted"), list) << "kept with the upload";
}

TEST_F(RobotReceiptTest, ALogDatedOutsideThePeriodSaysSoAtTheTop) {
  const std::string receipt = ReceiptOf(Replaced(MadeLog("HA5AA", 12), "2026-01-17", "2025-01-17"));
  EXPECT_EQ(ElementText(receipt, "uncounted-warning"),
            "None of this log&#39;s 12 QSOs will count: all are outside the contest period "
            "(2026-01-17 00:00 to 2026-01-18 23:59 UTC).")
      << receipt;
  EXPECT_EQ(ElementText(receipt, "claimed-score"), "0");
  const std::string list = ElementText(receipt, "uncounted");
  EXPECT_NE(list.find("<li>line 17: 2025-01-17 12:11 "), std::string::npos) << list;
}

// A log of thousands of refused lines lists a bounded number of them, counts them all.
TEST_F(RobotReceiptTest, MostOfALogRefusedIsCountedExactlyAndListedInPart) {
  std::string log = Replaced(MadeLog("HA5AA", 2000), " CW 2026", " FM 2026");
  log = Replaced(log, "CATEGORY-MODE: FM", "CATEGORY-MODE: CW");
  const std::string receipt = ReceiptOf(log);
  EXPECT_EQ(ElementText(receipt, "uncounted-warning"),
            "Most of this log will not count: 2,000 of its 2,000 QSOs, listed below.")
      << receipt.substr(0, 3000);
  const std::string list = ElementText(receipt, "uncounted");
  size_t items = 0;
  for (size_t at = list.find("<li>"); at != std::string::npos; at = list.find("<li>", at + 1))
    ++items;
  EXPECT_EQ(items, 200u);
  EXPECT_NE(list.find("<li>line 6: "), std::string::npos);
  EXPECT_EQ(ElementText(receipt, "uncounted-more"), "and 1,800 more, not listed here.");
}

// A robot's database from before receipts kept what will not count: its uploads still
// show, and new ones are stored beside them.
TEST(RobotStoreUpgradeTest, AnOlderDatabaseIsOpenedAndItsReceiptsStillShow) {
  const std::string folder = FreshFolder("older-database");
  std::filesystem::create_directories(folder);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((folder + "/robot.sqlite").c_str(), &db), SQLITE_OK);
  const std::string token(64, 'b');
  const std::string older =
      "CREATE TABLE uploads(id INTEGER PRIMARY KEY AUTOINCREMENT,"
      " received INTEGER NOT NULL, address TEXT NOT NULL, email TEXT NOT NULL,"
      " call TEXT NOT NULL, state TEXT NOT NULL, late INTEGER NOT NULL,"
      " categories TEXT NOT NULL, lines_read INTEGER NOT NULL, lines_refused INTEGER NOT NULL,"
      " findings TEXT NOT NULL, refusal TEXT NOT NULL, claimed_score TEXT NOT NULL,"
      " summary TEXT NOT NULL, token TEXT, kind TEXT NOT NULL, bytes BLOB NOT NULL);"
      "INSERT INTO uploads VALUES(1, 1768651200, '127.0.0.1', '', 'HG7BB', 'current', 0, '', 3,"
      " 0, '', '', '42', '', '" +
      token + "', 'cbr', 'log');";
  ASSERT_EQ(sqlite3_exec(db, older.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);

  RobotProcess robot;
  ASSERT_TRUE(robot.Start(folder));
  auto client = robot.Client();
  auto old = client.Get("/receipt/" + token);
  ASSERT_EQ(old->status, 200);
  EXPECT_EQ(ElementText(old->body, "claimed-score"), "42");
  EXPECT_EQ(old->body.find("id=\"uncounted"), std::string::npos) << "not known for it";
  auto fresh = Upload(client, MadeLog("HA5AA", 3));
  ASSERT_EQ(fresh->status, 200);
  EXPECT_EQ(ElementText(fresh->body, "uncounted-count"), "none: every QSO counts.");
  EXPECT_EQ(robot.Stop(), 0);
}

}  // namespace
}  // namespace tarno::testing
