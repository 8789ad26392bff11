#ifndef TARNO_TOOLS_LOGS_CABRILLO_VOCABULARY_H_
#define TARNO_TOOLS_LOGS_CABRILLO_VOCABULARY_H_

// What a Cabrillo 3.0 file may say: its tags with the values each takes, and the values a
// QSO line's first fields take. Constant tables and pure tests over text; any thread.

#include <cstddef>
#include <string>
#include <string_view>

namespace tarno::score {

struct ValueList {
  const std::string_view* values;
  size_t count;
};

enum class TagKind {
  kStartOfLog,
  kEndOfLog,
  kText,          // free text; may be empty
  kRequiredText,  // free text that must not be empty
  kChoice,        // one of `choices`
  kChoiceOrNone,  // one of `choices`, or empty: the main contest loggers write it empty
  kCall,
  kWholeNumber,
  kAddress,
  kQso,
  kQtc,  // a QTC line: no header line, not checked further
};

enum class Occurs { kOnce, kOnceRequired, kAnyNumber };

struct TagRule {
  std::string_view tag;
  TagKind kind;
  Occurs occurs;
  ValueList choices;
};

// Every tag the check knows, in a fixed order (a tag's index stays its own).
extern const TagRule kTagRules[];
extern const size_t kTagRuleCount;

// The rule of a tag, compared without regard to case; nullptr for a tag not known.
const TagRule* FindTagRule(std::string_view tag);

// Private tags, X-QSO among them: the sponsor's robot passes them by unread.
bool IsPrivateTag(std::string_view tag);

// A tag as the format spells one: a letter, then letters, digits and hyphens.
bool IsWellFormedTag(std::string_view tag);

// Whether `value` is one of `list`.
bool Contains(ValueList list, std::string_view value, bool ignoringCase);

// "A, B, C": the list for a message.
std::string ListText(ValueList list);

// The QSO line's mode codes (CW, PH, FM, RY, DG), in capitals.
ValueList QsoModes();

// A frequency in kHz within the widest edges any region gives an amateur band, or (above
// 30 MHz) a band designator such as 144 or 1.2G.
bool IsQsoFrequency(std::string_view text);

// yyyy-mm-dd, a day the calendar has.
bool IsCalendarDate(std::string_view text);

// hhmm from 0000 to 2359.
bool IsTimeOfDay(std::string_view text);

// The transmitter number that may end a QSO line: 0 or 1.
bool IsTransmitterNumber(std::string_view text);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_LOGS_CABRILLO_VOCABULARY_H_
