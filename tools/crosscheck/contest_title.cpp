#include "crosscheck/contest_title.h"

#include "logs/log_text.h"

namespace tarno::score {
namespace {

constexpr size_t kLongestTitle = 200;  // bytes: a line of a page's head, not a paragraph

bool IsAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool HoldsWord(const std::string& text, const std::string& word) {
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
    const size_t end = at + word.size();
    if ((at == 0 || !IsAlnum(text[at - 1])) && (end == text.size() || !IsAlnum(text[end])))
      return true;
  }
  return false;
}

}  // namespace

std::string ContestTitle(const std::string& given, const ContestPeriod& period,
                         const Catalogue& words) {
  const std::string title = given.empty() ? words.Text("contest.name") : given;
  if (period.open) return title;
  const std::string year = FormatSeconds(period.startSeconds).substr(0, 4);
  return HoldsWord(title, year) ? title : title + " " + year;
}

std::string TitleProblem(const std::string& title) {
  if (title.find_first_not_of(' ') == std::string::npos) return "is empty";
  if (title.size() > kLongestTitle)
    return "is longer than " + std::to_string(kLongestTitle) + " bytes";
  for (unsigned char c : title) {
    if (c < 0x20 || c == 0x7F) return "holds a control character";
  }
  if (!IsValidUtf8(title)) return "is not UTF-8";
  return "";
}

}  // namespace tarno::score
