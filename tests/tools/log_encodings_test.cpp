// One entrant's log in each encoding loggers write, through tarno-score, check and the
// cross-check as an operator and a sponsor run them: the converted file reads exactly as
// its UTF-8 twin, the run says what it converted, and every file written is UTF-8 with
// the entrant's letters right.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crosscheck_fixture.h"
#include "logs/log_text.h"
#include "replay/csv_cell.h"
#include "replay/html_text.h"

namespace tarno::testing {
namespace {

const fs::path kContestLogs = fs::path(TARNO_SOURCE_DIR) / "tests/data/crosscheck/logs";

// The entrant's header as the logger's user typed it, in UTF-8.
const std::string kName = "Horv\xC3\xA1th Erik";  // á
const std::string kClub =
    "Gy\xC5\x91ri R\xC3\xA1"
    "di\xC3\xB3klub";  // ő á ó

std::string WithHungarianHeader() {
  std::string log = Slurp(kContestLogs / "ha5aa.cbr");
  log.replace(log.find("Anna Kovacs"), 11, kName);
  log.replace(log.find("Pannonia Contest Club"), 21, kClub);
  return log;
}

// UTF-8 of the Basic Multilingual Plane, which is all the header above holds.
std::vector<char16_t> Utf16Units(const std::string& utf8) {
  std::vector<char16_t> units;
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : 3;
    char16_t unit = length == 1 ? lead : length == 2 ? lead & 0x1F : lead & 0x0F;
    for (size_t k = 1; k < length; ++k) unit = (unit << 6) | (utf8[i + k] & 0x3F);
    units.push_back(unit);
    i += length;
  }
  return units;
}

std::string Utf16(const std::string& utf8, bool bigEndian, bool mark) {
  std::string bytes = mark ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
  for (char16_t unit : Utf16Units(utf8)) {
    const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

// One byte a letter: Windows-1250 and Latin-2 agree on every Hungarian letter.
std::string EightBit(const std::string& utf8) {
  std::string bytes;
  for (char16_t unit : Utf16Units(utf8)) {
    switch (unit) {
      case u'\u00E1':
        bytes += '\xE1';
        break;
      case u'\u00F3':
        bytes += '\xF3';
        break;
      case u'\u0151':
        bytes += '\xF5';
        break;
      default:
        bytes += static_cast<char>(unit);
    }
  }
  return bytes;
}

struct Encoding {
  const char* name;
  std::string bytes;
  const char* note;  // "" for a file that needs no conversion
};

void PrintTo(const Encoding& encoding, std::ostream* out) { *out << encoding.name; }

std::vector<Encoding> Encodings() {
  const std::string log = WithHungarianHeader();
  return {
      {"utf8", log, ""},
      {"utf8_bom", "\xEF\xBB\xBF" + log, "UTF-8 with a byte-order mark: the mark is dropped"},
      {"utf16le_bom", Utf16(log, false, true), "UTF-16 LE with a byte-order mark: converted"},
      {"utf16be_bom", Utf16(log, true, true), "UTF-16 BE with a byte-order mark: converted"},
      {"utf16le_no_bom", Utf16(log, false, false),
       "UTF-16 LE without a byte-order mark (told by its zero bytes)"},
      {"windows1250", EightBit(log),
       "not UTF-8: 4 bytes (the first on line 12) outside ASCII read as Windows-1250"},
  };
}

class LogEncodingTest : public CrosscheckFixture, public ::testing::WithParamInterface<Encoding> {
 protected:
  std::string Score(const fs::path& log, const std::string& folder, int* status) const {
    std::string output;
    *status = Run(std::string(TARNO_SCORE_PROGRAM) + " --dir " + (m_folder / folder).string() +
                      " " + log.string(),
                  &output);
    return output;
  }
};

TEST_P(LogEncodingTest, EveryCommandReadsItAsItsUtf8Twin) {
  const Encoding& encoding = GetParam();
  const fs::path twin = Write("twin/ha5aa.cbr", WithHungarianHeader());
  const fs::path log = Write("logs/ha5aa.cbr", encoding.bytes);
  for (const char* other : {"dl1cc.cbr", "hg7bb.cbr", "ok2dd.cbr"})
    Write(std::string("logs/") + other, Slurp(kContestLogs / other));

  int status = -1, twinStatus = -1;
  std::string output = Score(log, "score", &status);
  Score(twin, "twin-score", &twinStatus);
  EXPECT_EQ(0, status) << output;
  EXPECT_NE(std::string::npos, output.find("9 QSOs replayed")) << output;
  EXPECT_NE(std::string::npos, output.find(encoding.note)) << output;
  EXPECT_EQ(Slurp(m_folder / "twin-score/summary.txt"), Slurp(m_folder / "score/summary.txt"));

  EXPECT_EQ(0, Run(std::string(TARNO_SCORE_PROGRAM) + " check " + log.string(), &output)) << output;
  const std::string said = *encoding.note ? std::string("file: note: ") + encoding.note : "";
  EXPECT_NE(std::string::npos, output.find(said + (*encoding.note ? "" : "no problems found")))
      << output;

  EXPECT_EQ(0, Crosscheck((m_folder / "logs").string(), &output)) << output;
  EXPECT_NE(std::string::npos, output.find(encoding.note)) << output;
  EXPECT_NE(std::string::npos, Slurp(Out() / "results.csv").find(kName + "," + kClub));
  for (const char* name : {"results.html", "HA5AA.html"}) {
    const std::string page = Slurp(Out() / name);
    EXPECT_TRUE(score::IsValidUtf8(page)) << name;
    EXPECT_NE(std::string::npos, page.find(kName)) << name;
    EXPECT_NE(std::string::npos, page.find(kClub)) << name;
  }
  for (const char* name : {"results.csv", "verdicts.csv", "clubs.csv", "HA5AA.ubn"})
    EXPECT_TRUE(score::IsValidUtf8(Slurp(Out() / name))) << name;
}

INSTANTIATE_TEST_SUITE_P(Files, LogEncodingTest, ::testing::ValuesIn(Encodings()),
                         [](const auto& info) { return std::string(info.param.name); });

// Bytes no character can be made of are said with their line, fail the check, and lose
// no QSO line: the rest of the file reads as it would without them.
class LogDamageTest : public CrosscheckFixture {};

TEST_F(LogDamageTest, BytesThatMakeNoCharacterAreSaidWhereTheyAreAndFailTheCheck) {
  const std::string log = WithHungarianHeader();
  std::string unused = EightBit(log);
  unused.replace(unused.find("Erik"), 1, "\x98");
  std::string loneSurrogate = Utf16(log, false, true);
  const size_t name = loneSurrogate.find(std::string("H\0o\0r\0v\0", 8));
  loneSurrogate.replace(name, 2, "\x00\xD8", 2);  // "Horv..." starts with half a pair
  struct Case {
    std::string bytes;
    const char* says;
  } kCases[] = {
      {Utf16(log, true, true) + "\x0A",
       "the file ends in half a character (an odd number of bytes)"},
      {loneSurrogate, "1 lone surrogate (on line 14) made no character"},
      {"\xEF\xBB\xBF" + EightBit(log), "4 bytes (the first on line 12) fit no UTF-8 character"},
      {unused, "1 byte (on line 14) that Windows-1250 leaves unused read U+FFFD"},
  };
  for (const Case& test : kCases) {
    const fs::path file = Write("damaged.cbr", test.bytes);
    std::string output;
    EXPECT_EQ(1, Run(std::string(TARNO_SCORE_PROGRAM) + " check " + file.string(), &output));
    EXPECT_EQ(std::string::npos, output.find("file: note:")) << "a fault, not a note\n" << output;
    EXPECT_NE(std::string::npos, output.find(test.says)) << output;
    EXPECT_EQ(0, Run(std::string(TARNO_SCORE_PROGRAM) + " --dir " + (m_folder / "out").string() +
                         " " + file.string(),
                     &output))
        << output;
    EXPECT_NE(std::string::npos, output.find("9 QSOs replayed")) << output;
    EXPECT_TRUE(score::IsValidUtf8(Slurp(m_folder / "out/summary.txt")));
  }
}

// What no log decoding reaches (a file's name, a request) is still written as UTF-8.
TEST(OutputTextTest, BytesThatAreNoCharacterAreWrittenAsReplacementCharacters) {
  EXPECT_EQ("Horv\xEF\xBF\xBDth &amp; \xC3\xA1", score::HtmlEscaped("Horv\xE1th & \xC3\xA1"));
  EXPECT_EQ("'=\xEF\xBF\xBD(", score::CsvCell("=\xC3("));
  EXPECT_EQ("\"a,\xC5\x91\"", score::CsvCell("a,\xC5\x91"));
}

}  // namespace
}  // namespace tarno::testing
