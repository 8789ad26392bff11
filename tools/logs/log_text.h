#ifndef TARNO_TOOLS_LOGS_LOG_TEXT_H_
#define TARNO_TOOLS_LOGS_LOG_TEXT_H_

// The one place where a log file's bytes become the UTF-8 text every reader, every check
// and every page takes. Each file's encoding is decided once, for the whole file:
// - a byte-order mark says UTF-16 LE, UTF-16 BE or UTF-8 (the mark is dropped);
// - a file without one whose zero bytes fall in every other place is UTF-16 all the same
//   (text never holds a zero byte, and UTF-16 of Latin letters holds one in each pair);
// - text that is valid UTF-8 (plain ASCII too) stays as it is;
// - anything else is 8-bit text from a Central European logger: its bytes outside ASCII
//   are read as Windows-1250, which also reads Latin-2 (ISO 8859-2) Hungarian letters
//   right, as the two agree on all of them.
// Pure functions: no file access, any thread, nothing throws.

#include <cstddef>
#include <string>
#include <string_view>

namespace tarno::score {

struct TextDecoding {
  // What was converted, one line for the operator ("UTF-16 LE with a byte-order mark:
  // converted to UTF-8"); empty when the file was UTF-8 as it stands.
  std::string note;
  // Bytes that made no character (an odd last byte, a lone surrogate, bytes a UTF-8 file
  // with a byte-order mark cannot hold) became U+FFFD; the note says how many and where.
  bool damaged = false;
};

// Makes `text`, a whole file as read, valid UTF-8 in place. A file that is UTF-8 already
// costs one pass and no copy; line ends and line numbers stay as they were.
TextDecoding DecodeLogText(std::string* text);

// Whether `text` is valid UTF-8: no stray or missing continuation byte, no overlong form,
// no surrogate, nothing past U+10FFFF.
bool IsValidUtf8(std::string_view text);

// The length of the longest prefix of `text` of at most `maxBytes` that ends between
// two characters, so that cutting a UTF-8 text there leaves it valid UTF-8.
size_t Utf8PrefixLength(std::string_view text, size_t maxBytes);

// `text` with every byte that is not part of a valid UTF-8 sequence made U+FFFD; the
// text itself when it is valid.
std::string ValidUtf8(std::string_view text);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_LOGS_LOG_TEXT_H_
