// The module on real files that cannot be written: a folder or a full device where a file
// should be, a read-only folder or file system, a missing settings folder, and a disk that
// fills up in the middle of a statistics run. Whatever fails, every entry point still answers,
// the log in memory stays whole, the settings file keeps what it held, and the Cabrillo
// export says when its file was not written. Files, folders and settings are the real ones in
// a scratch folder that is the current directory; only the windows, the host link and the
// desktop are recorders.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "helpers/fakes.h"
#include "helpers/file_checks.h"
#include "helpers/host_calls.h"
#include "helpers/log_answers.h"
#include "plugin/module_state.h"

namespace tarno {

const EntryPoints& TheEntryPoints();

namespace {

namespace fs = std::filesystem;

const char kHeading[] = "TARNO Contest UBN file \r\n";
const char kSettingsPath[] = "Plugins/TARNO-Contest.ini";
const char kEarlierSettings[] =
    "[Settings]\r\nName=Kovacs Janos\r\nClub=TARNO RC\r\nLoc=JN97\r\nMultiplier=0\r\n";

// True when this process can create a file in `folder` whatever its permissions say.
bool CanCreateIn(const fs::path& folder) {
  const fs::path probe = folder / "probe";
  int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

// A scratch folder as the host's current directory, with recorders in the place of the
// windows, the host link and the desktop. Mounts made by a test are undone here too.
class FaultInjectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_previous = fs::current_path();
    m_folder = fs::temp_directory_path() /
               ("tarno-faults-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(m_folder);
    fs::create_directories(m_folder);
    fs::current_path(m_folder);
    m_previousWindow = g_countyWindowControl;
    m_previousHost = g_hostLink;
    m_previousDesktop = g_desktop;
    g_countyWindowControl = &window;
    g_hostLink = &host;
    g_desktop = &desktop;
  }

  void TearDown() override {
    g_countyWindowControl = m_previousWindow;
    g_hostLink = m_previousHost;
    g_desktop = m_previousDesktop;
    fs::current_path(m_previous);
    for (auto it = m_mounts.rbegin(); it != m_mounts.rend(); ++it) {
      ::umount2(it->c_str(), MNT_DETACH);
    }
    for (const fs::path& folder : m_lockedFolders) ::chmod(folder.c_str(), 0755);
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
  }

  // Mounts a tmpfs with `options` ("size=64k") on `folder`; the reason when it cannot.
  std::string MountTmpfs(const fs::path& folder, const char* options) {
    fs::create_directories(folder);
    if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, options) != 0) {
      return std::string("cannot mount a tmpfs (") + std::strerror(errno) +
             "): needs root or CAP_SYS_ADMIN";
    }
    m_mounts.push_back(fs::absolute(folder));
    return std::string();
  }

  void Lock(const fs::path& folder) {
    ::chmod(folder.c_str(), 0555);
    m_lockedFolders.push_back(fs::absolute(folder));
  }

  void WriteEarlierSettings() {
    fs::create_directories("Plugins");
    Spit(kSettingsPath, kEarlierSettings);
  }

  std::string Setting(const char* key) {
    return g_settingsStore->Read(g_iniFile, g_iniSection, key);
  }

  // The keys the settings file held before the fault read back as they were.
  void ExpectEarlierSettingsKept() {
    EXPECT_EQ("Kovacs Janos", Setting("Name"));
    EXPECT_EQ("TARNO RC", Setting("Club"));
    EXPECT_EQ("JN97", Setting("Loc"));
    EXPECT_EQ("0", Setting("Multiplier"));
    EXPECT_EQ(0u, Slurp(kSettingsPath).rfind("[Settings]\r\n", 0)) << Slurp(kSettingsPath);
  }

  void Reset(int cabrilloMode = 0) {
    COleDateTime start = HostQso::MakeDate(44576.0);
    COleDateTime end = HostQso::MakeDate(44577.0);
    ASSERT_EQ(1, CallResetStats(entry, "Q1ABC", &start, &end, "EU", cabrilloMode));
  }

