#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <thread>

#include "serve/message_line.h"
#include "serve/robot_store.h"
#include "serve/store_statement.h"

namespace tarno::score {
namespace {

namespace fs = std::filesystem;

const char kSchema[] =
    "CREATE TABLE IF NOT EXISTS settings(name TEXT PRIMARY KEY, value TEXT NOT NULL);"
    "CREATE TABLE IF NOT EXISTS uploads(id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " received INTEGER NOT NULL, address TEXT NOT NULL, email TEXT NOT NULL,"
    " call TEXT NOT NULL, state TEXT NOT NULL, late INTEGER NOT NULL,"
    " categories TEXT NOT NULL, lines_read INTEGER NOT NULL, lines_refused INTEGER NOT NULL,"
    " findings TEXT NOT NULL, refusal TEXT NOT NULL, claimed_score TEXT NOT NULL,"
    " summary TEXT NOT NULL, token TEXT, kind TEXT NOT NULL, bytes BLOB NOT NULL);"
    "CREATE UNIQUE INDEX IF NOT EXISTS uploads_token ON uploads(token);"
    "CREATE INDEX IF NOT EXISTS uploads_address ON uploads(address, received);"
    "CREATE INDEX IF NOT EXISTS uploads_call ON uploads(call, state);"
    "CREATE TABLE IF NOT EXISTS sessions(token TEXT PRIMARY KEY, csrf TEXT NOT NULL,"
    " expires INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS login_failures(address TEXT PRIMARY KEY,"
    " failures INTEGER NOT NULL, last INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS runs(id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " started INTEGER NOT NULL, finished INTEGER NOT NULL DEFAULT 0, state TEXT NOT NULL,"
    " status INTEGER NOT NULL DEFAULT -1, logs INTEGER NOT NULL, output TEXT NOT NULL"
    " DEFAULT '');"
    "CREATE TABLE IF NOT EXISTS run_files(run INTEGER NOT NULL, name TEXT NOT NULL,"
    " bytes BLOB NOT NULL, PRIMARY KEY(run, name));"
    "CREATE TABLE IF NOT EXISTS run_uploads(run INTEGER NOT NULL, upload INTEGER NOT NULL,"
    " PRIMARY KEY(run, upload));"
    "CREATE TABLE IF NOT EXISTS outbox(id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " upload INTEGER NOT NULL, kind TEXT NOT NULL, recipient TEXT NOT NULL,"
    " recipient_key TEXT NOT NULL, dedupe TEXT UNIQUE, message_id TEXT NOT NULL,"
    " message BLOB NOT NULL, queued INTEGER NOT NULL, state TEXT NOT NULL,"
    " attempts INTEGER NOT NULL DEFAULT 0, next_try INTEGER NOT NULL,"
    " sent INTEGER NOT NULL DEFAULT 0, last_error TEXT NOT NULL DEFAULT '');"
    "CREATE INDEX IF NOT EXISTS outbox_due ON outbox(state, next_try);"
    "CREATE INDEX IF NOT EXISTS outbox_recipient ON outbox(recipient_key, state, sent);"
    "CREATE TABLE IF NOT EXISTS decisions(id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " made INTEGER NOT NULL, call TEXT NOT NULL, line INTEGER NOT NULL, verdict TEXT NOT NULL,"
    " reason TEXT NOT NULL, comment TEXT NOT NULL, was TEXT NOT NULL, run INTEGER NOT NULL,"
    " upload INTEGER NOT NULL, withdrawn INTEGER NOT NULL DEFAULT 0);"
    "CREATE UNIQUE INDEX IF NOT EXISTS decisions_in_force ON decisions(call, line)"
    " WHERE withdrawn = 0;";

// Columns the tables gained after robots were in use: added to an older database when it
// is opened, so that what it holds stays readable.
const struct {
  const char* table;
  const char* name;
  const char* type;
} kAddedColumns[] = {
    {"uploads", "qsos_in_log", "INTEGER NOT NULL DEFAULT 0"},
    {"uploads", "not_read", "INTEGER NOT NULL DEFAULT 0"},
    {"uploads", "outside_period", "INTEGER NOT NULL DEFAULT 0"},
    {"uploads", "refused_by_plugin", "INTEGER NOT NULL DEFAULT 0"},
    {"uploads", "dupes", "INTEGER NOT NULL DEFAULT 0"},
    {"uploads", "uncounted_listed", "TEXT NOT NULL DEFAULT ''"},
    {"uploads", "scored_period", "TEXT NOT NULL DEFAULT ''"},
    {"runs", "reason", "TEXT NOT NULL DEFAULT ''"},
    {"uploads", "admitted", "INTEGER NOT NULL DEFAULT 0"},
    {"uploads", "admit_reason", "TEXT NOT NULL DEFAULT ''"},
};

const char kWhatToDo[] =
    " The robot does not start on it. Stop here and recover the database: put the newest"
    " file of the data folder's backups/ folder in its place, or rebuild it with sqlite3's"
    " .recover (the README says how, under \"A damaged database\").";

// Makes the file's bytes, or a folder's entries, durable before anything relies on them.
bool Synced(const std::string& path, bool folder) {
  const int fd = open(path.c_str(), (folder ? O_DIRECTORY : 0) | O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = fsync(fd) == 0;
  close(fd);
  return synced;
}

// What SQLite's quick check says of the database, "ok" when it is sound.
std::string QuickCheck(sqlite3* db) {
  std::string verdict;
  try {
    Statement check(db, "PRAGMA quick_check(5)", "the quick check");
    while (check.Step()) verdict += (verdict.empty() ? "" : "; ") + check.Text(0);
  } catch (const StoreError& failure) {
    verdict = failure.what();
  }
  return verdict;
}

// "2026-03-08T120000Z"
std::string UtcStamp() {
  const time_t now = std::time(nullptr);
  std::tm moment{};
  gmtime_r(&now, &moment);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H%M%SZ", &moment);
  return text;
}

bool IsBackupName(const std::string& name) {
  return name.rfind("robot-", 0) == 0 && name.size() > 13 &&
         name.compare(name.size() - 7, 7, ".sqlite") == 0;
}

// Only the newest backups stay: a robot that makes one every hour must not fill the disk.
void KeepNewest(const fs::path& folder, size_t kept) {
  std::vector<std::string> names;
  std::error_code failed;
  for (const auto& entry : fs::directory_iterator(folder, failed)) {
    const std::string name = entry.path().filename().string();
    if (IsBackupName(name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  for (size_t i = 0; i + kept < names.size(); ++i) fs::remove(folder / names[i], failed);
}

}  // namespace

RobotStore::~RobotStore() {
  if (m_db) sqlite3_close(m_db);
}

bool RobotStore::Execute(const char* sql, std::string* error) {
  char* message = nullptr;
  if (sqlite3_exec(m_db, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
  if (error) *error = message ? message : sqlite3_errmsg(m_db);
  sqlite3_free(message);
  return false;
}

bool RobotStore::AddMissingColumns(std::string* error) {
  std::vector<std::string> present;  // "table.column"
  try {
    for (const char* table : {"uploads", "runs"}) {
      Statement columns(m_db, std::string("PRAGMA table_info(") + table + ")", "the columns");
      while (columns.Step()) present.push_back(table + ("." + columns.Text(1)));
    }
  } catch (const StoreError& failure) {
    *error = failure.what();
    return false;
  }
  for (const auto& column : kAddedColumns) {
    const std::string name = std::string(column.table) + "." + column.name;
    if (std::find(present.begin(), present.end(), name) != present.end()) continue;
    const std::string add = std::string("ALTER TABLE ") + column.table + " ADD COLUMN " +
                            column.name + " " + column.type + ";";
    if (!Execute(add.c_str(), error)) return false;
  }
  return true;
}

bool RobotStore::SetUp(std::string* error) {
  return Execute("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA foreign_keys=ON;",
                 error) &&
         Execute(kSchema, error) && AddMissingColumns(error);
}

bool RobotStore::Open(const std::string& path, std::string* error) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_path = path;
  std::error_code failed;
  const bool exists = fs::exists(path, failed);
  if (exists && fs::is_regular_file(path, failed) && fs::file_size(path, failed) == 0) {
    *error =
        path + " is empty (0 bytes), which no robot leaves behind: the uploads it held are gone." +
        kWhatToDo + " Only if this robot never took an upload, remove the file to start afresh.";
    return false;
  }
  if (!exists && !failed) {
    // Set up under another name, so that a crash on the first start leaves no empty
    // database to be taken for a damaged one.
    const std::string fresh = path + ".new";
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) fs::remove(fresh + suffix, failed);
    const int create = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    bool made = sqlite3_open_v2(fresh.c_str(), &m_db, create, nullptr) == SQLITE_OK && SetUp(error);
    if (!made && error->empty()) *error = m_db ? sqlite3_errmsg(m_db) : "cannot make it";
    sqlite3_close(m_db);
    m_db = nullptr;
    made = made && Synced(fresh, false);
    if (!made || std::rename(fresh.c_str(), path.c_str()) != 0 ||
        !Synced(fs::absolute(path, failed).parent_path().string(), true)) {
      *error = path + ": the database cannot be set up: " + *error;
      return false;
    }
  }
  if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX,
                      nullptr) != SQLITE_OK) {
    *error = path + ": " + (m_db ? sqlite3_errmsg(m_db) : "cannot open");
    return false;
  }
  sqlite3_busy_timeout(m_db, 10000);
  const std::string verdict = QuickCheck(m_db);
  if (verdict != "ok") {
    *error = path + " is damaged: SQLite's quick check says: " + verdict + "." + kWhatToDo;
    return false;
  }
  if (!SetUp(error)) {
    *error = path + ": " + *error;
    return false;
  }
  if (!Statement(m_db,
                 "UPDATE runs SET state = 'interrupted', finished = started, reason = ?"
                 " WHERE finished = 0",
                 "the checks a stop cut short")
           .Bind(1, MessageLine("robot.run.reason.robot_stopped"))
           .Run()) {
    *error = path + ": " + sqlite3_errmsg(m_db);
    return false;
  }
  return true;
}

bool RobotStore::Backup(const std::string& folder, std::string* file, std::string* error) {
  std::error_code failed;
  fs::create_directories(folder, failed);
  for (const auto& entry : fs::directory_iterator(folder, failed)) {
    // What a backup cut short left behind, its journal too.
    const std::string name = entry.path().filename().string();
    if (name[0] == '.' && name.find(".partial") != std::string::npos)
      fs::remove(entry.path(), failed);
  }
  const std::string stamp = UtcStamp();
  fs::path target = fs::path(folder) / ("robot-" + stamp + ".sqlite");
  for (int i = 2; fs::exists(target, failed); ++i)
    target = fs::path(folder) / ("robot-" + stamp + "-" + std::to_string(i) + ".sqlite");
  const std::string partial =
      (fs::path(folder) / ("." + target.filename().string() + ".partial")).string();

  // A connection of its own: in WAL mode its reading holds up none of the robot's writes.
  sqlite3* source = nullptr;
  sqlite3* copy = nullptr;
  bool done =
      sqlite3_open_v2(m_path.c_str(), &source, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
      sqlite3_open_v2(partial.c_str(), &copy, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                      nullptr) == SQLITE_OK;
  if (done) {
    sqlite3_busy_timeout(source, 10000);
    sqlite3_backup* backup = sqlite3_backup_init(copy, "main", source, "main");
    int stepped = SQLITE_ERROR;
    if (backup) {
      for (int tries = 0; tries < 200; ++tries) {
        stepped = sqlite3_backup_step(backup, -1);
        if (stepped != SQLITE_BUSY && stepped != SQLITE_LOCKED) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      sqlite3_backup_finish(backup);
    }
    done = stepped == SQLITE_DONE && sqlite3_errcode(copy) == SQLITE_OK;
    // One file, whole in itself, that opens without a write-ahead log beside it.
    done = done && sqlite3_exec(copy, "PRAGMA journal_mode=DELETE;", nullptr, nullptr, nullptr) ==
                       SQLITE_OK;
  }
  *error = !done ? std::string(copy ? sqlite3_errmsg(copy) : "cannot make the copy") : "";
  if (!done && source && sqlite3_errcode(source) != SQLITE_OK) *error = sqlite3_errmsg(source);
  sqlite3_close(copy);
  sqlite3_close(source);
  done = done && Synced(partial, false) &&
         std::rename(partial.c_str(), target.string().c_str()) == 0 && Synced(folder, true);
  if (!done) {
    fs::remove(partial, failed);
    *error = "no backup was made in " + folder + ": " +
             (error->empty() ? "it could not be written" : *error);
    return false;
  }
  KeepNewest(folder, kBackupsKept);
  *file = target.string();
  return true;
}

}  // namespace tarno::score
