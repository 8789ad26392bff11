#ifndef TARNO_STATS_INI_TEXT_H_
#define TARNO_STATS_INI_TEXT_H_

// Profile ("ini") files as bytes, read the way the Windows profile API reads them and
// changed the way a careful editor would: pure functions, no file access, any thread.
//
// How the text is read:
// - Lines end at CR, at LF, or at CR LF. Blanks are space, tab, CR, LF, VT, FF and Ctrl-Z
//   (0x1A); a no-break space (0xA0) is not one. Names and values lose the blanks around them,
//   and end at a NUL byte.
// - A line whose first non-blank is "[" and that holds a "]" starts a section named by the
//   text up to the line's last "]"; what follows that "]" is ignored. A "[" line without "]"
//   is ignored. Lines before the first section form a section with the empty name.
// - Any other non-blank line is a key: the text before its first "=" names it, the rest is its
//   value; a line without "=" is a key without a value. Lines starting with ";" are keys like
//   any other: the API has no comments, only names nobody asks for.
// - Section and key names match with ASCII letters in either case; other bytes must be equal.
//   Only the first section of a name counts, and in it only the first key of a name.
// - A value between matching single or double quotes loses them.
// - The bytes are Windows-1252 text, unless the file starts with the UTF-8 byte-order mark:
//   then it is UTF-8, and values come back in Windows-1252 with "?" for characters it lacks.
//   A file starting with a UTF-16 byte-order mark gives no values and takes no changes.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/env.h"

namespace tarno {

// The value of `key` in `section`, as the API gives it into a buffer of `bufferChars` chars
// (so at most bufferChars - 1 come back); "" when the section or the key is missing. Names
// are taken as the API takes C strings: up to a NUL, without blanks around them.
std::string IniValue(std::string_view content, std::string_view section, std::string_view key,
                     size_t bufferChars);

// The same, but nothing when the section or the key is missing or the key's line has no
// "=" (where the API gives its default value).
std::optional<std::string> IniValueIfPresent(std::string_view content, std::string_view section,
                                             std::string_view key, size_t bufferChars);

// A default value as the API returns it in place of a missing one: up to a NUL, blanks at
// its end dropped, then unquoted and cut like a stored value.
std::string IniDefaultValue(std::string_view fallback, size_t bufferChars);

// Whether IniWithValue can change the file: false for UTF-16 content, which the profile API
// reads and writes but this reader does not.
bool IniIsEditable(std::string_view content);

// Sets `*updated` to `content` with the key holding `value`, so that IniValue reads `value`
// back (less the blanks and quotes around it, as the API would also drop them). The value is
// stored without the blanks around it, so writing the stored value again changes no byte.
// Only the old value's bytes change; a new key goes after the last line of its section that is neither
// blank nor a ";" comment, and a missing section goes at the end of the file, after a line end
// when the last line has none. New lines take the file's first line end (CR LF when it has
// none). The value ends at a NUL; a CR or LF in it becomes a blank, since it would otherwise
// start a line of its own. Fails, leaving `*updated` alone, for a name that cannot be stored
// (a line end in either; in a key an "=" or a leading "[", or, for a key that would go first
// in the file, a start that reads as a byte-order mark) and for UTF-16 content.
Status IniWithValue(std::string_view content, std::string_view section, std::string_view key,
                    std::string_view value, std::string* updated);

// Whether `rewritten`, the file as another writer (the profile API) left it after setting
// `key` in `section` to `value`, reads exactly as IniWithValue's result would: every name in
// either file reads the same value in both. A rewrite cut short (a full disk), one that lost
// or changed another key, and one of names IniWithValue refuses do not.
bool IniRewriteReadsAsWithValue(std::string_view content, std::string_view rewritten,
                                std::string_view section, std::string_view key,
                                std::string_view value);

}  // namespace tarno

#endif  // TARNO_STATS_INI_TEXT_H_
