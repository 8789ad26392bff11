// A damaged database: the robot refuses to start on one, and a read that fails while it
// runs is an error, never a shorter list. And a backup is a whole, sound copy.

#include "serve/robot_store.h"

#include <sqlite3.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "gtest/gtest.h"
#include "serve/robot_fixture.h"

namespace tarno::testing {
namespace {

namespace fs = std::filesystem;

// The robot started on `folder` as a command, its output and exit status; a robot that
// starts after all is ended by `timeout` (status 124).
std::pair<int, std::string> StartOn(const std::string& folder) {
  std::ofstream(folder + ".password") << kPassword << "\n";
  const std::string command = "timeout 20 " + std::string(TARNO_SCORE_PROGRAM) +
                              " serve --listen 127.0.0.1:0 --data " + folder + " --password-file " +
                              folder + ".password 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  std::string output;
  char buffer[512];
  while (size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, got);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

// SQL over a database file, its rows' first columns.
std::vector<std::string> Query(const std::string& file, const std::string& sql) {
  sqlite3* db = nullptr;
  std::vector<std::string> rows;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW) {
      const unsigned char* text = sqlite3_column_text(statement, 0);
      rows.push_back(text ? reinterpret_cast<const char*>(text) : "");
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return rows;
}

// Random bytes over the start of a page: its b-tree header and cell pointers.
void Scribble(const std::string& file, long page, long pageSize, unsigned seed) {
  std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
  out.seekp((page - 1) * pageSize + (page == 1 ? 100 : 0));
  std::mt19937 random(seed);
  for (int i = 0; i < 48; ++i) out.put(static_cast<char>(random()));
}

// The pages of a stopped robot's database that hold its tables, indexes and rows.
std::vector<std::pair<std::string, long>> PagesOf(const std::string& file) {
  std::vector<std::pair<std::string, long>> pages;
  for (const std::string& row :
       Query(file,
             "SELECT name || ' ' || pageno FROM dbstat WHERE pagetype != 'overflow'"
             " AND name IN ('uploads', 'uploads_token', 'sessions', 'runs', 'settings')"
             " ORDER BY name, pageno")) {
    pages.emplace_back(row.substr(0, row.find(' ')), std::stol(row.substr(row.find(' ') + 1)));
  }
  return pages;
}

TEST(RobotDamageTest, ADamagedOrEmptyDatabaseIsRefusedAtStartWithWhatToDo) {
  const std::string folder = FreshFolder("damage");
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(folder, {"--upload-limit", "1000"}));
  auto client = robot.Client();
  for (int i = 0; i < 40; ++i)
    ASSERT_EQ(Upload(client, MadeLog("HA" + std::to_string(i % 10) + "X" +
                                         std::string(1, char('A' + i / 10)),
                                     60))
                  ->status,
              200);
  ASSERT_FALSE(LogIn(client).cookie.empty());
  ASSERT_EQ(robot.Stop(), 0);
  const std::string sound = folder + "/robot.sqlite";
  ASSERT_FALSE(fs::exists(sound + "-wal")) << "a clean stop leaves one file";
  const long pageSize = std::stol(Query(sound, "PRAGMA page_size").at(0));
  const auto pages = PagesOf(sound);
  ASSERT_GE(pages.size(), 6u);

  // Every table and index, and leaves in the middle of the uploads. A byte inside a stored
  // log is the log's own, which no check can tell from what the entrant sent.
  for (size_t i = 0; i < pages.size(); i += pages.size() / 6) {
    const std::string damaged = FreshFolder("damaged-" + std::to_string(i));
    fs::create_directories(damaged);
    fs::copy_file(sound, damaged + "/robot.sqlite");
    Scribble(damaged + "/robot.sqlite", pages[i].second, pageSize, static_cast<unsigned>(i));
    const auto [status, output] = StartOn(damaged);
    EXPECT_EQ(status, 1) << pages[i].first << " page " << pages[i].second << "\n" << output;
    EXPECT_NE(output.find(damaged + "/robot.sqlite is damaged"), std::string::npos) << output;
    EXPECT_NE(output.find("backups/"), std::string::npos) << output;
    EXPECT_EQ(output.find("listening"), std::string::npos) << output;
  }

  const std::string empty = FreshFolder("empty-database");
  fs::create_directories(empty);
  std::ofstream(empty + "/robot.sqlite");
  const auto [status, output] = StartOn(empty);
  EXPECT_EQ(status, 1) << output;
  EXPECT_NE(output.find("is empty (0 bytes)"), std::string::npos) << output;
  EXPECT_EQ(fs::file_size(empty + "/robot.sqlite"), 0u) << "left as it was found";
}

class RobotStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder = FreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(m_folder);
    std::string error;
    ASSERT_TRUE(m_store.Open(m_folder + "/robot.sqlite", &error)) << error;
    for (int i = 0; i < 120; ++i) {
      score::UploadRecord upload;
      upload.call = "HA" + std::to_string(i);
      upload.token = std::to_string(i);
      upload.kind = "cbr";
      upload.bytes = MadeLog(upload.call, 20);
      ASSERT_TRUE(m_store.AddUpload(&upload, &error)) << error;
    }
  }
  std::string m_folder;
  score::RobotStore m_store;
};