  // QSO number `n`: every fifth on 17 m (refused), every seventh a repeat of the one before
  // (a dupe, whose line repeats for every earlier contact), the others new stations.
  HostQso NumberedQso(int n) {
    HostQso qso;
    const int station = n % 7 == 3 ? n - 1 : n;
    m_calls.push_back("DL" + std::to_string(station) + "ABC");
    qso.call = m_calls.back().c_str();
    qso.band = n % 5 == 4 ? "17m" : "20m";
    return qso;
  }

  // Adds QSOs 0 to count-1 and checks each answer; returns how many were admitted.
  int AddNumberedQsos(int count) {
    int admitted = 0;
    for (int n = 0; n < count; ++n) {
      const HostQso qso = NumberedQso(n);
      const int expected = std::string(qso.band) == "17m" ? 0 : 1;
      EXPECT_EQ(expected, CallAddData(entry, qso)) << "QSO " << n;
      admitted += expected;
    }
    return admitted;
  }

  // Asks every entry point and checks the answers that show the module and its log intact.
  void ExpectModuleAnswers(int admitted) {
    EXPECT_EQ(1, entry.getNumberOfSets());
    EXPECT_STREQ("TARNO Contest (C)", entry.getSetName(0));
    EXPECT_EQ(1, entry.getExchgCount(nullptr, nullptr, nullptr));
    EXPECT_EQ(1, entry.isValidExchg("BP", nullptr, "HA", nullptr, 0, 0, 0));
    entry.setupSet();
    ExpectLogAnswers(entry, admitted);
  }

  std::string LastMessage() {
    return desktop.messages.empty() ? "<no message>" : desktop.messages.back();
  }

  RecordingCountyWindow window;
  RecordingHostLink host;
  ScriptedDesktop desktop;
  const EntryPoints& entry = TheEntryPoints();

 private:
  fs::path m_previous;
  fs::path m_folder;
  std::vector<fs::path> m_mounts;
  std::vector<fs::path> m_lockedFolders;
  std::deque<std::string> m_calls;  // stable storage for the texts the QSOs point to
  CountyWindowControl* m_previousWindow = nullptr;
  HostLink* m_previousHost = nullptr;
  Desktop* m_previousDesktop = nullptr;
};

TEST_F(FaultInjectionTest, ErrorFileThatIsAFolderLosesItsLinesAndNothingElse) {
  fs::create_directory("err.txt");
  WriteEarlierSettings();
  Reset();
  const int admitted = AddNumberedQsos(30);
  ExpectModuleAnswers(admitted);
  EXPECT_TRUE(fs::is_directory("err.txt"));
  EXPECT_TRUE(fs::is_empty("err.txt"));
  ExpectEarlierSettingsKept();
  EXPECT_EQ("1", Setting("Start"));
}

TEST_F(FaultInjectionTest, ErrorFileOnAFullDeviceLosesItsLinesAndNothingElse) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
  fs::create_symlink("/dev/full", "err.txt");
  WriteEarlierSettings();
  Reset();
  const int admitted = AddNumberedQsos(30);
  ExpectModuleAnswers(admitted);
  EXPECT_TRUE(fs::is_symlink("err.txt")) << "the link was replaced";
  ExpectEarlierSettingsKept();
}

// Permissions stop an ordinary user; root passes them, so as root the folder is a file system
// mounted read-only instead, which stops root as well.
TEST_F(FaultInjectionTest, ReadOnlyFolderWritesNothingAndReportsTheCabrilloFile) {
  const fs::path folder = "locked";
  fs::create_directory(folder);
  const bool privileged = ::geteuid() == 0;
  if (privileged) {
    const std::string why = MountTmpfs(folder, "size=64k");
    if (!why.empty()) GTEST_SKIP() << "root passes permissions, and " << why;
  }
  fs::current_path(folder);
  WriteEarlierSettings();
  if (privileged) {
    ASSERT_EQ(0, ::mount(nullptr, ".", nullptr, MS_REMOUNT | MS_RDONLY, nullptr))
        << std::strerror(errno);
  } else {
    Lock("Plugins");
    Lock(".");
  }
  if (CanCreateIn(".") || CanCreateIn("Plugins")) GTEST_SKIP() << "the folder is still writable";
  Reset(/*cabrilloMode=*/1);
  const int admitted = AddNumberedQsos(30);
  ExpectModuleAnswers(admitted);
  EXPECT_EQ("File could not be written: Q1ABC.cbr", LastMessage());
  EXPECT_FALSE(fs::exists("err.txt"));
  EXPECT_EQ(kEarlierSettings, Slurp(kSettingsPath));
  EXPECT_EQ(1u, std::distance(fs::directory_iterator("Plugins"), fs::directory_iterator()));
}

