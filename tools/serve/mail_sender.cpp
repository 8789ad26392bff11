#include "serve/mail_sender.h"

#include <curl/curl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace tarno::score {
namespace {

int64_t Now() { return static_cast<int64_t>(std::time(nullptr)); }

struct Reading {
  const std::string* message;
  size_t offset = 0;
};

size_t ReadMessage(char* buffer, size_t size, size_t count, void* data) {
  Reading* reading = static_cast<Reading*>(data);
  const size_t left = reading->message->size() - reading->offset;
  const size_t taken = std::min(left, size * count);
  reading->message->copy(buffer, taken, reading->offset);
  reading->offset += taken;
  return taken;
}

int64_t RetryAfter(int64_t attempts) {
  int64_t seconds = MailSender::kFirstRetrySeconds;
  for (int64_t i = 1; i < attempts && seconds < MailSender::kLongestRetrySeconds; ++i) seconds *= 2;
  return std::min(seconds, MailSender::kLongestRetrySeconds);
}

}  // namespace

struct MailSender::Outcome {
  bool sent = false;
  bool forGood = false;     // the server refused this mail for good
  bool serverWide = false;  // not this mail's failure: the server, TLS, the login ...
  std::string error;
};

MailSender::MailSender(RobotStore& store, SmtpSettings smtp)
    : m_store(store), m_smtp(std::move(smtp)) {
  m_thread = std::thread([this] { Loop(); });
}

MailSender::~MailSender() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopping = true;
    // curl waits for the server's last answer without looking at the stop: the socket is
    // shut under it, so that the wait ends at once.
    if (m_socket >= 0) shutdown(m_socket, SHUT_RDWR);
  }
  m_wake.notify_all();
  m_thread.join();
  CloseConnection();
}

void MailSender::Wake() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_woken = true;
  }
  m_wake.notify_all();
}

void MailSender::Loop() {
  std::unique_lock<std::mutex> lock(m_mutex);
  while (!m_stopping) {
    lock.unlock();
    const int64_t wait = Step();
    lock.lock();
    if (wait > 0) {
      m_wake.wait_for(lock, std::chrono::seconds(std::min<int64_t>(wait, 3600)),
                      [this] { return m_stopping || m_woken; });
    }
    m_woken = false;
  }
}

int64_t MailSender::Step() {
  const int64_t now = Now();
  if (now < m_pausedUntil) return m_pausedUntil - now;
  try {
    OutboxMail mail;
    int64_t nextDue = 0;
    if (!m_store.DueMail(now, &mail, &nextDue)) {
      CloseConnection();  // nothing to send now: the server's connection is not held idle
      return nextDue > 0 ? std::max<int64_t>(1, nextDue - now) : 3600;
    }
    int64_t firstSent = 0;
    if (m_store.MailsSentTo(mail.recipient, now - 3600, &firstSent) >= kMailsPerHour) {
      m_store.MailNotSent(mail.id, false, firstSent + 3600,
                          "held back: " + std::to_string(kMailsPerHour) +
                              " mails went to this address within the hour");
      return 0;
    }
    m_store.CountMailAttempt(mail.id);
    const Outcome outcome = Deliver(mail);
    const int64_t after = Now();
    if (outcome.sent) {
      m_pauseSeconds = 0;
      if (!m_store.MailSent(mail.id, after)) {
        std::fprintf(stderr, "tarno-score serve: mail %lld was sent but could not be marked so\n",
                     static_cast<long long>(mail.id));
      }
      return 0;
    }
    const int64_t attempts = mail.attempts + 1;
    const bool giveUp = outcome.forGood || after - mail.queuedUnix > kGiveUpSeconds;
    int64_t retry = RetryAfter(attempts);
    if (outcome.serverWide) {
      m_pauseSeconds = std::min(kLongestRetrySeconds,
                                m_pauseSeconds == 0 ? kFirstRetrySeconds : m_pauseSeconds * 2);
      m_pausedUntil = after + m_pauseSeconds;
      retry = std::max(retry, m_pauseSeconds);
      CloseConnection();
    }
    m_store.MailNotSent(mail.id, giveUp, after + retry, outcome.error);
    std::fprintf(
        stderr, "tarno-score serve: mail %lld (attempt %lld) not sent: %s%s\n",
        static_cast<long long>(mail.id), static_cast<long long>(attempts), outcome.error.c_str(),
        giveUp ? "; given up" : ("; tried again in " + std::to_string(retry) + " s").c_str());
    return 0;
  } catch (const StoreError& failure) {
    std::fprintf(stderr, "tarno-score serve: the outbox: %s\n", failure.what());
    return 10;
  }
}

