#ifndef TARNO_TOOLS_CROSSCHECK_HTML_OUT_H_
#define TARNO_TOOLS_CROSSCHECK_HTML_OUT_H_

// A page written straight into one string. A contest's pages hold millions of numbers and
// short texts; joining each through temporary strings cost more than all the judging.
//
//   HtmlOut(&page) << "<rect x=\"" << x << "\"><title>" << Escaped{name} << "</title>";
//
// A double is written as SvgNumber writes it (to a tenth, no trailing ".0"); text is
// written as it is unless wrapped in Escaped.

#include <cstring>
#include <string>
#include <string_view>

#include "replay/html_text.h"

namespace tarno::score {

struct Escaped {
  std::string_view text;
};

// `value` to a tenth without a trailing ".0": "12", "-0.5", "1.5".
void AppendSvgNumber(std::string* out, double value);

class HtmlOut {
 public:
  explicit HtmlOut(std::string* out) : m_out(out) {}

  HtmlOut& operator<<(std::string_view raw) {
    m_out->append(raw);
    return *this;
  }
  // A literal's length is counted where the compiler sees it, that is, not at run time;
  // pages are written mostly of literals. Any other text, a const char* too, goes as a
  // string_view.
  template <size_t N>
  HtmlOut& operator<<(const char (&literal)[N]) {
    m_out->append(literal, std::strlen(literal));
    return *this;
  }
  HtmlOut& operator<<(char raw) {
    m_out->push_back(raw);
    return *this;
  }
  HtmlOut& operator<<(double number) {
    AppendSvgNumber(m_out, number);
    return *this;
  }
  HtmlOut& operator<<(Escaped text) {
    AppendHtmlEscaped(m_out, text.text);
    return *this;
  }
  // Whole counts and indexes as they are; never through the double above. Every integer
  // type by name, since size_t is unsigned long here and unsigned int on 32-bit Windows.
  HtmlOut& operator<<(int whole) { return Whole(whole); }
  HtmlOut& operator<<(long whole) { return Whole(whole); }
  HtmlOut& operator<<(long long whole) { return Whole(whole); }
  HtmlOut& operator<<(unsigned whole) { return Unsigned(whole); }
  HtmlOut& operator<<(unsigned long whole) { return Unsigned(whole); }
  HtmlOut& operator<<(unsigned long long whole) { return Unsigned(whole); }

 private:
  HtmlOut& Whole(long long whole);
  HtmlOut& Unsigned(unsigned long long whole);

  std::string* m_out;
};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_HTML_OUT_H_
