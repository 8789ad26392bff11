#ifndef TARNO_TOOLS_SERVE_ROBOT_STORE_H_
#define TARNO_TOOLS_SERVE_ROBOT_STORE_H_

// Everything the robot keeps, in one SQLite database (WAL, synchronous=FULL): every
// upload with its bytes, the sponsor's password hash, sessions, failed logins, the
// cross-check runs with the files they wrote, and which run is published. A call that
// returns has its change durable: an upload acknowledged after AddUpload survives kill -9
// and power loss. A read that fails (a damaged database, a full disk) throws StoreError,
// so that no caller takes a part for the whole; a write says whether it went through.
// Thread-safe: calls are serialised on one connection.

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "serve/uncounted_qsos.h"

namespace tarno::score {

// A read of the database failed; what() says what was being read and SQLite's reason.
class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct UploadRecord {
  int64_t id = 0;
  int64_t receivedUnix = 0;
  std::string address;  // the client's, for the upload limit
  std::string email;
  std::string call;   // upper case; empty when the upload names none
  std::string state;  // "current", "replaced", "late" or "refused"
  bool late = false;
  std::string categories;  // "CATEGORY-OPERATOR: SINGLE-OP", one a line
  int64_t linesRead = 0;
  int64_t linesRefused = 0;
  std::string findings;      // "line N: ...", one a line
  std::string refusal;       // the reasons, one a line; empty when accepted
  std::string claimedScore;  // as the plug-in's summary sheet says it, or why not
  std::string summary;       // the plug-in's summary sheet
  std::string token;         // the receipt's; empty for a refused upload
  std::string kind;          // "cbr" or "adi": how the bytes read
  int64_t admittedUnix = 0;  // a late log the sponsor took into the check, and when
  std::string admitReason;   // the sponsor's reason for it
  UncountedQsos uncounted;   // all 0 for a log not scored, or stored before it was kept
  std::string bytes;         // filled only where a call says so
};

struct RunRecord {
  int64_t id = 0;
  int64_t startedUnix = 0;
  int64_t finishedUnix = 0;  // 0 while running
  std::string state;         // what it is doing, or "finished", "failed", "interrupted"
  int status = -1;           // the cross-check's exit status once finished
  int64_t logs = 0;
  std::string output;  // what the cross-check said
  std::string reason;  // why it failed or was interrupted; empty otherwise
};

// A mail in the outbox (serve/mail_sender.h delivers them).
struct OutboxMail {
  int64_t id = 0;
  int64_t upload = 0;     // the upload it tells of
  std::string call;       // that upload's; filled by Mails() alone
  std::string kind;       // "receipt", "replaced" or "results"
  std::string recipient;  // a checked address (serve/mail_address.h)
  std::string dedupe;     // when not empty, a second mail with the same is never queued
  std::string messageId;  // "<...@...>", the same on every attempt
  std::string message;    // headers and body as sent; filled only where a call says so
  int64_t queuedUnix = 0;
  std::string state;  // "waiting", "sent" or "failed"
  int64_t attempts = 0;
  int64_t nextTryUnix = 0;  // while waiting
  int64_t sentUnix = 0;
  std::string lastError;  // why the last attempt failed, or why it waits
};

struct OutboxCounts {
  int64_t waiting = 0;
  int64_t sent = 0;
  int64_t failed = 0;
};

// The mails that go with an upload, made inside AddUpload's transaction once the upload has
// its id and state; `replaced` is the call's log it replaced, or null. Must not call the
// store.
using UploadMails = std::function<std::vector<OutboxMail>(const UploadRecord& upload,
                                                          const UploadRecord* replaced)>;

// The sponsor's verdict of one line, which every later check applies.
struct DecisionRecord {
  int64_t id = 0;
  int64_t madeUnix = 0;
  std::string call;     // the entrant's, upper case
  int64_t line = 0;     // the line (an ADIF log's record) as verdicts.csv names it
  std::string verdict;  // as verdicts.csv writes it
  std::string reason;   // what the entrant reads
  std::string comment;  // for the sponsor alone
  std::string was;      // the latest check's verdict of the line when made; or empty
  int64_t run = 0;      // that check; 0 when none had finished
  // The upload of `call` the decision is about: the one that check took, else the call's
  // current one. A check that takes another upload of the call leaves the decision out:
  // its line may be another QSO.
  int64_t upload = 0;
  int64_t withdrawnUnix = 0;  // 0 while in force
};

class RobotStore {
 public:
  RobotStore() = default;
  ~RobotStore();
  RobotStore(const RobotStore&) = delete;
  RobotStore& operator=(const RobotStore&) = delete;

