// The robot's outbox: mails queued with the upload or the publication they tell of, and
// what the sender made of each.

#include "contest/ascii_text.h"
#include "serve/robot_store.h"
#include "serve/store_statement.h"

namespace tarno::score {
namespace {

// Past this many mails waiting for one address, a further one is recorded as not sent: a
// stranger who uploads under someone's address again and again must not fill the outbox
// with mail for that person to be sent for weeks.
constexpr int64_t kMostWaitingPerAddress = 100;

const char kMailColumns[] =
    "id, upload, kind, recipient, coalesce(dedupe, ''), message_id, queued, state, attempts,"
    " next_try, sent, last_error";

OutboxMail MailOf(Statement& row) {
  OutboxMail mail;
  mail.id = row.Int(0);
  mail.upload = row.Int(1);
  mail.kind = row.Text(2);
  mail.recipient = row.Text(3);
  mail.dedupe = row.Text(4);
  mail.messageId = row.Text(5);
  mail.queuedUnix = row.Int(6);
  mail.state = row.Text(7);
  mail.attempts = row.Int(8);
  mail.nextTryUnix = row.Int(9);
  mail.sentUnix = row.Int(10);
  mail.lastError = row.Text(11);
  return mail;
}

}  // namespace

bool RobotStore::QueueMails(const std::vector<OutboxMail>& mails, int64_t upload) {
  try {
    for (const OutboxMail& mail : mails) {
      const std::string key = LowerAscii(mail.recipient);
      Statement waiting(m_db,
                        "SELECT count(*) FROM outbox WHERE recipient_key = ? AND state = 'waiting'",
                        "the mails waiting for an address");
      const bool full = waiting.Bind(1, key).Step() && waiting.Int(0) >= kMostWaitingPerAddress;
      Statement insert(
          m_db,
          "INSERT OR IGNORE INTO outbox(upload, kind, recipient, recipient_key, dedupe,"
          " message_id, message, queued, state, next_try, last_error)"
          " VALUES(?,?,?,?,?,?,?,?,?,?,?)",
          "a mail");
      insert.Bind(1, mail.upload != 0 ? mail.upload : upload).Bind(2, mail.kind);
      insert.Bind(3, mail.recipient).Bind(4, key);
      if (mail.dedupe.empty()) {
        insert.BindNull(5);
      } else {
        insert.Bind(5, mail.dedupe);
      }
      insert.Bind(6, mail.messageId).BindBlob(7, mail.message).Bind(8, mail.queuedUnix);
      insert.Bind(9, std::string(full ? "failed" : "waiting")).Bind(10, mail.queuedUnix);
      insert.Bind(11, full ? "not sent: " + std::to_string(kMostWaitingPerAddress) +
                                 " mails already wait for this address"
                           : std::string());
      if (!insert.Run()) return false;
    }
  } catch (const StoreError&) {
    return false;
  }
  return true;
}

bool RobotStore::Publish(int64_t run, const std::vector<OutboxMail>& mails, std::string* error) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!Execute("BEGIN IMMEDIATE;", error)) return false;
  const bool ok =
      Statement(m_db, "INSERT OR REPLACE INTO settings(name, value) VALUES('published_run', ?)",
                "the published run")
          .Bind(1, std::to_string(run))
          .Run() &&
      QueueMails(mails, 0);
  if (ok && Execute("COMMIT;", error)) return true;
  if (!ok) *error = sqlite3_errmsg(m_db);
  Execute("ROLLBACK;", nullptr);
  return false;
}

bool RobotStore::DueMail(int64_t nowUnix, OutboxMail* mail, int64_t* nextDueUnix) {
  std::lock_guard<std::mutex> lock(m_mutex);
  *nextDueUnix = 0;
  Statement select(m_db,
                   std::string("SELECT ") + kMailColumns +
                       ", message FROM outbox WHERE state = 'waiting'"
                       " ORDER BY next_try, id LIMIT 1",
                   "the next mail");
  if (!select.Step()) return false;
  if (select.Int(9) > nowUnix) {
    *nextDueUnix = select.Int(9);
    return false;
  }
  *mail = MailOf(select);
  mail->message = select.Text(12);
  return true;
}

int64_t RobotStore::MailsSentTo(const std::string& recipient, int64_t sinceUnix,
                                int64_t* firstUnix) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement count(m_db,
                  "SELECT count(*), coalesce(min(sent), 0) FROM outbox WHERE recipient_key = ?"
                  " AND state = 'sent' AND sent >= ?",
                  "the mails sent to an address");
  if (!count.Bind(1, LowerAscii(recipient)).Bind(2, sinceUnix).Step()) return 0;
  *firstUnix = count.Int(1);
  return count.Int(0);
}

bool RobotStore::CountMailAttempt(int64_t id) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return Statement(m_db, "UPDATE outbox SET attempts = attempts + 1 WHERE id = ?", "a mail")
      .Bind(1, id)
      .Run();
}

bool RobotStore::MailSent(int64_t id, int64_t nowUnix) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return Statement(m_db, "UPDATE outbox SET state = 'sent', sent = ?, last_error = '' WHERE id = ?",
                   "a mail")
      .Bind(1, nowUnix)
      .Bind(2, id)
      .Run();
}

bool RobotStore::MailNotSent(int64_t id, bool failed, int64_t nextTryUnix,
                             const std::string& reason) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return Statement(m_db, "UPDATE outbox SET state = ?, next_try = ?, last_error = ? WHERE id = ?",
                   "a mail")
      .Bind(1, std::string(failed ? "failed" : "waiting"))
      .Bind(2, nextTryUnix)
      .Bind(3, reason)
      .Bind(4, id)
      .Run();
}

std::vector<OutboxMail> RobotStore::Mails(size_t most) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(m_db,
                   std::string("SELECT ") + kMailColumns +
                       ", (SELECT call FROM uploads WHERE uploads.id = outbox.upload)"
                       " FROM outbox ORDER BY id DESC LIMIT ?",
                   "the outbox");
  select.Bind(1, static_cast<int64_t>(most));
  std::vector<OutboxMail> mails;
  while (select.Step()) {
    mails.push_back(MailOf(select));
    mails.back().call = select.Text(12);
  }
  return mails;
}

OutboxCounts RobotStore::CountMails() {
  std::lock_guard<std::mutex> lock(m_mutex);
  Statement select(m_db, "SELECT state, count(*) FROM outbox GROUP BY state", "the outbox");
  OutboxCounts counts;
  while (select.Step()) {
    const std::string state = select.Text(0);
    int64_t* count = state == "waiting" ? &counts.waiting
                     : state == "sent"  ? &counts.sent
                                        : &counts.failed;
    *count += select.Int(1);
  }
  return counts;
}

}  // namespace tarno::score
