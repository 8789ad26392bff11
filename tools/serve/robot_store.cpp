#include "serve/robot_store.h"

#include <utility>

#include "logs/log_file.h"
#include "serve/message_line.h"
#include "serve/store_statement.h"

namespace tarno::score {
namespace {

const char kUploadColumns[] =
    "id, received, address, email, call, state, late, categories, lines_read, lines_refused,"
    " findings, refusal, claimed_score, summary, coalesce(token, ''), kind, qsos_in_log,"
    " not_read, outside_period, refused_by_plugin, dupes, uncounted_listed, scored_period,"
    " admitted, admit_reason";
constexpr int kBytesColumn = 25;  // after kUploadColumns

const char kRunColumns[] = "id, started, finished, state, status, logs, output, reason";

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
  upload.admittedUnix = row.Int(23);
  upload.admitReason = row.Text(24);
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
  run.reason = row.Text(7);
  return run;
}

std::string UploadsWhere(const char* rest) {
  return std::string("SELECT ") + kUploadColumns + rest;
}

}  // namespace

bool RobotStore::AddUpload(UploadRecord* upload, std::string* error, const UploadMails& mails) {
  std::lock_guard<std::mutex> lock(m_mutex);
  upload->state = !upload->refusal.empty() ? "refused" : upload->late ? "late" : "current";
  if (!Execute("BEGIN IMMEDIATE;", error)) return false;
  bool ok = true;
  UploadRecord replaced;
  bool replaces = false;
  if (upload->state == "current") {
    try {
      Statement select(m_db, UploadsWhere(" FROM uploads WHERE call = ? AND state = 'current'"),
                       "the call's earlier log");
      replaces = select.Bind(1, upload->call).Step();
      if (replaces) replaced = UploadOf(select);
    } catch (const StoreError&) {
      ok = false;
    }
    ok = ok &&
         Statement(m_db,
                   "UPDATE uploads SET state = 'replaced' WHERE call = ? AND state = 'current'",
                   "the call's earlier log")
             .Bind(1, upload->call)
             .Run();
  }
  Statement insert(m_db,
                   "INSERT INTO uploads(received, address, email, call, state, late, categories,"
                   " lines_read, lines_refused, findings, refusal, claimed_score, summary, token,"
                   " kind, bytes, qsos_in_log, not_read, outside_period, refused_by_plugin, dupes,"
                   " uncounted_listed, scored_period)"
                   " VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                   "the upload");
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
  if (ok && mails) {
    try {
      ok = QueueMails(mails(*upload, replaces ? &replaced : nullptr), upload->id);
    } catch (const std::exception&) {
      ok = false;  // the transaction must not be left open whatever went wrong
    }
  }
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
  Statement select(m_db, UploadsWhere(" FROM uploads ORDER BY id DESC"), "the uploads");
  std::vector<UploadRecord> uploads;
  while (select.Step()) uploads.push_back(UploadOf(select));
  return uploads;
}

std::vector<UploadRecord> RobotStore::CurrentLogs() {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(m_db, UploadsWhere(", bytes FROM uploads WHERE state = 'current' ORDER BY id"),
                   "the current logs");
  std::vector<UploadRecord> uploads;
  while (select.Step()) {
    uploads.push_back(UploadOf(select));
    uploads.back().bytes = select.Text(kBytesColumn);
  }
  return uploads;
}

bool RobotStore::UploadByToken(const std::string& token, UploadRecord* upload) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(m_db, UploadsWhere(" FROM uploads WHERE token = ?"), "a receipt's upload");
  if (!select.Bind(1, token).Step()) return false;
  *upload = UploadOf(select);
  return true;
}

bool RobotStore::UploadById(int64_t id, UploadRecord* upload) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(m_db, UploadsWhere(", bytes FROM uploads WHERE id = ?"), "an upload");
  if (!select.Bind(1, id).Step()) return false;
  *upload = UploadOf(select);
  upload->bytes = select.Text(kBytesColumn);
  return true;
}

int64_t RobotStore::UploadsSince(const std::string& address, int64_t sinceUnix) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement count(m_db, "SELECT count(*) FROM uploads WHERE address = ? AND received >= ?",
                  "the uploads from an address");
  return count.Bind(1, address).Bind(2, sinceUnix).Step() ? count.Int(0) : 0;
}

std::string RobotStore::Setting(const std::string& name) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(m_db, "SELECT value FROM settings WHERE name = ?", "a setting");
  return select.Bind(1, name).Step() ? select.Text(0) : std::string();
}

bool RobotStore::SetSetting(const std::string& name, const std::string& value) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return Statement(m_db, "INSERT OR REPLACE INTO settings(name, value) VALUES(?, ?)", "a setting")
      .Bind(1, name)
      .Bind(2, value)
      .Run();
}

bool RobotStore::AddSession(const std::string& token, const std::string& csrf,
                            int64_t expiresUnix) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return Statement(m_db, "DELETE FROM sessions WHERE expires < ?", "the expired sessions")
             .Bind(1, expiresUnix - 86400 * 30)
             .Run() &&
         Statement(m_db, "INSERT INTO sessions(token, csrf, expires) VALUES(?, ?, ?)", "a session")
             .Bind(1, token)
             .Bind(2, csrf)
             .Bind(3, expiresUnix)
             .Run();
}

