#include "crosscheck/html_text.h"

#include <cstdio>

#include "crosscheck/entrant_page.h"
#include "crosscheck/entrant_report.h"

namespace tarno::score {

std::string LinkTo(const std::string& fileName) {
  std::string out;
  for (unsigned char c : fileName) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '_' || c == '-';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      char code[4];
      std::snprintf(code, sizeof code, "%%%02X", c);
      out += code;
    }
  }
  return out;
}

std::string EntrantPageLink(const std::string& call) {
  return LinkTo(PageFileName(ReportFileName(call)));
}

}  // namespace tarno::score
