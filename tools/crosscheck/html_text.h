#ifndef TARNO_TOOLS_CROSSCHECK_HTML_TEXT_H_
#define TARNO_TOOLS_CROSSCHECK_HTML_TEXT_H_

// Links between the cross-check's pages, made safe whatever a log's call holds. Texts are
// escaped by HtmlEscaped (replay/html_text.h).

#include <string>

namespace tarno::score {

// A file name made fit for a relative link: every byte but letters, digits, '.', '_' and
// '-' percent-encoded, so that no name can become a query, a fragment or a scheme.
std::string LinkTo(const std::string& fileName);

// The href of an entrant's page from the results page beside it.
std::string EntrantPageLink(const std::string& call);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_HTML_TEXT_H_
