#ifndef TARNO_TOOLS_CROSSCHECK_CERTIFICATE_TEXT_H_
#define TARNO_TOOLS_CROSSCHECK_CERTIFICATE_TEXT_H_

// The texts a certificate shows, made from the entrant's data and the words of each
// language; only certificate.cpp and its tests use them.

#include <cstddef>
#include <string>
#include <string_view>

#include "crosscheck/certificate.h"

namespace tarno::score {

// `raw` made fit for one line of a certificate: bytes that are not UTF-8 (and NUL) become
// U+FFFD, other control characters and line or paragraph separators a blank, runs of
// blanks one blank, none at either end; past `mostChars` characters it is cut and ends
// in U+2026.
std::string CertificateText(std::string_view raw, size_t mostChars);

// `words` with "{place}", "{count}" and "{ordinal}" filled in from `place` and `count`.
std::string FilledIn(const std::string& words, int place, int count);

// "st", "nd", "rd" or "th" as English writes it after `number` (1st, 12th, 22nd).
std::string EnglishOrdinalEnding(int number);

// The title and the year as one line: "TARNO Contest 2026"; the title alone when the year
// is 0 or the title already holds it as a word of its own.
std::string TitleWithYear(const std::string& title, int year);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_CERTIFICATE_TEXT_H_
