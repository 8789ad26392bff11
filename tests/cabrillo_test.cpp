// The Cabrillo export as the sponsor receives it, byte for byte, driven through the
// entry points with a scripted operator at the header dialog.

#include <gtest/gtest.h>

#include "cabrillo/cabrillo_log.h"
#include "helpers/fakes.h"
#include "helpers/host_calls.h"
#include "helpers/mem_env.h"
#include "plugin/module_state.h"

namespace tarno {

const EntryPoints& TheEntryPoints();

namespace {

// The header with no settings stored, for own call Q1ABC and a given score; the
// OPERATORS line defaults to the own call.
std::string DefaultHeader(const std::string& claimed, const std::string& version = "") {
  return "START-OF-LOG: 3.0\r\nCONTEST: TARNO\r\nCALLSIGN: Q1ABC\r\n"
         "CATEGORY-OPERATOR: SINGLE-OP\r\nCATEGORY-BAND: ALL\r\nCATEGORY-POWER: HIGH\r\n"
         "CATEGORY-MODE: MIXED\r\nCATEGORY-TRANSMITTER: ONE\r\nOPERATORS: Q1ABC\r\n"
         "LOCATION: \r\nCLAIMED-SCORE: " +
         claimed + "\r\nCLUB: \r\nCREATED-BY: Zelk " + version +
         "\r\nNAME: \r\nADDRESS: \r\nADDRESS-CITY: \r\nADDRESS-POSTALCODE: \r\n"
         "ADDRESS-COUNTRY: \r\nE-MAIL: \r\nSOAPBOX: \r\n";
}

class CabrilloTest : public ::testing::Test {
 protected:
  void Reset(const char* ownCall = "Q1ABC") {
    COleDateTime start = HostQso::MakeDate(44576.0);
    COleDateTime end = HostQso::MakeDate(44577.0);
    CallResetStats(entry, ownCall, &start, &end, "EU", 1);
  }
  std::string Export(const char* file = "Q1ABC.cbr") {
    int flag = 0;
    entry.getResult(&flag);
    EXPECT_EQ(-1, flag);
    return files.env().Content(file);
  }
  void Add(const char* call, unsigned int freqHz, const char* mode, const char* exchange,
           const char* prefix = "DL") {
    HostQso qso;
    qso.call = call;
    qso.freqHz = freqHz;
    qso.mode = mode;
    qso.exchRcvd = exchange;
    qso.prefix = prefix;
    qso.time = HostQso::MakeDate(44576.0 + (7 * 60 + 5) / 1440.0);
    CallAddData(entry, qso);
  }

