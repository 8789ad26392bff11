#ifndef TARNO_TOOLS_SERVE_MAIL_PAGES_H_
#define TARNO_TOOLS_SERVE_MAIL_PAGES_H_

// What the pages say of mail: the sponsor's view of the outbox, and a receipt's note when
// the address given gets no mail. HTML, every value escaped. Pure; any thread.

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "serve/robot_store.h"

namespace tarno::score {

struct MailView {
  bool on = false;  // --smtp given
  OutboxCounts counts;
  std::vector<OutboxMail> mails;  // the newest, newest first
};

// The newest mails the sponsor's page lists; the counts cover all of them.
constexpr size_t kMailsListed = 500;

// The sponsor page's section: whether mail is on, and each mail's state, attempts and last
// error.
std::string MailSection(const MailView& view, const Catalogue& words);

// For a receipt: why no mail will come to the address given, when it fails the check;
// empty when no address was given or it passes.
std::string ReceiptMailNote(const UploadRecord& upload, const Catalogue& words);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_MAIL_PAGES_H_