bool RobotStore::FindSession(const std::string& token, int64_t nowUnix, std::string* csrf) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(m_db, "SELECT csrf FROM sessions WHERE token = ? AND expires > ?", "a session");
  if (!select.Bind(1, token).Bind(2, nowUnix).Step()) return false;
  *csrf = select.Text(0);
  return true;
}

bool RobotStore::DeleteSession(const std::string& token) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return Statement(m_db, "DELETE FROM sessions WHERE token = ?", "a session").Bind(1, token).Run();
}

bool RobotStore::CountLoginFailure(const std::string& address, int64_t nowUnix) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return Statement(m_db,
                   "INSERT INTO login_failures(address, failures, last) VALUES(?, 1, ?)"
                   " ON CONFLICT(address) DO UPDATE SET failures = failures + 1,"
                   " last = excluded.last",
                   "the failed logins")
      .Bind(1, address)
      .Bind(2, nowUnix)
      .Run();
}

int64_t RobotStore::LoginFailures(const std::string& address, int64_t* lastUnix) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(m_db, "SELECT failures, last FROM login_failures WHERE address = ?",
                   "the failed logins");
  if (!select.Bind(1, address).Step()) return 0;
  *lastUnix = select.Int(1);
  return select.Int(0);
}

bool RobotStore::ClearLoginFailures(const std::string& address) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return Statement(m_db, "DELETE FROM login_failures WHERE address = ?", "the failed logins")
      .Bind(1, address)
      .Run();
}

int64_t RobotStore::AddRun(int64_t startedUnix, const std::vector<int64_t>& uploads) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!Execute("BEGIN IMMEDIATE;", nullptr)) return 0;
  int64_t run = 0;
  try {
    Statement insert(m_db, "INSERT INTO runs(started, state, logs) VALUES(?, 'started', ?)",
                     "a run");
    if (insert.Bind(1, startedUnix).Bind(2, static_cast<int64_t>(uploads.size())).Run()) {
      run = sqlite3_last_insert_rowid(m_db);
      for (int64_t upload : uploads) {
        if (!Statement(m_db, "INSERT INTO run_uploads(run, upload) VALUES(?, ?)", "a run's log")
                 .Bind(1, run)
                 .Bind(2, upload)
                 .Run()) {
          run = 0;
          break;
        }
      }
    }
  } catch (const StoreError&) {
    run = 0;
  }
  if (run != 0 && Execute("COMMIT;", nullptr)) return run;
  Execute("ROLLBACK;", nullptr);
  return 0;
}

std::vector<UploadRecord> RobotStore::UploadsOfRun(int64_t run, bool withBytes) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(m_db,
                   UploadsWhere(withBytes ? ", bytes FROM uploads WHERE id IN (SELECT upload FROM"
                                            " run_uploads WHERE run = ?) ORDER BY id"
                                          : " FROM uploads WHERE id IN (SELECT upload FROM"
                                            " run_uploads WHERE run = ?) ORDER BY id"),
                   "a run's logs");
  select.Bind(1, run);
  std::vector<UploadRecord> uploads;
  while (select.Step()) {
    uploads.push_back(UploadOf(select));
    if (withBytes) uploads.back().bytes = select.Text(kBytesColumn);
  }
  return uploads;
}

bool RobotStore::RunChecked(int64_t run, int64_t upload) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(m_db, "SELECT 1 FROM run_uploads WHERE run = ? AND upload = ?", "a run's logs");
  return select.Bind(1, run).Bind(2, upload).Step();
}

bool RobotStore::SetRunState(int64_t run, const std::string& state) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return Statement(m_db, "UPDATE runs SET state = ? WHERE id = ?", "a run")
      .Bind(1, state)
      .Bind(2, run)
      .Run();
}

bool RobotStore::FinishRun(int64_t run, int64_t finishedUnix, const std::string& state, int status,
                           const std::string& output, const std::string& reason,
                           const std::vector<std::pair<std::string, std::string>>& files) {
  return FinishRunWith(run, finishedUnix, state, status, output, reason, files.size(),
                       [&files](size_t i, std::string* name, std::string* bytes, std::string*) {
                         *name = files[i].first;
                         *bytes = files[i].second;
                         return true;
                       });
}

bool RobotStore::FinishRunFromFiles(
    int64_t run, int64_t finishedUnix, int status, const std::string& output,
    const std::vector<std::pair<std::string, std::string>>& namesAndPaths, std::string* error) {
  return FinishRunWith(run, finishedUnix, "finished", status, output, "", namesAndPaths.size(),
                       [&namesAndPaths](size_t i, std::string* name, std::string* bytes,
                                        std::string* why) {
                         *name = namesAndPaths[i].first;
                         return ReadRegularFile(namesAndPaths[i].second, bytes, why);
                       },
                       error);
}

