// What a cross-check takes from the machine: its scratch folder stays in proportion to the
// logs whatever they hold, goes when the run is told to end, and a run killed outright
// leaves nothing that the next run does not remove.

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "crosscheck_fixture.h"

namespace tarno::testing {
namespace {

using namespace std::chrono_literals;

// Where the command keeps its scratch folder.
fs::path ScratchRoot() {
  return fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
}

// The scratch folder of process `id`, or an empty path while it has none.
fs::path ScratchOf(pid_t id) {
  const std::string start = "tarno-crosscheck-p" + std::to_string(id) + "-";
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(ScratchRoot(), error)) {
    if (entry.path().filename().string().compare(0, start.size(), start) == 0) return entry.path();
  }
  return {};
}

uintmax_t BytesUnder(const fs::path& folder) {
  uintmax_t bytes = 0;
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (it->is_regular_file(error)) bytes += it->file_size(error);
  }
  return bytes;
}

// A process id no process has: a child's, once it has ended.
pid_t GoneProcess() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

class CrosscheckResourcesTest : public CrosscheckFixture {
 protected:
  void TearDown() override {
    for (const fs::path& planted : m_planted) fs::remove_all(planted);
    CrosscheckFixture::TearDown();
  }

  // Starts the cross-check of `logs`, no file it writes larger than `fileLimitBytes`, its
  // output in output.txt, the ending signals as the system has them by default.
  pid_t Start(const fs::path& logs, rlim_t fileLimitBytes) const {
    const std::vector<std::string> args = {TARNO_SCORE_PROGRAM, "crosscheck", "--out",
                                           Out().string(), logs.string()};
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const std::string output = (m_folder / "output.txt").string();
    const pid_t child = fork();
    if (child == 0) {
      const rlimit limit{fileLimitBytes, fileLimitBytes};
      setrlimit(RLIMIT_FSIZE, &limit);
      signal(SIGINT, SIG_DFL);
      signal(SIGTERM, SIG_DFL);
      signal(SIGHUP, SIG_DFL);
      const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(out, 1);
      dup2(out, 2);
      execv(argv[0], argv.data());
      _exit(127);
    }
    return child;
  }

  fs::path CopyHandMadeContest() const {
    const fs::path logs = m_folder / "logs";
    fs::create_directories(logs);
    for (const fs::directory_entry& log :
         fs::directory_iterator(fs::path(TARNO_SOURCE_DIR) / "tests/data/crosscheck/logs")) {
      fs::copy_file(log.path(), logs / log.path().filename());
    }
    return logs;
  }

  std::vector<fs::path> m_planted;  // folders in the scratch root, removed after the test
};

// One contact logged 3,000 times made the plug-in's err.txt in the scratch folder 340 MB
// (it writes a line per earlier copy at every copy). The folder must stay a few kilobytes
// and go with the run, and no file the run writes may outgrow the logs (an entrant's report
// holds each line that lost credit with both sides': under twice its log).
TEST_F(CrosscheckResourcesTest, DupeHeavyLogKeepsScratchAndFilesInProportion) {
  const fs::path logs = CopyHandMadeContest();
  std::string dupes = "START-OF-LOG: 3.0\r\nCONTEST: TARNO\r\nCALLSIGN: HA9ZZ\r\n";
  for (int i = 0; i < 3000; ++i)
    dupes += "QSO:  3525 CW 2026-03-07 0900 HA9ZZ         599 BP     HG7BB         599 PE\r\n";
  Write("logs/ha9zz.cbr", dupes + "END-OF-LOG:\r\n");
  // What a run killed outright left, and what a run still at work (this one) uses.
  const fs::path abandoned =
      ScratchRoot() / ("tarno-crosscheck-p" + std::to_string(GoneProcess()) + "-test");
  const fs::path inUse = ScratchRoot() / ("tarno-crosscheck-p" + std::to_string(getpid()) + "-t");
  m_planted = {abandoned, inUse};
  fs::create_directories(abandoned / "Plugins");
  fs::create_directories(inUse);
  std::ofstream(abandoned / "Plugins" / "TARNO-Contest.ini") << "[Settings]\n";

  uintmax_t logBytes = 0;
  for (const fs::directory_entry& log : fs::directory_iterator(logs)) logBytes += log.file_size();
  // The copies of the plug-in, one for each further thread, are the one exception.
  const uintmax_t pluginBytes =
      fs::file_size(fs::path(TARNO_SCORE_PROGRAM).parent_path() / "libtarno-contest.so");
  const pid_t child = Start(logs, 4 * logBytes + pluginBytes);
  uintmax_t largestScratch = 0;
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    const fs::path scratch = ScratchOf(child);
    if (!scratch.empty()) largestScratch = std::max(largestScratch, BytesUnder(scratch));
    std::this_thread::sleep_for(2ms);
  }
  const std::string output = Slurp(m_folder / "output.txt");
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status) << "\n" << output;
  EXPECT_EQ(0, WEXITSTATUS(status)) << output;
  EXPECT_LT(largestScratch, 4096u);
  EXPECT_TRUE(ScratchOf(child).empty());
  EXPECT_FALSE(fs::exists(abandoned));
  EXPECT_TRUE(fs::exists(inUse));
  const std::string verdicts = Slurp(Out() / "verdicts.csv");
  EXPECT_NE(std::string::npos, verdicts.find("\nHA9ZZ,4,NIL,HG7BB,not in HG7BB's log\n"));
  EXPECT_NE(std::string::npos, verdicts.find("\nHA9ZZ,3003,DUPE,HG7BB,dupe of line 4\n"));
}

