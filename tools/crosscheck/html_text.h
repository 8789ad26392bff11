#ifndef TARNO_TOOLS_CROSSCHECK_HTML_TEXT_H_
#define TARNO_TOOLS_CROSSCHECK_HTML_TEXT_H_

// Text made safe for the cross-check's pages: every value that comes from a log passes
// through here before it is put in a page.

#include <string>

namespace tarno::score {

// The text with &, <, > and " written as entities, fit for element content and for a
// quoted attribute value alike.
std::string Escaped(const std::string& text);

// A file name made fit for a relative link: every byte but letters, digits, '.', '_' and
// '-' percent-encoded, so that no name can become a query, a fragment or a scheme.
std::string LinkTo(const std::string& fileName);

// The href of an entrant's page from the results page beside it.
std::string EntrantPageLink(const std::string& call);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_HTML_TEXT_H_
