// The check over the file the Cabrillo writer produces, then over that file with one fault
// put in at a time: each fault must be found on its line, and nothing else with it.

#include "logs/cabrillo_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace tarno::score {
namespace {

// Byte for byte what the writer produces for own call Q1ABC (see tests/cabrillo_test.cpp).
const std::string kWrittenHeader =
    "START-OF-LOG: 3.0\r\nCONTEST: TARNO\r\nCALLSIGN: Q1ABC\r\n"
    "CATEGORY-OPERATOR: SINGLE-OP\r\nCATEGORY-BAND: ALL\r\nCATEGORY-POWER: HIGH\r\n"  // 4-6
    "CATEGORY-MODE: MIXED\r\nCATEGORY-TRANSMITTER: ONE\r\nOPERATORS: Q1ABC\r\n"       // 7-9
    "LOCATION: \r\nCLAIMED-SCORE: 8\r\nCLUB: \r\nCREATED-BY: Zelk 2.20\r\n"           // 10-13
    "NAME: \r\nADDRESS: \r\nADDRESS-CITY: \r\nADDRESS-POSTALCODE: \r\n"               // 14-17
    "ADDRESS-COUNTRY: \r\nE-MAIL: \r\nSOAPBOX: \r\n";                                 // 18-20
const std::string kWrittenLog =
    kWrittenHeader +
    "QSO:  1800 CW 2022-01-15 0705 Q1ABC         599 BP     DL1ABC        599 001\r\n"  // 21
    "QSO:  1800 CW 2022-01-15 0705 Q1ABC         599 BP     DL1ABC        599 002\r\n"
    "QSO: 14025 PH 2022-01-15 0705 Q1ABC         599 BP     HA1AA         599  bp\r\n"
    "QSO: 144300 CW 2022-01-15 0705 Q1ABC         599 BP     Q1VERYLONGCALL/QRP 599 "
    "12345678\r\n"
    "END-OF-LOG:\r\n";  // 25

const std::string kLayout =
    " fields where 10 are expected (frequency, mode, date, time, call, RST and exchange sent, "
    "call, RST and exchange received)";

struct Edit {
  std::string from;
  std::string to;
  std::string report;  // FormatProblems of the edited log
};

std::string Edited(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  if (at == std::string::npos) {
    ADD_FAILURE() << "not in the log: " << from;
    return text;
  }
  return text.replace(at, from.size(), to);
}

std::string WithLfOnly(std::string text) {
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
    text.erase(at, 1);
  }
  return text;
}

std::string ReportOn(const std::string& log) { return FormatProblems(CheckCabrillo(log)); }

TEST(CabrilloCheckTest, WhatTheWriterProducesHasNoProblem) {
  const std::string kOk = "no problems found";
  EXPECT_EQ(kOk, ReportOn(kWrittenHeader + "END-OF-LOG:\r\n"));
  const Edit kEdits[] = {
      {"", "", kOk},
      {"Zelk 2.20", "Zelk ", kOk},
      {"NAME: \r\nADDRESS: \r\n",
       "NAME: Jo Ham\r\nADDRESS: " + std::string(45, 'a') +
           "\r\nADDRESS: b\r\nADDRESS: c\r\n"
           "ADDRESS: d\r\nADDRESS: e\r\nADDRESS: f\r\n",
       kOk},
      {"OPERATORS: Q1ABC\r\n", "OPERATORS: Q1ABC Q1XYZ\r\nOPERATORS: Q1DEF\r\n", kOk},
      {"SOAPBOX: \r\n", "SOAPBOX: Line one\r\nSOAPBOX: Line \r\nSOAPBOX: two\r\nSOAPBOX: \r\n",
       kOk},
      {"SOAPBOX: ", "SOAPBOX: " + std::string(66, 's'), kOk},  // 75 characters
      {"CATEGORY-BAND: ALL", "CATEGORY-BAND: 160m", kOk},
      {"CATEGORY-POWER: HIGH\r\n",
       "CATEGORY-POWER: qrp\r\nCATEGORY-STATION: PORTABLE\r\nCATEGORY-ASSISTED: NON-ASSISTED\r\n"
       "CATEGORY-TIME: 6-HOURS\r\nCATEGORY-OVERLAY: ROOKIE\r\nCERTIFICATE: NO\r\n",
       kOk},
      {"CLUB: \r\n", "CLUB: \r\nX-PRIVATE: anything\r\nX-QSO: not a QSO\r\n", kOk},
      {"599 002\r\n", "599 002 1\r\n", kOk},  // a transmitter number
      {"E-MAIL: ", "EMAIL: jo@example.org", kOk},
      {"144300 CW", "1.2G CW", kOk},
      {"14025 PH", "29700 PH", kOk},
      {"QSO:  1800 CW 2022-01-15", "QSO:  1800 CW 2000-02-29", kOk},
      {"144300 CW 2022-01-15 0705", "144 CW 2024-02-29 2359", kOk},
      {"END-OF-LOG:\r\n", "END-OF-LOG:", kOk},
  };
  for (const Edit& edit : kEdits) {
    const std::string log = Edited(kWrittenLog, edit.from, edit.to);
    EXPECT_EQ(edit.report, ReportOn(log)) << edit.to;
    EXPECT_EQ(edit.report, ReportOn(WithLfOnly(log))) << edit.to;
  }
}

