#include "serve/robot_store.h"

#include <algorithm>
#include <utility>

namespace tarno::score {
namespace {

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
    " bytes BLOB NOT NULL, PRIMARY KEY(run, name));";

// Columns the uploads table gained after robots were in use: added to an older database
// when it is opened, so that its uploads stay readable.
const struct {
  const char* name;
  const char* type;
} kAddedUploadColumns[] = {
    {"qsos_in_log", "INTEGER NOT NULL DEFAULT 0"},
    {"not_read", "INTEGER NOT NULL DEFAULT 0"},
    {"outside_period", "INTEGER NOT NULL DEFAULT 0"},
    {"refused_by_plugin", "INTEGER NOT NULL DEFAULT 0"},
    {"dupes", "INTEGER NOT NULL DEFAULT 0"},
    {"uncounted_listed", "TEXT NOT NULL DEFAULT ''"},
    {"scored_period", "TEXT NOT NULL DEFAULT ''"},
};

const char kUploadColumns[] =
    "id, received, address, email, call, state, late, categories, lines_read, lines_refused,"
    " findings, refusal, claimed_score, summary, coalesce(token, ''), kind, qsos_in_log,"
    " not_read, outside_period, refused_by_plugin, dupes, uncounted_listed, scored_period";
constexpr int kBytesColumn = 23;  // after kUploadColumns

// One prepared statement, finalised when it goes out of scope.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) {
    sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr);
  }
  ~Statement() { sqlite3_finalize(m_statement); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int index, int64_t value) {
    sqlite3_bind_int64(m_statement, index, value);
    return *this;
  }
  Statement& Bind(int index, const std::string& text) {
    sqlite3_bind_text(m_statement, index, text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
    return *this;
  }
  Statement& BindBlob(int index, const std::string& bytes) {
    sqlite3_bind_blob64(m_statement, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
    return *this;
  }
  Statement& BindNull(int index) {
    sqlite3_bind_null(m_statement, index);
    return *this;
  }
  // True while there is a row.
  bool Step() { return m_statement && sqlite3_step(m_statement) == SQLITE_ROW; }
  // True when a statement that returns no rows went through.
  bool Run() { return m_statement && sqlite3_step(m_statement) == SQLITE_DONE; }
  int64_t Int(int column) { return sqlite3_column_int64(m_statement, column); }
  std::string Text(int column) {
    const void* data = sqlite3_column_blob(m_statement, column);
    const int size = sqlite3_column_bytes(m_statement, column);
    return data ? std::string(static_cast<const char*>(data), static_cast<size_t>(size))
                : std::string();
  }

 private:
  sqlite3_stmt* m_statement = nullptr;
};

UploadRecord UploadOf(Statement& row) {
  UploadRecord upload;
  upload.id = row.Int(0);
  upload.receivedUnix = row.Int(1);
  upload.address = row.Text(2);
  upload.email = row.Text(3);
  upload.call = row.Text(4);
  upload.state = row.Text(5);
  upload.late = row.Int(6) != 0;
  upload.categories = row.Text(7);
  upload.linesRead = row.Int(8);
  upload.linesRefused = row.Int(9);
  upload.findings = row.Text(10);
  upload.refusal = row.Text(11);
  upload.claimedScore = row.Text(12);
  upload.summary = row.Text(13);
  upload.token = row.Text(14);
  upload.kind = row.Text(15);
  UncountedQsos& uncounted = upload.uncounted;
  uncounted.inLog = row.Int(16);
  uncounted.notRead = row.Int(17);
  uncounted.outside = row.Int(18);
  uncounted.refused = row.Int(19);
  uncounted.dupes = row.Int(20);
  uncounted.listed = row.Text(21);
  uncounted.period = row.Text(22);
  return upload;
}

RunRecord RunOf(Statement& row) {
  RunRecord run;
  run.id = row.Int(0);
  run.startedUnix = row.Int(1);
  run.finishedUnix = row.Int(2);
  run.state = row.Text(3);
  run.status = static_cast<int>(row.Int(4));
  run.logs = row.Int(5);
  run.output = row.Text(6);
  return run;
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
  std::vector<std::string> present;
  {
    Statement columns(m_db, "PRAGMA table_info(uploads)");
    while (columns.Step()) present.push_back(columns.Text(1));
  }
  for (const auto& column : kAddedUploadColumns) {
    if (std::find(present.begin(), present.end(), column.name) != present.end()) continue;
    const std::string add =
        std::string("ALTER TABLE uploads ADD COLUMN ") + column.name + " " + column.type + ";";
    if (!Execute(add.c_str(), error)) return false;
  }
  return true;
}

bool RobotStore::Open(const std::string& path, std::string* error) {
  std::lock_guard<std::mutex> lock(m_mutex);
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
  if (sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr) != SQLITE_OK) {
    *error = path + ": " + (m_db ? sqlite3_errmsg(m_db) : "cannot open");
    return false;
  }
  sqlite3_busy_timeout(m_db, 10000);
  if (!Execute("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA foreign_keys=ON;",
               error) ||
      !Execute(kSchema, error) || !AddMissingColumns(error) ||
      !Execute("UPDATE runs SET state = 'interrupted', finished = started WHERE finished = 0;",
               error)) {
    *error = path + ": " + *error;
    return false;
  }
  return true;
}