MailSender::Outcome MailSender::Deliver(const OutboxMail& mail) {
  Outcome outcome;
  if (!m_curl) m_curl = curl_easy_init();
  CURL* curl = static_cast<CURL*>(m_curl);
  if (!curl) {
    outcome.serverWide = true;
    outcome.error = "the mail library could not be started";
    return outcome;
  }
  curl_easy_reset(curl);
  char detail[CURL_ERROR_SIZE] = "";
  Reading reading{&mail.message};
  curl_slist* recipients = curl_slist_append(nullptr, ("<" + mail.recipient + ">").c_str());
  const std::string from = "<" + m_smtp.from + ">";
  curl_easy_setopt(curl, CURLOPT_URL, m_smtp.url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
  curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.c_str());
  curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients);
  curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(curl, CURLOPT_READFUNCTION, &ReadMessage);
  curl_easy_setopt(curl, CURLOPT_READDATA, &reading);
  curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(mail.message.size()));
  // A password never goes over a connection that is not encrypted.
  curl_easy_setopt(
      curl, CURLOPT_USE_SSL,
      m_smtp.user.empty() ? static_cast<long>(CURLUSESSL_TRY) : static_cast<long>(CURLUSESSL_ALL));
  if (!m_smtp.user.empty()) {
    curl_easy_setopt(curl, CURLOPT_USERNAME, m_smtp.user.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, m_smtp.password.c_str());
  }
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 20L);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, 120L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, detail);
  // A stop cuts an attempt short: the mail stays waiting for the next start.
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
  curl_easy_setopt(
      curl, CURLOPT_XFERINFOFUNCTION,
      +[](void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) -> int {
        MailSender* sender = static_cast<MailSender*>(self);
        std::lock_guard<std::mutex> lock(sender->m_mutex);
        return sender->m_stopping ? 1 : 0;
      });
  // The sockets are the sender's own: closed on exec, so that no scoring child holds the
  // server's connection, and known to a stop.
  curl_easy_setopt(curl, CURLOPT_OPENSOCKETDATA, this);
  curl_easy_setopt(
      curl, CURLOPT_OPENSOCKETFUNCTION,
      +[](void* self, curlsocktype, curl_sockaddr* address) -> curl_socket_t {
        MailSender* sender = static_cast<MailSender*>(self);
        std::lock_guard<std::mutex> lock(sender->m_mutex);
        if (sender->m_stopping) return CURL_SOCKET_BAD;
        const int fd = socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
        if (fd >= 0) sender->m_socket = fd;
        return fd >= 0 ? fd : CURL_SOCKET_BAD;
      });
  curl_easy_setopt(curl, CURLOPT_CLOSESOCKETDATA, this);
  curl_easy_setopt(
      curl, CURLOPT_CLOSESOCKETFUNCTION, +[](void* self, curl_socket_t fd) -> int {
        MailSender* sender = static_cast<MailSender*>(self);
        std::lock_guard<std::mutex> lock(sender->m_mutex);
        if (sender->m_socket == fd) sender->m_socket = -1;
        return close(fd);
      });
  const CURLcode result = curl_easy_perform(curl);
  curl_slist_free_all(recipients);
  if (result == CURLE_OK) {
    outcome.sent = true;
    return outcome;
  }
  long reply = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply);
  const std::string said = detail[0] ? detail : curl_easy_strerror(result);
  const bool recipientRefused = said.rfind("RCPT failed", 0) == 0;
  const bool textRefused = result == CURLE_WEIRD_SERVER_REPLY && reply >= 400;
  outcome.forGood = reply >= 500 && (recipientRefused || textRefused);
  outcome.serverWide = !recipientRefused && !textRefused;
  outcome.error = said + (reply > 0 && said.find(std::to_string(reply)) == std::string::npos
                              ? " (the server said " + std::to_string(reply) + ")"
                              : "");
  return outcome;
}

void MailSender::CloseConnection() {
  if (m_curl) curl_easy_cleanup(static_cast<CURL*>(m_curl));
  m_curl = nullptr;
}

}  // namespace tarno::score
