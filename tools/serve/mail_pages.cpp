#include "serve/mail_pages.h"

#include <ctime>

#include "replay/html_text.h"
#include "serve/mail_address.h"
#include "serve/mail_texts.h"
#include "serve/robot_pages.h"

namespace tarno::score {
namespace {

std::string E(const std::string& text) { return HtmlEscaped(text); }

std::string StateText(const OutboxMail& mail, const Catalogue& words) {
  if (mail.state == "sent")
    return words.Format("mail.state.sent", {{"time", UtcText(mail.sentUnix)}});
  if (mail.state == "waiting") {
    return words.Format("mail.state.waiting", {{"time", UtcText(mail.nextTryUnix)}});
  }
  return words.Text("mail.state.failed");
}

std::string KindText(const std::string& kind, const Catalogue& words) {
  return kind == "receipt"    ? words.Text("mail.kind.receipt")
         : kind == "replaced" ? words.Text("mail.kind.replaced")
                              : words.Text("mail.kind.results");
}

std::string Row(const OutboxMail& mail, const Catalogue& words) {
  const std::string id = std::to_string(mail.id);
  return "<tr id=\"mail-" + id + "\"><td class=\"num\">" + id + "</td><td class=\"num\">" +
         std::to_string(mail.upload) + "</td><td>" + E(mail.call) + "</td><td>" +
         E(KindText(mail.kind, words)) + "</td><td>" + E(mail.recipient) + "</td><td>" +
         UtcText(mail.queuedUnix) + "</td><td class=\"mail-state " + E(mail.state) + "\">" +
         E(StateText(mail, words)) + "</td><td class=\"num mail-attempts\">" +
         std::to_string(mail.attempts) + "</td><td class=\"mail-error\">" + E(mail.lastError) +
         "</td></tr>\n";
}

}  // namespace

std::string MailSection(const MailView& view, const Catalogue& words) {
  std::string html = "<h2 id=\"mail\">" + E(words.Text("mail.outbox.title")) + "</h2>\n";
  if (!view.on)
    html += "<p id=\"mail-off\" class=\"warn\">" + E(words.Text("mail.outbox.off")) + "</p>\n";
  const OutboxCounts& counts = view.counts;
  const int64_t total = counts.waiting + counts.sent + counts.failed;
  if (total == 0)
    return html + "<p id=\"mail-counts\">" + E(words.Text("mail.outbox.empty")) + "</p>\n";
  html += "<p id=\"mail-counts\">" +
          E(words.Format("mail.outbox.counts", {{"waiting", words.Number(counts.waiting)},
                                                {"sent", words.Number(counts.sent)},
                                                {"failed", words.Number(counts.failed)}}));
  if (static_cast<int64_t>(view.mails.size()) < total) {
    html +=
        " " + E(words.Format("mail.outbox.newest",
                             {{"shown", words.Number(static_cast<long long>(view.mails.size()))},
                              {"total", words.Number(total)}}));
  }
  html += "</p>\n<div class=\"scroll\"><table id=\"outbox\"><thead><tr>";
  for (const char* key : {"mail.outbox.number", "mail.outbox.upload", "mail.outbox.call",
                          "mail.outbox.kind", "mail.outbox.to", "mail.outbox.queued",
                          "mail.outbox.state", "mail.outbox.attempts", "mail.outbox.error"}) {
    html += "<th scope=\"col\">" + E(words.Text(key)) + "</th>";
  }
  html += "</tr></thead><tbody>\n";
  for (const OutboxMail& mail : view.mails) html += Row(mail, words);
  return html + "</tbody></table></div>\n";
}

std::string ReceiptMailNote(const UploadRecord& upload, const Catalogue& words) {
  if (upload.email.empty()) return std::string();
  const AddressFault fault = CheckMailAddress(upload.email);
  if (fault == AddressFault::kNone) return std::string();
  return "<p id=\"mail-note\" class=\"warn\">" +
         E(words.Format("mail.note.refused", {{"address", upload.email},
                                              {"reason", words.Text(AddressFaultKey(fault))}})) +
         "</p>\n";
}

}  // namespace tarno::score
