// Lookups run against the installed country file, since which prefix a call gets depends
// on what that file says; the parser is held to small files written here.

#include "logs/country_file.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace tarno::score {
namespace {

class RealCountryFileTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    s_loaded = s_file.Load("/usr/share/hamradio-files/cty.dat", &error);
    s_error = error;
  }
  void SetUp() override { ASSERT_TRUE(s_loaded) << s_error; }

  // "prefix/continent", or "-" when nothing is found, so a table reads at a glance.
  static std::string Of(std::string_view call) {
    const CountryInfo info = s_file.Lookup(call);
    if (!info.found) return info.prefix.empty() && info.continent.empty() ? "-" : "half-found";
    return info.prefix + "/" + info.continent;
  }

  static CountryFile s_file;
  static bool s_loaded;
  static std::string s_error;
};

CountryFile RealCountryFileTest::s_file;
bool RealCountryFileTest::s_loaded = false;
std::string RealCountryFileTest::s_error;

TEST_F(RealCountryFileTest, PlainCallsGetTheirEntitysPrimaryPrefix) {
  EXPECT_EQ(Of("DL1ABC"), "DL/EU");
  EXPECT_EQ(Of("W1AW"), "K/NA");
  EXPECT_EQ(Of("JA1ABC"), "JA/AS");
  EXPECT_EQ(Of("VK2XX"), "VK/OC");
  EXPECT_EQ(s_file.Lookup("W1AW").entity, "United States of America");
}

TEST_F(RealCountryFileTest, HungarianCallsKeepTheirOwnTwoLetters) {
  EXPECT_EQ(Of("HA1XY"), "HA/EU");
  EXPECT_EQ(Of("HG5A"), "HG/EU");
  EXPECT_EQ(Of("HA8/DL1ABC"), "HA/EU");
  EXPECT_EQ(Of("DL1ABC/HG8"), "HG/EU");
  EXPECT_EQ(Of("HG4I/LH"), "HG/EU");  // an exact entry
}

TEST_F(RealCountryFileTest, AwardListEntitiesGiveTheirPrimaryWithoutTheStar) {
  EXPECT_EQ(Of("IT9ABC"), "IT9/EU");
  EXPECT_EQ(Of("IH9XX"), "IG9/AF");
  EXPECT_EQ(Of("GB0BL"), "GM/s/EU");  // listed under Scotland too; Shetland is finer
}

TEST_F(RealCountryFileTest, ExactCallsWinOverPrefixes) {
  EXPECT_EQ(Of("HC8MA"), "HC/SA");       // Ecuador, though HC8 is Galapagos
  EXPECT_EQ(Of("HC8MA/P"), "HC/SA");     // same station, same place
  EXPECT_EQ(Of("3D2AG/P"), "3D2/r/OC");  // the whole call with its "/P" is Rotuma
  EXPECT_EQ(Of("3D2AG"), "3D2/OC");
  EXPECT_EQ(Of("N2NL/MM"), "K/NA");  // listed, so not left in no country
}

TEST_F(RealCountryFileTest, PortableFormsFollowWhereTheStationIs) {
  EXPECT_EQ(Of("DL1ABC/P"), "DL/EU");
  EXPECT_EQ(Of("W1AW/QRP"), "K/NA");
  EXPECT_EQ(Of("DL1ABC/YL"), "DL/EU");
  EXPECT_EQ(Of("F6GPT/33"), "F/EU");
  EXPECT_EQ(Of("F/DL1ABC"), "F/EU");
  EXPECT_EQ(Of("DL/HA1XY"), "DL/EU");
  EXPECT_EQ(Of("F/DL1ABC/M"), "F/EU");
  EXPECT_EQ(Of("W1AW/KH6"), "KH6/OC");
  EXPECT_EQ(Of("DL1ABC/OH0"), "OH0/EU");
  EXPECT_EQ(Of("W1AW/4"), "K/NA");
  EXPECT_EQ(Of("HC2AB/8"), "HC8/SA");  // the call area decides here
  EXPECT_EQ(Of("DL1ABC/MM"), "-");
  EXPECT_EQ(Of("W1AW/AM"), "-");
  EXPECT_EQ(Of("Q9/DL1ABC"), "-");  // a stated location that is no country
}

TEST_F(RealCountryFileTest, CallsAreTrimmedAndUpperCased) {
  EXPECT_EQ(Of(" dl1abc/p\t"), "DL/EU");
  EXPECT_EQ(Of("hg5a\r\n"), "HG/EU");
}

