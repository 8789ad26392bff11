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
  const size_t before = out->size();
  // Plain runs go in whole: a page holds tens of thousands of short values.
  size_t plain = 0;
  bool ascii = true;
  for (size_t at = 0; at < text.size(); ++at) {
    const char* reference;
    switch (text[at]) {
      case '&':
        reference = "&amp;";
        break;
      case '<':
        reference = "&lt;";
        break;
      case '>':
        reference = "&gt;";
        break;
      case '"':
        reference = "&quot;";
        break;
      case '\'':
        reference = "&#39;";
        break;
      default:
        ascii = ascii && static_cast<unsigned char>(text[at]) < 0x80;
        continue;
    }
    out->append(text.data() + plain, at - plain).append(reference);
    plain = at + 1;
  }
  out->append(text.data() + plain, text.size() - plain);
  // A page says it is UTF-8: a byte from outside that is none (a file's name) is U+FFFD.
  // Text that is all ASCII needs no look.
  if (ascii || IsValidUtf8(text)) return;
  out->resize(before);
  AppendHtmlEscaped(out, ValidUtf8(text));
}

}  // namespace tarno::score