// What the main contest loggers write into sound 3.0 files: no alarm, at most a note.
TEST(CabrilloCheckTest, SoundFilesOfOtherLoggersRaiseNoAlarm) {
  const std::string kOk = "no problems found";
  const std::string kQtc =
      "QTC: 14025 CW 2022-01-15 0705 Q1ABC/QRP   123/10 DL1ABC/P     1200 Q1VERYLONGCALL/QRP "
      "1234\r\n";
  std::string utf8Soapbox = "SOAPBOX: ";
  for (int i = 0; i < 66; ++i) utf8Soapbox += "\xC3\xA9";  // 75 characters, 141 bytes
  std::string utf8Address = "ADDRESS: ";
  for (int i = 0; i < 45; ++i) utf8Address += "\xC5\x91";
  const Edit kEdits[] = {
      {"END-OF-LOG:\r\n", kQtc + kQtc + kQtc + "END-OF-LOG:\r\n", kOk},
      {"CLUB: \r\n", "CLUB: \r\nCATEGORY-OVERLAY: \r\n", kOk},
      {"CLUB: \r\n", "CLUB: \r\nCATEGORY-OVERLAY: over-50\r\n", kOk},
      {"SOAPBOX: ", utf8Soapbox, kOk},
      {"ADDRESS: ", utf8Address, kOk},
      {"CLUB: \r\n", "CLUB: \r\nCLUB-NAME: x\r\nDEBUG: 1\r\nclub-name: y\r\n",
       "line 13: note: tag \"CLUB-NAME\" (2 lines) is not one this check knows; not checked\n"
       "line 14: note: tag \"DEBUG\" is not one this check knows; not checked\n" +
           kOk},
      // Not UTF-8: a byte is a character of the file's code page.
      {"SOAPBOX: ", "SOAPBOX: " + std::string(67, '\xF5'),
       "line 20: header line of 76 characters; at most 75"},
      {"SOAPBOX: ", utf8Soapbox + "a", "line 20: header line of 76 characters; at most 75"},
      {"CLUB: \r\n", "CLUB: \r\nCATEGORY-OVERLAY: OLD\r\nCLUB-NAME: x\r\n",
       "line 13: CATEGORY-OVERLAY: unknown value \"OLD\" (CLASSIC, ROOKIE, TB-WIRES, YOUTH, "
       "NOVICE-TECH, OVER-50)\n"
       "line 14: note: tag \"CLUB-NAME\" is not one this check knows; not checked"},
  };
  for (const Edit& edit : kEdits) {
    const std::string log = Edited(kWrittenLog, edit.from, edit.to);
    const std::vector<CabrilloProblem> problems = CheckCabrillo(log);
    EXPECT_EQ(edit.report, FormatProblems(problems)) << edit.to;
    EXPECT_EQ(edit.report.find(kOk) != std::string::npos, IsSound(problems)) << edit.to;
  }
}

