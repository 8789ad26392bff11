#include "replay/html_text.h"

#include "logs/log_text.h"

namespace tarno::score {

std::string HtmlEscaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  // A page says it is UTF-8: a byte from outside that is none (a file's name) is U+FFFD.
  std::string mended;
  if (!IsValidUtf8(text)) text = mended = ValidUtf8(text);
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace tarno::score