// Past a few dozen copies of one contact the plug-in is asked in runs of their own; a copy
// it refuses there is INVALID as anywhere else, and the others DUPE of the first one.
TEST_F(CrosscheckResourcesTest, CopiesPastTheBoundAreJudgedLikeTheFirstOnes) {
  const fs::path logs = CopyHandMadeContest();
  std::string adif = "made by hand<EOH>\n";
  const std::vector<int> refused = {1, 30, 41, 42, 77, 100};  // no exchange received
  for (int record = 1; record <= 100; ++record) {
    const bool noExchange = std::find(refused.begin(), refused.end(), record) != refused.end();
    adif +=
        "<STATION_CALLSIGN:5>HA1XY<CALL:5>HG7BB<QSO_DATE:8>20260307<TIME_ON:4>0900"
        "<FREQ:5>3.525<MODE:2>CW<STX_STRING:2>PE" +
        std::string(noExchange ? "" : "<SRX_STRING:2>BP") + "<EOR>\n";
  }
  Write("logs/ha1xy.adi", adif);
  std::string output;
  ASSERT_EQ(0, Crosscheck(logs.string(), &output)) << output;
  const std::string verdicts = Slurp(Out() / "verdicts.csv");
  for (int record = 1; record <= 100; ++record) {
    const bool noExchange = std::find(refused.begin(), refused.end(), record) != refused.end();
    const std::string row = "\nHA1XY," + std::to_string(record) + "," +
                            (noExchange    ? "INVALID,HG7BB,refused: NO RX NUMBER"
                             : record == 2 ? "NIL,HG7BB,not in HG7BB's log"
                                           : "DUPE,HG7BB,dupe of line 2") +
                            "\n";
    EXPECT_NE(std::string::npos, verdicts.find(row)) << row;
  }
}

class CrosscheckSignalTest : public CrosscheckResourcesTest,
                             public ::testing::WithParamInterface<int> {};

TEST_P(CrosscheckSignalTest, SignalRemovesTheScratchFolderAndEndsTheRun) {
  // verdicts.csv as a pipe nobody reads holds the run, its plug-in loaded, until the signal.
  fs::create_directories(Out());
  ASSERT_EQ(0, mkfifo((Out() / "verdicts.csv").c_str(), 0600));
  const pid_t child = Start(CopyHandMadeContest(), RLIM_INFINITY);
  const auto ended = [&](std::chrono::milliseconds patience, int* status) {
    for (auto waited = 0ms; waited < patience; waited += 1ms) {
      if (waitpid(child, status, WNOHANG) == child) return true;
      std::this_thread::sleep_for(1ms);
    }
    return false;
  };
  int status = 0;
  bool working = false;
  for (auto waited = 0ms; !working && waited < 20s; waited += 1ms) {
    ASSERT_NE(child, waitpid(child, &status, WNOHANG)) << Slurp(m_folder / "output.txt");
    const fs::path scratch = ScratchOf(child);
    working = !scratch.empty() && fs::exists(scratch / "err.txt");
    if (!working) std::this_thread::sleep_for(1ms);
  }
  std::this_thread::sleep_for(10ms);  // past the instant between the folder and its guard
  if (working) kill(child, GetParam());
  if (!working || !ended(10s, &status)) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    FAIL() << (working ? "the signal did not end the run" : "no scratch folder of the run");
  }
  ASSERT_TRUE(WIFSIGNALED(status)) << Slurp(m_folder / "output.txt");
  EXPECT_EQ(GetParam(), WTERMSIG(status));
  EXPECT_TRUE(ScratchOf(child).empty());
}

INSTANTIATE_TEST_SUITE_P(EndingSignals, CrosscheckSignalTest,
                         ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(info.param == SIGINT    ? "Sigint"
                                              : info.param == SIGTERM ? "Sigterm"
                                                                      : "Sighup");
                         });

}  // namespace
}  // namespace tarno::testing
