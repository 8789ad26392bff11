#include "replay/html_text.h"

#include <cstdint>
#include <cstring>

#include "logs/log_text.h"

namespace tarno::score {

std::string HtmlEscaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendHtmlEscaped(&out, text);
  return out;
}

namespace {

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighs = 0x8080808080808080ull;

// Whether any of the eight bytes of `word` is zero.
constexpr uint64_t AnyZero(uint64_t word) { return (word - kOnes) & ~word & kHighs; }

// Whether any of the eight bytes needs a look: one to escape, or one that is not ASCII.
bool AnyToLookAt(uint64_t word) {
  return ((word & kHighs) | AnyZero(word ^ (kOnes * '&')) | AnyZero(word ^ (kOnes * '<')) |
          AnyZero(word ^ (kOnes * '>')) | AnyZero(word ^ (kOnes * '"')) |
          AnyZero(word ^ (kOnes * '\''))) != 0;
}

}  // namespace

void AppendHtmlEscaped(std::string* out, std::string_view text) {
  const size_t before = out->size();
  // Plain runs go in whole, and are passed over eight bytes at a time: a page holds tens
  // of thousands of values, most with nothing to escape.
  size_t plain = 0;
  bool ascii = true;
  for (size_t at = 0; at < text.size(); ++at) {
    for (uint64_t word; at + sizeof word <= text.size(); at += sizeof word) {
      std::memcpy(&word, text.data() + at, sizeof word);
      if (AnyToLookAt(word)) break;
    }
    if (at >= text.size()) break;
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
