// The real DLL on files that cannot be written, as the logger would meet them: a folder where
// "err.txt", the settings file or the Cabrillo file should be, a read-only settings file, no
// "Plugins" folder, and, where the test's fixture could make them (they need root on the Unix
// side: see CMakeLists.txt), a read-only file system, "err.txt" on a full device and a disk
// that fills up part-way. Each case runs in a folder of its own made the current directory.
// The module's dialogs are answered from a second thread: the Cabrillo header is confirmed and
// every "Output" message is read and closed, so no fault can leave the suite waiting.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "helpers/file_checks.h"
#include "helpers/host_calls.h"
#include "helpers/log_answers.h"
#include "platform/windows_api.h"

namespace tarno {

const EntryPoints& TheEntryPoints();

namespace {

namespace fs = std::filesystem;

const char kHeading[] = "TARNO Contest UBN file \r\n";
const char kSettingsPath[] = "Plugins\\TARNO-Contest.ini";
const char kCouldNotWrite[] = "File could not be written: Q1ABC.cbr";

const std::string& EarlierSettings() {
  static const std::string bytes = Slurp(TARNO_TEST_DATA_DIR "/earlier-settings.ini");
  return bytes;
}

bool IsFolder(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CanCreateIn(const std::string& folder) {
  const std::string probe = folder + "\\probe";
  HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  DeleteFileA(probe.c_str());
  return true;
}

// The folder the test's fixture prepared on the Unix side, or empty when there is none.
std::string FaultDisks() {
  const char* folder = std::getenv("TARNO_FAULT_DISKS");
  return folder != nullptr ? folder : "";
}

std::string TextOf(HWND window) {
  std::string text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(window, &text[0], static_cast<int>(text.size()))));
  return text;
}

// Answers the dialogs one thread shows for as long as it lives: confirms the Cabrillo
// header, reads and closes "Output" messages, cancels anything else.
class DialogAnswerer {
 public:
  DialogAnswerer() : m_owner(GetCurrentThreadId()), m_thread([this] { Run(); }) {}
  ~DialogAnswerer() {
    m_stop = true;
    m_thread.join();
  }

  std::vector<std::string> messages() {
    std::lock_guard<std::mutex> hold(m_mutex);
    return m_messages;
  }

  // The captions of the dialogs cancelled so far.
  std::vector<std::string> cancelled() {
    std::lock_guard<std::mutex> hold(m_mutex);
    return m_cancelled;
  }

 private:
  static BOOL CALLBACK Visit(HWND window, LPARAM param) {
    reinterpret_cast<DialogAnswerer*>(param)->Answer(window);
    return TRUE;
  }

  void Answer(HWND window) {
    char kind[16] = "";
    GetClassNameA(window, kind, sizeof kind);
    if (std::string(kind) != "#32770" || !IsWindowVisible(window)) return;
    if (!m_answered.insert(window).second) return;
    const std::string caption = TextOf(window);
    int button = IDOK;
    if (caption == "Output") {
      std::lock_guard<std::mutex> hold(m_mutex);
      m_messages.push_back(TextOf(GetDlgItem(window, 0xFFFF)));
    } else if (caption != "TARNO Contest") {
      std::lock_guard<std::mutex> hold(m_mutex);
      m_cancelled.push_back(caption);
      button = IDCANCEL;
    }
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, button)));
  }

  void Run() {
    while (!m_stop) {
      for (auto it = m_answered.begin(); it != m_answered.end();) {
        it = IsWindow(*it) ? std::next(it) : m_answered.erase(it);
      }
      EnumThreadWindows(m_owner, &Visit, reinterpret_cast<LPARAM>(this));
      Sleep(20);
    }
  }

  const DWORD m_owner;
  std::atomic<bool> m_stop{false};
  std::set<HWND> m_answered;  // this thread's alone
  std::mutex m_mutex;
  std::vector<std::string> m_messages;
  std::vector<std::string> m_cancelled;
  std::thread m_thread;
};

class FaultInjectionDllTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GetCurrentDirectoryA(MAX_PATH, m_previous);
    // A name of its own, since two runs of the suite may share a build folder.
    Enter("fault_injection\\" + std::to_string(GetCurrentProcessId()) + "-" +
          ::testing::UnitTest::GetInstance()->current_test_info()->name());
  }

  void TearDown() override {
    SetCurrentDirectoryA(m_previous);
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
  }

  // Makes `folder` (emptied first) the current directory for the rest of the test.
  void Enter(const std::string& folder) {
    SetCurrentDirectoryA(m_previous);
    std::error_code ignored;
    if (!m_folder.empty()) fs::remove_all(m_folder, ignored);
    m_folder = fs::absolute(folder);
    fs::remove_all(m_folder, ignored);
    fs::create_directories(m_folder);
    ASSERT_TRUE(SetCurrentDirectoryA(m_folder.string().c_str())) << m_folder;
  }

  // A folder the fixture prepared, as it stands; false when there is none.
  bool EnterPrepared(const char* name) {
    const std::string disks = FaultDisks();
    if (disks.empty()) return false;
    SetCurrentDirectoryA(m_previous);
    return SetCurrentDirectoryA((disks + "\\" + name).c_str()) != 0;
  }

  void WriteEarlierSettings() {
    CreateDirectoryA("Plugins", nullptr);
    Spit(kSettingsPath, EarlierSettings());
  }

  static std::string Setting(const char* key) {
    char value[128] = "";
    GetPrivateProfileStringA("Settings", key, "", value, sizeof value, kSettingsPath);
    return value;
  }

  void ExpectEarlierSettingsKept() {
    const std::string file = Slurp(kSettingsPath);
    for (const char* line : {"[Settings]\r\n", "Name=Kovacs Janos\r\n", "Club=TARNO RC\r\n",
                             "Loc=JN97\r\n", "Multiplier=0\r\n"}) {
      EXPECT_NE(std::string::npos, file.find(line)) << "lost " << line << " from:\n" << file;
    }
  }

  void Reset(int cabrilloMode = 0) {
    COleDateTime start = HostQso::MakeDate(44576.0);
    COleDateTime end = HostQso::MakeDate(44577.0);
    ASSERT_EQ(1, CallResetStats(entry, "Q1ABC", &start, &end, "EU", cabrilloMode));
  }

  // QSO number `n`: every fifth on 17 m (refused), every seventh a repeat of the one before.
  int AddNumberedQsos(int count) {
    int admitted = 0;
    for (int n = 0; n < count; ++n) {
      const std::string call = "DL" + std::to_string(n % 7 == 3 ? n - 1 : n) + "ABC";
      HostQso qso;
      qso.call = call.c_str();
      qso.band = n % 5 == 4 ? "17m" : "20m";
      const int expected = n % 5 == 4 ? 0 : 1;
      EXPECT_EQ(expected, CallAddData(entry, qso)) << "QSO " << n;
      admitted += expected;
    }
    return admitted;
  }

  // Asks every entry point and checks the answers that show the module and its log intact.
  // The setup dialog is asked for only after faults of the settings file it reads and
  // writes: each dialog closed on the virtual display costs seconds.
  void ExpectModuleAnswers(int admitted, bool askSetup) {
    EXPECT_EQ(1, entry.getNumberOfSets());
    EXPECT_STREQ("TARNO Contest (C)", entry.getSetName(0));
    EXPECT_EQ(1, entry.getExchgCount(nullptr, nullptr, nullptr));
    EXPECT_EQ(1, entry.isValidExchg("BP", nullptr, "HA", nullptr, 0, 0, 0));
    if (askSetup) {
      const size_t before = dialogs.cancelled().size();
      entry.setupSet();
      EXPECT_EQ(before + 1, dialogs.cancelled().size()) << "the setup dialog did not appear";
    }
    ExpectLogAnswers(entry, admitted);
  }

  std::string LastMessage() {
    const std::vector<std::string> messages = dialogs.messages();
    return messages.empty() ? "<no message>" : messages.back();
  }

  const EntryPoints& entry = TheEntryPoints();
  DialogAnswerer dialogs;

 private:
  char m_previous[MAX_PATH] = "";
  fs::path m_folder;
};

