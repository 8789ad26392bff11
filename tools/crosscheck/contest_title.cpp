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

std::string CertificateArchiveName() { return "certificates.zip"; }

}  // namespace tarno::score
