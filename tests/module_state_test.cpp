// What the entry points leave in the module's own lists, and how they use files.

#include <gtest/gtest.h>

#include "contest/error_file.h"
#include "helpers/host_calls.h"
#include "helpers/mem_env.h"
#include "plugin/module_state.h"

namespace tarno {

const EntryPoints& TheEntryPoints();

namespace {

class ModuleStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    COleDateTime start = HostQso::MakeDate(44576.0);
    COleDateTime end = HostQso::MakeDate(44577.0);
    CallResetStats(entry, "HA5TST", &start, &end, "EU");
  }

  static HostQso Home(const char* call, const char* county, const char* band = "20m") {
    HostQso qso;
    qso.call = call;
    qso.exchRcvd = county;
    qso.prefix = "HA";
    qso.band = band;
    return qso;
  }

  ScopedMemEnv files;
  const EntryPoints& entry = TheEntryPoints();
};

TEST_F(ModuleStateTest, ResetLeavesEmptyLogAndDashedRowsButKeepsBandCounties) {
  g_bandCounties[3] = {"BP"};
  ASSERT_EQ(1, CallAddData(entry, HostQso()));
  SetUp();
  EXPECT_EQ(0u, g_log.Size());
  EXPECT_EQ(0u, g_bands.Size());
  for (int band = 0; band < kBandCount; ++band) {
    EXPECT_EQ((std::vector<std::string>{kBandNames[band], "-", "-", "-"}), g_workedRows[band]);
  }
  EXPECT_EQ(std::vector<std::string>{"BP"}, g_bandCounties[3]);
  EXPECT_EQ(kErrorFileHeading, files.env().Content(kErrorFileName));
}

TEST_F(ModuleStateTest, ResetKeepsTheValuesOfTheRun) {
  COleDateTime start = HostQso::MakeDate(44576.0, COleDateTime::kInvalid);
  COleDateTime end = HostQso::MakeDate(44577.0, COleDateTime::kNull);
  CallResetStats(entry, "Q1 ABC", &start, &end, "EU", 1);
  EXPECT_EQ("Invalid DateTime", g_startText);
  EXPECT_EQ("", g_endText);
  EXPECT_EQ("", g_yearText);
  start = HostQso::MakeDate(44576.0);
  end = HostQso::MakeDate(44577.0);
  CallResetStats(entry, "Q1 ABC", &start, &end, "AS", 1);
  EXPECT_EQ("15.01", g_startText);
  EXPECT_EQ("16.01.2022", g_endText);
  EXPECT_EQ("2022", g_yearText);
  EXPECT_EQ("Q1 ABC", g_ownCall);
  EXPECT_EQ("AS", g_ownContinent);
  EXPECT_EQ(1, g_cabrilloMode);
}

TEST_F(ModuleStateTest, AdmittedRecordHoldsTheHostsValues) {
  HostQso qso = Home("HG1AA", " hb\t");
  qso.prefix = "HG";
  qso.freqHz = 3512999;
  qso.band = "80m";
  qso.mode = "SSB";
  qso.rstSent = "59";
  qso.rstRcvd = "57";
  qso.exchSent = "KO";
  qso.continent = "EU";
  ASSERT_EQ(1, CallAddData(entry, qso));
  ASSERT_EQ(1u, g_log.Size());
  const CInfo& record = g_log[0];
  EXPECT_EQ("HG1AA", record.m_call);
  EXPECT_EQ("HG", record.m_prefix);
  EXPECT_EQ("EU", record.m_continent);
  EXPECT_EQ("80m", record.m_band);
  EXPECT_EQ("SSB", record.m_mode);
  EXPECT_EQ("57", record.m_rstRcvd);
  EXPECT_EQ("59", record.m_rstSent);
  EXPECT_EQ(" hb\t", record.m_exchRcvd);
  EXPECT_EQ("KO", record.m_exchSent);
  EXPECT_EQ("HB", record.m_county);
  EXPECT_EQ(3512, record.m_freqKHz);
  EXPECT_EQ(0, record.m_dupe);
  EXPECT_EQ(44576.5, record.m_time.m_dt);
}

