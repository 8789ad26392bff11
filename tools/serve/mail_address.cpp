#include "serve/mail_address.h"

#include <cstring>

namespace tarno::score {
namespace {

bool IsAlnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The marks an unquoted mailbox (a dot-atom) may hold besides letters and digits.
bool IsAtomMark(char c) { return c != '\0' && std::strchr("!#$%&'*+-/=?^_`{|}~", c) != nullptr; }

bool IsMailbox(std::string_view mailbox) {
  // 64 bytes is what a mail server is bound to take; a longer one may be cut or refused.
  if (mailbox.empty() || mailbox.size() > 64 || mailbox.front() == '.' || mailbox.back() == '.')
    return false;
  char before = '\0';
  for (const char c : mailbox) {
    if (!(IsAlnum(c) || IsAtomMark(c) || c == '.') || (c == '.' && before == '.')) return false;
    before = c;
  }
  return true;
}

bool IsLabel(std::string_view label) {
  if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
    return false;
  for (const char c : label) {
    if (!IsAlnum(c) && c != '-') return false;
  }
  return true;
}

// Two labels at least, the last one a name rather than a number: "example.org", "xn--bcs-...".
bool IsDomain(std::string_view domain) {
  if (domain.size() > 253) return false;
  size_t dots = 0;
  std::string_view last;
  for (size_t from = 0;; ++dots) {
    const size_t dot = domain.find('.', from);
    last = domain.substr(from, dot == std::string_view::npos ? std::string_view::npos : dot - from);
    if (!IsLabel(last)) return false;
    if (dot == std::string_view::npos) break;
    from = dot + 1;
  }
  if (dots == 0 || last.size() < 2) return false;
  for (const char c : last) {
    if (c >= '0' && c <= '9') return false;
  }
  return true;
}

}  // namespace

AddressFault CheckMailAddress(std::string_view address) {
  if (address.size() > kLongestAddress) return AddressFault::kTooLong;
  for (const unsigned char c : address) {
    if (c <= ' ' || c >= 0x7f || std::strchr(",;:<>()[]\"\\", c) != nullptr)
      return AddressFault::kBadCharacter;
  }
  const size_t at = address.find('@');
  if (at == std::string_view::npos || address.find('@', at + 1) != std::string_view::npos)
    return AddressFault::kNotOneAt;
  if (!IsMailbox(address.substr(0, at))) return AddressFault::kBadMailbox;
  if (!IsDomain(address.substr(at + 1))) return AddressFault::kBadDomain;
  return AddressFault::kNone;
}

const char* AddressFaultKey(AddressFault fault) {
  switch (fault) {
    case AddressFault::kNone:
      return "";
    case AddressFault::kTooLong:
      return "mail.address.too_long";
    case AddressFault::kBadCharacter:
      return "mail.address.bad_character";
    case AddressFault::kNotOneAt:
      return "mail.address.not_one_at";
    case AddressFault::kBadMailbox:
      return "mail.address.bad_mailbox";
    case AddressFault::kBadDomain:
      return "mail.address.bad_domain";
  }
  return "";
}

}  // namespace tarno::score