TEST(CabrilloCheckTest, EachFaultIsReportedOnceOnItsLine) {
  const Edit kFaults[] = {
      {"START-OF-LOG: 3.0", "START-OF-LOG: 2.0",
       "line 1: START-OF-LOG: version \"2.0\" is not 3.0"},
      {"START-OF-LOG: 3.0\r\n", "", "line 1: the first line must be \"START-OF-LOG: 3.0\""},
      {"START", "\xEF\xBB\xBFSTART", "line 1: the file starts with a byte-order mark (EF BB BF)"},
      {"CLUB: ", "START-OF-LOG: 3.0", "line 12: START-OF-LOG: only allowed on the first line"},
      {"END-OF-LOG:\r\n", "", "line 24: the file does not end with \"END-OF-LOG:\""},
      {"END-OF-LOG:\r\n", "END-OF-LOG:\r\n\r\n", "line 26: text after \"END-OF-LOG:\""},
      {"CLUB: ", "CLUB NAME: " + std::string(100, 'x'), "line 12: unknown tag \"CLUB NAME\""},
      {"CLUB: ", "CLUB_NAME: x", "line 12: unknown tag \"CLUB_NAME\""},
      {"CLUB: ", "Club Q1", "line 12: no tag at the start of the line: \"Club Q1\""},
      {"CLUB: ", "", "line 12: empty line"},
      {"CLUB: ", "   ", "line 12: empty line"},
      {"CONTEST: TARNO\r\n", "", "file: no CONTEST: line"},
      {"CONTEST: TARNO", "CONTEST: ", "line 2: CONTEST: no value"},
      {"OPERATORS: Q1ABC", "CALLSIGN: Q1ABC", "line 9: CALLSIGN: given again (first on line 3)"},
      {"CALLSIGN: Q1ABC", "CALLSIGN: ", "line 3: CALLSIGN: no call"},
      {"CALLSIGN: Q1ABC", "CALLSIGN: Q1-ABC",
       "line 3: CALLSIGN: \"Q1-ABC\" may hold only A-Z, 0-9 and /"},
      {"CATEGORY-POWER: HIGH", "CATEGORY-POWER: HUGE",
       "line 6: CATEGORY-POWER: unknown value \"HUGE\" (HIGH, LOW, QRP)"},
      {"CATEGORY-MODE: MIXED",
       "CATEGORY-MODE: ", "line 7: CATEGORY-MODE: no value (CW, DIGI, FM, RTTY, SSB, MIXED)"},
      {"CATEGORY-OPERATOR: SINGLE-OP", "CATEGORY-OPERATOR: SOHP",
       "line 4: CATEGORY-OPERATOR: unknown value \"SOHP\" (SINGLE-OP, MULTI-OP, CHECKLOG)"},
      {"CLUB: ", "CERTIFICATE: MAYBE", "line 12: CERTIFICATE: unknown value \"MAYBE\" (YES, NO)"},
      {"CLAIMED-SCORE: 8", "CLAIMED-SCORE: 8.5",
       "line 11: CLAIMED-SCORE: \"8.5\" is not a whole number"},
      {"SOAPBOX: ", "SOAPBOX: " + std::string(67, 's'),
       "line 20: header line of 76 characters; at most 75"},
      {"ADDRESS: ", "ADDRESS: " + std::string(46, 'a'),
       "line 15: ADDRESS: 46 characters; at most 45"},
      {"ADDRESS: \r\n",
       "ADDRESS: 1\r\nADDRESS: 2\r\nADDRESS: 3\r\nADDRESS: 4\r\nADDRESS: 5\r\n"
       "ADDRESS: 6\r\nADDRESS: 7\r\n",
       "line 21: ADDRESS: more than 6 lines"},
      {"NAME: ", "NAME: Jo\x01Ham", "line 14: control character 0x01 in the line"},
      {"DL1ABC        599 001", "DL1ABC        599", "line 21: QSO: 9" + kLayout},
      {"599 002", "599 0 02", "line 22: QSO: 11" + kLayout},
      {"DL1ABC        599 001", "dl1abc        599 001",
       "line 21: QSO: received call \"dl1abc\" has lower-case letters"},
      {"HA1AA ", "HA1A# ", "line 23: QSO: received call \"HA1A#\" may hold only A-Z, 0-9 and /"},
      {"Q1ABC         599 BP     DL1ABC        599 002",
       "Q1XYZ         599 BP     DL1ABC        599 002",
       "line 22: QSO: sent call \"Q1XYZ\" differs from CALLSIGN \"Q1ABC\""},
      {"0705 Q1ABC         599 BP     DL1ABC        599 002",
       "0704 Q1ABC         599 BP     DL1ABC        599 002",
       "line 22: QSO: earlier than the QSO on line 21"},
      {"14025 PH", "14025000 PH",
       "line 23: QSO: frequency \"14025000\" is neither kHz in an amateur band nor a band "
       "designator"},
      {"14025 PH", "14.025 PH",
       "line 23: QSO: frequency \"14.025\" is neither kHz in an amateur band nor a band "
       "designator"},
      {"14025 PH", "14025 SS", "line 23: QSO: unknown mode \"SS\" (CW, PH, FM, RY, DG)"},
      {"144300 CW 2022-01-15", "144300 CW 2023-02-29",
       "line 24: QSO: date \"2023-02-29\" is not a calendar date yyyy-mm-dd"},
      {"144300 CW 2022-01-15", "144300 CW 2100-02-29",
       "line 24: QSO: date \"2100-02-29\" is not a calendar date yyyy-mm-dd"},
      {"144300 CW 2022-01-15 0705", "144300 CW 2022-01-15 2400",
       "line 24: QSO: time \"2400\" is not hhmm from 0000 to 2359"},
  };
  for (const Edit& fault : kFaults) {
    const std::string log = Edited(kWrittenLog, fault.from, fault.to);
    EXPECT_EQ(fault.report, ReportOn(log)) << fault.to;
    EXPECT_EQ(fault.report, ReportOn(WithLfOnly(log))) << fault.to;
  }
}

