#ifndef TARNO_TOOLS_SERVE_MESSAGE_LINE_H_
#define TARNO_TOOLS_SERVE_MESSAGE_LINE_H_

// The robot's own words that outlive a request (a refusal's reasons, a receipt's findings,
// its claimed score and uncounted QSOs, why a check failed) are kept as a catalogue key with
// its values, not as text, so that a page read later shows them in its reader's language.
// One message is one line of text; a kept text of several lines is several messages. A line
// that is no message (kept by an earlier robot, or another program's words) is plain text
// and shown as it is. Pure functions; any thread.

#include <string>
#include <string_view>

#include "catalogue/catalogue.h"

namespace tarno::score {

// The message `key` as one line for the store. `values` are plain text of any origin (a
// log, the system): shown as given, never read as a message or a placeholder. `nested`
// values are themselves MessageLines, shown in the reader's language too. A line feed or
// carriage return in a value becomes a space.
std::string MessageLine(std::string_view key, const Values& values = {}, const Values& nested = {});

// The line as `words` says it: a message formatted, plain text as it is.
std::string ShownLine(const Catalogue& words, std::string_view line);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_MESSAGE_LINE_H_
