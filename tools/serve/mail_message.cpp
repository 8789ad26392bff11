#include "serve/mail_message.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "logs/log_text.h"
#include "serve/random_token.h"

namespace tarno::score {
namespace {

constexpr size_t kLongestPlainSubject = 70;
constexpr size_t kQpLine = 76;

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Base64(std::string_view bytes) {
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t left = bytes.size() - i;
    uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
    if (left > 1) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (left > 2) group |= static_cast<unsigned char>(bytes[i + 2]);
    out += kBase64[(group >> 18) & 63];
    out += kBase64[(group >> 12) & 63];
    out += left > 1 ? kBase64[(group >> 6) & 63] : '=';
    out += left > 2 ? kBase64[group & 63] : '=';
  }
  return out;
}

size_t Utf8Length(unsigned char lead) {
  return lead < 0x80 ? 1 : lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc0 ? 2 : 1;
}

bool PlainAscii(std::string_view text) {
  if (text.size() > kLongestPlainSubject || text.find("=?") != std::string_view::npos) return false;
  for (const unsigned char c : text) {
    if (c < ' ' || c >= 0x7f) return false;
  }
  return true;
}

std::string Hex(unsigned char c) {
  const char digits[] = "0123456789ABCDEF";
  return {'=', digits[c >> 4], digits[c & 15]};
}

// One line of text, without its line end, as quoted-printable lines.
void QpLine(std::string_view line, std::string* out) {
  std::string current;
  for (size_t i = 0; i < line.size();) {
    const size_t length = std::min(Utf8Length(line[i]), line.size() - i);
    std::string piece;
    for (size_t k = 0; k < length; ++k) {
      const unsigned char c = line[i + k];
      // A blank at the end of a line would be lost on the way: it is encoded there.
      const bool last = i + k + 1 == line.size();
      const bool plain = (c >= 33 && c <= 126 && c != '=') || (c == ' ' && !last);
      piece += plain ? std::string(1, static_cast<char>(c)) : Hex(c);
    }
    if (current.size() + piece.size() > kQpLine - 1) {
      *out += current + "=\r\n";
      current.clear();
    }
    current += piece;
    i += length;
  }
  *out += current + "\r\n";
}

}  // namespace

std::string MailDate(int64_t unixSeconds) {
  const time_t seconds = static_cast<time_t>(unixSeconds);
  std::tm moment{};
  gmtime_r(&seconds, &moment);
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char text[48];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d +0000", kDays[moment.tm_wday],
                moment.tm_mday, kMonths[moment.tm_mon], moment.tm_year + 1900, moment.tm_hour,
                moment.tm_min, moment.tm_sec);
  return text;
}

std::string NewMessageId(const std::string& from) {
  const size_t at = from.rfind('@');
  return "<" + RandomHex(16) + "@" + (at == std::string::npos ? "localhost" : from.substr(at + 1)) +
         ">";
}

std::string HeaderText(std::string_view text) {
  std::string clean = ValidUtf8(text);
  for (char& c : clean) {
    if (static_cast<unsigned char>(c) < ' ' || c == 0x7f) c = ' ';
  }
  if (PlainAscii(clean)) return clean;
  // A line that holds an encoded word is at most 76 bytes, "Subject: " included: 39 bytes
  // of text make 52 of base64 and a word of 64, taken whole characters at a time.
  constexpr size_t kBytesPerWord = 39;
  std::string words;
  for (size_t i = 0; i < clean.size();) {
    size_t end = i;
    while (end < clean.size()) {
      const size_t length = std::min(Utf8Length(clean[end]), clean.size() - end);
      if (end + length - i > kBytesPerWord) break;
      end += length;
    }
    if (!words.empty()) words += "\r\n ";
    words += "=?UTF-8?B?" + Base64(std::string_view(clean).substr(i, end - i)) + "?=";
    i = end;
  }
  return words;
}

std::string QuotedPrintable(std::string_view text) {
  std::string out;
  for (size_t from = 0; from < text.size();) {
    size_t end = text.find('\n', from);
    const bool lastLine = end == std::string_view::npos;
    if (lastLine) end = text.size();
    std::string_view line = text.substr(from, end - from);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    QpLine(line, &out);
    from = end + 1;
  }
  return out;
}

std::string MailMessage(const MailHeaders& headers, std::string_view bodyUtf8) {
  return "Date: " + MailDate(headers.dateUnix) + "\r\nMessage-ID: " + headers.messageId +
         "\r\nFrom: " + headers.from + "\r\nTo: " + headers.to +
         "\r\nSubject: " + HeaderText(headers.subject) +
         "\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; charset=UTF-8\r\n"
         "Content-Transfer-Encoding: quoted-printable\r\n"
         // No out-of-office answers to the robot, and no loops between robots.
         "Auto-Submitted: auto-generated\r\n\r\n" +
         QuotedPrintable(ValidUtf8(bodyUtf8));
}

}  // namespace tarno::score