TEST_F(FaultInjectionDllTest, ErrorFileThatIsAFolderLosesItsLinesAndNothingElse) {
  ASSERT_TRUE(CreateDirectoryA("err.txt", nullptr));
  WriteEarlierSettings();
  Reset();
  const int admitted = AddNumberedQsos(30);
  ExpectModuleAnswers(admitted, /*askSetup=*/false);
  EXPECT_TRUE(IsFolder("err.txt"));
  EXPECT_TRUE(fs::is_empty("err.txt"));
  ExpectEarlierSettingsKept();
  EXPECT_EQ("1", Setting("Start"));
}

TEST_F(FaultInjectionDllTest, ErrorFileOnAFullDeviceLosesItsLinesAndNothingElse) {
  if (!EnterPrepared("devfull")) GTEST_SKIP() << "no err.txt linked to /dev/full was prepared";
  Reset();
  const int admitted = AddNumberedQsos(30);
  ExpectModuleAnswers(admitted, /*askSetup=*/false);
}

TEST_F(FaultInjectionDllTest, ReadOnlyFileSystemWritesNothingAndReportsTheCabrilloFile) {
  if (!EnterPrepared("locked")) GTEST_SKIP() << "no read-only file system was prepared";
  if (CanCreateIn(".") || CanCreateIn("Plugins")) {
    GTEST_SKIP() << "the prepared folder is writable: mounting it read-only needs root";
  }
  Reset(/*cabrilloMode=*/1);
  const int admitted = AddNumberedQsos(30);
  ExpectModuleAnswers(admitted, /*askSetup=*/true);
  EXPECT_EQ(kCouldNotWrite, LastMessage());
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("err.txt"));
  EXPECT_EQ(EarlierSettings(), Slurp(kSettingsPath));
}

TEST_F(FaultInjectionDllTest, WithoutAPluginsFolderTheRunAndTheExportGoOn) {
  Reset(/*cabrilloMode=*/1);
  const int admitted = AddNumberedQsos(30);
  ExpectModuleAnswers(admitted, /*askSetup=*/true);
  EXPECT_EQ("File produced: Q1ABC.cbr", LastMessage());
  EXPECT_NE(std::string::npos, Slurp("Q1ABC.cbr").find("END-OF-LOG:\r\n"));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("Plugins"));
  EXPECT_EQ(0u, Slurp("err.txt").rfind(kHeading, 0));
}