bool RobotStore::AddUpload(UploadRecord* upload, std::string* error) {
  std::lock_guard<std::mutex> lock(m_mutex);
  upload->state = !upload->refusal.empty() ? "refused" : upload->late ? "late" : "current";
  if (!Execute("BEGIN IMMEDIATE;", error)) return false;
  bool ok = true;
  if (upload->state == "current") {
    ok = Statement(m_db,
                   "UPDATE uploads SET state = 'replaced' WHERE call = ? AND state = 'current'")
             .Bind(1, upload->call)
             .Run();
  }
  Statement insert(m_db,
                   "INSERT INTO uploads(received, address, email, call, state, late, categories,"
                   " lines_read, lines_refused, findings, refusal, claimed_score, summary, token,"
                   " kind, bytes, qsos_in_log, not_read, outside_period, refused_by_plugin, dupes,"
                   " uncounted_listed, scored_period)"
                   " VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
  insert.Bind(1, upload->receivedUnix).Bind(2, upload->address).Bind(3, upload->email);
  insert.Bind(4, upload->call).Bind(5, upload->state).Bind(6, int64_t{upload->late});
  insert.Bind(7, upload->categories).Bind(8, upload->linesRead).Bind(9, upload->linesRefused);
  insert.Bind(10, upload->findings).Bind(11, upload->refusal).Bind(12, upload->claimedScore);
  insert.Bind(13, upload->summary);
  if (upload->token.empty()) {
    insert.BindNull(14);
  } else {
    insert.Bind(14, upload->token);
  }
  insert.Bind(15, upload->kind).BindBlob(16, upload->bytes);
  const UncountedQsos& uncounted = upload->uncounted;
  insert.Bind(17, uncounted.inLog).Bind(18, uncounted.notRead).Bind(19, uncounted.outside);
  insert.Bind(20, uncounted.refused).Bind(21, uncounted.dupes).Bind(22, uncounted.listed);
  insert.Bind(23, uncounted.period);
  ok = ok && insert.Run();
  if (ok) upload->id = sqlite3_last_insert_rowid(m_db);
  if (!ok) {
    if (error) *error = sqlite3_errmsg(m_db);
    Execute("ROLLBACK;", nullptr);
    return false;
  }
  if (Execute("COMMIT;", error)) return true;
  Execute("ROLLBACK;", nullptr);
  return false;
}

std::vector<UploadRecord> RobotStore::Uploads() {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(
      m_db, (std::string("SELECT ") + kUploadColumns + " FROM uploads ORDER BY id DESC").c_str());
  std::vector<UploadRecord> uploads;
  while (select.Step()) uploads.push_back(UploadOf(select));
  return uploads;
}

std::vector<UploadRecord> RobotStore::CurrentLogs() {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(m_db, (std::string("SELECT ") + kUploadColumns +
                          ", bytes FROM uploads WHERE state = 'current' ORDER BY id")
                             .c_str());
  std::vector<UploadRecord> uploads;
  while (select.Step()) {
    uploads.push_back(UploadOf(select));
    uploads.back().bytes = select.Text(kBytesColumn);
  }
  return uploads;
}

bool RobotStore::UploadByToken(const std::string& token, UploadRecord* upload) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(
      m_db, (std::string("SELECT ") + kUploadColumns + " FROM uploads WHERE token = ?").c_str());
  if (!select.Bind(1, token).Step()) return false;
  *upload = UploadOf(select);
  return true;
}

bool RobotStore::UploadById(int64_t id, UploadRecord* upload) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(
      m_db,
      (std::string("SELECT ") + kUploadColumns + ", bytes FROM uploads WHERE id = ?").c_str());
  if (!select.Bind(1, id).Step()) return false;
  *upload = UploadOf(select);
  upload->bytes = select.Text(kBytesColumn);
  return true;
}

int64_t RobotStore::UploadsSince(const std::string& address, int64_t sinceUnix) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement count(m_db, "SELECT count(*) FROM uploads WHERE address = ? AND received >= ?");
  return count.Bind(1, address).Bind(2, sinceUnix).Step() ? count.Int(0) : 0;
}

std::string RobotStore::Setting(const std::string& name) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(m_db, "SELECT value FROM settings WHERE name = ?");
  return select.Bind(1, name).Step() ? select.Text(0) : std::string();
}

