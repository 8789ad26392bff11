// Kept messages: written once, read in either language; a value from a log is shown as it
// came whatever bytes it holds, and a damaged or older line is shown, never misread.

#include "serve/message_line.h"

#include <string>

#include "gtest/gtest.h"

namespace tarno::score {
namespace {

const Catalogue& kEn = Catalogue::Of(Language::kEnglish);
const Catalogue& kHu = Catalogue::Of(Language::kHungarian);

TEST(MessageLineTest, AKeptMessageIsShownInEachReadersLanguage) {
  const std::string timedOut = MessageLine(
      "robot.score.not_scored", {},
      {{"why",
        MessageLine("robot.score.failed", {}, {{"why", MessageLine("robot.score.timed_out")}})}});
  const struct {
    std::string line;
    const char* english;
    const char* hungarian;
  } kCases[] = {
      {"line 6: kept by an earlier robot", "line 6: kept by an earlier robot",
       "line 6: kept by an earlier robot"},
      {MessageLine("robot.where.line", {{"line", "6"}, {"text", "CATEGORY-POWER: unknown"}}),
       "line 6: CATEGORY-POWER: unknown", "6. sor: CATEGORY-POWER: unknown"},
      {timedOut,
       "not scored: the scoring of this log failed: it took longer than the robot allows and "
       "was stopped (the log is kept)",
       "nincs pontozva: a napl\xC3\xB3 pontoz\xC3\xA1sa nem siker\xC3\xBClt: tov\xC3\xA1"
       "bb tartott, mint amennyit a robot megenged, ez\xC3\xA9rt le\xC3\xA1ll\xC3\xADtottuk "
       "(a napl\xC3\xB3t meg\xC5\x91rizt\xC3\xBCk)"},
      // The words of whatever failed, given where a message may stand.
      {MessageLine("robot.score.not_scored", {}, {{"why", "No space left on device"}}),
       "not scored: No space left on device", "nincs pontozva: No space left on device"},
      // Bytes of a log that look like structure, a placeholder and a line break.
      {MessageLine("robot.where.line",
                   {{"line", "7"}, {"text", "\x1Erobot.none\x1F\x1Cx\r\n\x1B\x1D{line}"}}),
       "line 7: \x1Erobot.none\x1F\x1Cx  \x1B\x1D{line}",
       "7. sor: \x1Erobot.none\x1F\x1Cx  \x1B\x1D{line}"},
  };
  for (const auto& test : kCases) {
    EXPECT_EQ(test.line.find('\n'), std::string::npos) << "one message, one line";
    EXPECT_EQ(ShownLine(kEn, test.line), test.english);
    EXPECT_EQ(ShownLine(kHu, test.line), test.hungarian);
  }
}

TEST(MessageLineTest, ADamagedLineIsShownAsFarAsItReads) {
  std::string deep = MessageLine("robot.none");
  for (int i = 0; i < 50; ++i) deep = MessageLine("robot.not_read", {}, {{"reason", deep}});
  const struct {
    std::string line;
    const char* shown;
  } kCases[] = {
      {"\x1E", "[]"},
      {"\x1Erobot.where.line\x1Fline", "line {line}: {text}"},
      {"\x1Erobot.where.line\x1Fline\x1C"
       "1:7\x1Ftext\x1C"
       "99:cut short",
       "line 7: cut short"},
      {"\x1Erobot.where.line\x1Fline\x1C"
       "x:7",
       "line {line}: {text}"},
      {"\x1Erobot.where.file\x1Dtext\x1C"
       "12:\x1Eno.such.key",
       "file: [no.such.key]"},
      {"\x1Erobot.where.file\x1Ftext\x1C"
       "99999999999999999999999:a",
       "file: a"},
  };
  for (const auto& test : kCases) EXPECT_EQ(ShownLine(kEn, test.line), test.shown);
  const std::string shown = ShownLine(kEn, deep);
  EXPECT_EQ(shown.rfind("not read: not read: not read: not read: not read: ", 0), 0u) << shown;
  EXPECT_LT(shown.size(), 100u) << "the nesting is cut, not followed";
  EXPECT_LT(deep.size(), 50u * 64) << "a nested message is kept at its own size";
}

}  // namespace
}  // namespace tarno::score
