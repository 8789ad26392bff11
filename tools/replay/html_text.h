#ifndef TARNO_TOOLS_REPLAY_HTML_TEXT_H_
#define TARNO_TOOLS_REPLAY_HTML_TEXT_H_

// Text from a log or a request, made safe to show in a page: inside an element or a
// quoted attribute value it can only ever read as text, never as markup.

#include <string>
#include <string_view>

namespace tarno::score {

// & < > " ' written as character references; every other byte as it is, but for bytes
// that are not UTF-8, each written U+FFFD.
std::string HtmlEscaped(std::string_view text);
// The same, appended to `out`: a page of thousands of values is built without a string
// for each.
void AppendHtmlEscaped(std::string* out, std::string_view text);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_REPLAY_HTML_TEXT_H_