TEST_F(FaultInjectionTest, WithoutAPluginsFolderTheRunAndTheExportGoOn) {
  Reset(/*cabrilloMode=*/1);
  const int admitted = AddNumberedQsos(30);
  ExpectModuleAnswers(admitted);
  EXPECT_EQ("File produced: Q1ABC.cbr", LastMessage());
  EXPECT_NE(std::string::npos, Slurp("Q1ABC.cbr").find("END-OF-LOG:\r\n"));
  EXPECT_FALSE(fs::exists("Plugins"));
  EXPECT_EQ(0u, Slurp("err.txt").rfind(kHeading, 0));
}

// Root may replace a file whatever its permissions, as every program run by root may; the
// settings must survive either way, and the file stays read-only.
TEST_F(FaultInjectionTest, ReadOnlySettingsFileKeepsItsKeys) {
  WriteEarlierSettings();
  ::chmod(kSettingsPath, 0444);
  const bool writable = ::access(kSettingsPath, W_OK) == 0;
  Reset(/*cabrilloMode=*/1);
  const int admitted = AddNumberedQsos(30);
  ExpectModuleAnswers(admitted);
  ExpectEarlierSettingsKept();
  if (writable) {
    EXPECT_EQ("ALL", Setting("Band")) << "root's writes go through";
    EXPECT_EQ("0", Setting("Claimed")) << "no county worked, so no score";
  } else {
    EXPECT_EQ(kEarlierSettings, Slurp(kSettingsPath));
  }
  struct stat after;
  ASSERT_EQ(0, ::stat(kSettingsPath, &after));
  EXPECT_EQ(0444u, after.st_mode & 0777);
  EXPECT_EQ(1u, std::distance(fs::directory_iterator("Plugins"), fs::directory_iterator()));
}

TEST_F(FaultInjectionTest, SettingsFileThatIsAFolderReadsAsEmptyAndStaysAFolder) {
  fs::create_directories(kSettingsPath);
  Reset(/*cabrilloMode=*/1);
  const int admitted = AddNumberedQsos(30);
  ExpectModuleAnswers(admitted);
  EXPECT_EQ("File produced: Q1ABC.cbr", LastMessage());
  EXPECT_TRUE(fs::is_directory(kSettingsPath));
  EXPECT_TRUE(fs::is_empty(kSettingsPath));
  EXPECT_EQ(1u, std::distance(fs::directory_iterator("Plugins"), fs::directory_iterator()));
  EXPECT_EQ("", Setting("Start"));
}

TEST_F(FaultInjectionTest, CabrilloFileThatCannotBeCreatedIsReportedAtEveryExport) {
  fs::create_directory("Q1ABC.cbr");
  WriteEarlierSettings();
  Reset(/*cabrilloMode=*/1);
  const int admitted = AddNumberedQsos(30);
  int flag = 7;
  entry.getResult(&flag);
  EXPECT_EQ(-1, flag);
  EXPECT_EQ("File could not be written: Q1ABC.cbr", LastMessage());
  ExpectModuleAnswers(admitted);
  EXPECT_EQ(2u, desktop.messages.size());
  EXPECT_EQ("File could not be written: Q1ABC.cbr", LastMessage());
  EXPECT_TRUE(fs::is_empty("Q1ABC.cbr"));
  ExpectEarlierSettingsKept();
}

// A small tmpfs, nearly full before the run starts: the header's settings, "err.txt", the
// Cabrillo file and the claimed score all meet a full disk somewhere along the way.
class FullDiskTest : public FaultInjectionTest {
 protected:
  void SetUp() override {
    FaultInjectionTest::SetUp();
    const std::string why = MountTmpfs("disk", "size=64k");
    if (!why.empty()) GTEST_SKIP() << why;
    fs::current_path("disk");
    WriteEarlierSettings();
  }

