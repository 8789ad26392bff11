#ifndef TARNO_TOOLS_SERVE_MAIL_ADDRESS_H_
#define TARNO_TOOLS_SERVE_MAIL_ADDRESS_H_

// Whether a text an entrant typed may become the recipient of a mail. Only a plain
// address passes: printable ASCII, one @, a mailbox of letters, digits and the few marks
// an unquoted mailbox may hold, and a domain of at least two labels. Nothing that passes
// can end a header line, add a recipient or open a quoted or bracketed part, so a mail's
// headers cannot be reached through it. Pure; any thread.

#include <string_view>

namespace tarno::score {

enum class AddressFault {
  kNone,
  kTooLong,       // over kLongestAddress bytes
  kBadCharacter,  // a blank, a control byte, a comma, a bracket, a quote, a non-ASCII byte
  kNotOneAt,      // no @, or more than one
  kBadMailbox,    // the part before the @
  kBadDomain,     // the part after it
};

constexpr size_t kLongestAddress = 200;

AddressFault CheckMailAddress(std::string_view address);

// The catalogue key ("mail.address.*") of the words that say what is wrong; empty for kNone.
const char* AddressFaultKey(AddressFault fault);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_MAIL_ADDRESS_H_