  // Opens the database, or sets up a new one where there is no file; runs left unfinished
  // by a stop are marked interrupted. False with the reason, naming the file and what to
  // do, for a database that SQLite's quick check finds damaged, that is no database, or
  // that is empty (0 bytes: a new one is never left so).
  bool Open(const std::string& path, std::string* error);

  // Writes a copy of the database as it is at one moment (SQLite's online backup, which
  // lets the robot go on meanwhile) to a new file in `folder`, named by the UTC time
  // ("robot-2026-03-08T120000Z.sqlite"), whole or not at all: written under another name,
  // flushed to the disk, then renamed. The folder keeps the newest kBackupsKept backups.
  // The file's path, or false with the reason.
  bool Backup(const std::string& folder, std::string* file, std::string* error);
  static constexpr int kBackupsKept = 10;

  // Stores the upload (its `state` decided here from `late` and `refusal`): an accepted,
  // on-time log becomes its call's current one and the earlier current one is marked
  // replaced, all in one transaction, with the mails `mails` makes for it queued. Sets `id`.
  bool AddUpload(UploadRecord* upload, std::string* error, const UploadMails& mails = nullptr);
  // Every upload, newest first, without bytes.
  std::vector<UploadRecord> Uploads();
  // The current logs, oldest first, with their bytes.
  std::vector<UploadRecord> CurrentLogs();
  bool UploadByToken(const std::string& token, UploadRecord* upload);
  bool UploadById(int64_t id, UploadRecord* upload);  // with bytes
  // Takes a late log into the check at the sponsor's word: it becomes its call's current
  // log (the one before is marked replaced), with the time and the reason kept. False with
  // the reason when the upload is no late log.
  bool AdmitLate(int64_t id, int64_t nowUnix, const std::string& reason, std::string* error);
  int64_t UploadsSince(const std::string& address, int64_t sinceUnix);

  std::string Setting(const std::string& name);
  bool SetSetting(const std::string& name, const std::string& value);

  bool AddSession(const std::string& token, const std::string& csrf, int64_t expiresUnix);
  // The session's CSRF token when the session exists and has not expired.
  bool FindSession(const std::string& token, int64_t nowUnix, std::string* csrf);
  bool DeleteSession(const std::string& token);

  // Failed logins from one address: how many since the last success, and when the last.
  bool CountLoginFailure(const std::string& address, int64_t nowUnix);
  int64_t LoginFailures(const std::string& address, int64_t* lastUnix);
  bool ClearLoginFailures(const std::string& address);