bool RobotStore::SetSetting(const std::string& name, const std::string& value) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return Statement(m_db, "INSERT OR REPLACE INTO settings(name, value) VALUES(?, ?)")
      .Bind(1, name)
      .Bind(2, value)
      .Run();
}

bool RobotStore::AddSession(const std::string& token, const std::string& csrf,
                            int64_t expiresUnix) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement(m_db, "DELETE FROM sessions WHERE expires < ?").Bind(1, expiresUnix - 86400 * 30).Run();
  return Statement(m_db, "INSERT INTO sessions(token, csrf, expires) VALUES(?, ?, ?)")
      .Bind(1, token)
      .Bind(2, csrf)
      .Bind(3, expiresUnix)
      .Run();
}

bool RobotStore::FindSession(const std::string& token, int64_t nowUnix, std::string* csrf) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(m_db, "SELECT csrf FROM sessions WHERE token = ? AND expires > ?");
  if (!select.Bind(1, token).Bind(2, nowUnix).Step()) return false;
  *csrf = select.Text(0);
  return true;
}

void RobotStore::DeleteSession(const std::string& token) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement(m_db, "DELETE FROM sessions WHERE token = ?").Bind(1, token).Run();
}

void RobotStore::CountLoginFailure(const std::string& address, int64_t nowUnix) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement(m_db,
            "INSERT INTO login_failures(address, failures, last) VALUES(?, 1, ?)"
            " ON CONFLICT(address) DO UPDATE SET failures = failures + 1, last = excluded.last")
      .Bind(1, address)
      .Bind(2, nowUnix)
      .Run();
}

int64_t RobotStore::LoginFailures(const std::string& address, int64_t* lastUnix) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(m_db, "SELECT failures, last FROM login_failures WHERE address = ?");
  if (!select.Bind(1, address).Step()) return 0;
  *lastUnix = select.Int(1);
  return select.Int(0);
}

void RobotStore::ClearLoginFailures(const std::string& address) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement(m_db, "DELETE FROM login_failures WHERE address = ?").Bind(1, address).Run();
}

int64_t RobotStore::AddRun(int64_t startedUnix, int64_t logs) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement insert(m_db, "INSERT INTO runs(started, state, logs) VALUES(?, 'started', ?)");
  if (!insert.Bind(1, startedUnix).Bind(2, logs).Run()) return 0;
  return sqlite3_last_insert_rowid(m_db);
}

void RobotStore::SetRunState(int64_t run, const std::string& state) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement(m_db, "UPDATE runs SET state = ? WHERE id = ?").Bind(1, state).Bind(2, run).Run();
}

void RobotStore::FinishRun(int64_t run, int64_t finishedUnix, const std::string& state, int status,
                           const std::string& output,
                           const std::vector<std::pair<std::string, std::string>>& files) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Execute("BEGIN IMMEDIATE;", nullptr);
  for (const auto& [name, bytes] : files) {
    Statement(m_db, "INSERT OR REPLACE INTO run_files(run, name, bytes) VALUES(?, ?, ?)")
        .Bind(1, run)
        .Bind(2, name)
        .BindBlob(3, bytes)
        .Run();
  }
  Statement(m_db, "UPDATE runs SET finished = ?, state = ?, status = ?, output = ? WHERE id = ?")
      .Bind(1, finishedUnix)
      .Bind(2, state)
      .Bind(3, int64_t{status})
      .Bind(4, output)
      .Bind(5, run)
      .Run();
  Execute("COMMIT;", nullptr);
}

bool RobotStore::LatestRun(RunRecord* run) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(m_db,
                   "SELECT id, started, finished, state, status, logs, output FROM runs"
                   " ORDER BY id DESC LIMIT 1");
  if (!select.Step()) return false;
  *run = RunOf(select);
  return true;
}

bool RobotStore::Run(int64_t id, RunRecord* run) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(m_db,
                   "SELECT id, started, finished, state, status, logs, output FROM runs"
                   " WHERE id = ?");
  if (!select.Bind(1, id).Step()) return false;
  *run = RunOf(select);
  return true;
}

bool RobotStore::RunFile(int64_t run, const std::string& name, std::string* bytes) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(m_db, "SELECT bytes FROM run_files WHERE run = ? AND name = ?");
  if (!select.Bind(1, run).Bind(2, name).Step()) return false;
  *bytes = select.Text(0);
  return true;
}

std::vector<std::string> RobotStore::RunFileNames(int64_t run) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(m_db, "SELECT name FROM run_files WHERE run = ? ORDER BY name");
  select.Bind(1, run);
  std::vector<std::string> names;
  while (select.Step()) names.push_back(select.Text(0));
  return names;
}

}  // namespace tarno::score
