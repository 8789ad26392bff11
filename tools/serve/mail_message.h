#ifndef TARNO_TOOLS_SERVE_MAIL_MESSAGE_H_
#define TARNO_TOOLS_SERVE_MAIL_MESSAGE_H_

// A mail as it goes to the mail server (RFC 5322 with MIME): the headers, then a text/plain
// UTF-8 body in quoted-printable, every line ending in CRLF and none longer than 76 bytes.
// A subject that is not plain short ASCII goes as RFC 2047 encoded words. The addresses
// must have passed CheckMailAddress (mail_address.h): they are written as they are. Pure;
// any thread.

#include <cstdint>
#include <string>
#include <string_view>

namespace tarno::score {

struct MailHeaders {
  std::string from;       // a checked address
  std::string to;         // a checked address
  std::string subject;    // UTF-8; control bytes become blanks
  std::string messageId;  // "<...@domain>"
  int64_t dateUnix = 0;
};

std::string MailMessage(const MailHeaders& headers, std::string_view bodyUtf8);

// "<32 hex digits@domain>", the domain that of `from`; unique, from the random source.
std::string NewMessageId(const std::string& from);

// "Sun, 08 Mar 2026 12:00:00 +0000"
std::string MailDate(int64_t unixSeconds);

// The header value as one or more "=?UTF-8?B?...?=" words of 64 bytes at most, folded onto
// lines of their own, each word whole UTF-8 characters; plain ASCII up to 70 bytes as it is.
std::string HeaderText(std::string_view text);

// Quoted-printable (RFC 2045) of UTF-8 text with LF or CRLF line ends: CRLF line ends,
// soft breaks keeping every line at most 76 bytes, a character never split across them.
std::string QuotedPrintable(std::string_view text);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_MAIL_MESSAGE_H_