TEST_F(ModuleStateTest, BandsAreListedOnceInOrderOfFirstAppearance) {
  for (const char* band : {"6m", "20m", "6m", "40m", "20m", "17m"}) {
    HostQso qso;
    qso.band = band;
    qso.call = band;
    CallAddData(entry, qso);
  }
  EXPECT_EQ((std::vector<std::string>{"6m", "20m", "40m"}), g_bands.Texts());
}

TEST_F(ModuleStateTest, DupeFlagsFollowLogOrderAndSurviveRemoval) {
  HostQso qso;
  CallAddData(entry, qso);
  CallAddData(entry, qso);
  CallAddData(entry, qso);
  EXPECT_EQ(0, g_log[0].m_dupe);
  EXPECT_EQ(1, g_log[1].m_dupe);
  EXPECT_EQ(1, g_log[2].m_dupe);
  ASSERT_EQ(1, CallRemoveData(entry, qso));
  ASSERT_EQ(2u, g_log.Size());
  EXPECT_EQ(1, g_log[0].m_dupe);
}

TEST_F(ModuleStateTest, UnknownCountyIsLoggedWithoutCounty) {
  ASSERT_EQ(1, CallAddData(entry, Home("HA1AA", "XX")));
  EXPECT_EQ("", g_log[0].m_county);
  EXPECT_EQ("XX", g_log[0].m_exchRcvd);
}

TEST_F(ModuleStateTest, RemovalKeepsACountyThatAnotherQsoOfTheBandStillHolds) {
  CallAddData(entry, Home("HA1AA", "BP"));
  CallAddData(entry, Home("HA2BB", "BP"));
  CallAddData(entry, Home("HA3CC", "ZA"));
  g_bandCounties[3] = {"BP", "ZA"};
  ASSERT_EQ(1, CallRemoveData(entry, Home("HA1AA", "BP")));
  EXPECT_EQ((std::vector<std::string>{"BP", "ZA"}), g_bandCounties[3]);
  ASSERT_EQ(1, CallRemoveData(entry, Home("HA2BB", "bp")));
  EXPECT_EQ(std::vector<std::string>{"ZA"}, g_bandCounties[3]);
}

TEST_F(ModuleStateTest, RemovalOnABandOutsideTheSixTouchesNoCountyList) {
  CallAddData(entry, Home("HA1AA", "BP", "6m"));
  g_bandCounties[0] = {"BP"};
  ASSERT_EQ(1, CallRemoveData(entry, Home("HA1AA", "BP", "6m")));
  EXPECT_EQ(0u, g_log.Size());
  EXPECT_EQ(std::vector<std::string>{"BP"}, g_bandCounties[0]);
}

TEST_F(ModuleStateTest, RemovalOfAMissingQsoTouchesNoCountyList) {
  g_bandCounties[3] = {"BP"};
  ASSERT_EQ(1, CallRemoveData(entry, Home("HA1AA", "BP")));
  EXPECT_EQ(std::vector<std::string>{"BP"}, g_bandCounties[3]);
}

TEST_F(ModuleStateTest, CleanQsoTouchesNoFile) {
  const int writesAfterReset = files.env().writeCount();
  HostQso home = Home("HA1AA", "BP");
  ASSERT_EQ(1, CallAddData(entry, HostQso()));
  ASSERT_EQ(1, CallAddData(entry, home));
  ASSERT_EQ(1, CallCheckCall(entry, "DL2XX", "CW", "DL", "", "20m"));
  ASSERT_EQ(1, CallRemoveData(entry, home));
  EXPECT_EQ(writesAfterReset, files.env().writeCount());
}

TEST_F(ModuleStateTest, UnwritableErrorFileChangesNothingElse) {
  files.env().FailWrites(kErrorFileName);
  HostQso qso;
  EXPECT_EQ(1, CallAddData(entry, qso));
  EXPECT_EQ(1, CallAddData(entry, qso));
  qso.band = "30m";
  EXPECT_EQ(0, CallAddData(entry, qso));
  EXPECT_EQ(2u, g_log.Size());
  EXPECT_EQ(1, g_log[1].m_dupe);
  EXPECT_EQ(kErrorFileHeading, files.env().Content(kErrorFileName));
}

}  // namespace
}  // namespace tarno
