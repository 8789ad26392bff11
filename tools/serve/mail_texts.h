#ifndef TARNO_TOOLS_SERVE_MAIL_TEXTS_H_
#define TARNO_TOOLS_SERVE_MAIL_TEXTS_H_

// The robot's mails, made whole for the outbox: a receipt for an accepted upload, a notice
// to the sender of a log that a newer one replaced, and a notice that the results are out.
// Each is in Hungarian and then in English, every word from the catalogues ("mail.*"),
// the links built on the robot's public address. Only addresses that pass CheckMailAddress
// get one. Pure but for the random Message-ID; any thread.

#include <cstdint>
#include <string>
#include <vector>

#include "serve/result_places.h"
#include "serve/robot_store.h"

namespace tarno::score {

struct MailSettings {
  std::string from;      // a checked address
  std::string linkBase;  // "https://logs.example.org", no trailing slash
  std::string deadline;  // "2026-03-14 23:59:59 UTC"; empty when there is none
};

// "https://logs.example.org/receipt/TOKEN"
std::string ReceiptUrl(const std::string& linkBase, const std::string& token);

// For an accepted upload: the receipt to its address, telling of the log it replaced if
// any, and a notice to the replaced log's address when that is another one. None for a
// refused upload.
std::vector<OutboxMail> MailsOfUpload(const MailSettings& settings, const UploadRecord& upload,
                                      const UploadRecord* replaced, int64_t nowUnix);

// The notice that the results of `run` are published, to the address of `upload`, a log
// the run checked: its place (null when the results give it none), the links to its report
// and certificate. False when the address gets no mail.
bool ResultsMail(const MailSettings& settings, int64_t run, const UploadRecord& upload,
                 const EntrantPlace* place, int64_t nowUnix, OutboxMail* mail);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_MAIL_TEXTS_H_