TEST_F(RealCountryFileTest, EmptyAndGarbageFindNothing) {
  for (const std::string& call : std::initializer_list<std::string>{
           "", "   ", "/", "///", "DL1ABC!", "DL1 ABC", "\xC4\xD6", "Q0Q0Q0", "QRZ", "DL/HA",
           std::string("DL1\0ABC", 7), std::string(100000, 'W')}) {
    EXPECT_EQ(Of(call), "-") << call.substr(0, 20);
  }
}

constexpr char kTwoEntities[] =
    "Isle One:  14:  28:  EU:   51.00:   -10.00:    -1.0:  I1:\n"
    "    I1,I2(5)[9]{AF},\n"
    "    =J9ZZ/P;\n"
    "Isle Two:  15:  28:  AS:   40.00:   -9.00:    -2.0:  *I2X:\n"
    "    I2X,=I1AA;\n";

TEST(CountryFileParseTest, ReadsTwoEntitiesExactly) {
  CountryFile file;
  std::string error;
  ASSERT_TRUE(file.Parse(kTwoEntities, &error)) << error;
  EXPECT_EQ(file.EntityCount(), 2u);
  const CountryInfo one = file.Lookup("I1BB");
  EXPECT_TRUE(one.found);
  EXPECT_EQ(one.prefix + one.continent + one.entity, "I1EUIsle One");
  EXPECT_EQ(file.Lookup("I2BB").continent, "AF");  // the prefix's override
  EXPECT_EQ(file.Lookup("I2XB").prefix + file.Lookup("I2XB").continent, "I2XAS");
  EXPECT_EQ(file.Lookup("I1AA").entity, "Isle Two");
  EXPECT_EQ(file.Lookup("J9ZZ/P").entity, "Isle One");
  EXPECT_FALSE(file.Lookup("J9ZZ").found);
}

TEST(CountryFileParseTest, CrLfLineEndsReadTheSame) {
  std::string text = kTwoEntities;
  for (size_t at = 0; (at = text.find('\n', at)) != text.npos; at += 2) text.insert(at, "\r");
  CountryFile file;
  std::string error;
  ASSERT_TRUE(file.Parse(text, &error)) << error;
  EXPECT_EQ(file.EntityCount(), 2u);
  EXPECT_EQ(file.Lookup("I2BB").continent, "AF");
  EXPECT_EQ(file.Lookup("I1AA").entity, "Isle Two");
}

TEST(CountryFileParseTest, MalformedFileNamesTheLine) {
  const std::string good = "A:  14:  28:  EU:  1.0:  2.0:  -1.0:  A1:\n    A1;\n";
  const struct {
    std::string text;
    std::string errorStart;
  } cases[] = {
      {good + "B:  14:  28:  EU:  1.0:  2.0:  B1:\n    B1;\n", "line 3: "},
      {good + "B:  14:  28:  XX:  1.0:  2.0:  -1.0:  B1:\n    B1;\n", "line 3: "},
      {good + "B:  14:  28:  EU:  1.0:  2.0:  -1.0:  B1:\n    B1,\n", "line 3: "},
      {good + "\nB:  14:  28:  EU:  1.0:  2.0:  -1.0:  B1:\n    B1,\n" + good, "line 6: "},
      {good + "B:  14:  28:  EU:  1.0:  2.0:  -1.0:  B1:\n    B1{XX};\n", "line 4: "},
      {good + "B:  14:  28:  EU:  1.0:  2.0:  -1.0:  B1:\n    B1(5;\n", "line 4: "},
      {good + "B:  14:  28:  EU:  1.0:  2.0:  -1.0:  B1:\n    B 1;\n", "line 4: "},
      {good + "B:  14:  28:  EU:  1.0:  2.0:  -1.0:  B1:\n    B1; B2\n", "line 4: "},
      {good + "    B1;\n", "line 3: "},
      {"<html>\n", "line 1: "},
  };
  for (const auto& c : cases) {
    CountryFile file;
    std::string error;
    EXPECT_FALSE(file.Parse(c.text, &error)) << c.text;
    EXPECT_EQ(error.substr(0, c.errorStart.size()), c.errorStart) << error;
  }
}

TEST(CountryFileParseTest, FailureIsNeverSuccessAndKeepsWhatWasRead) {
  CountryFile file;
  std::string error;
  EXPECT_FALSE(file.Parse("\r\n  \n", &error));
  EXPECT_FALSE(error.empty());
  ASSERT_TRUE(file.Parse(kTwoEntities, &error));
  EXPECT_FALSE(file.Parse("Broken:\n", &error));
  EXPECT_EQ(file.EntityCount(), 2u);
  EXPECT_TRUE(file.Lookup("I1BB").found);
  EXPECT_FALSE(file.Load("/nonexistent/cty.dat", &error));
  EXPECT_EQ(error.rfind("/nonexistent/cty.dat: ", 0), 0u) << error;
}

}  // namespace
}  // namespace tarno::score
