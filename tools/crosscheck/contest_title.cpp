#include "crosscheck/contest_title.h"

#include <map>

#include "contest/ascii_text.h"
#include "logs/log_text.h"

namespace tarno::score {
namespace {

constexpr size_t kLongestName = 60;

bool IsAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

std::string ContestName(const ContestSet& set) {
  std::map<std::string, int> names;
  for (const EntrantLog& log : set.logs) {
    if (!log.used) continue;
    // A header line can be as long as its log: a title keeps the length of a title.
    std::string name = UpperAscii(TrimAscii(PrintableField(log.contest)));
    name.resize(Utf8PrefixLength(name, kLongestName));
    if (!name.empty()) ++names[name];
  }
  std::string best = "TARNO";
  int most = 0;
  for (const auto& [name, count] : names) {
    if (count > most) {
      best = name;
      most = count;
    }
  }
  return best;
}

int ContestYear(const ContestPeriod& period) {
  if (period.open) return 0;
  const std::string when = FormatSeconds(period.startSeconds);
  int year = 0;
  for (size_t i = 0; i < 4 && i < when.size(); ++i) {
    if (when[i] < '0' || when[i] > '9') return 0;  // a date the calendar cannot write
    year = year * 10 + (when[i] - '0');
  }
  return year;
}

std::string ContestTitle(const std::string& name, int year) {
  if (year == 0) return name;
  const std::string digits = std::to_string(year);
  for (size_t at = name.find(digits); at != std::string::npos; at = name.find(digits, at + 1)) {
    const size_t end = at + digits.size();
    if ((at == 0 || !IsAlnum(name[at - 1])) && (end == name.size() || !IsAlnum(name[end])))
      return name;
  }
  return name.empty() ? digits : name + " " + digits;
}

std::string ArchiveName(const std::string& title, const std::string& what) {
  // Hungarian letters as their plain twins, so that "Próba Kupa" stays readable.
  static const struct {
    const char* utf8;
    char plain;
  } kFolded[] = {{"\xC3\xA1", 'a'}, {"\xC3\xA9", 'e'}, {"\xC3\xAD", 'i'}, {"\xC3\xB3", 'o'},
                 {"\xC3\xB6", 'o'}, {"\xC5\x91", 'o'}, {"\xC3\xBA", 'u'}, {"\xC3\xBC", 'u'},
                 {"\xC5\xB1", 'u'}, {"\xC3\x81", 'A'}, {"\xC3\x89", 'E'}, {"\xC3\x8D", 'I'},
                 {"\xC3\x93", 'O'}, {"\xC3\x96", 'O'}, {"\xC5\x90", 'O'}, {"\xC3\x9A", 'U'},
                 {"\xC3\x9C", 'U'}, {"\xC5\xB0", 'U'}};
  std::string name;
  for (size_t i = 0; i < title.size() && name.size() < 60;) {
    char plain = 0;
    size_t length = 1;
    for (const auto& folded : kFolded) {
      if (title.compare(i, 2, folded.utf8) == 0) {
        plain = folded.plain;
        length = 2;
      }
    }
    const unsigned char c = static_cast<unsigned char>(title[i]);
    if (!plain && c < 0x80 && IsAlnum(title[i])) plain = title[i];
    if (plain) {
      name += plain;
    } else if (!name.empty() && name.back() != '-') {
      name += '-';
    }
    i += length;
    // The rest of a letter not folded is passed over with its first byte.
    while (!plain && i < title.size() && (static_cast<unsigned char>(title[i]) & 0xC0) == 0x80) ++i;
  }
  while (!name.empty() && name.back() == '-') name.pop_back();
  return (name.empty() ? "" : name + "-") + what + ".zip";
}

std::string CertificateArchiveName(const std::string& title) {
  return ArchiveName(title, "certificates");
}

}  // namespace tarno::score
