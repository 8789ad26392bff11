#include "serve/mail_texts.h"

#include <ctime>
#include <functional>

#include "cabrillo/cabrillo_log.h"
#include "catalogue/catalogue.h"
#include "contest/ascii_text.h"
#include "serve/mail_address.h"
#include "serve/mail_message.h"
#include "serve/message_line.h"
#include "serve/robot_pages.h"

namespace tarno::score {
namespace {

constexpr size_t kProblemsInMail = 10;

// A path segment with every byte but letters, digits and "-._~" percent-encoded.
std::string PathSegment(const std::string& text) {
  std::string out;
  for (const unsigned char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
        c == '.' || c == '_' || c == '~') {
      out += static_cast<char>(c);
    } else {
      const char digits[] = "0123456789ABCDEF";
      out += {'%', digits[c >> 4], digits[c & 15]};
    }
  }
  return out;
}

using Section = std::function<std::string(const Catalogue&)>;

// Both languages, Hungarian first, each whole with the footer; and the subject of both.
std::string Bilingual(const Section& section) {
  const Catalogue& hungarian = Catalogue::Of(Language::kHungarian);
  const Catalogue& english = Catalogue::Of(Language::kEnglish);
  return section(hungarian) + "\n" + hungarian.Text("mail.footer") +
         "\n\n----------------------------------------\n\n" + section(english) + "\n" +
         english.Text("mail.footer") + "\n";
}

std::string Subject(const char* key, const std::string& call) {
  return Catalogue::Of(Language::kHungarian).Format(key, {{"call", call}}) + " / " +
         Catalogue::Of(Language::kEnglish).Format(key, {{"call", call}});
}

OutboxMail Made(const MailSettings& settings, const char* kind, const UploadRecord& upload,
                const std::string& recipient, const std::string& subject, const std::string& body,
                int64_t nowUnix) {
  OutboxMail mail;
  mail.upload = upload.id;
  mail.kind = kind;
  mail.recipient = recipient;
  mail.messageId = NewMessageId(settings.from);
  mail.queuedUnix = nowUnix;
  MailHeaders headers;
  headers.from = settings.from;
  headers.to = recipient;
  headers.subject = subject;
  headers.messageId = mail.messageId;
  headers.dateUnix = nowUnix;
  mail.message = MailMessage(headers, body);
  return mail;
}

std::string Problems(const Catalogue& words, const std::string& findings) {
  if (findings.empty()) return words.Text("mail.receipt.no_problems") + "\n";
  std::string text = words.Text("mail.receipt.problems") + "\n";
  size_t listed = 0, count = 0;
  for (size_t from = 0; from < findings.size();) {
    size_t to = findings.find('\n', from);
    if (to == std::string::npos) to = findings.size();
    if (to > from && ++count <= kProblemsInMail) {
      text += "  - " + ShownLine(words, std::string_view(findings).substr(from, to - from)) + "\n";
      ++listed;
    }
    from = to + 1;
  }
  if (count > listed) {
    text += "  " +
            words.Format("mail.receipt.more_problems",
                         {{"n", words.Number(static_cast<long long>(count - listed))}}) +
            "\n";
  }
  return text;
}

std::string ReceiptBody(const MailSettings& settings, const UploadRecord& upload,
                        const UploadRecord* replaced) {
  return Bilingual([&](const Catalogue& words) {
    std::string text =
        words.Text("mail.receipt.intro") + "\n\n" +
        words.Format("mail.receipt.call", {{"call", upload.call}}) + "\n" +
        words.Format("mail.receipt.received", {{"time", UtcText(upload.receivedUnix)}}) + "\n" +
        words.Format("mail.receipt.lines_read", {{"n", words.Number(upload.linesRead)}}) + "\n" +
        words.Format("mail.receipt.lines_refused", {{"n", words.Number(upload.linesRefused)}}) +
        "\n" +
        words.Format("mail.receipt.claimed", {{"score", ShownLine(words, upload.claimedScore)}}) +
        "\n\n";
    if (upload.late) text += words.Text("mail.receipt.late") + "\n\n";
    if (replaced) {
      text += words.Format("mail.receipt.replaces", {{"time", UtcText(replaced->receivedUnix)}}) +
              "\n\n";
    }
    text += Problems(words, upload.findings) + "\n" +
            words.Format("mail.receipt.deadline",
                         {{"deadline", settings.deadline.empty() ? words.Text("mail.deadline.none")
                                                                 : settings.deadline}}) +
            "\n\n" + words.Text("mail.receipt.link") + "\n" +
            ReceiptUrl(settings.linkBase, upload.token) + "\n\n" +
            words.Text("mail.receipt.again") + "\n";
    return text;
  });
}

std::string ReplacedBody(const MailSettings& settings, const UploadRecord& upload,
                         const UploadRecord& earlier) {
  return Bilingual([&](const Catalogue& words) {
    return words.Format("mail.replaced.text", {{"call", upload.call},
                                               {"time", UtcText(upload.receivedUnix)},
                                               {"earlier", UtcText(earlier.receivedUnix)}}) +
           "\n\n" + words.Text("mail.replaced.not_you") + "\n\n" +
           words.Text("mail.replaced.link") + "\n" + ReceiptUrl(settings.linkBase, earlier.token) +
           "\n";
  });
}

std::string PlaceText(const Catalogue& words, const EntrantPlace* place) {
  if (!place) return words.Text("mail.results.no_place") + "\n";
  std::string text;
  if (place->rank > 0) {
    text += words.Format(
                "mail.results.overall",
                {{"place", words.Format("number.of", {{"place", words.Number(place->rank)},
                                                      {"count", words.Number(place->ranked)}})}}) +
            "\n";
  }
  if (place->categoryRank > 0) {
    text +=
        words.Format(
            "mail.results.category",
            {{"category", place->category},
             {"place", words.Format("number.of", {{"place", words.Number(place->categoryRank)},
                                                  {"count", words.Number(place->inCategory)}})}}) +
        "\n";
  } else {
    const bool checkLog = place->category == "CHECKLOG";
    text +=
        (checkLog ? words.Text("mail.results.check_log") : words.Text("mail.results.no_category")) +
        "\n";
  }
  return text + words.Format("mail.results.checked", {{"score", place->checked}}) + "\n";
}

}  // namespace

