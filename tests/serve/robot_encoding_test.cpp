// Logs in the encodings loggers write, uploaded to the robot through real HTTP: each is
// judged as the commands read it, the receipt says what was converted, and the receipt's
// page stays UTF-8.

#include <string>

#include "gtest/gtest.h"
#include "logs/log_text.h"
#include "serve/robot_fixture.h"

namespace tarno::testing {
namespace {

// Latin letters only, as a logger's header and QSO lines hold them.
std::string Utf16Le(const std::string& latin1) {
  std::string bytes = "\xFF\xFE";
  for (char c : latin1) bytes += std::string{c, '\0'};
  return bytes;
}

TEST(RobotEncodingTest, Utf16AndEightBitLogsAreTakenWithTheConversionSaid) {
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(FreshFolder("encodings"), {"--deadline", "2099-01-01"}));
  auto client = robot.Client();
  const struct {
    std::string bytes;
    const char* call;
    const char* says;
  } kCases[] = {
      {Utf16Le(MadeLog("HA5AA", 6)), "HA5AA", "file: UTF-16 LE with a byte-order mark"},
      {MadeLog("HG7BB", 6, "NAME: Horv\xE1th Erik\n"), "HG7BB",
       "file: not UTF-8: 1 byte (on line 6) outside ASCII read as Windows-1250"},
  };
  for (const auto& test : kCases) {
    auto res = Upload(client, test.bytes);
    ASSERT_TRUE(res);
    ASSERT_EQ(res->status, 200) << res->body;
    EXPECT_EQ(ElementText(res->body, "call"), test.call);
    EXPECT_EQ(ElementText(res->body, "lines-read"), "6");
    EXPECT_NE(ElementText(res->body, "findings").find(test.says), std::string::npos) << res->body;
    EXPECT_EQ(ElementText(res->body, "claimed-score").find("not scored"), std::string::npos);
    EXPECT_TRUE(score::IsValidUtf8(res->body));
  }
  EXPECT_EQ(robot.Stop(), 0);
}

}  // namespace
}  // namespace tarno::testing
