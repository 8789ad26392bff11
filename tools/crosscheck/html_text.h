#ifndef TARNO_TOOLS_CROSSCHECK_HTML_TEXT_H_
#define TARNO_TOOLS_CROSSCHECK_HTML_TEXT_H_

// Text made safe for the cross-check's pages: every value that comes from a log passes
// through here before it is put in a page.

#include <string>

namespace tarno::score {

// The text with &, <, > and " written as entities, fit for element content and for a
// quoted attribute value alike.
std::string Escaped(const std::string& text);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_HTML_TEXT_H_
