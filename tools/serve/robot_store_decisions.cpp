#include <algorithm>

#include "serve/robot_store.h"
#include "serve/store_statement.h"

namespace tarno::score {
namespace {

constexpr int64_t kLongestRow = 64 * 1024;

const char kDecisionColumns[] =
    "id, made, call, line, verdict, reason, comment, was, run, upload, withdrawn";

DecisionRecord DecisionOf(Statement& row) {
  DecisionRecord decision;
  decision.id = row.Int(0);
  decision.madeUnix = row.Int(1);
  decision.call = row.Text(2);
  decision.line = row.Int(3);
  decision.verdict = row.Text(4);
  decision.reason = row.Text(5);
  decision.comment = row.Text(6);
  decision.was = row.Text(7);
  decision.run = row.Int(8);
  decision.upload = row.Int(9);
  decision.withdrawnUnix = row.Int(10);
  return decision;
}

}  // namespace

bool RobotStore::RunFileLine(int64_t run, const std::string& name, const std::string& start,
                             std::string* line) {
  std::lock_guard<std::mutex> lock(m_mutex);
  // instr and substr count bytes in a blob, and the file's bytes are kept as one.
  Statement select(m_db,
                   "SELECT substr(bytes, at + 1, ?) FROM (SELECT bytes, instr(bytes, ?) AS at"
                   " FROM run_files WHERE run = ? AND name = ?) WHERE at > 0",
                   "a line of a run's file");
  if (!select.Bind(1, kLongestRow).BindBlob(2, start).Bind(3, run).Bind(4, name).Step())
    return false;
  *line = select.Text(0);  // from just after the "\n" that starts `start`
  line->resize(std::min(line->find('\n'), line->size()));
  return true;
}

RobotStore::Kept RobotStore::AddDecision(DecisionRecord* decision, std::string* error) {
  std::lock_guard<std::mutex> lock(m_mutex);
  try {
    Statement insert(m_db,
                     "INSERT INTO decisions(made, call, line, verdict, reason, comment, was, run,"
                     " upload) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)",
                     "a decision");
    insert.Bind(1, decision->madeUnix).Bind(2, decision->call).Bind(3, decision->line);
    insert.Bind(4, decision->verdict).Bind(5, decision->reason).Bind(6, decision->comment);
    insert.Bind(7, decision->was).Bind(8, decision->run).Bind(9, decision->upload);
    if (insert.Run()) {
      decision->id = sqlite3_last_insert_rowid(m_db);
      return Kept::kYes;
    }
    *error = sqlite3_errmsg(m_db);
    // The index of decisions in force holds one a line.
    return sqlite3_extended_errcode(m_db) == SQLITE_CONSTRAINT_UNIQUE ? Kept::kLineDecided
                                                                      : Kept::kNo;
  } catch (const StoreError& failure) {
    *error = failure.what();
    return Kept::kNo;
  }
}

std::vector<DecisionRecord> RobotStore::Decisions(bool inForceOnly) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(m_db,
                   std::string("SELECT ") + kDecisionColumns + " FROM decisions" +
                       (inForceOnly ? " WHERE withdrawn = 0 ORDER BY id" : " ORDER BY id DESC"),
                   "the sponsor's decisions");
  std::vector<DecisionRecord> decisions;
  while (select.Step()) decisions.push_back(DecisionOf(select));
  return decisions;
}

RobotStore::Withdrawn RobotStore::WithdrawDecision(int64_t id, int64_t nowUnix,
                                                   DecisionRecord* withdrawn, std::string* error) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!Execute("BEGIN IMMEDIATE;", error)) return Withdrawn::kNo;
  Withdrawn outcome = Withdrawn::kNo;
  try {
    bool found = false;
    {
      Statement select(m_db,
                       std::string("SELECT ") + kDecisionColumns +
                           " FROM decisions WHERE id = ? AND withdrawn = 0",
                       "a decision");
      found = select.Bind(1, id).Step();
      if (found) *withdrawn = DecisionOf(select);
    }
    if (!found) {
      outcome = Withdrawn::kNotInForce;
    } else if (Statement(m_db, "UPDATE decisions SET withdrawn = ? WHERE id = ?", "a decision")
                   .Bind(1, nowUnix)
                   .Bind(2, id)
                   .Run() &&
               Execute("COMMIT;", error)) {
      withdrawn->withdrawnUnix = nowUnix;
      return Withdrawn::kYes;
    } else if (error->empty()) {
      *error = sqlite3_errmsg(m_db);
    }
  } catch (const StoreError& failure) {
    *error = failure.what();
  }
  Execute("ROLLBACK;", nullptr);
  return outcome;
}

int64_t RobotStore::UploadOfCall(int64_t run, const std::string& call) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(m_db,
                   run > 0 ? "SELECT id FROM uploads WHERE call = ? AND id IN"
                             " (SELECT upload FROM run_uploads WHERE run = ?)"
                           : "SELECT id FROM uploads WHERE call = ? AND state = 'current'",
                   "a call's upload");
  select.Bind(1, call);
  if (run > 0) select.Bind(2, run);
  return select.Step() ? select.Int(0) : 0;
}

}  // namespace tarno::score
