// The host's view of the module: only entry points and "err.txt". The same tests run
// against the native library and, under Wine, against the real DLL; each program
// supplies TheEntryPoints().

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "helpers/host_calls.h"

namespace tarno {

const EntryPoints& TheEntryPoints();

namespace {

const char kHeading[] = "TARNO Contest UBN file \r\n";

std::string ReadErrFile() {
  std::ifstream in("err.txt", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class EntryPointsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    COleDateTime start = HostQso::MakeDate(44576.0);
    COleDateTime end = HostQso::MakeDate(44577.0);
    ASSERT_EQ(1, CallResetStats(entry, "HA5TST", &start, &end, "EU"));
  }

  int Add(const HostQso& qso) { return CallAddData(entry, qso); }
  int Remove(const HostQso& qso) { return CallRemoveData(entry, qso); }
  int Check(const char* call, const char* mode, const char* prefix, const char* county,
            const char* band) {
    return CallCheckCall(entry, call, mode, prefix, county, band);
  }
  // The lines written since the statistics run began.
  std::string Lines() {
    std::string file = ReadErrFile();
    EXPECT_EQ(0u, file.rfind(kHeading, 0)) << "err.txt must start with its heading";
    return file.substr(std::min(file.size(), sizeof(kHeading) - 1));
  }

  static HostQso Home(const char* call, const char* county, const char* prefix = "HA") {
    HostQso qso;
    qso.call = call;
    qso.exchRcvd = county;
    qso.prefix = prefix;
    return qso;
  }

  const EntryPoints& entry = TheEntryPoints();
};

TEST_F(EntryPointsTest, FixedAnswersOfTheSmallEntries) {
  EXPECT_EQ(1, entry.getNumberOfSets());
  EXPECT_STREQ("TARNO Contest (C)", entry.getSetName(0));
  ASSERT_NE(nullptr, entry.getSetName(1));
  EXPECT_STREQ("", entry.getSetName(1));
  EXPECT_STREQ("", entry.getSetName(-1));
  EXPECT_EQ(1, entry.getExchgCount(nullptr, "x", nullptr));
  EXPECT_STREQ("", entry.runCommand(0, "SHOWINFO-NOT"));
  EXPECT_STREQ("", entry.runCommand(0, nullptr));
}

TEST_F(EntryPointsTest, ExchangeValidityWhileTyping) {
  auto valid = [this](const char* exchange, const char* prefix) {
    return entry.isValidExchg(exchange, "x", prefix, "x", 0, 0, 0);
  };
  EXPECT_EQ(0, valid("599", "DL"));
  EXPECT_EQ(0, valid("599", "HA"));
  EXPECT_EQ(0, valid("12345", "DL"));
  EXPECT_EQ(0, valid("", "DL"));
  EXPECT_EQ(0, valid(nullptr, "DL"));
  EXPECT_EQ(0, valid("599 ", "DL"));
  EXPECT_EQ(0, valid("12\xB3", "DL"));
  EXPECT_EQ(1, valid("0599", "DL"));
  EXPECT_EQ(1, valid("1", nullptr));
  EXPECT_EQ(1, valid("BP", "HA"));
  EXPECT_EQ(1, valid("BP", "HG"));
  EXPECT_EQ(0, valid(" BP", "HA"));
  EXPECT_EQ(0, valid("bp", "HA"));
  EXPECT_EQ(0, valid("\tBP", "HG"));
  EXPECT_EQ(0, valid("12", "HA"));
  EXPECT_EQ(0, valid("BP", "ha"));  // not a home prefix: a serial is expected
}

TEST_F(EntryPointsTest, StatisticsResetStartsTheErrorFileAndEmptiesTheLog) {
  ASSERT_EQ(1, Add(HostQso()));
  EXPECT_EQ(0, Check("DL1ABC", "CW", "DL", "", "20m"));
  SetUp();
  EXPECT_EQ(kHeading, ReadErrFile());
  EXPECT_EQ(2, Check("DL1ABC", "CW", "DL", "", "20m"));
}

TEST_F(EntryPointsTest, EachRefusalWritesOneExactLine) {
  HostQso band17;
  band17.band = "17m";
  band17.mode = "RTTY";  // the band is checked first: only the band line
  HostQso rtty;
  rtty.mode = "RTTY";
  HostQso noSent;
  noSent.exchSent = "";
  HostQso noRcvd;
  noRcvd.exchRcvd = nullptr;
  EXPECT_EQ(0, Add(band17));
  EXPECT_EQ(0, Add(rtty));
  EXPECT_EQ(0, Add(noSent));
  EXPECT_EQ(0, Add(noRcvd));
  EXPECT_EQ(
      "QSO:  14025  RTTY  2022-01-15 1200  HA5TST  599  BP  DL1ABC  599  001   NO CONTEST BAND "
      "!!!\r\n"
      "QSO:  14025  RTTY  2022-01-15 1200  HA5TST  599  BP  DL1ABC  599  001   NO CONTEST MODE "
      "!!!\r\n"
      "QSO:  14025  CW  2022-01-15 1200  HA5TST  599    DL1ABC  599  001   NO RX NUMBER !!!\r\n"
      "QSO:  14025  CW  2022-01-15 1200  HA5TST  599  BP  DL1ABC  599     NO RX NUMBER !!!\r\n",
      Lines());
  EXPECT_EQ(2, Check("DL1ABC", "CW", "DL", "", "20m")) << "refused QSOs are not logged";
  EXPECT_EQ(2, Check("DL1ABC", "RTTY", "DL", "", "17m"));
}

TEST_F(EntryPointsTest, ModesAndBandsAreComparedExactly) {
  HostQso lowerCw;
  lowerCw.mode = "cw";
  HostQso band12;
  band12.band = "12m";
  HostQso band6;
  band6.band = "6m";
  EXPECT_EQ(0, Add(lowerCw));
  EXPECT_EQ(0, Add(band12));
  EXPECT_EQ(1, Add(band6)) << "a band outside the contest's six still counts";
  HostQso ssb;
  ssb.mode = "SSB";
  EXPECT_EQ(1, Add(ssb));
}

TEST_F(EntryPointsTest, HomeStationCountyIsNormalisedAndUnknownOnesAreReported) {
  EXPECT_EQ(1, Add(Home("HG1AA", "bp ", "HG")));
  EXPECT_EQ(1, Add(Home("HA2BB", " xx")));
  EXPECT_EQ(1, Add(Home("HA3CC", "\thb")));
  EXPECT_EQ(1, Add(Home("HA4DD", "b p")));
  EXPECT_EQ(
      "QSO:  14025  CW  2022-01-15 1200  HA5TST  599  BP  HA2BB  599   xx  XX  Hungarian Code "
      "Area is not acceptable !!!\r\n"
      "QSO:  14025  CW  2022-01-15 1200  HA5TST  599  BP  HA4DD  599  b p  B P  Hungarian Code "
      "Area is not acceptable !!!\r\n",
      Lines());
  EXPECT_EQ(1, Check("HA9ZZ", "CW", "HA", "BP", "20m"));
  EXPECT_EQ(1, Check("HA9ZZ", "CW", "HG", "HB", "20m"));
  EXPECT_EQ(2, Check("HA9ZZ", "CW", "HA", "bp", "20m")) << "the typed county is not normalised";
  EXPECT_EQ(2, Check("HA9ZZ", "CW", "HA", "BP", "40m"));
}

TEST_F(EntryPointsTest, EveryEarlierContactGetsItsOwnDupeLine) {
  HostQso qso;
  EXPECT_EQ(1, Add(qso));
  EXPECT_EQ(1, Add(qso));
  EXPECT_EQ(1, Add(qso));
  HostQso otherMode = qso;
  otherMode.mode = "SSB";
  HostQso otherBand = qso;
  otherBand.band = "40m";
  EXPECT_EQ(1, Add(otherMode));
  EXPECT_EQ(1, Add(otherBand));
  const std::string dupe =
      "QSO:  14025  CW  2022-01-15 1200  HA5TST  599  BP  DL1ABC  599  001   DUPE !!!\r\n";
  EXPECT_EQ(dupe + dupe + dupe, Lines());
}

TEST_F(EntryPointsTest, UnknownCountyLineComesBeforeTheDupeLines) {
  EXPECT_EQ(1, Add(Home("HA1AA", "QQ")));
  EXPECT_EQ(1, Add(Home("HA1AA", "QQ")));
  const std::string body = "QSO:  14025  CW  2022-01-15 1200  HA5TST  599  BP  HA1AA  599  QQ";
  const std::string county = body + "  QQ  Hungarian Code Area is not acceptable !!!\r\n";
  EXPECT_EQ(county + county + body + "   DUPE !!!\r\n", Lines());
}

TEST_F(EntryPointsTest, FrequencyRemainderIsDroppedAndDatesFollowTheirStatus) {
  HostQso qso;
  qso.freqHz = 1999999;
  qso.band = "17m";
  EXPECT_EQ(0, Add(qso));
  qso.freqHz = 4294967295u;
  qso.time = HostQso::MakeDate(44576.5, COleDateTime::kInvalid);
  EXPECT_EQ(0, Add(qso));
  qso.freqHz = 999;
  qso.time = HostQso::MakeDate(44576.5, COleDateTime::kNull);
  EXPECT_EQ(0, Add(qso));
  qso.time = HostQso::MakeDate(1e300);
  EXPECT_EQ(0, Add(qso));
  const std::string tail = "  HA5TST  599  BP  DL1ABC  599  001   NO CONTEST BAND !!!\r\n";
  EXPECT_EQ("QSO:  1999  CW  2022-01-15 1200" + tail + "QSO:  4294967  CW  Invalid DateTime" +
                tail + "QSO:  0  CW  " + tail + "QSO:  0  CW  Invalid DateTime" + tail,
            Lines());
}

TEST_F(EntryPointsTest, NullTextsReadAsEmptyTexts) {
  HostQso nothing;
  nothing.ownCall = nothing.call = nothing.mode = nothing.rstSent = nothing.rstRcvd = nullptr;
  nothing.exchSent = nothing.exchRcvd = nothing.prefix = nothing.continent = nullptr;
  nothing.band = nullptr;
  EXPECT_EQ(0, Add(nothing));
  EXPECT_EQ("QSO:  14025    2022-01-15 1200" + std::string(12 + 3, ' ') + "NO CONTEST MODE !!!\r\n",
            Lines());
  EXPECT_EQ(2, Check(nullptr, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(0, Remove(nothing));
  EXPECT_EQ(0, entry.isValidExchg(nullptr, nullptr, nullptr, nullptr, 0, 0, 0));
  COleDateTime* noDate = nullptr;
  EXPECT_EQ(1, CallResetStats(entry, nullptr, noDate, noDate, nullptr));
  EXPECT_EQ(kHeading, ReadErrFile());
}

TEST_F(EntryPointsTest, LineBreaksInsideValuesNeverSplitAProblemLine) {
  HostQso qso;
  qso.call = "DL1\r\nABC";
  qso.exchRcvd = "00\n1";
  qso.ownCall = "HA5\rTST";
  qso.mode = "C\nW";
  EXPECT_EQ(0, Add(qso));
  EXPECT_EQ(
      "QSO:  14025  C W  2022-01-15 1200  HA5 TST  599  BP  DL1  ABC  599  00 1   NO "
      "CONTEST MODE !!!\r\n",
      Lines());
}

TEST_F(EntryPointsTest, HostileTextsAreHandledAndStoredWhole) {
  const std::string huge(1 << 20, 'W');
  std::string high;
  for (int c = 128; c < 256; ++c) high.push_back(static_cast<char>(c));
  HostQso qso;
  qso.call = huge.c_str();
  qso.exchRcvd = high.c_str();
  qso.continent = huge.c_str();
  EXPECT_EQ(1, Add(qso));
  EXPECT_EQ(0, Check(huge.c_str(), "CW", "DL", "", "20m"));
  HostQso home = Home(high.c_str(), high.c_str());
  EXPECT_EQ(1, Add(home));
  EXPECT_EQ(0, Remove(home)) << "an unknown county cannot be removed";
  EXPECT_EQ(1, Remove(qso));
  EXPECT_EQ(2, Check(huge.c_str(), "CW", "DL", "", "20m"));
}

TEST_F(EntryPointsTest, CallCheckTellsDupeKnownAndNewMultipliers) {
  EXPECT_EQ(2, Check("DL1ABC", "CW", "DL", "", "20m")) << "empty log";
  ASSERT_EQ(1, Add(HostQso()));
  EXPECT_EQ(0, Check("DL1ABC", "CW", "DL", "", "20m"));
  EXPECT_EQ(1, Check("DL1ABC", "SSB", "DL", "", "20m"));
  EXPECT_EQ(1, Check("DL2XYZ", "CW", "DL", "", "20m"));
  EXPECT_EQ(2, Check("DL2XYZ", "CW", "DL", "", "40m"));
  EXPECT_EQ(2, Check("dl1abc", "SSB", "OK", "", "20m"));
  // A home station's answer is its county alone; before the county is typed it
  // matches every record without one, such as the foreign station above.
  EXPECT_EQ(1, Check("HA1AA", "CW", "HA", "", "20m"));
  EXPECT_EQ(2, Check("HA1AA", "CW", "HA", "", "40m"));
  ASSERT_EQ(1, Add(Home("HA1AA", "BP")));
  EXPECT_EQ(1, Check("HG7XX", "SSB", "HG", "BP", "20m")) << "HG never logged, BP worked";
  EXPECT_EQ(2, Check("HA7XX", "SSB", "HA", "ZA", "20m")) << "HA logged, ZA new";
}

TEST_F(EntryPointsTest, SicilyIsStoredAsIButCheckedAsTyped) {
  HostQso sicily;
  sicily.call = "IT9ABC";
  sicily.prefix = "IT9";
  ASSERT_EQ(1, Add(sicily));
  EXPECT_EQ(1, Check("I1XYZ", "CW", "I", "", "20m"));
  EXPECT_EQ(2, Check("IT9XYZ", "CW", "IT9", "", "20m"));
  HostQso italy;
  italy.call = "I9ABC";
  italy.prefix = "I9";
  ASSERT_EQ(1, Add(italy));
  EXPECT_EQ(1, Check("I9XYZ", "CW", "I9", "", "20m"));
}

TEST_F(EntryPointsTest, RemovalFindsTheContactAndRefusesWhatCannotBeLogged) {
  HostQso qso;
  EXPECT_EQ(1, Remove(qso)) << "not in the log: accepted, nothing changes";
  ASSERT_EQ(1, Add(qso));
  HostQso noExchange = qso;
  noExchange.exchSent = "";
  EXPECT_EQ(0, Remove(noExchange));
  EXPECT_EQ(0, Check("DL1ABC", "CW", "DL", "", "20m"));
  HostQso elsewhere = qso;
  elsewhere.freqHz = 14001000;
  elsewhere.exchRcvd = "999";
  elsewhere.time = HostQso::MakeDate(1.0);
  EXPECT_EQ(1, Remove(elsewhere)) << "frequency, time and exchange do not matter";
  EXPECT_EQ(2, Check("DL1ABC", "CW", "DL", "", "20m"));
}

TEST_F(EntryPointsTest, RemovingOneOfTwoEqualContactsLeavesTheOther) {
  HostQso qso;
  ASSERT_EQ(1, Add(qso));
  ASSERT_EQ(1, Add(qso));
  EXPECT_EQ(1, Remove(qso));
  EXPECT_EQ(0, Check("DL1ABC", "CW", "DL", "", "20m"));
  EXPECT_EQ(1, Remove(qso));
  EXPECT_EQ(2, Check("DL1ABC", "CW", "DL", "", "20m"));
}

TEST_F(EntryPointsTest, HomeStationRemovalNeedsAKnownCounty) {
  ASSERT_EQ(1, Add(Home("HA1AA", "XX")));
  EXPECT_EQ(0, Remove(Home("HA1AA", "XX")));
  EXPECT_EQ(0, Check("HA1AA", "CW", "HA", "", "20m")) << "the record stays";
  ASSERT_EQ(1, Add(Home("HA2BB", "bp")));
  EXPECT_EQ(1, Remove(Home("HA2BB", " BP ")));
  EXPECT_EQ(2, Check("HA3CC", "CW", "HA", "BP", "20m"));
}

}  // namespace
}  // namespace tarno
