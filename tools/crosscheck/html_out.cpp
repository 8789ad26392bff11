#include "crosscheck/html_out.h"

#include <cmath>

namespace tarno::score {
namespace {

// The digits of `value` written backwards from `end`; the first of them returned.
char* DigitsBefore(char* end, unsigned long long value) {
  do {
    *--end = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  return end;
}

// A few characters, as charts write millions of numbers: append() would call memcpy for each.
void AppendShort(std::string* out, const char* first, const char* end) {
  for (; first != end; ++first) out->push_back(*first);
}

}  // namespace

void AppendSvgNumber(std::string* out, double value) {
  const long long tenths = std::llround(value * 10);
  const unsigned long long size =
      tenths < 0 ? 0ull - static_cast<unsigned long long>(tenths) : tenths;
  char text[32];
  char* const end = text + sizeof text;
  char* first = end;
  if (size % 10 != 0) {
    *--first = static_cast<char>('0' + size % 10);
    *--first = '.';
  }
  first = DigitsBefore(first, size / 10);
  if (tenths < 0) *--first = '-';
  AppendShort(out, first, end);
}

HtmlOut& HtmlOut::Unsigned(unsigned long long whole) {
  char text[32];
  char* const end = text + sizeof text;
  AppendShort(m_out, DigitsBefore(end, whole), end);
  return *this;
}

HtmlOut& HtmlOut::Whole(long long whole) {
  char text[32];
  char* const end = text + sizeof text;
  const unsigned long long size = whole < 0 ? 0ull - static_cast<unsigned long long>(whole) : whole;
  char* first = DigitsBefore(end, size);
  if (whole < 0) *--first = '-';
  AppendShort(m_out, first, end);
  return *this;
}

}  // namespace tarno::score