TEST(CabrilloCheckTest, CheckingGoesOnPastBadLinesAndReportsInLineOrder) {
  std::string log = Edited(kWrittenLog, "END-OF-LOG:\r\n", "");
  log = Edited(log, "14025 PH", "14025 SS");
  log = Edited(log, "CLUB: ", "CLUB NAME: ");
  log = Edited(log, "CONTEST: TARNO\r\n", "");
  EXPECT_EQ(
      "file: no CONTEST: line\n"
      "line 11: unknown tag \"CLUB NAME\"\n"
      "line 22: QSO: unknown mode \"SS\" (CW, PH, FM, RY, DG)\n"
      "line 23: the file does not end with \"END-OF-LOG:\"",
      ReportOn(log));
}

TEST(CabrilloCheckTest, EmptyFileIsOneProblem) {
  EXPECT_EQ("file: the file is empty", ReportOn(""));
}

TEST(CabrilloCheckTest, LoneCrLineEndsAreOneProblemAndLinesStillCount) {
  std::string log = Edited(kWrittenLog, "CATEGORY-POWER: HIGH", "CATEGORY-POWER: HUGE");
  log.erase(std::remove(log.begin(), log.end(), '\n'), log.end());
  EXPECT_EQ(
      "line 1: line ends in a lone CR; lines end in CR LF or LF\n"
      "line 6: CATEGORY-POWER: unknown value \"HUGE\" (HIGH, LOW, QRP)",
      ReportOn(log));
}

TEST(CabrilloCheckTest, JunkNeverBreaksTheReport) {
  std::string noise(200000, '\0');
  uint32_t state = 12345;
  for (char& c : noise) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 23);
  }
  const std::string kJunk[] = {noise,    "QSO: " + std::string(1 << 20, '\x80'),
                               "\r\r\r", std::string(3, '\0'),
                               ":::",    "START-OF-LOG: 3.0"};
  for (const std::string& junk : kJunk) {
    const std::vector<CabrilloProblem> problems = CheckCabrillo(junk);
    ASSERT_FALSE(problems.empty());
    for (size_t i = 0; i < problems.size(); ++i) {
      if (i > 0) {
        EXPECT_LE(problems[i - 1].line, problems[i].line);
      }
      EXPECT_LT(problems[i].message.size(), 300u);
      for (char c : problems[i].message) ASSERT_TRUE(c >= 0x20 && c < 0x7F) << problems[i].message;
    }
  }
}

TEST(CabrilloCheckTest, EndlessProblemsAreCutAndSaidSo) {
  const std::vector<CabrilloProblem> problems = CheckCabrillo(std::string(200000, '\n'));
  ASSERT_EQ(100001u, problems.size());
  EXPECT_EQ("file: more than 100000 problems; only the first are listed",
            FormatProblems({problems.front()}));
  EXPECT_EQ("line 1: the first line must be \"START-OF-LOG: 3.0\"", FormatProblems({problems[1]}));
  EXPECT_EQ("line 200000: the file does not end with \"END-OF-LOG:\"",
            FormatProblems({problems.back()}));
}

}  // namespace
}  // namespace tarno::score
