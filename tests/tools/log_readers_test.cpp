// What the readers make of the log formats' variants and of broken records.

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "logs/adif_reader.h"
#include "logs/cabrillo_reader.h"

namespace tarno::score {
namespace {

TEST(AdifReaderTest, FieldsOfARecordBecomeAQso) {
  const ReadLog log = ReadAdif(
      "made by hand <adif_ver:5>3.1.4 <EOH>\n"
      "<call:6>dl1abc<qso_date:8>20260117<time_on:4>1205<freq:8>14.02599<mode:3>SSB"
      "<submode:3>USB<rst_sent:2>59<rst_rcvd:2>57<stx:3>001<stx_string:2>BP<srx:1>7"
      "<station_callsign:6>ha5tst<cont:2>eu<eor>\n"
      "<CALL:5>HA1XY<QSO_DATE:8>20260117<TIME_ON:6>120530<BAND:3>40M<MODE:2>CW"
      "<SRX_STRING:4> bp <EOR>");
  ASSERT_EQ(2u, log.qsos.size());
  const LogQso& first = log.qsos[0];
  EXPECT_EQ("DL1ABC", first.call);
  EXPECT_EQ(14025990u, first.freqHz);
  EXPECT_EQ("20m", first.band);
  EXPECT_EQ("SSB", first.mode);
  EXPECT_EQ("BP", first.exchSent) << "the string form wins";
  EXPECT_EQ("7", first.exchRcvd);
  EXPECT_EQ("HA5TST", first.stationCall);
  EXPECT_EQ("EU", first.continent);
  EXPECT_DOUBLE_EQ(46039.0 + (12 * 60 + 5) / 1440.0, first.oleDays);
  const LogQso& second = log.qsos[1];
  EXPECT_EQ("40m", second.band);
  EXPECT_EQ(7000000u, second.freqHz) << "no frequency: the band's edge";
  EXPECT_EQ(" bp ", second.exchRcvd) << "the exchange is kept as typed";
  EXPECT_TRUE(log.skipped.empty());
}

TEST(AdifReaderTest, RecordsThatCannotBecomeQsosAreSkippedWithTheirNumber) {
  const ReadLog log = ReadAdif(
      "<EOH><QSO_DATE:8>20260117<BAND:3>20m<EOR>"
      "<CALL:4>W1AW<QSO_DATE:8>20260117<EOR>"
      "<CALL:4>W1AW<QSO_DATE:8>20260230<TIME_ON:4>1200<BAND:3>20m<EOR>"
      "<CALL:4>W1AW<QSO_DATE:8>20260117<FREQ:4>fast<EOR>"
      "<CALL:4>W1AW<QSO_DATE:8>20260117<TIME_ON:4>1200<BAND:3>20m<EOR>"
      "<CALL:99>W1AW<EOR>");
  ASSERT_EQ(1u, log.qsos.size());
  EXPECT_EQ(5, log.qsos[0].source);
  ASSERT_EQ(5u, log.skipped.size());
  EXPECT_EQ(1, log.skipped[0].source);
  EXPECT_EQ("no CALL", log.skipped[0].reason);
  EXPECT_EQ("neither BAND nor FREQ", log.skipped[1].reason);
  EXPECT_NE(std::string::npos, log.skipped[2].reason.find("not a valid date"));
  EXPECT_NE(std::string::npos, log.skipped[3].reason.find("no band"));
  ASSERT_EQ(1u, log.notes.size());
  EXPECT_NE(std::string::npos, log.notes[0].reason.find("not a frequency"));
  EXPECT_NE(std::string::npos, log.skipped[4].reason.find("runs past the end"));
}

// A record that reads, as the cases below spell it with "%".
const std::string kRecord =
    "<QSO_DATE:8>20260117<TIME_ON:4>1205<BAND:3>20m<MODE:2>CW<STATION_CALLSIGN:6>HA5TST";

struct AdifCase {
  std::string text;                  // "%" stands for kRecord
  std::vector<std::string> calls;    // of the QSOs read, in order
  std::vector<std::string> skipped;  // "N: start of the reason"
  std::vector<std::string> notes;    // "N: start of the note"
};

std::string Spelled(const std::string& text) {
  std::string spelled;
  for (char c : text) spelled += c == '%' ? kRecord : std::string(1, c);
  return spelled;
}

std::vector<std::string> Listed(const std::vector<LogProblem>& problems, size_t keep) {
  std::vector<std::string> listed;
  for (const LogProblem& problem : problems)
    listed.push_back(std::to_string(problem.source) + ": " + problem.reason.substr(0, keep));
  return listed;
}

TEST(AdifReaderTest, WhatIsLostIsSaidAndWhatCanBeReadIsRead) {
  const AdifCase kCases[] = {
      {"<EOH><CALL:4>W1AW<QSO_DATE:8>20260117<BAND:3>20m<EOR><CALL:4>W2AW%<EOR>",
       {"W2AW"},
       {"1: no TIME_ON: the QSO's time is not known"},
       {}},
      {"<CALL:4>W1AW<TIME_ON:4>1200<BAND:3>20m<EOR>", {}, {"1: no QSO_DATE"}, {}},
      {"<CALL:4>W1AW<QSO_DATE:8>20260117<TIME_ON:3>120<BAND:3>20m<EOR>",
       {},
       {"1: QSO_DATE/TIME_ON \"20260117 120\" is not a valid date and time"},
       {}},
      // A length that runs into the next tag: the data up to it, and that tag read.
      {"<CALL:4>W1AW%<OPERATOR:7>M0NOM <MY_GRIDSQUARE:6>IO84MK<EOR>",
       {"W1AW"},
       {},
       {"1: field OPERATOR's length 7 runs into the tag <MY_GRIDSQUARE:6> after it; read as "
        "\"M0NOM \", and <MY_GRIDSQUARE:6> after it"}},
      {"<CALL:4>W1AW%<EOR>%<CALL:6>DL1AB<EOR><CALL:4>W2AW%<EOR>",
       {"W1AW", "DL1AB", "W2AW"},
       {},
       {"2: field CALL's length 6 runs into the tag <EOR>"}},
      {"%<CALL:7>DL1ABC<BAND:3>20m<EOR>", {"DL1ABC"}, {}, {"1: field CALL's length 7 runs"}},
      // ...also when the data quotes a tag before the one it runs into.
      {"<CALL:4>W1AW%<COMMENT:22>ends with <EOR> here<EOR><CALL:4>W2AW%<EOR>",
       {"W1AW", "W2AW"},
       {},
       {"1: field COMMENT's length 22 runs into the tag <EOR> after it; read as \"ends with "
        "<EOR> here\""}},
      {"<CALL:4>W1AW<QSO_DATE:8>20260117<TIME_ON:4>1205<COMMENT:11>say <EOR>!<BAND:3>20m<EOR>",
       {"W1AW"},
       {},
       {"1: field COMMENT's length 11 runs into the tag <BAND:3>"}},
      // <EOF> ends the log.
      {"<EOH><CALL:4>W1AW%<EOR>\r\n<EOF>\r\n", {"W1AW"}, {}, {}},
      {"<CALL:4>W1AW%<EOR><eof><CALL:4>W2AW%<EOR><CALL:4>W3AW%<EOR>",
       {"W1AW"},
       {"2: 2 records follow <EOF>, which ends the log: not read"},
       {}},
      {"<CALL:4>W1AW%<EOR><CALL:4>W2AW%<EOF>", {"W1AW"}, {"2: the last record has no <EOR>"}, {}},
      // A missing <EOR> makes one record of several QSOs: the count says what was lost.
      {"<EOH><CALL:4>W1AW%<CALL:4>W2AW%<CALL:4>W3AW%",
       {},
       {"1: the file has no <EOR> at all: its 3 CALL fields, 3 QSOs' worth, are not read"},
       {}},
      {"<CALL:4>W1AW%<EOR><CALL:4>W2AW%<CALL:4>W3AW%<EOR><CALL:4>W4AW%<EOR>",
       {"W1AW", "W4AW"},
       {"2: one record holds 2 CALL fields, 2 QSOs' worth: the <EOR> marks between them are "
        "missing; none is read"},
       {}},
      {"<CALL:4>W1AW%<EOR><CALL:4>W2AW%", {"W1AW"}, {"2: the last record has no <EOR>"}, {}},
  };
  for (const AdifCase& test : kCases) {
    const ReadLog log = ReadAdif(Spelled(test.text));
    std::vector<std::string> calls;
    for (const LogQso& qso : log.qsos) calls.push_back(qso.call);
    EXPECT_EQ(test.calls, calls) << test.text;
    std::vector<std::string> skipped = Listed(log.skipped, 1000);
    for (size_t i = 0; i < skipped.size() && i < test.skipped.size(); ++i)
      skipped[i] = skipped[i].substr(0, test.skipped[i].size());
    EXPECT_EQ(test.skipped, skipped) << test.text;
    std::vector<std::string> notes = Listed(log.notes, 1000);
    for (size_t i = 0; i < notes.size() && i < test.notes.size(); ++i)
      notes[i] = notes[i].substr(0, test.notes[i].size());
    EXPECT_EQ(test.notes, notes) << test.text;
  }
}

TEST(CabrilloReaderTest, TheModulesLayoutAndTheUsualVariants) {
  const ReadLog log = ReadCabrillo(
      "START-OF-LOG: 3.0\r\nCALLSIGN: HA5TST\r\n"
      "QSO: 14025 CW 2026-01-17 1205 HA5TST        599 BP     DL1ABC        599 001\r\n"
      "QSO:  3700 PH 2026-01-17 1210 HA5TST BP HA1XY ZA\r\n"
      "QSO: 21010 CW 2026-01-17 1215 HA5TST 599 BP W1AW 599 5 1\r\n"
      "QSO: 99999 CW 2026-01-17 1215 HA5TST 599 BP W1AW 599 5\r\n"
      "QSO: 7010 CW 2026-13-17 1215 HA5TST 599 BP W1AW 599 5\r\n"
      "QSO: 7010 CW\r\nEND-OF-LOG:\r\n");
  EXPECT_EQ("HA5TST", log.ownCall);
  ASSERT_EQ(3u, log.qsos.size());
  EXPECT_EQ("DL1ABC", log.qsos[0].call);
  EXPECT_EQ("599", log.qsos[0].rstRcvd);
  EXPECT_EQ("001", log.qsos[0].exchRcvd);
  EXPECT_EQ("SSB", log.qsos[1].mode);
  EXPECT_EQ("80m", log.qsos[1].band);
  EXPECT_EQ("ZA", log.qsos[1].exchRcvd);
  EXPECT_EQ("", log.qsos[1].rstSent);
  EXPECT_EQ("5", log.qsos[2].exchRcvd) << "a trailing transmitter number is not the exchange";
  ASSERT_EQ(3u, log.skipped.size());
  EXPECT_EQ(6, log.skipped[0].source);
  EXPECT_EQ(7, log.skipped[1].source);
  EXPECT_EQ(8, log.skipped[2].source);
}

// One QSO line after "QSO: 14025 CW 2026-01-17 1205 " in a log whose other lines set its
// layout, and what the reader makes of it: the worked call and received exchange, or the
// start of the reason it is skipped.
struct LineCase {
  const char* layoutLine;  // the fields of the log's other lines
  const char* fields;
  const char* call;
  const char* exchRcvd;
  const char* skipped;
};

const LineCase kLineCases[] = {
    // Busted calls and odd exchanges are read by the log's columns.
    {"HA5TST 599 BP DL1ABC 599 001", "HA5TST 599 BP DLOWX 599 002", "DLOWX", "002", nullptr},
    {"HA5TST 599 BP DL1ABC 599 001", "HA5TST 599 BP OKSWR 599 3", "OKSWR", "3", nullptr},
    {"HA5TST 599 BP DL1ABC 599 001", "HA5TST 599 BP HAJRTZ 599 ZA", "HAJRTZ", "ZA", nullptr},
    {"HA5TST 599 BP DL1ABC 599 001", "HA5TST 599 BP HG4K 599 BP1", "HG4K", "BP1", nullptr},
    {"HA5TST BP DL1ABC 001", "HA5TST BP DLOWX 001", "DLOWX", "001", nullptr},
    {"HA5TST 599 BP DL1ABC 599 001 1", "HA5TST 599 BP OKSWR 599 4 0", "OKSWR", "4", nullptr},
    // A report left out on one line: the one layout that line fits by its columns.
    {"HA5TST 599 BP DL1ABC 599 001", "HA5TST BP HG4K 599 BP1", "HG4K", "BP1", nullptr},
    // The log's layout settles which report a line left out.
    {"HA5TST BP DL1ABC 599 001", "HA5TST BP OK1AA 599 1", "OK1AA", "1", nullptr},
    {"HA5TST 599 BP DL1ABC 599 001", "HA5TST BP OK1AA 57 1", nullptr, nullptr,
     "\"HA5TST BP OK1AA 57 1\" fits more than one layout"},
    // Not exchange 599 and transmitter 1, but a report and serial 1.
    {"HA5TST 599 BP DL1ABC 599 001", "HA5TST BP OK1AA 599 1", "OK1AA", "1", nullptr},
    // Fields out of place are never read shifted.
    {"HA5TST 599 BP DL1ABC 599 001", "HA5TST 599 BP 599 DL1ABC 001", nullptr, nullptr,
     "\"HA5TST 599 BP 599 DL1ABC 001\" is not own call"},
    {"HA5TST 599 BP DL1ABC 599 001", "HA5TST 599 BP 599 001", nullptr, nullptr, "\"HA5TST"},
    {"HA5TST BP DL1ABC 001", "HA5TST BP 001 DL1ABC", nullptr, nullptr, "\"HA5TST BP 001"},
    {"HA5TST BP DL1ABC 001", "HA5TST BP 59 001", nullptr, nullptr, "\"HA5TST BP 59 001\" is not"},
    {"HA5TST 599 BP DL1ABC 599 001", "HA5TST 599 BP DL1ABC 599", nullptr, nullptr,
     "\"HA5TST 599 BP DL1ABC 599\": \"599\" may be a report"},
    {"HA5TST 599 BP DL1ABC 599 001", "HA-5TST 599 BP DLOWX 599 001", nullptr, nullptr, "\"HA-5TST"},
};

TEST(CabrilloReaderTest, EachLineIsReadByTheLogsLayout) {
  for (const LineCase& test : kLineCases) {
    const std::string head = "QSO: 14025 CW 2026-01-17 1205 ";
    const std::string other = head + test.layoutLine + "\n";
    const ReadLog log = ReadCabrillo("START-OF-LOG: 3.0\nCALLSIGN: HA5TST\n" + other + other +
                                     "QSO: 14025 CW 2026-01-17 1206 " + test.fields + "\n" + other);
    EXPECT_EQ(4u, log.recordsFound);
    const LogQso* read = nullptr;
    for (const LogQso& qso : log.qsos) read = qso.source == 5 ? &qso : read;
    if (test.skipped == nullptr) {
      ASSERT_NE(nullptr, read) << test.fields;
      EXPECT_EQ(test.call, read->call) << test.fields;
      EXPECT_EQ(test.exchRcvd, read->exchRcvd) << test.fields;
      EXPECT_EQ("HA5TST", read->stationCall) << test.fields;
      EXPECT_EQ(4u, log.qsos.size()) << test.fields;
    } else {
      EXPECT_EQ(nullptr, read) << test.fields;
      ASSERT_EQ(1u, log.skipped.size()) << test.fields;
      EXPECT_EQ(5, log.skipped[0].source);
      EXPECT_EQ(0u, log.skipped[0].reason.rfind(test.skipped, 0))
          << test.fields << ": " << log.skipped[0].reason;
    }
  }
}

// A QSO line as the module writes it, each field padded to its width.
std::string ModuleLine(const std::string& time, const std::string& rstSent, const std::string& call,
                       const std::string& rstRcvd, const std::string& exchRcvd) {
  auto padded = [](std::string text, size_t width) {
    return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
  };
  return "QSO: 14025 CW 2026-01-17 " + time + " " + padded("HA5TST", 13) + " " +
         padded(rstSent, 3) + " " + padded("BP", 6) + " " + padded(call, 13) + " " +
         padded(rstRcvd, 3) + " " + exchRcvd + "\r\n";
}

TEST(CabrilloReaderTest, ALogWrittenInColumnsIsReadByThemWhereAReportIsEmpty) {
  const std::string full = ModuleLine("1200", "599", "DL1ABC", "599", "001");
  const ReadLog log = ReadCabrillo(
      "START-OF-LOG: 3.0\r\nCALLSIGN: HA5TST\r\n" + full + full +
      ModuleLine("1201", "59", "HG4K", "", "599") + ModuleLine("1202", "57", "DLOWX", "", "1") +
      ModuleLine("1203", "", "OK1AA", "57", "1") + ModuleLine("1204", "", "W1AW", "", "BP1") +
      ModuleLine("1205", "599", "Q1VERYLONGCALL/QRP", "599", "12345678") + full);
  ASSERT_EQ(8u, log.qsos.size());
  EXPECT_TRUE(log.skipped.empty());
  const char* const kRead[][4] = {{"59", "HG4K", "", "599"},
                                  {"57", "DLOWX", "", "1"},
                                  {"", "OK1AA", "57", "1"},
                                  {"", "W1AW", "", "BP1"},
                                  {"599", "Q1VERYLONGCALL/QRP", "599", "12345678"}};
  for (size_t i = 0; i < std::size(kRead); ++i) {
    const LogQso& qso = log.qsos[i + 2];
    EXPECT_EQ(kRead[i][0], qso.rstSent) << kRead[i][1];
    EXPECT_EQ(kRead[i][1], qso.call);
    EXPECT_EQ(kRead[i][2], qso.rstRcvd) << kRead[i][1];
    EXPECT_EQ(kRead[i][3], qso.exchRcvd) << kRead[i][1];
    EXPECT_EQ("BP", qso.exchSent) << kRead[i][1];
  }
}

TEST(CabrilloReaderTest, TagsAreReadWithOrWithoutABlankAfterTheColon) {
  const ReadLog log = ReadCabrillo(
      "START-OF-LOG:3.0\r\nCONTEST:CQ-WPX-CW\r\ncallsign:aa1zzz\r\nCLAIMED-SCORE:12\r\n"
      "QSO:14025 CW 2026-01-17 1205 AA1ZZZ 599 1 DL1ABC 599 001\r\n"
      "  QSO:\t7025 CW 2026-01-17 1206 AA1ZZZ 599 2 DL2ABC 599 002\r\n"
      "QSO 7025 CW 2026-01-17 1207 AA1ZZZ 599 3 DL3ABC 599 003\r\n"
      "X-QSO:7025 CW 2026-01-17 1208 AA1ZZZ 599 4 DL4ABC 599 004\r\n");
  EXPECT_EQ("CQ-WPX-CW", log.contest);
  EXPECT_EQ("AA1ZZZ", log.ownCall);
  EXPECT_EQ("12", log.claimedScore);
  ASSERT_EQ(2u, log.qsos.size());
  EXPECT_EQ("DL1ABC", log.qsos[0].call);
  EXPECT_EQ("40m", log.qsos[1].band);
  EXPECT_EQ(2u, log.recordsFound);
  ASSERT_EQ(1u, log.notes.size());
  EXPECT_EQ(8, log.notes[0].source);
}

TEST(LogFormatTest, ContentTellsTheFormat) {
  EXPECT_TRUE(LooksLikeAdif("<CALL:4>W1AW<EOR>"));
  EXPECT_TRUE(LooksLikeAdif("header\n<eoh>\n"));
  EXPECT_FALSE(LooksLikeAdif("START-OF-LOG: 3.0\nQSO: 14025 CW ...\n"));
  EXPECT_FALSE(LooksLikeAdif(""));
}

// Only the first 64 KB are looked at, the marks in any case, one cut at either edge.
TEST(LogFormatTest, FormatMarksAreFoundInAnyCaseWithinTheHead) {
  const std::string far(1 << 16, 'x');
  struct Case {
    std::string text;
    bool adif;
  };
  const Case cases[] = {
      {"<call:4>W1AW <qso_date:8>20260307<eor>", true},
      {"<CaLl:4>W1AW", true},
      {"<Eoh>", true},
      {"<EO", false},
      {"<EOH", false},
      {"EOH>", false},
      {"<CALL:4>W1AW\nqso: 14025", false},
      {"Start-Of-Log: 3.0\n<CALL:4>W1AW", false},
      {"START-OF-LOG: 3.0\n<call:4>W1AW<EOR>", true},
      {"<<<<CALL:", true},
      {"<CALL", false},
      {"sTART-OF-LO <CALL:", true},
      {far.substr(5) + "<EOR>", true},
      {far.substr(4) + "<EOR>", false},
      {far + "<EOR>", false},
      {"<CALL:4>W1AW" + far.substr(20) + "QSO:", false},
      {"<CALL:4>W1AW" + far.substr(20) + "qso:", false},
      {"<CALL:4>W1AW" + far.substr(16) + "QSO:", false},
      {"<CALL:4>W1AW" + far.substr(15) + "QSO:", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.adif, LooksLikeAdif(c.text)) << c.text.substr(0, 40) << " (" << c.text.size()
                                             << " bytes)";
}

}  // namespace
}  // namespace tarno::score