// Windows refuses to open a read-only file for writing, even for an administrator (Wine run
// by root would let it through): the settings stay as they were, and read-only.
TEST_F(FaultInjectionDllTest, ReadOnlySettingsFileKeepsItsKeys) {
  WriteEarlierSettings();
  ASSERT_TRUE(SetFileAttributesA(kSettingsPath, FILE_ATTRIBUTE_READONLY));
  Reset(/*cabrilloMode=*/1);
  const int admitted = AddNumberedQsos(30);
  ExpectModuleAnswers(admitted, /*askSetup=*/true);
  const DWORD attributes = GetFileAttributesA(kSettingsPath);
  const std::string file = Slurp(kSettingsPath);
  SetFileAttributesA(kSettingsPath, FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(EarlierSettings(), file);
  EXPECT_NE(0u, attributes & FILE_ATTRIBUTE_READONLY);
}

TEST_F(FaultInjectionDllTest, SettingsFileThatIsAFolderReadsAsEmptyAndStaysAFolder) {
  ASSERT_TRUE(CreateDirectoryA("Plugins", nullptr));
  ASSERT_TRUE(CreateDirectoryA(kSettingsPath, nullptr));
  Reset(/*cabrilloMode=*/1);
  const int admitted = AddNumberedQsos(30);
  ExpectModuleAnswers(admitted, /*askSetup=*/true);
  EXPECT_EQ("File produced: Q1ABC.cbr", LastMessage());
  EXPECT_TRUE(IsFolder(kSettingsPath));
  EXPECT_TRUE(fs::is_empty(kSettingsPath));
  EXPECT_EQ(1, std::distance(fs::directory_iterator("Plugins"), fs::directory_iterator()));
}

TEST_F(FaultInjectionDllTest, CabrilloFileThatCannotBeCreatedIsReportedAtEveryExport) {
  ASSERT_TRUE(CreateDirectoryA("Q1ABC.cbr", nullptr));
  WriteEarlierSettings();
  Reset(/*cabrilloMode=*/1);
  const int admitted = AddNumberedQsos(30);
  int flag = 7;
  entry.getResult(&flag);
  EXPECT_EQ(-1, flag);
  EXPECT_EQ(kCouldNotWrite, LastMessage());
  ExpectModuleAnswers(admitted, /*askSetup=*/false);
  EXPECT_EQ((std::vector<std::string>{kCouldNotWrite, kCouldNotWrite}), dialogs.messages());
  EXPECT_TRUE(fs::is_empty("Q1ABC.cbr"));
  ExpectEarlierSettingsKept();
}

// Notepad's "Unicode": the profile API reads and writes such a file, so the run's settings
// must reach it, and the operator's keys stay.
TEST_F(FaultInjectionDllTest, SettingsFileSavedAsUtf16TakesTheRunsSettings) {
  CreateDirectoryA("Plugins", nullptr);
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("[Settings]\r\nName=Kovacs Janos\r\n")) utf16 += {c, '\0'};
  Spit(kSettingsPath, utf16);
  Reset();
  AddNumberedQsos(3);
  entry.getResult(nullptr);
  EXPECT_EQ("1", Setting("Start"));
  EXPECT_EQ("0", Setting("Claimed"));
  EXPECT_EQ("Kovacs Janos", Setting("Name"));
  EXPECT_EQ(0u, Slurp(kSettingsPath).rfind("\xFF\xFE", 0)) << "still UTF-16";
}

// Some viewers and log checkers hold the file open without letting it be deleted, which
// refuses the replace; the file is then written where it stands, to the same bytes. Held so
// that it cannot be written either, it is reported and left as it was.
TEST_F(FaultInjectionDllTest, CabrilloFileHeldOpenByAViewerIsWrittenInPlace) {
  Reset(/*cabrilloMode=*/1);
  AddNumberedQsos(10);
  entry.getResult(nullptr);
  ASSERT_EQ("File produced: Q1ABC.cbr", LastMessage());
  auto exportWhileHeld = [&](DWORD viewerSharing) {
    HANDLE viewer = CreateFileA("Q1ABC.cbr", GENERIC_READ, viewerSharing, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, viewer);
    entry.getResult(nullptr);
    CloseHandle(viewer);
    return Slurp("Q1ABC.cbr");
  };
  AddNumberedQsos(10);  // a longer file
  std::string held = exportWhileHeld(FILE_SHARE_READ | FILE_SHARE_WRITE);
  EXPECT_EQ("File produced: Q1ABC.cbr", LastMessage());
  entry.getResult(nullptr);
  EXPECT_EQ(Slurp("Q1ABC.cbr"), held) << "in place, the bytes of a replace";
  HostQso gone;
  gone.call = "DL0ABC";
  ASSERT_EQ(1, CallRemoveData(entry, gone));  // a shorter file
  held = exportWhileHeld(FILE_SHARE_READ | FILE_SHARE_WRITE);
  entry.getResult(nullptr);
  EXPECT_EQ(Slurp("Q1ABC.cbr"), held) << "cut at its new end";

  AddNumberedQsos(5);
  EXPECT_EQ(held, exportWhileHeld(FILE_SHARE_READ));
  EXPECT_EQ(kCouldNotWrite, LastMessage());
  EXPECT_EQ(2, std::distance(fs::directory_iterator("."), fs::directory_iterator()))
      << "the Cabrillo file, err.txt and no temporary";
}

