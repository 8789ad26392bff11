#include "stats/ini_text.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "contest/ascii_text.h"

namespace tarno {
namespace {

constexpr size_t kNone = std::string_view::npos;

// ---- Character sets ----

// The profile API's blanks: the ASCII ones and Ctrl-Z, an old end-of-file mark.
bool IsBlank(char c) { return IsAsciiBlank(c) || c == '\x1a'; }

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// The API folds only ASCII letters: "É" and "é" are different names to it.
bool SameName(std::string_view a, std::string_view b) { return EqualsIgnoringCase(a, b); }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The API works on C strings, so a NUL byte ends whatever it is in.
std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

// ---- Encodings ----

enum class Encoding { kWindows1252, kUtf8, kUtf16 };

struct Body {
  Encoding encoding;
  size_t start;  // past the byte-order mark
};

Body BodyOf(std::string_view content) {
  if (content.substr(0, 3) == "\xEF\xBB\xBF") return {Encoding::kUtf8, 3};
  std::string_view mark = content.substr(0, 2);
  if (mark == "\xFF\xFE" || mark == "\xFE\xFF") return {Encoding::kUtf16, 2};
  return {Encoding::kWindows1252, 0};
}

// Windows-1252's 0x80..0x9F; the five bytes it leaves undefined stand for the same C1 codes,
// as Windows maps them.
constexpr char32_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t FromWindows1252(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : byte;
}

// The byte for a character, or "?" when Windows-1252 lacks it.
char ToWindows1252(char32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
    return static_cast<char>(codePoint);
  }
  for (unsigned i = 0; i < 32; ++i) {
    if (kWindows1252High[i] == codePoint) return static_cast<char>(0x80 + i);
  }
  return '?';
}

void AppendUtf8(char32_t codePoint, std::string* out) {
  if (codePoint < 0x80) {
    out->push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    out->push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    out->push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

std::string Windows1252ToUtf8(std::string_view text) {
  std::string out;
  for (char c : text) AppendUtf8(FromWindows1252(static_cast<unsigned char>(c)), &out);
  return out;
}

constexpr char32_t kReplacement = 0xFFFD;

// Decodes the character at `text[at]` and returns its length in bytes. An ill-formed
// sequence gives one replacement per maximal part that could have begun a character.
size_t DecodeUtf8(std::string_view text, size_t at, char32_t* codePoint) {
  unsigned char lead = static_cast<unsigned char>(text[at]);
  int following = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the next byte
  if (lead < 0x80) {
    *codePoint = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    following = 1;
    *codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    following = 2;
    *codePoint = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    following = 3;
    *codePoint = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    *codePoint = kReplacement;
    return 1;
  }
  size_t length = 1;
  for (int i = 0; i < following; ++i, ++length, low = 0x80, high = 0xBF) {
    unsigned char next = at + length < text.size() ? text[at + length] : 0;
    if (next < low || next > high) {
      *codePoint = kReplacement;
      return length;
    }
    *codePoint = (*codePoint << 6) | (next & 0x3F);
  }
  return length;
}

// As the API converts through UTF-16: a character beyond it is two units, each a "?".
std::string Utf8ToWindows1252(std::string_view text) {
  std::string out;
  for (size_t at = 0; at < text.size();) {
    char32_t codePoint = 0;
    at += DecodeUtf8(text, at, &codePoint);
    if (codePoint > 0xFFFF) out.push_back('?');
    out.push_back(ToWindows1252(codePoint));
  }
  return out;
}

// Our Windows-1252 text as the file's bytes.
std::string InFileEncoding(std::string_view text, Encoding encoding) {
  return encoding == Encoding::kUtf8 ? Windows1252ToUtf8(text) : std::string(text);
}

// ---- Lines ----

enum class LineKind { kBlank, kSection, kKey, kIgnored };

struct IniLine {
  size_t end = 0;        // where the line's end (CR, LF or CR LF) starts...
  size_t next = 0;       // ...and past it
  size_t textBegin = 0;  // the line without the blanks around it
  size_t textEnd = 0;
  LineKind kind = LineKind::kBlank;
  std::string_view name;  // the section's or the key's
  bool hasValue = false;  // a key line with "="
  size_t valueBegin = 0;  // the value without the blanks around it
  size_t valueEnd = 0;
};

std::string_view NameIn(std::string_view content, size_t begin, size_t end) {
  return UpToNul(Trim(content.substr(begin, end - begin)));
}

void ReadSectionLine(std::string_view content, IniLine* line) {
  std::string_view text = content.substr(line->textBegin, line->textEnd - line->textBegin);
  size_t close = text.rfind(']');
  if (close == kNone) {
    line->kind = LineKind::kIgnored;
    return;
  }
  line->kind = LineKind::kSection;
  line->name = NameIn(content, line->textBegin + 1, line->textBegin + close);
}

void ReadKeyLine(std::string_view content, IniLine* line) {
  line->kind = LineKind::kKey;
  size_t equals = content.substr(0, line->textEnd).find('=', line->textBegin);
  if (equals == kNone) {
    line->name = NameIn(content, line->textBegin, line->textEnd);
    return;
  }
  line->name = NameIn(content, line->textBegin, equals);
  line->hasValue = true;
  line->valueBegin = equals + 1;
  while (line->valueBegin < line->textEnd && IsBlank(content[line->valueBegin])) {
    ++line->valueBegin;
  }
  line->valueEnd = line->textEnd;
}

IniLine ReadLine(std::string_view content, size_t begin, size_t end, size_t next) {
  IniLine line;
  line.end = end;
  line.next = next;
  line.textBegin = begin;
  while (line.textBegin < end && IsBlank(content[line.textBegin])) ++line.textBegin;
  line.textEnd = end;
  while (line.textEnd > line.textBegin && IsBlank(content[line.textEnd - 1])) --line.textEnd;
  if (line.textBegin == line.textEnd) return line;
  if (content[line.textBegin] == '[') {
    ReadSectionLine(content, &line);
  } else {
    ReadKeyLine(content, &line);
  }
  return line;
}

std::vector<IniLine> SplitLines(std::string_view content, size_t start) {
  std::vector<IniLine> lines;
  for (size_t begin = start; begin < content.size();) {
    size_t end = content.find_first_of("\r\n", begin);
    size_t next = content.size();
    if (end == kNone) {
      end = content.size();
    } else {
      bool crLf = content[end] == '\r' && end + 1 < content.size() && content[end + 1] == '\n';
      next = end + (crLf ? 2 : 1);
    }
    lines.push_back(ReadLine(content, begin, end, next));
    begin = next;
  }
  return lines;
}

// ---- Finding a key ----

struct Section {
  size_t header;  // the line of "[name]", or kNone for the lines before the first one
  size_t first;   // its lines
  size_t end;
};

size_t NextHeader(const std::vector<IniLine>& lines, size_t from) {
  while (from < lines.size() && lines[from].kind != LineKind::kSection) ++from;
  return from;
}

// The lines before the first header count as a section named "", which is why a later "[]"
// can never be reached.
std::optional<Section> FindSection(const std::vector<IniLine>& lines, std::string_view name) {
  if (name.empty()) return Section{kNone, 0, NextHeader(lines, 0)};
  for (size_t i = NextHeader(lines, 0); i < lines.size(); i = NextHeader(lines, i + 1)) {
    if (SameName(lines[i].name, name)) return Section{i, i + 1, NextHeader(lines, i + 1)};
  }
  return std::nullopt;
}

size_t FindKey(const std::vector<IniLine>& lines, const Section& section, std::string_view key) {
  for (size_t i = section.first; i < section.end; ++i) {
    if (lines[i].kind == LineKind::kKey && SameName(lines[i].name, key)) return i;
  }
  return kNone;
}

// A name as the API takes it from the caller's C string.
std::string RequestedName(std::string_view name, Encoding encoding) {
  return InFileEncoding(Trim(UpToNul(name)), encoding);
}

// The API drops a value's opening quote, copies what fits, then drops the last character it
// copied: the closing quote, or, when that did not fit by one, the value's last one.
std::string AsReturned(std::string_view value, size_t bufferChars) {
  if (bufferChars == 0) return "";
  bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                value.back() == value.front();
  if (quoted) value.remove_prefix(1);
  std::string result(value.substr(0, bufferChars - 1));
  if (quoted && value.size() <= bufferChars && !result.empty()) result.pop_back();
  return result;
}

// ---- Changing a value ----

Status CheckNames(std::string_view section, std::string_view key) {
  if (section.find_first_of("\r\n") != kNone) {
    return Status::Error("a section name cannot hold a line end");
  }
  if (key.find_first_of("\r\n=") != kNone) {
    return Status::Error("a key name cannot hold a line end or \"=\"");
  }
  // Such a line would read as a section of its own.
  if (!key.empty() && key.front() == '[') {
    return Status::Error("a key name cannot start with \"[\"");
  }
  return Status::Ok();
}

std::string StorableValue(std::string_view value) {
  std::string result(UpToNul(value));
  for (char& c : result) {
    if (IsLineEnd(c)) c = ' ';
  }
  return result;
}

// New lines follow the file's own line ends.
std::string_view LineEndOf(std::string_view content) {
  size_t end = content.find_first_of("\r\n");
  if (end == kNone || content.substr(end, 2) == "\r\n") return "\r\n";
  return content[end] == '\r' ? "\r" : "\n";
}

bool IsComment(std::string_view content, const IniLine& line) {
  return line.kind == LineKind::kKey && content[line.textBegin] == ';';
}

std::string WithValueReplaced(std::string_view content, const IniLine& line,
                              std::string_view value) {
  std::string result(content);
  if (line.hasValue) return result.replace(line.valueBegin, line.valueEnd - line.valueBegin, value);
  return result.insert(line.textEnd, "=" + std::string(value));
}

// Blank lines and comments at a section's end separate it from the next one (or describe
// that one), so the new key goes before them.
std::string WithKeyAdded(std::string_view content, const std::vector<IniLine>& lines,
                         const Section& section, size_t bodyStart, std::string_view lineEnd,
                         std::string_view keyLine) {
  size_t anchor = section.header;
  for (size_t i = section.first; i < section.end; ++i) {
    if (lines[i].kind != LineKind::kBlank && !IsComment(content, lines[i])) anchor = i;
  }
  std::string result(content);
  std::string added = std::string(keyLine) + std::string(lineEnd);
  if (anchor == kNone) return result.insert(bodyStart, added);
  const IniLine& line = lines[anchor];
  if (line.next == line.end) added.insert(0, lineEnd);  // the file's last line, unended
  return result.insert(line.next, added);
}

std::string WithSectionAdded(std::string_view content, size_t bodyStart, std::string_view lineEnd,
                             std::string_view section, std::string_view keyLine) {
  std::string result(content);
  if (result.size() > bodyStart && !IsLineEnd(result.back())) result += lineEnd;
  result += "[";
  result += section;
  result += "]";
  result += lineEnd;
  result += keyLine;
  result += lineEnd;
  return result;
}

}  // namespace

std::optional<std::string> IniValueIfPresent(std::string_view content, std::string_view section,
                                             std::string_view key, size_t bufferChars) {
  Body body = BodyOf(content);
  if (body.encoding == Encoding::kUtf16) return std::nullopt;
  std::vector<IniLine> lines = SplitLines(content, body.start);
  std::optional<Section> found = FindSection(lines, RequestedName(section, body.encoding));
  if (!found) return std::nullopt;
  size_t keyLine = FindKey(lines, *found, RequestedName(key, body.encoding));
  if (keyLine == kNone || !lines[keyLine].hasValue) return std::nullopt;
  const IniLine& line = lines[keyLine];
  std::string_view value =
      UpToNul(content.substr(line.valueBegin, line.valueEnd - line.valueBegin));
  if (body.encoding == Encoding::kUtf8) return AsReturned(Utf8ToWindows1252(value), bufferChars);
  return AsReturned(value, bufferChars);
}

std::string IniValue(std::string_view content, std::string_view section, std::string_view key,
                     size_t bufferChars) {
  return IniValueIfPresent(content, section, key, bufferChars).value_or(std::string());
}

std::string IniDefaultValue(std::string_view fallback, size_t bufferChars) {
  fallback = UpToNul(fallback);
  while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
  return AsReturned(fallback, bufferChars);
}

bool IniIsEditable(std::string_view content) {
  return BodyOf(content).encoding != Encoding::kUtf16;
}

Status IniWithValue(std::string_view content, std::string_view section, std::string_view key,
                    std::string_view value, std::string* updated) {
  Body body = BodyOf(content);
  if (body.encoding == Encoding::kUtf16) {
    return Status::Error("UTF-16 profile files are not supported");
  }
  std::string_view sectionName = Trim(UpToNul(section));
  std::string_view keyName = Trim(UpToNul(key));
  Status valid = CheckNames(sectionName, keyName);
  if (!valid.ok()) return valid;
  std::string fileSection = InFileEncoding(sectionName, body.encoding);
  std::string fileKey = InFileEncoding(keyName, body.encoding);
  // The blanks around a value never read back; kept, each rewrite of the same value would
  // add more of them, and a store that skips unchanged values would never see one.
  const std::string storable = StorableValue(value);
  std::string fileValue = InFileEncoding(Trim(storable), body.encoding);

  std::vector<IniLine> lines = SplitLines(content, body.start);
  std::string_view lineEnd = LineEndOf(content);
  std::string keyLine = fileKey + "=" + fileValue;
  std::optional<Section> found = FindSection(lines, fileSection);
  if (!found) {
    *updated = WithSectionAdded(content, body.start, lineEnd, fileSection, keyLine);
    return Status::Ok();
  }
  size_t existing = FindKey(lines, *found, fileKey);
  if (existing != kNone) {
    *updated = WithValueReplaced(content, lines[existing], fileValue);
    return Status::Ok();
  }
  std::string added = WithKeyAdded(content, lines, *found, body.start, lineEnd, keyLine);
  // A key that goes first in the file must not begin like a byte-order mark (bytes EF BB BF,
  // FF FE or FE FF): the whole file would then be read in another encoding.
  if (BodyOf(added).encoding != body.encoding) {
    return Status::Error("a key name first in the file cannot start like a byte-order mark");
  }
  *updated = std::move(added);
  return Status::Ok();
}

namespace {

// Every section and key name a lookup can ask for, with the file's own encoding undone.
std::vector<std::pair<std::string, std::string>> NamesIn(std::string_view content) {
  std::vector<std::pair<std::string, std::string>> names;
  Body body = BodyOf(content);
  if (body.encoding == Encoding::kUtf16) return names;
  std::string section;
  for (const IniLine& line : SplitLines(content, body.start)) {
    std::string name(line.name);
    if (body.encoding == Encoding::kUtf8) name = Utf8ToWindows1252(name);
    if (line.kind == LineKind::kSection) section = name;
    if (line.kind == LineKind::kKey) names.emplace_back(section, name);
  }
  return names;
}

bool ReadTheSame(std::string_view a, std::string_view b,
                 const std::vector<std::pair<std::string, std::string>>& names) {
  const size_t wholeValue = std::max(a.size(), b.size()) + 2;  // nothing cut
  for (const auto& [section, key] : names) {
    if (IniValueIfPresent(a, section, key, wholeValue) !=
        IniValueIfPresent(b, section, key, wholeValue)) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool IniRewriteReadsAsWithValue(std::string_view content, std::string_view rewritten,
                                std::string_view section, std::string_view key,
                                std::string_view value) {
  std::string expected;
  if (!IniWithValue(content, section, key, value, &expected).ok()) return false;
  if (BodyOf(rewritten).encoding != BodyOf(expected).encoding) return false;
  return ReadTheSame(expected, rewritten, NamesIn(expected)) &&
         ReadTheSame(expected, rewritten, NamesIn(rewritten));
}

}  // namespace tarno
