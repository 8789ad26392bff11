// The err.txt forecast against the file the plug-in really writes, byte for byte, and the
// warning tarno-score gives before a log would make that file huge.

#include "replay/error_file_forecast.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "logs/bands.h"
#include "replay/plugin_library.h"
#include "run_command.h"

namespace tarno::score {
namespace {

namespace fs = std::filesystem;

// A QSO of HA5AA; `minute` after 09:00 on the contest day.
LogQso Qso(const char* call, const char* band, const char* mode, const char* received, int minute,
           const char* sent = "BP") {
  LogQso qso;
  qso.call = call;
  qso.band = band;
  qso.freqHz = static_cast<uint32_t>(BandLowerEdgeHz(band) + 25000);
  qso.mode = mode;
  qso.rstSent = "599";
  qso.rstRcvd = "599";
  qso.exchSent = sent;
  qso.exchRcvd = received;
  qso.hasTime = OleDaysOf(2026, 3, 7, 9 + minute / 60, minute % 60, 0, &qso.oleDays);
  return qso;
}

std::vector<LogQso> Repeated(const LogQso& qso, int times) {
  return std::vector<LogQso>(times, qso);
}

std::vector<LogQso> Joined(std::vector<std::vector<LogQso>> parts) {
  std::vector<LogQso> all;
  for (std::vector<LogQso>& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

struct Case {
  const char* name;
  std::vector<LogQso> qsos;
  const char* mostRepeated;
  size_t copies;
};

void PrintTo(const Case& test, std::ostream* out) { *out << test.name; }

class ErrorFileForecastTest : public ::testing::TestWithParam<Case> {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    // Loaded for the life of the process: unloaded, the module would drop the objects it
    // keeps that long, which a leak checker reports.
    s_plugin = new PluginLibrary;
    s_ready = s_countries.Load("/usr/share/hamradio-files/cty.dat", &error) &&
              s_plugin->Load(TARNO_PLUGIN_LIBRARY, &error);
    s_error = error;
  }

  static CountryFile s_countries;
  static PluginLibrary* s_plugin;
  static bool s_ready;
  static std::string s_error;
};

CountryFile ErrorFileForecastTest::s_countries;
PluginLibrary* ErrorFileForecastTest::s_plugin = nullptr;
bool ErrorFileForecastTest::s_ready = false;
std::string ErrorFileForecastTest::s_error;

TEST_P(ErrorFileForecastTest, ForecastIsTheSizeThePluginWrites) {
  ASSERT_TRUE(s_ready) << s_error;
  const Case& test = GetParam();
  RunValues run;
  run.ownCall = "HA5AA";
  run.ownContinent = "EU";
  const ErrorFileForecast forecast = ForecastErrorFile(run, test.qsos, s_countries);

  const fs::path back = fs::current_path();
  const fs::path folder = fs::temp_directory_path() / ("tarno-forecast-" + std::string(test.name));
  fs::remove_all(folder);
  std::string error;
  ASSERT_TRUE(EnterRunFolder(folder.string(), &error)) << error;
  Replay(s_plugin->entries(), run, test.qsos, s_countries);
  const uintmax_t written = fs::file_size(folder / "err.txt");
  fs::current_path(back);
  fs::remove_all(folder);

  EXPECT_EQ(written, forecast.bytes);
  EXPECT_EQ(test.mostRepeated, forecast.mostRepeated);
  EXPECT_EQ(test.copies, forecast.copies);
  EXPECT_EQ("", ErrorFileWarning(forecast, forecast.bytes));
  const std::string warning = ErrorFileWarning(forecast, forecast.bytes - 1);
  EXPECT_EQ(0u, warning.find("err.txt will grow to about ")) << warning;
  EXPECT_EQ(test.copies > 1, warning.find(test.mostRepeated) != std::string::npos) << warning;
}

INSTANTIATE_TEST_SUITE_P(
    Logs, ErrorFileForecastTest,
    ::testing::Values(
        Case{"NothingToReport",
             {Qso("HG7BB", "80m", "CW", "PE", 0), Qso("DL1AA", "80m", "CW", "001", 1),
              Qso("HG7BB", "40m", "CW", "PE", 2), Qso("HG7BB", "80m", "SSB", "PE", 3)},
             "HG7BB on 80m CW",
             1},
        // Each copy writes a line per earlier one, each line in the copy's own words.
        Case{"RepeatsOfContactsInterleaved",
             Joined({Repeated(Qso("HG7BB", "80m", "CW", "PE", 0), 37),
                     Repeated(Qso("DL1AA", "20m", "SSB", "001", 5), 6),
                     Repeated(Qso("HG7BB", "80m", "CW", "PEST", 59), 4),
                     Repeated(Qso("DL1AA", "20m", "SSB", "1234567", 9), 3)}),
             "HG7BB on 80m CW", 41},
        // A refused QSO is one line and never a copy; the plug-in compares exact texts.
        Case{"RefusedOnceAndNeverACopy",
             Joined({Repeated(Qso("HG7BB", "30m", "CW", "PE", 0), 3),
                     Repeated(Qso("HG7BB", "80m", "FM", "PE", 1), 2),
                     Repeated(Qso("HG7BB", "80m", "CW", "", 2), 2),
                     Repeated(Qso("HG7BB", "80m", "CW", "PE", 3, ""), 2),
                     Repeated(Qso("hg7bb", "80m", "CW", "PE", 4), 2),
                     {Qso("HG7BB", "80m", "cw", "PE", 5), Qso("HG7BB", "80m", "CW", "PE", 6)}}),
             "hg7bb on 80m CW", 2},
        // A home station's unknown county is a line of its own at every copy.
        Case{"UnknownCountyAtEveryCopy", Repeated(Qso("HA7XY", "40m", "SSB", "XX", 0), 5),
             "HA7XY on 40m SSB", 5}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// 1,700 copies of one QSO would write 110 MB; the operator hears of it before the replay,
// which writes err.txt as ever (here into a file size limit the test sets).
TEST(ErrorFileWarningTest, ScoreWarnsBeforeTheReplayOfAHugeErrorFile) {
  const fs::path folder = fs::temp_directory_path() / "tarno-forecast-warning";
  fs::remove_all(folder);
  fs::create_directories(folder);
  std::string log = "START-OF-LOG: 3.0\r\nCONTEST: TARNO\r\nCALLSIGN: HA9ZZ\r\n";
  for (int i = 0; i < 1700; ++i)
    log += "QSO:  3525 CW 2026-03-07 0900 HA9ZZ         599 BP     HG7BB         599 PE\r\n";
  std::ofstream(folder / "dupes.cbr", std::ios::binary) << log << "END-OF-LOG:\r\n";
  std::string output;
  const int status = tarno::testing::RunCommand(
      "trap '' XFSZ; ulimit -f 2048; " + std::string(TARNO_SCORE_PROGRAM) + " --dir " +
          (folder / "run").string() + " " + (folder / "dupes.cbr").string(),
      &output);
  fs::remove_all(folder);
  EXPECT_EQ(0, status) << output;
  const size_t warning = output.find(
      "dupes.cbr: warning: err.txt will grow to about 110 MB: the plug-in writes a DUPE line "
      "for every earlier copy of a contact at each copy, and HG7BB on 80m CW is logged 1700 "
      "times\n");
  EXPECT_NE(std::string::npos, warning) << output;
  EXPECT_LT(warning, output.find("TARNO-CONTEST")) << output;
}

}  // namespace
}  // namespace tarno::score
