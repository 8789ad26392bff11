#include "crosscheck/certificate_text.h"

#include <glib.h>

#include <algorithm>
#include <memory>

namespace tarno::score {
namespace {

void Replace(std::string* text, const std::string& marker, const std::string& value) {
  for (size_t at = text->find(marker); at != std::string::npos;
       at = text->find(marker, at + value.size())) {
    text->replace(at, marker.size(), value);
  }
}

bool BreaksLine(gunichar c) {
  const GUnicodeType type = g_unichar_type(c);
  return type == G_UNICODE_CONTROL || type == G_UNICODE_LINE_SEPARATOR ||
         type == G_UNICODE_PARAGRAPH_SEPARATOR;
}

}  // namespace

std::string CertificateText(std::string_view raw, size_t mostChars) {
  // Past a few times what a line can show there is nothing to keep, and a name of a
  // megabyte would otherwise cost pango seconds on every certificate.
  const size_t mostBytes = 8 * mostChars + 8;
  const std::unique_ptr<gchar, decltype(&g_free)> valid(
      g_utf8_make_valid(raw.data(), static_cast<gssize>(std::min(raw.size(), mostBytes))), &g_free);
  std::string text;
  size_t chars = 0;
  bool blankPending = false;
  bool cut = raw.size() > mostBytes;
  for (const gchar* at = valid.get(); *at != '\0'; at = g_utf8_next_char(at)) {
    const gunichar c = g_utf8_get_char(at);
    if (BreaksLine(c) || g_unichar_isspace(c)) {
      blankPending = !text.empty();
      continue;
    }
    if (chars + (blankPending ? 1 : 0) >= mostChars) {
      cut = true;
      break;
    }
    if (blankPending) {
      text += ' ';
      ++chars;
      blankPending = false;
    }
    text.append(at, g_utf8_next_char(at) - at);
    ++chars;
  }
  if (cut) text += "\u2026";
  return text;
}

std::string EnglishOrdinalEnding(int number) {
  const int lastTwo = number % 100;
  if (lastTwo >= 11 && lastTwo <= 13) return "th";
  switch (number % 10) {
    case 1:
      return "st";
    case 2:
      return "nd";
    case 3:
      return "rd";
    default:
      return "th";
  }
}

std::string FilledIn(const std::string& words, int place, int count) {
  std::string text = words;
  Replace(&text, "{place}", std::to_string(place));
  Replace(&text, "{count}", std::to_string(count));
  Replace(&text, "{ordinal}", EnglishOrdinalEnding(place));
  return text;
}

std::string TitleWithYear(const std::string& title, int year) {
  if (year == 0) return title;
  const std::string digits = std::to_string(year);
  for (size_t at = title.find(digits); at != std::string::npos; at = title.find(digits, at + 1)) {
    const bool startsWord = at == 0 || !g_ascii_isalnum(title[at - 1]);
    const size_t end = at + digits.size();
    if (startsWord && (end == title.size() || !g_ascii_isalnum(title[end]))) return title;
  }
  return title.empty() ? digits : title + " " + digits;
}

}  // namespace tarno::score
