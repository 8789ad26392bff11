#ifndef TARNO_TOOLS_SERVE_MAIL_SENDER_H_
#define TARNO_TOOLS_SERVE_MAIL_SENDER_H_

// Delivers the outbox (RobotStore's) through the sponsor's mail server, with Debian's
// libcurl, on a thread of its own; nothing a request does waits for it. A mail leaves the
// outbox only once the server has taken it: one the robot's end cut short is sent again
// on the next start, under the same Message-ID (at least once, never lost).
//  - A failed attempt is tried again after 10 s, then 20, 40 ... up to an hour; a mail the
//    server refuses for good (a 5xx answer to its recipient or to its text), or one still
//    undelivered three days after it was queued, is marked failed with the last error.
//  - A failure that is no single mail's (the server unreachable, TLS, the login, the
//    sender refused) holds every mail back for as long, not just the one tried.
//  - An address gets at most kMailsPerHour mails an hour; further ones wait their turn.
// The curl library must have been set up (curl_global_init) before one is made.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "serve/robot_store.h"

namespace tarno::score {

struct SmtpSettings {
  std::string url;   // "smtp://host:port" (STARTTLS when offered) or "smtps://host:port"
  std::string user;  // empty: no login; with smtp://, STARTTLS is then required
  std::string password;
  std::string from;  // a checked address
};

class MailSender {
 public:
  static constexpr int kMailsPerHour = 5;
  static constexpr int64_t kFirstRetrySeconds = 10;
  static constexpr int64_t kLongestRetrySeconds = 3600;
  static constexpr int64_t kGiveUpSeconds = 3 * 86400;

  // Starts the thread. `store` must outlive the sender.
  MailSender(RobotStore& store, SmtpSettings smtp);
  ~MailSender();  // stops within a second or so; an attempt under way is cut short
  MailSender(const MailSender&) = delete;
  MailSender& operator=(const MailSender&) = delete;

  // New mail is in the outbox: look now rather than at the next planned time. Never blocks
  // on a delivery.
  void Wake();

 private:
  struct Outcome;
  void Loop();
  // Handles the mail due first, if any; how many seconds to wait before the next look
  // (0: at once).
  int64_t Step();
  Outcome Deliver(const OutboxMail& mail);
  void CloseConnection();

  RobotStore& m_store;
  SmtpSettings m_smtp;
  void* m_curl = nullptr;      // the connection to the server, kept while mail flows
  int m_socket = -1;           // its socket, for a stop to cut a wait for the server short
  int64_t m_pausedUntil = 0;   // after a failure of the server's, no attempt before this
  int64_t m_pauseSeconds = 0;  // how long the last such pause was
  std::mutex m_mutex;
  std::condition_variable m_wake;
  bool m_woken = false;
  bool m_stopping = false;
  std::thread m_thread;
};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_MAIL_SENDER_H_