// A 64 KB tmpfs the fixture mounted, nearly filled here before the run starts.
class FullDiskDllTest : public FaultInjectionDllTest {
 protected:
  void SetUp() override {
    FaultInjectionDllTest::SetUp();
    if (!EnterPrepared("full")) GTEST_SKIP() << "no small disk was prepared";
    ULARGE_INTEGER free{}, total{};
    ASSERT_TRUE(GetDiskFreeSpaceExA(".", &free, &total, nullptr));
    if (total.QuadPart > 1024 * 1024) GTEST_SKIP() << "not a small disk: mounting needs root";
    // Whatever an earlier run left goes first.
    DeleteFileA("filler");
    DeleteFileA("err.txt");
    DeleteFileA("Q1ABC.cbr");
    DeleteFileA(kSettingsPath);
    WriteEarlierSettings();
  }

  void TearDown() override {
    DeleteFileA("filler");
    FaultInjectionDllTest::TearDown();
  }

  void FillLeaving(uint64_t bytes) {
    ULARGE_INTEGER free{}, total{};
    ASSERT_TRUE(GetDiskFreeSpaceExA(".", &free, &total, nullptr));
    ASSERT_GT(free.QuadPart, bytes);
    Spit("filler", std::string(static_cast<size_t>(free.QuadPart - bytes), 'f'));
  }
};

TEST_F(FullDiskDllTest, RunGoesOnAndTheErrorFileNeverJoinsACutLineToTheNext) {
  FillLeaving(6 * 1024);
  Reset(/*cabrilloMode=*/1);
  const int admitted = AddNumberedQsos(600);
  ExpectModuleAnswers(admitted, /*askSetup=*/true);
  EXPECT_EQ(kCouldNotWrite, LastMessage());

  ExpectErrorFileWholeOnceThereIsRoom(entry, [] { DeleteFileA("filler"); });
}

// Wine's profile functions empty the file and write it anew in its place: on a nearly full
// tmpfs that left nothing of it now and then. The module writes a copy and moves it in.
TEST_F(FullDiskDllTest, SettingsWritesOnAFullDiskKeepTheFileWhole) {
  FillLeaving(0);
  for (int run = 0; run < 2; ++run) {
    Reset(/*cabrilloMode=*/1);
    AddNumberedQsos(10);
    entry.getResult(nullptr);
  }
  ExpectEarlierSettingsKept();
  EXPECT_EQ(kCouldNotWrite, LastMessage());
}

// The file is emptied and rewritten in place, as the rules have it: on a full disk the earlier
// export is gone and what is left is cut short. It must be reported, and what is left must not
// pass for a whole log.
TEST_F(FullDiskDllTest, CabrilloExportOnAFullDiskIsReportedAndKeepsTheLastGoodFile) {
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
  EXPECT_EQ(kCouldNotWrite, LastMessage());
  EXPECT_EQ(good, Slurp("Q1ABC.cbr")) << "the last good export stays for the sponsor";
  ExpectModuleAnswers(admitted, /*askSetup=*/false);
}

// A settings file of one whole page of the disk, whose empty header keys come before the
// others: filling them in makes the file longer, which a full disk has no room for.
std::string PageOfSettings() {
  const std::string head = "[Settings]\r\nBand=\r\nPower=\r\nCategory=\r\nContest=\r\n";
  const std::string tail = EarlierSettings().substr(12);  // after "[Settings]\r\n"
  return head + "Padding=" + std::string(4096 - head.size() - tail.size() - 10, 'p') + "\r\n" +
         tail;
}

// Written anew in its place, the file would stop at its old length on a full disk, every key
// near its end lost.
TEST_F(FullDiskDllTest, SettingsFileThatMustGrowOnAFullDiskKeepsItsKeys) {
  const std::string page = PageOfSettings();
  ASSERT_EQ(4096u, page.size());
  Spit(kSettingsPath, page);
  FillLeaving(0);
  Reset(/*cabrilloMode=*/1);
  AddNumberedQsos(10);
  entry.getResult(nullptr);
  ExpectEarlierSettingsKept();
  EXPECT_EQ("0", Setting("Multiplier"));
}

}  // namespace
}  // namespace tarno