// A page that cannot be read in the middle of the uploads once ended the list there, so
// that the sponsor's list and the archive held part of the logs without a word.
TEST_F(RobotStoreTest, AReadThatFailsIsAnErrorNotTheEndOfTheRows) {
  const std::string file = m_folder + "/robot.sqlite";
  ASSERT_EQ(m_store.Uploads().size(), 120u);
  // Into the database file itself, and a change that makes the store read afresh.
  Query(file, "PRAGMA wal_checkpoint(TRUNCATE)");
  auto pages = PagesOf(file);
  std::vector<long> leaves;
  for (const auto& [name, page] : pages)
    if (name == "uploads") leaves.push_back(page);
  ASSERT_GE(leaves.size(), 4u);
  Scribble(file, leaves[leaves.size() / 2], std::stol(Query(file, "PRAGMA page_size").at(0)), 7);
  ASSERT_TRUE(m_store.SetSetting("touched", "1"));
  EXPECT_THROW(m_store.Uploads(), score::StoreError);
  EXPECT_THROW(m_store.CurrentLogs(), score::StoreError);
  try {
    m_store.Uploads();
  } catch (const score::StoreError& failure) {
    EXPECT_NE(std::string(failure.what()).find("the uploads"), std::string::npos) << failure.what();
  }
}

TEST_F(RobotStoreTest, ABackupIsAWholeSoundCopyAndTheNewestTenAreKept) {
  const std::string backups = m_folder + "/backups";
  std::string file, error;
  ASSERT_TRUE(m_store.Backup(backups, &file, &error)) << error;
  EXPECT_EQ(fs::path(file).parent_path(), fs::path(backups));
  EXPECT_EQ(fs::path(file).filename().string().rfind("robot-20", 0), 0u) << file;
  EXPECT_EQ(Query(file, "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
  EXPECT_EQ(Query(file, "SELECT count(*) FROM uploads"), std::vector<std::string>{"120"});
  EXPECT_EQ(Query(file, "PRAGMA journal_mode"), std::vector<std::string>{"delete"})
      << "one file, that opens without a log beside it";

  for (int i = 0; i < 11; ++i) ASSERT_TRUE(m_store.Backup(backups, &file, &error)) << error;
  size_t kept = 0;
  for (const auto& entry : fs::directory_iterator(backups)) {
    EXPECT_EQ(entry.path().extension(), ".sqlite") << entry.path();
    kept += entry.path().extension() == ".sqlite";
  }
  EXPECT_EQ(kept, 10u);
}

// Every check once kept all its files, so that a sponsor who checked often filled the disk
// with copies: a finished check keeps its own and the published one's alone. A check that
// failed takes nothing away.
TEST_F(RobotStoreTest, AFinishedCheckKeepsItsFilesAndThePublishedOnesAlone) {
  const auto files = [](const std::string& text) {
    return std::vector<std::pair<std::string, std::string>>{{"results.html", text},
                                                            {"certificates/HA0.pdf", text}};
  };
  int64_t runs[4];
  for (int64_t& run : runs) run = m_store.AddRun(1, {1});
  ASSERT_TRUE(m_store.FinishRun(runs[0], 2, "finished", 0, "", "", files("first")));
  std::string error;
  ASSERT_TRUE(m_store.Publish(runs[0], {}, &error)) << error;
  ASSERT_TRUE(m_store.FinishRun(runs[1], 3, "finished", 0, "", "", files("second")));
  ASSERT_TRUE(m_store.FinishRun(runs[2], 4, "finished", 0, "", "", files("third")));
  ASSERT_TRUE(m_store.FinishRun(runs[3], 5, "failed", 3, "", "a full disk", {}));
  std::string bytes;
  EXPECT_TRUE(m_store.RunFile(runs[0], "certificates/HA0.pdf", &bytes)) << "published";
  EXPECT_EQ(bytes, "first");
  EXPECT_TRUE(m_store.RunFileNames(runs[1]).empty()) << "a newer check finished";
  EXPECT_EQ(m_store.RunFileNames(runs[2]).size(), 2u) << "the latest finished";
  EXPECT_EQ(Query(m_folder + "/robot.sqlite", "SELECT count(*) FROM run_files"),
            std::vector<std::string>{"4"});
}

// A check's files are read from disk one at a time as they are stored; one that cannot be
// read fails the whole run with its reason, never a run that lacks a file.
TEST_F(RobotStoreTest, ACheckFolderIsStoredWholeOrNotAtAll) {
  const std::string folder = m_folder + "/results";
  fs::create_directories(folder + "/hu");
  std::ofstream(folder + "/results.html") << "<p>results</p>";
  std::ofstream(folder + "/hu/results.html") << "<p>eredm\xC3\xA9nyek</p>";
  const int64_t run = m_store.AddRun(1, {1});
  std::string error;
  ASSERT_FALSE(m_store.FinishRunFromFiles(
      run, 2, 0, "",
      {{"results.html", folder + "/results.html"}, {"gone.csv", folder + "/gone.csv"}}, &error));
  EXPECT_NE(error.find("gone.csv"), std::string::npos) << error;
  EXPECT_TRUE(m_store.RunFileNames(run).empty()) << "nothing of a run that failed to be stored";
  ASSERT_TRUE(m_store.FinishRunFromFiles(run, 3, 1, "output",
                                         {{"results.html", folder + "/results.html"},
                                          {"hu/results.html", folder + "/hu/results.html"}},
                                         &error))
      << error;
  std::string bytes;
  ASSERT_TRUE(m_store.RunFile(run, "hu/results.html", &bytes));
  EXPECT_EQ(bytes, "<p>eredm\xC3\xA9nyek</p>");
  score::RunRecord record;
  ASSERT_TRUE(m_store.Run(run, &record));
  EXPECT_EQ(record.state, "finished");
  EXPECT_EQ(record.status, 1);
}

}  // namespace
}  // namespace tarno::testing
