#include "logs/log_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace tarno::score {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Windows-1250 from 0x80 up; 0 where the code page defines no character.
constexpr char16_t kWindows1250[128] = {
    0x20AC, 0,      0x201A, 0,      0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0,      0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,  // 88
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0,      0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,  // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,  // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,  // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,  // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,  // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,  // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,  // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,  // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,  // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,  // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,  // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,  // F8
};

void AppendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    *out += static_cast<char>(c);
  } else if (c < 0x800) {
    *out += static_cast<char>(0xC0 | (c >> 6));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *out += static_cast<char>(0xE0 | (c >> 12));
    *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *out += static_cast<char>(0xF0 | (c >> 18));
    *out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The length of the valid UTF-8 sequence at `at`, or 0 where none starts.
size_t Utf8SequenceAt(std::string_view text, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the second byte's range, which rules out
  if (lead >= 0xC2 && lead <= 0xDF) {     // overlong forms and surrogates
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (at + length > text.size() || byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

// Where, and how often, bytes made no character; said in the note.
class Damage {
 public:
  explicit Damage(std::string_view text) : m_text(text) {}

  void At(size_t offset) {
    if (m_count++ == 0) m_firstOffset = offset;
  }
  size_t count() const { return m_count; }

  // "3 bytes (the first on line 7)"
  std::string Where(const char* what, const char* whats) const {
    const size_t line =
        1 +
        std::count(m_text.begin(), m_text.begin() + std::min(m_firstOffset, m_text.size()), '\n');
    return std::to_string(m_count) + " " + (m_count == 1 ? what : whats) +
           (m_count == 1 ? " (on line " : " (the first on line ") + std::to_string(line) + ")";
  }

 private:
  std::string_view m_text;  // the text the offsets are in
  size_t m_count = 0;
  size_t m_firstOffset = 0;
};

// What went wrong converting UTF-16, for the note.
struct Utf16Damage {
  size_t loneSurrogates = 0;
  size_t firstLoneLine = 0;
  bool oddByte = false;
};

// `from` is the text after its byte-order mark.
std::string Utf16ToUtf8(std::string_view from, bool bigEndian, Utf16Damage* damage) {
  std::string out;
  out.reserve(from.size() / 2 + from.size() / 8);
  const auto unitAt = [&](size_t i) -> char16_t {
    const unsigned char a = static_cast<unsigned char>(from[i]);
    const unsigned char b = static_cast<unsigned char>(from[i + 1]);
    return static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
  };
  const auto isHigh = [](char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; };
  const auto isLow = [](char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; };
  size_t line = 1;
  for (size_t i = 0; i + 1 < from.size(); i += 2) {
    const char16_t unit = unitAt(i);
    char32_t c = unit;
    if (isHigh(unit) && i + 3 < from.size() && isLow(unitAt(i + 2))) {
      c = 0x10000 + ((unit - 0xD800) << 10) + (unitAt(i + 2) - 0xDC00);
      i += 2;
    } else if (isHigh(unit) || isLow(unit)) {
      if (damage->loneSurrogates++ == 0) damage->firstLoneLine = line;
      c = kReplacement;
    } else if (unit == '\n') {
      ++line;
    }
    AppendUtf8(c, &out);
  }
  damage->oddByte = from.size() % 2 != 0;
  if (damage->oddByte) AppendUtf8(kReplacement, &out);
  return out;
}

// UTF-16 without a byte-order mark: in most of the first pairs of bytes one is zero, and
// always the same one, as Latin text in UTF-16 has it. 0: not UTF-16; 1: LE; 2: BE.
int Utf16ByZeroBytes(std::string_view text) {
  constexpr size_t kPairsLooked = 2048;
  const size_t pairs = std::min(text.size() / 2, kPairsLooked);
  if (pairs < 2 || text.find('\0') == std::string_view::npos) return 0;
  size_t zeroHigh = 0, zeroLow = 0;
  for (size_t i = 0; i < pairs; ++i) {
    const bool first = text[2 * i] == '\0';
    const bool second = text[2 * i + 1] == '\0';
    if (first && second) return 0;  // no text has NUL characters
    zeroHigh += second && !first;
    zeroLow += first && !second;
  }
  if (zeroLow == 0 && zeroHigh * 4 >= pairs * 3) return 1;
  if (zeroHigh == 0 && zeroLow * 4 >= pairs * 3) return 2;
  return 0;
}

TextDecoding FromUtf16(std::string* text, size_t markBytes, bool bigEndian) {
  TextDecoding decoding;
  Utf16Damage damage;
  std::string converted =
      Utf16ToUtf8(std::string_view(*text).substr(markBytes), bigEndian, &damage);
  text->swap(converted);
  decoding.note = std::string("UTF-16 ") + (bigEndian ? "BE" : "LE") +
                  (markBytes > 0 ? " with a byte-order mark"
                                 : " without a byte-order mark (told by its zero bytes)") +
                  ": converted to UTF-8";
  const size_t lone = damage.loneSurrogates;
  if (lone > 0) {
    decoding.note +=
        "; " + std::to_string(lone) +
        (lone == 1 ? " lone surrogate (on line " : " lone surrogates (the first on line ") +
        std::to_string(damage.firstLoneLine) + ") made no character";
  }
  if (damage.oddByte) {
    decoding.note += std::string(lone > 0 ? ", and" : ";") +
                     " the file ends in half a character (an odd number of bytes), as a file "
                     "cut short does";
  }
  if (lone > 0 || damage.oddByte) {
    decoding.note += "; each such place reads U+FFFD";
    decoding.damaged = true;
  }
  return decoding;
}

// UTF-8 after a byte-order mark: the mark says what the file is, so a byte that fits no
// sequence is damage, not a sign of another code page.
TextDecoding FromUtf8WithMark(std::string* text) {
  TextDecoding decoding;
  text->erase(0, 3);
  decoding.note = "UTF-8 with a byte-order mark: the mark is dropped";
  if (IsValidUtf8(*text)) return decoding;
  Damage damage(*text);
  std::string converted;
  converted.reserve(text->size() + 16);
  for (size_t at = 0; at < text->size();) {
    const size_t length = Utf8SequenceAt(*text, at);
    if (length == 0) {
      damage.At(at);
      AppendUtf8(kReplacement, &converted);
      ++at;
    } else {
      converted.append(*text, at, length);
      at += length;
    }
  }
  decoding.note +=
      "; " + damage.Where("byte", "bytes") + " fit no UTF-8 character and each reads U+FFFD";
  decoding.damaged = true;
  text->swap(converted);
  return decoding;
}

TextDecoding FromWindows1250(std::string* text) {
  TextDecoding decoding;
  Damage outside(*text);
  Damage undefined(*text);
  std::string converted;
  converted.reserve(text->size() + text->size() / 8);
  for (size_t at = 0; at < text->size(); ++at) {
    const unsigned char byte = static_cast<unsigned char>((*text)[at]);
    if (byte < 0x80) {
      converted += static_cast<char>(byte);
      continue;
    }
    outside.At(at);
    const char16_t c = kWindows1250[byte - 0x80];
    if (c == 0) undefined.At(at);
    AppendUtf8(c == 0 ? kReplacement : c, &converted);
  }
  decoding.note = "not UTF-8: " + outside.Where("byte", "bytes") +
                  " outside ASCII read as Windows-1250 (Central European; Latin-2 reads alike "
                  "for Hungarian letters) and converted to UTF-8";
  if (undefined.count() > 0) {
    decoding.note +=
        "; " + undefined.Where("byte", "bytes") + " that Windows-1250 leaves unused read U+FFFD";
    decoding.damaged = true;
  }
  text->swap(converted);
  return decoding;
}

bool StartsWith(const std::string& text, std::string_view prefix) {
  return text.size() >= prefix.size() && std::string_view(text).substr(0, prefix.size()) == prefix;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  for (size_t at = 0; at < text.size();) {
    // Runs of ASCII, most of any log, are passed eight bytes at a time.
    for (uint64_t block; at + sizeof block <= text.size(); at += sizeof block) {
      std::memcpy(&block, text.data() + at, sizeof block);
      if (block & 0x8080808080808080ull) break;
    }
    if (at >= text.size()) break;
    const size_t length = Utf8SequenceAt(text, at);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

size_t Utf8PrefixLength(std::string_view text, size_t maxBytes) {
  if (maxBytes >= text.size()) return text.size();
  size_t end = maxBytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return end;
}

std::string ValidUtf8(std::string_view text) {
  if (IsValidUtf8(text)) return std::string(text);
  std::string valid;
  valid.reserve(text.size() + 8);
  for (size_t at = 0; at < text.size();) {
    const size_t length = Utf8SequenceAt(text, at);
    if (length == 0) {
      AppendUtf8(kReplacement, &valid);
      ++at;
    } else {
      valid.append(text.substr(at, length));
      at += length;
    }
  }
  return valid;
}

TextDecoding DecodeLogText(std::string* text) {
  if (StartsWith(*text, "\xEF\xBB\xBF")) return FromUtf8WithMark(text);
  if (StartsWith(*text, "\xFF\xFE")) return FromUtf16(text, 2, false);
  if (StartsWith(*text, "\xFE\xFF")) return FromUtf16(text, 2, true);
  if (const int utf16 = Utf16ByZeroBytes(*text)) return FromUtf16(text, 0, utf16 == 2);
  if (IsValidUtf8(*text)) return TextDecoding();
  return FromWindows1250(text);
}

}  // namespace tarno::score