  // Leaves about `bytes` free (the file system counts whole pages).
  void FillLeaving(size_t bytes) {
    struct statvfs disk;
    ASSERT_EQ(0, ::statvfs(".", &disk));
    const size_t free = static_cast<size_t>(disk.f_bavail) * disk.f_frsize;
    ASSERT_GT(free, bytes);
    Spit("filler", std::string(free - bytes, 'f'));
  }

  void ExpectNoTemporaries() {
    for (const fs::path& folder : {fs::path("."), fs::path("Plugins")}) {
      for (const auto& entry : fs::directory_iterator(folder)) {
        EXPECT_NE(".tmp", entry.path().extension()) << entry.path();
      }
    }
  }
};

TEST_F(FullDiskTest, RunGoesOnAndTheErrorFileNeverJoinsACutLineToTheNext) {
  FillLeaving(6 * 1024);
  Reset(/*cabrilloMode=*/1);
  const int admitted = AddNumberedQsos(600);
  ExpectModuleAnswers(admitted);
  EXPECT_EQ("File could not be written: Q1ABC.cbr", LastMessage());
  ExpectEarlierSettingsKept();
  ExpectNoTemporaries();

  ExpectErrorFileWholeOnceThereIsRoom(entry, [] { fs::remove("filler"); });
}

// The file is emptied and rewritten in place, as the rules have it: on a full disk the earlier
// export is gone and what is left is cut short. It must be reported, and what is left must not
// pass for a whole log.
TEST_F(FullDiskTest, CabrilloExportOnAFullDiskIsReportedAndKeepsTheLastGoodFile) {
  Reset(/*cabrilloMode=*/1);
  int admitted = AddNumberedQsos(40);
  entry.getResult(nullptr);
  ASSERT_EQ("File produced: Q1ABC.cbr", LastMessage());
  const std::string good = Slurp("Q1ABC.cbr");
  FillLeaving(0);
  admitted += AddNewStations(entry, 40, 400);
  int flag = 7;
  entry.getResult(&flag);
  EXPECT_EQ(-1, flag);
  EXPECT_EQ("File could not be written: Q1ABC.cbr", LastMessage());
  EXPECT_EQ(good, Slurp("Q1ABC.cbr")) << "the last good export stays for the sponsor";
  ExpectModuleAnswers(admitted);
}

TEST_F(FullDiskTest, SettingsWritesOnAFullDiskKeepTheFileWhole) {
  FillLeaving(0);
  for (int run = 0; run < 3; ++run) {
    Reset(/*cabrilloMode=*/1);
    AddNumberedQsos(10);
    entry.getResult(nullptr);
  }
  EXPECT_EQ(kEarlierSettings, Slurp(kSettingsPath));
  ExpectEarlierSettingsKept();
  ExpectNoTemporaries();
  EXPECT_EQ("File could not be written: Q1ABC.cbr", LastMessage());
}

// A settings file of one whole page of the disk, whose empty header keys come before the
// others: filling them in makes the file longer, which a full disk has no room for.
TEST_F(FullDiskTest, SettingsFileThatMustGrowOnAFullDiskKeepsItsKeys) {
  const std::string head = "[Settings]\r\nBand=\r\nPower=\r\nCategory=\r\nContest=\r\n";
  const std::string tail = std::string(kEarlierSettings).substr(12);  // after "[Settings]\r\n"
  const std::string page =
      head + "Padding=" + std::string(4096 - head.size() - tail.size() - 10, 'p') + "\r\n" + tail;
  ASSERT_EQ(4096u, page.size());
  Spit(kSettingsPath, page);
  FillLeaving(0);
  Reset(/*cabrilloMode=*/1);
  AddNumberedQsos(10);
  entry.getResult(nullptr);
  EXPECT_EQ(page, Slurp(kSettingsPath));
  ExpectEarlierSettingsKept();
  ExpectNoTemporaries();
}

}  // namespace
}  // namespace tarno
