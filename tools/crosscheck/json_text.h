#ifndef TARNO_TOOLS_CROSSCHECK_JSON_TEXT_H_
#define TARNO_TOOLS_CROSSCHECK_JSON_TEXT_H_

// Texts from the logs of strangers written into JSON: whatever they hold, the file stays
// valid UTF-8 JSON and each reads back as the text it was.

#include <string>
#include <string_view>

namespace tarno::score {

// `text` as a JSON string, quotes included. Bytes that are not UTF-8 become U+FFFD; the
// quote, the backslash and every control character are escaped (\n, \t ... or \u00XX),
// DEL too; U+2028 and U+2029 are written \u2028 and \u2029, which JavaScript before 2019
// took for line ends, so the text may also stand inside a script.
std::string JsonString(std::string_view text);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_JSON_TEXT_H_