std::string ReceiptUrl(const std::string& linkBase, const std::string& token) {
  return linkBase + "/receipt/" + PathSegment(token);
}

std::vector<OutboxMail> MailsOfUpload(const MailSettings& settings, const UploadRecord& upload,
                                      const UploadRecord* replaced, int64_t nowUnix) {
  std::vector<OutboxMail> mails;
  if (upload.state == "refused" || upload.token.empty()) return mails;
  if (CheckMailAddress(upload.email) == AddressFault::kNone) {
    mails.push_back(Made(settings, "receipt", upload, upload.email,
                         Subject("mail.receipt.subject", upload.call),
                         ReceiptBody(settings, upload, replaced), nowUnix));
  }
  if (replaced && CheckMailAddress(replaced->email) == AddressFault::kNone &&
      LowerAscii(replaced->email) != LowerAscii(upload.email)) {
    mails.push_back(Made(settings, "replaced", upload, replaced->email,
                         Subject("mail.replaced.subject", upload.call),
                         ReplacedBody(settings, upload, *replaced), nowUnix));
  }
  return mails;
}

bool ResultsMail(const MailSettings& settings, int64_t run, const UploadRecord& upload,
                 const EntrantPlace* place, int64_t nowUnix, OutboxMail* mail) {
  if (CheckMailAddress(upload.email) != AddressFault::kNone || upload.token.empty()) return false;
  const std::string body = Bilingual([&](const Catalogue& words) {
    std::string text = words.Text("mail.results.intro") + "\n\n" + PlaceText(words, place) + "\n" +
                       words.Text("mail.results.report") + "\n" +
                       ReceiptUrl(settings.linkBase, upload.token) + "\n";
    // Each ranked or checked log gets a certificate, under its call as a file name.
    if (place) {
      text += words.Text("mail.results.certificate") + "\n" + settings.linkBase +
              "/results/certificates/" + PathSegment(FileCallOf(upload.call)) + ".pdf\n";
    }
    return text + words.Text("mail.results.all") + "\n" + settings.linkBase + "/results/\n";
  });
  *mail = Made(settings, "results", upload, upload.email,
               Subject("mail.results.subject", upload.call), body, nowUnix);
  // Published again, the same run tells nobody twice.
  mail->dedupe = "results-" + std::to_string(run) + "-" + std::to_string(upload.id);
  return true;
}

}  // namespace tarno::score
