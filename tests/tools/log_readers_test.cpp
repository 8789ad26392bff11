// What the readers make of the log formats' variants and of broken records.

#include <gtest/gtest.h>

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
      "<CALL:4>W1AW<QSO_DATE:8>20260230<BAND:3>20m<EOR>"
      "<CALL:4>W1AW<QSO_DATE:8>20260117<FREQ:4>fast<EOR>"
      "<CALL:4>W1AW<QSO_DATE:8>20260117<BAND:3>20m<EOR>"
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

TEST(LogFormatTest, ContentTellsTheFormat) {
  EXPECT_TRUE(LooksLikeAdif("<CALL:4>W1AW<EOR>"));
  EXPECT_TRUE(LooksLikeAdif("header\n<eoh>\n"));
  EXPECT_FALSE(LooksLikeAdif("START-OF-LOG: 3.0\nQSO: 14025 CW ...\n"));
  EXPECT_FALSE(LooksLikeAdif(""));
}

}  // namespace
}  // namespace tarno::score
