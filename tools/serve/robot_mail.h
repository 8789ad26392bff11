#ifndef TARNO_TOOLS_SERVE_ROBOT_MAIL_H_
#define TARNO_TOOLS_SERVE_ROBOT_MAIL_H_

// What the robot's routes ask of mail: the mails to queue with an upload or a publication
// (mail_texts.h), and a word to the sender that there is new mail. With mail off (no
// --smtp) nothing is made and nothing queued. Thread-safe.

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "serve/mail_sender.h"
#include "serve/mail_texts.h"
#include "serve/robot_store.h"

namespace tarno::score {

class RobotMail {
 public:
  // `sender` null: mail is off. `sender` must outlive this.
  RobotMail(MailSettings settings, MailSender* sender)
      : m_settings(std::move(settings)), m_sender(sender) {}

  bool On() const { return m_sender != nullptr; }
  // The robot's address for the links, once it is known (the port may be chosen at start).
  void SetLinkBase(const std::string& linkBase);

  // For RobotStore::AddUpload: the receipt and the replacement notice; null when mail is off.
  UploadMails ForUpload(int64_t nowUnix) const;
  // For RobotStore::Publish: a notice to each log's address that the run `run` checked,
  // with its place from the run's results.csv.
  std::vector<OutboxMail> ForResults(RobotStore& store, int64_t run, int64_t nowUnix) const;
  // Mail was queued: the sender looks at once.
  void Queued() const;

 private:
  MailSettings Settings() const;

  mutable std::mutex m_mutex;
  MailSettings m_settings;
  MailSender* m_sender;
};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_ROBOT_MAIL_H_
