#include "replay/html_text.h"

#include "logs/log_text.h"

namespace tarno::score {

std::string HtmlEscaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendHtmlEscaped(&out, text);
  return out;
}

void AppendHtmlEscaped(std::string* out, std::string_view text) {
  // A page says it is UTF-8: a byte from outside that is none (a file's name) is U+FFFD.
  std::string mended;
  if (!IsValidUtf8(text)) text = mended = ValidUtf8(text);
  for (char c : text) {
    switch (c) {
      case '&':
        out->append("&amp;");
        break;
      case '<':
        out->append("&lt;");
        break;
      case '>':
        out->append("&gt;");
        break;
      case '"':
        out->append("&quot;");
        break;
      case '\'':
        out->append("&#39;");
        break;
      default:
        out->push_back(c);
    }
  }
}

}  // namespace tarno::score