bool RobotStore::FinishRunWith(int64_t run, int64_t finishedUnix, const std::string& state,
                               int status, const std::string& output, const std::string& reason,
                               size_t fileCount, const FileSource& file, std::string* error) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!Execute("BEGIN IMMEDIATE;", error)) return false;
  bool ok = true;
  // One file in memory at a time: a contest of thousands of logs writes gigabytes.
  std::string name, bytes, why;
  for (size_t i = 0; ok && i < fileCount; ++i) {
    if (!file(i, &name, &bytes, &why)) {
      if (error) *error = why;
      Execute("ROLLBACK;", nullptr);
      return false;
    }
    ok = Statement(m_db, "INSERT OR REPLACE INTO run_files(run, name, bytes) VALUES(?, ?, ?)",
                   "a run's file")
             .Bind(1, run)
             .Bind(2, name)
             .BindBlob(3, bytes)
             .Run();
  }
  bytes.clear();
  bytes.shrink_to_fit();
  ok = ok && Statement(m_db,
                       "UPDATE runs SET finished = ?, state = ?, status = ?, output = ?,"
                       " reason = ? WHERE id = ?",
                       "a run")
                 .Bind(1, finishedUnix)
                 .Bind(2, state)
                 .Bind(3, int64_t{status})
                 .Bind(4, output)
                 .Bind(5, reason)
                 .Bind(6, run)
                 .Run();
  // A finished check's files replace those of the checks before it, except the published
  // one's: the data folder holds two checks' files at most, however often the sponsor checks.
  if (ok && state == "finished") {
    ok = Statement(m_db,
                   "DELETE FROM run_files WHERE run <> ? AND run <> COALESCE((SELECT CAST(value"
                   " AS INTEGER) FROM settings WHERE name = 'published_run'), 0)",
                   "the earlier checks' files")
             .Bind(1, run)
             .Run();
  }
  if (ok && Execute("COMMIT;", error)) return true;
  if (error && error->empty()) *error = sqlite3_errmsg(m_db);
  Execute("ROLLBACK;", nullptr);
  return false;
}

bool RobotStore::LatestRun(RunRecord* run) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(m_db,
                   std::string("SELECT ") + kRunColumns + " FROM runs ORDER BY id DESC LIMIT 1",
                   "the latest run");
  if (!select.Step()) return false;
  *run = RunOf(select);
  return true;
}

bool RobotStore::LatestFinishedRun(RunRecord* run) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(m_db,
                   std::string("SELECT ") + kRunColumns +
                       " FROM runs WHERE state = 'finished' ORDER BY id DESC LIMIT 1",
                   "the latest finished run");
  if (!select.Step()) return false;
  *run = RunOf(select);
  return true;
}

bool RobotStore::Run(int64_t id, RunRecord* run) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(m_db, std::string("SELECT ") + kRunColumns + " FROM runs WHERE id = ?", "a run");
  if (!select.Bind(1, id).Step()) return false;
  *run = RunOf(select);
  return true;
}

bool RobotStore::RunFile(int64_t run, const std::string& name, std::string* bytes) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(m_db, "SELECT bytes FROM run_files WHERE run = ? AND name = ?", "a run's file");
  if (!select.Bind(1, run).Bind(2, name).Step()) return false;
  *bytes = select.Text(0);
  return true;
}

std::vector<std::string> RobotStore::RunFileNames(int64_t run) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(m_db, "SELECT name FROM run_files WHERE run = ? ORDER BY name", "a run's files");
  select.Bind(1, run);
  std::vector<std::string> names;
  while (select.Step()) names.push_back(select.Text(0));
  return names;
}

bool RobotStore::AdmitLate(int64_t id, int64_t nowUnix, const std::string& reason,
                           std::string* error) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!Execute("BEGIN IMMEDIATE;", error)) return false;
  try {
    std::string call, state;
    {
      Statement select(m_db, "SELECT call, state FROM uploads WHERE id = ?", "the late log");
      if (select.Bind(1, id).Step()) {
        call = select.Text(0);
        state = select.Text(1);
      }
    }
    bool ok = state == "late";
    if (!ok) {
      *error = state.empty() ? MessageLine("robot.admit.no_upload")
                             : MessageLine("robot.admit.not_late");
    }
    ok = ok &&
         Statement(m_db,
                   "UPDATE uploads SET state = 'replaced' WHERE call = ? AND state = 'current'",
                   "the log the late one replaces")
             .Bind(1, call)
             .Run() &&
         Statement(m_db,
                   "UPDATE uploads SET state = 'current', admitted = ?, admit_reason = ?"
                   " WHERE id = ?",
                   "the late log taken in")
             .Bind(1, nowUnix)
             .Bind(2, reason)
             .Bind(3, id)
             .Run();
    if (ok && Execute("COMMIT;", error)) return true;
    if (error->empty()) *error = sqlite3_errmsg(m_db);
  } catch (const StoreError& failure) {
    *error = failure.what();
  }
  Execute("ROLLBACK;", nullptr);
  return false;
}

}  // namespace tarno::score
