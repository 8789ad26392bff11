#ifndef TARNO_TOOLS_REPLAY_UTF8_TEXT_H_
#define TARNO_TOOLS_REPLAY_UTF8_TEXT_H_

// Text from outside (a form field, a header value) made fit for a page or a file that says
// it is UTF-8: every byte sequence that is not well-formed UTF-8 (a stray continuation, an
// overlong or cut sequence, a surrogate, beyond U+10FFFF) becomes U+FFFD.

#include <string>
#include <string_view>

namespace tarno::score {

std::string ValidUtf8(std::string_view text);

// Whether the text is well-formed UTF-8 as it stands.
bool IsValidUtf8(std::string_view text);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_REPLAY_UTF8_TEXT_H_
