#ifndef TARNO_CONTEST_ASCII_TEXT_H_
#define TARNO_CONTEST_ASCII_TEXT_H_

// Blanks, trimming and case folding for the contest's texts (calls, bands, modes, codes,
// tags), which are ASCII: bytes above 127 are left as they are, whatever the locale.

#include <string>
#include <string_view>

namespace tarno {

// Space, tab, line feed, vertical tab, form feed, carriage return.
constexpr bool IsAsciiBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The text without the blanks at either end.
std::string_view TrimAscii(std::string_view text);

std::string UpperAscii(std::string_view text);
std::string LowerAscii(std::string_view text);

// Equal but for the case of the letters A to Z.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// The text with every CR and LF made a blank, so that it stays on the one line of "err.txt"
// it goes into. Other bytes are written as the host sent them: the operator reads "err.txt"
// as the host's log has it.
std::string OneLine(std::string_view text);

// The text with every control character (below 0x20, and DEL) made a blank: a Cabrillo
// field, which a log robot splits at blanks and reads as printable text, so a tab or a
// stray control byte must not split or spoil it.
std::string PrintableField(std::string_view text);

}  // namespace tarno

#endif  // TARNO_CONTEST_ASCII_TEXT_H_