  // A new run over `uploads` (the ids of the logs it checks), recorded in one go; 0 when it
  // could not be stored.
  int64_t AddRun(int64_t startedUnix, const std::vector<int64_t>& uploads);
  // The logs a run checks, with their bytes unless told not, as AddRun recorded them.
  std::vector<UploadRecord> UploadsOfRun(int64_t run, bool withBytes = true);
  // Whether `run` checked the upload `upload`.
  bool RunChecked(int64_t run, int64_t upload);
  bool SetRunState(int64_t run, const std::string& state);
  // Ends a run with what it wrote: (file name, bytes) pairs; all of it, or nothing. A
  // finished run's files replace every earlier run's but the published one's.
  bool FinishRun(int64_t run, int64_t finishedUnix, const std::string& state, int status,
                 const std::string& output, const std::string& reason,
                 const std::vector<std::pair<std::string, std::string>>& files);
  // Ends a run as finished with the files a check wrote: (name, path on disk) pairs, each
  // read as it is stored. False with the reason, and nothing stored, when one cannot be.
  bool FinishRunFromFiles(int64_t run, int64_t finishedUnix, int status, const std::string& output,
                          const std::vector<std::pair<std::string, std::string>>& namesAndPaths,
                          std::string* error);
  bool LatestRun(RunRecord* run);
  // The latest run that finished, whose results can be looked at and published.
  bool LatestFinishedRun(RunRecord* run);
  bool Run(int64_t id, RunRecord* run);
  bool RunFile(int64_t run, const std::string& name, std::string* bytes);
  std::vector<std::string> RunFileNames(int64_t run);
  // The first line of a run's file that starts with `start` (which begins with "\n", so
  // that only a whole line's start matches), without its end and at most 64 kB; found
  // inside the database, so a large file is not copied out for it. False when none.
  bool RunFileLine(int64_t run, const std::string& name, const std::string& start,
                   std::string* line);

  // The sponsor's decisions (robot_store_decisions.cpp). AddDecision keeps one, setting
  // its id; a line holds one decision in force at most. `error` says why it was not kept.
  enum class Kept { kYes, kLineDecided, kNo };
  Kept AddDecision(DecisionRecord* decision, std::string* error);
  // In force only, oldest first (the order a check applies them); else all, newest first.
  std::vector<DecisionRecord> Decisions(bool inForceOnly);
  // Marks a decision in force withdrawn at `nowUnix`, filling `withdrawn`; it stays listed.
  enum class Withdrawn { kYes, kNotInForce, kNo };
  Withdrawn WithdrawDecision(int64_t id, int64_t nowUnix, DecisionRecord* withdrawn,
                             std::string* error);
  // The upload of `call` that `run` checked, or with `run` 0 the call's current upload; 0
  // when there is none.
  int64_t UploadOfCall(int64_t run, const std::string& call);

  // Publishes the finished run `run` and queues `mails` with it, in one transaction; a mail
  // whose `dedupe` is queued already is left out.
  bool Publish(int64_t run, const std::vector<OutboxMail>& mails, std::string* error);

  // The outbox (robot_store_mail.cpp). The waiting mail due first at `nowUnix`, with its
  // message; false when none is due, with `nextDueUnix` when the soonest waiting one will
  // be (0: none waits).
  bool DueMail(int64_t nowUnix, OutboxMail* mail, int64_t* nextDueUnix);
  // Mails sent to `recipient` (in any case) since `sinceUnix`, and when the first of them.
  int64_t MailsSentTo(const std::string& recipient, int64_t sinceUnix, int64_t* firstUnix);
  // An attempt begins: counted before it is made, so that one a stop cut short shows.
  bool CountMailAttempt(int64_t id);
  bool MailSent(int64_t id, int64_t nowUnix);
  // The mail waits until `nextTryUnix`, with the reason; `failed`: it is given up.
  bool MailNotSent(int64_t id, bool failed, int64_t nextTryUnix, const std::string& reason);
  // The newest `most` mails, without their messages, and how many there are in each state.
  std::vector<OutboxMail> Mails(size_t most);
  OutboxCounts CountMails();

 private:
  // The i-th file of a run: its name and bytes, or false with the reason.
  using FileSource = std::function<bool(size_t, std::string*, std::string*, std::string*)>;
  bool FinishRunWith(int64_t run, int64_t finishedUnix, const std::string& state, int status,
                     const std::string& output, const std::string& reason, size_t fileCount,
                     const FileSource& file, std::string* error = nullptr);
  bool QueueMails(const std::vector<OutboxMail>& mails, int64_t upload);
  bool Execute(const char* sql, std::string* error);
  bool SetUp(std::string* error);
  bool AddMissingColumns(std::string* error);

  std::mutex m_mutex;
  sqlite3* m_db = nullptr;
  std::string m_path;
};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_ROBOT_STORE_H_