  ScopedMemEnv files;
  ScopedFakeServices services;
  const EntryPoints& entry = TheEntryPoints();
};

TEST_F(CabrilloTest, EmptyLogIsTheHeaderAndTheEnd) {
  Reset();
  EXPECT_EQ(DefaultHeader("0") + "END-OF-LOG:\r\n", Export());
  EXPECT_EQ(std::vector<std::string>{"File produced: Q1ABC.cbr"}, services.desktop.messages);
}

TEST_F(CabrilloTest, QsoLinesKeepTheirColumnsAndWideValuesPushTheRestRight) {
  Reset();
  Add("DL1ABC", 1800000, "CW", "001");
  Add("DL1ABC", 1800999, "CW", "002");  // a dupe is written like any other QSO
  Add("HA1AA", 14025000, "SSB", " bp", "HA");
  Add("Q1VERYLONGCALL/QRP", 144300000, "CW", "12345678");
  EXPECT_EQ(DefaultHeader("8") +
                "QSO:  1800 CW 2022-01-15 0705 Q1ABC         599 BP     DL1ABC        599 001\r\n"
                "QSO:  1800 CW 2022-01-15 0705 Q1ABC         599 BP     DL1ABC        599 002\r\n"
                "QSO: 14025 PH 2022-01-15 0705 Q1ABC         599 BP     HA1AA         599  bp\r\n"
                "QSO: 144300 CW 2022-01-15 0705 Q1ABC         599 BP     Q1VERYLONGCALL/QRP 599 "
                "12345678\r\n"
                "END-OF-LOG:\r\n",
            Export());
}

TEST_F(CabrilloTest, UnknownModeAndControlCharactersInQsoValues) {
  CCabrilloLog log;
  log.m_callsign = "Q1\tABC";
  COleDateTime invalid;
  invalid.m_status = COleDateTime::kInvalid;
  log.AddQso("DL\r\n1ABC", 7000, "??", invalid, "5\n9", "1", "59",
             "0\x01"
             "1");
  EXPECT_EQ(std::vector<std::string>{"QSO:  7000 ?? Invalid DateTime Q1 ABC        5 9 1      "
                                     "DL  1ABC      59  0 1\r\n"},
            log.m_qsoLines);
}

TEST_F(CabrilloTest, RepeatedExportsWriteEveryQsoOnce) {
  Reset();
  Add("DL1ABC", 7010000, "CW", "001");
  const std::string first = Export();
  EXPECT_EQ(first, Export());
  services.desktop.confirm = false;
  Reset();
  Add("DL1ABC", 7010000, "CW", "001");
  EXPECT_EQ(first, Export());
}

TEST_F(CabrilloTest, ConfirmedHeaderIsStoredAndWritten) {
  services.settings.values["Claimed"] = "1234";
  services.desktop.edit = [](CabrilloHeaderValues* v) {
    v->claimed = "999999";
    v->callsign = "Q1XYZ";
    v->categoryBand = "160M";
    v->categoryPower = "LOW";
    v->categoryOperator = "MULTI-OP";
    v->contest = "OTHER";
    v->name = "Jo Ham";
    v->club = "";
    v->operators = "Q1ABC Q1XYZ\r\nQ1DEF";
    v->soapbox = "Line one\r\nLine <CR>two\r\n";
  };
  Reset();
  EXPECT_EQ("1234", services.desktop.shown.at(0).claimed);
  EXPECT_EQ(
      std::vector<std::string>({"Band=160M", "Power=LOW", "Operators=Q1ABC Q1XYZ<CR><LF>Q1DEF",
                                "Name=Jo Ham", "Address=", "Address-City=", "Address-PostalCode=",
                                "Address-Country=", "Category=MULTI-OP", "Contest=OTHER",
                                "Email=", "Club=", "SoapBox=Line one<CR><LF>Line <CR>two<CR><LF>",
                                "Loc=", "Start=1", "Start=0"}),
      services.settings.writes);
  Add("DL1ABC", 7010000, "CW", "001");
  const std::string file = Export();
  EXPECT_NE(std::string::npos,
            file.find("CALLSIGN: Q1XYZ\r\nCATEGORY-OPERATOR: MULTI-OP\r\nCATEGORY-BAND: 160M\r\n"
                      "CATEGORY-POWER: LOW\r\n"));
  EXPECT_NE(std::string::npos, file.find("OPERATORS: Q1ABC Q1XYZ\r\nOPERATORS: Q1DEF\r\n"));
  EXPECT_NE(std::string::npos,
            file.find("SOAPBOX: Line one\r\nSOAPBOX: Line \r\nSOAPBOX: two\r\nSOAPBOX: \r\n"));
  EXPECT_NE(std::string::npos, file.find("CONTEST: TARNO\r\n"));
  EXPECT_NE(std::string::npos, file.find("0705 Q1XYZ         599"));
  EXPECT_EQ("Q1ABC.cbr", g_cabrilloLog.FileName()) << "the file keeps the own call's name";
}

TEST_F(CabrilloTest, StoredHeaderComesBackAndCategoriesStartAgain) {
  services.settings.values = {{"Operators", "Q1ABC<CR><LF>Q1DEF"},
                              {"SoapBox", "Hello<CR><LF>world"},
                              {"Band", "20M"},
                              {"Name", "Jo"}};
  services.desktop.confirm = false;
  Reset();
  const CabrilloHeaderValues& shown = services.desktop.shown.at(0);
  EXPECT_EQ("Q1ABC<CR><LF>Q1DEF", shown.operators);
  EXPECT_EQ("Hello\r\nworld", shown.soapbox);
  EXPECT_EQ("ALL", shown.categoryBand);
  EXPECT_EQ("SINGLE-OP", shown.categoryOperator);
  EXPECT_EQ("Jo", shown.name);
  EXPECT_EQ(std::vector<std::string>({"Start=1", "Start=0"}), services.settings.writes)
      << "a cancelled dialog stores nothing";
  const std::string file = Export();
  EXPECT_NE(std::string::npos, file.find("OPERATORS: Q1ABC\r\nOPERATORS: Q1DEF\r\nLOCATION"));
  EXPECT_NE(std::string::npos, file.find("SOAPBOX: Hello\r\nSOAPBOX: world\r\nEND-OF-LOG"));
}

TEST_F(CabrilloTest, HostVersionEndsTheCreatedByLine) {
  services.desktop.hostVersion = "2.20";
  Reset();
  EXPECT_EQ(DefaultHeader("0", "2.20") + "END-OF-LOG:\r\n", Export());
}

TEST_F(CabrilloTest, FileThatCannotBeWrittenIsNotAnnouncedAsProduced) {
  files.env().FailWrites("Q1ABC.cbr");
  Reset();
  Export();
  EXPECT_EQ(std::vector<std::string>{"File could not be written: Q1ABC.cbr"},
            services.desktop.messages);
}

TEST_F(CabrilloTest, OwnCallBecomesASafeFileName) {
  EXPECT_EQ("Q1AA_P", FileCallOf("Q1AA/P"));
  EXPECT_EQ("Q1AA_P", FileCallOf(" Q1AA\\P\t"));
  EXPECT_EQ("XOTL", FileCallOf("   "));
  EXPECT_EQ("XOTL", FileCallOf(""));
  EXPECT_EQ("_.._.._x", FileCallOf("/../..\\x"));
  EXPECT_EQ("C__a_b_c_d_e_f", FileCallOf("C:<a>b\"c|d?e*f"));
  EXPECT_EQ("a_b", FileCallOf("a\x01"
                              "b"));
  EXPECT_EQ("con_", FileCallOf("con"));
  EXPECT_EQ("LPT1_", FileCallOf("LPT1"));
  EXPECT_EQ("COM10", FileCallOf("COM10"));
  EXPECT_EQ("NUL_.X", FileCallOf("NUL.X")) << "a device name stays one with an extension";
  Reset("Q1AA/P");
  EXPECT_EQ("Q1AA_P.cbr", g_cabrilloLog.FileName());
}

TEST(ReplaceAllTest, InsertedTextIsNotScannedAgain) {
  EXPECT_EQ("a<CR>b", ReplaceAll("a\rb", "\r", "<CR>"));
  EXPECT_EQ("xxxx", ReplaceAll("xx", "x", "xx"));
  EXPECT_EQ("abc", ReplaceAll("abc", "", "z"));
  EXPECT_EQ("\r\nTAG: a\r\nTAG: ", ReplaceAll("<CR>a<CR>", "<CR>", "\r\nTAG: "));
}

}  // namespace
}  // namespace tarno
