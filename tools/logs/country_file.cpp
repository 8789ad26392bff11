#include "logs/country_file.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <utility>

#include "contest/ascii_text.h"

namespace tarno::score {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return c >= 'A' && c <= 'Z'; }

bool IsCallText(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(),
                                      [](char c) { return IsDigit(c) || IsLetter(c) || c == '/'; });
}

bool HasDigit(std::string_view text) { return std::any_of(text.begin(), text.end(), IsDigit); }
bool IsNumber(std::string_view text) { return std::all_of(text.begin(), text.end(), IsDigit); }

bool IsContinent(std::string_view text) {
  for (std::string_view known : {"EU", "AS", "AF", "NA", "SA", "OC", "AN"}) {
    if (text == known) return true;
  }
  return false;
}

bool IsInteger(std::string_view text) {
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) text.remove_prefix(1);
  return !text.empty() && IsNumber(text);
}

// Latitude, longitude and UTC offset: "-10.00", "5.0". Checked by hand rather than with
// strtod, whose decimal point follows the locale.
bool IsDecimal(std::string_view text) {
  const size_t point = text.find('.');
  if (point == std::string_view::npos) return IsInteger(text);
  const std::string_view fraction = text.substr(point + 1);
  return IsInteger(text.substr(0, point)) && !fraction.empty() && IsNumber(fraction);
}

void SetError(std::string* error, std::string text) {
  if (error != nullptr) *error = std::move(text);
}

std::string LineError(size_t line, const std::string& what) {
  return "line " + std::to_string(line) + ": " + what;
}

struct Header {
  std::string name;
  std::string continent;
  std::string primary;
};

bool ParseHeader(std::string_view line, Header* header, std::string* reason) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  for (size_t colon; (colon = line.find(':', start)) != std::string_view::npos; start = colon + 1) {
    fields.push_back(TrimAscii(line.substr(start, colon - start)));
  }
  if (fields.size() != 8 || !TrimAscii(line.substr(start)).empty()) {
    *reason =
        "an entity line needs 8 fields, each ended by ':' (name, CQ zone, ITU zone, "
        "continent, latitude, longitude, UTC offset, primary prefix)";
    return false;
  }
  header->name = std::string(fields[0]);
  header->continent = UpperAscii(fields[3]);
  std::string_view primary = fields[7];
  if (header->name.empty()) {
    *reason = "the entity has no name";
  } else if (!IsInteger(fields[1]) || !IsInteger(fields[2])) {
    *reason = "the CQ or ITU zone of " + header->name + " is not a number";
  } else if (!IsContinent(header->continent)) {
    *reason = "unknown continent \"" + std::string(fields[3]) + "\" for " + header->name;
  } else if (!IsDecimal(fields[4]) || !IsDecimal(fields[5]) || !IsDecimal(fields[6])) {
    *reason = "the position or UTC offset of " + header->name + " is not a number";
  } else if (primary.empty() || primary == "*" ||
             std::any_of(primary.begin(), primary.end(), IsAsciiBlank)) {
    *reason = "bad primary prefix \"" + std::string(primary) + "\" for " + header->name;
  } else {
    header->primary = std::string(primary);
    return true;
  }
  return false;
}

struct Alias {
  bool exact = false;
  std::string text;
  std::string continent;  // empty: the entity's
};

char CloserOf(char opener) {
  switch (opener) {
    case '(':
      return ')';
    case '[':
      return ']';
    case '<':
      return '>';
    case '{':
      return '}';
    case '~':
      return '~';
    default:
      return '\0';
  }
}

// "=CALL(cq)[itu]<lat/lon>{CONT}~utc~", every part after the call optional.
bool ParseAlias(std::string_view token, Alias* alias, std::string* reason) {
  alias->exact = !token.empty() && token[0] == '=';
  if (alias->exact) token.remove_prefix(1);
  size_t at = std::min(token.find_first_of("([<{~"), token.size());
  alias->text = UpperAscii(token.substr(0, at));
  if (!IsCallText(alias->text)) {
    *reason = "is not a prefix or call";
    return false;
  }
  while (at < token.size()) {
    const char closer = CloserOf(token[at]);
    const size_t close = closer == '\0' ? token.npos : token.find(closer, at + 1);
    if (close == token.npos || close == at + 1) {
      *reason = "has a broken override at \"" + std::string(token.substr(at)) + "\"";
      return false;
    }
    if (closer == '}') {
      alias->continent = UpperAscii(token.substr(at + 1, close - at - 1));
      if (!IsContinent(alias->continent)) {
        *reason = "overrides the continent with unknown \"" + alias->continent + "\"";
        return false;
      }
    }
    at = close + 1;
  }
  return true;
}

}  // namespace

// Builds a fresh CountryFile line by line, so a failed parse leaves the caller's intact.
class CountryFileParser {
 public:
  bool Run(std::string_view text, CountryFile* out, std::string* error) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    size_t lineNumber = 0;
    while (!text.empty()) {
      const size_t end = std::min(text.find('\n'), text.size());
      ++lineNumber;
      if (!Line(text.substr(0, end), lineNumber, error)) return false;
      text.remove_prefix(std::min(end + 1, text.size()));
    }
    if (m_inList) {
      SetError(error, LineError(m_headerLine, m_file.m_entities.back().name +
                                                  " has no ';' ending its prefix list"));
      return false;
    }
    if (m_file.m_entities.empty()) {
      SetError(error, "the country file holds no entity");
      return false;
    }
    *out = std::move(m_file);
    return true;
  }

 private:
  bool Line(std::string_view line, size_t number, std::string* error) {
    const bool indented = !line.empty() && (line[0] == ' ' || line[0] == '\t');
    line = TrimAscii(line);
    if (line.empty()) return true;
    std::string reason;
    if (!m_inList) {
      if (indented) {
        reason = "a prefix list without an entity line before it";
      } else if (StartEntity(line, &reason)) {
        m_inList = true;
        m_headerLine = number;
        return true;
      }
    } else if (!indented && line.find(':') != line.npos) {
      reason = "a new entity starts before " + m_file.m_entities.back().name + " (line " +
               std::to_string(m_headerLine) + ") ended its prefix list with ';'";
    } else if (AddAliases(line, &reason)) {
      return true;
    }
    SetError(error, LineError(number, reason));
    return false;
  }

  bool StartEntity(std::string_view line, std::string* reason) {
    Header header;
    if (!ParseHeader(line, &header, reason)) return false;
    CountryFile::Entity entity;
    entity.name = header.name;
    entity.awardListOnly = header.primary[0] == '*';
    entity.prefix = header.primary.substr(entity.awardListOnly ? 1 : 0);
    m_file.m_entities.push_back(std::move(entity));
    m_continent = header.continent;
    return true;
  }

  bool AddAliases(std::string_view line, std::string* reason) {
    const size_t semicolon = line.find(';');
    if (semicolon != line.npos && !TrimAscii(line.substr(semicolon + 1)).empty()) {
      *reason = "text after the ';' that ends " + m_file.m_entities.back().name;
      return false;
    }
    std::string_view list = line.substr(0, semicolon);
    while (!list.empty()) {
      const size_t comma = std::min(list.find(','), list.size());
      // Lines end with a comma before the list goes on, so empty items are expected.
      const std::string_view token = TrimAscii(list.substr(0, comma));
      list.remove_prefix(std::min(comma + 1, list.size()));
      if (token.empty()) continue;
      Alias alias;
      if (!ParseAlias(token, &alias, reason)) {
        *reason =
            "\"" + std::string(token) + "\" in " + m_file.m_entities.back().name + " " + *reason;
        return false;
      }
      Add(alias);
    }
    if (semicolon != line.npos) m_inList = false;
    return true;
  }

  void Add(const Alias& alias) {
    CountryFile::Match match;
    match.entity = m_file.m_entities.size() - 1;
    match.continent = alias.continent.empty() ? m_continent : alias.continent;
    CountryFile::MatchMap& map = alias.exact ? m_file.m_calls : m_file.m_prefixes;
    auto [slot, added] = map.emplace(alias.text, match);
    if (!added && !m_file.m_entities[slot->second.entity].awardListOnly &&
        m_file.m_entities[match.entity].awardListOnly) {
      slot->second = std::move(match);
    }
    if (!alias.exact) m_file.m_longestPrefix = std::max(m_file.m_longestPrefix, alias.text.size());
  }

  CountryFile m_file;
  bool m_inList = false;
  size_t m_headerLine = 0;
  std::string m_continent;  // of the entity whose list is being read
};

bool CountryFile::Parse(std::string_view text, std::string* error) {
  try {
    return CountryFileParser().Run(text, this, error);
  } catch (...) {  // only allocation can fail here
    SetError(error, "not enough memory to read the country file");
    return false;
  }
}

bool CountryFile::Load(const std::string& path, std::string* error) {
  try {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      SetError(error, path + ": cannot open the country file");
      return false;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
      SetError(error, path + ": read error");
      return false;
    }
    std::string reason;
    if (Parse(text, &reason)) return true;
    SetError(error, path + ": " + reason);
  } catch (...) {
    SetError(error, path + ": not enough memory to read the country file");
  }
  return false;
}

namespace {

// A call with "/" in it, split into the parts that decide its country.
struct Portable {
  std::string_view call;      // the station's own call
  std::string_view location;  // where it says it is, when it says so
  char callArea = '\0';       // a lone digit after the call
  bool inNoCountry = false;   // maritime or aeronautical mobile
};

// The longest part is the call (the first of equals, as the location is usually written
// first). After it, only a part with a digit and a letter can be a place (/KH6, /OH0);
// letter-only tags (/P, /QRP, /LH, /YL, /FF) say how the station works, and numbers
// (/33, /70) are districts or anniversaries, not countries.
bool SplitPortable(std::string_view text, Portable* portable) {
  std::vector<std::string_view> parts;
  while (!text.empty()) {
    const size_t slash = std::min(text.find('/'), text.size());
    if (slash > 0) parts.push_back(text.substr(0, slash));
    text.remove_prefix(std::min(slash + 1, text.size()));
  }
  if (parts.empty()) return false;
  size_t callIndex = 0;
  for (size_t i = 1; i < parts.size(); ++i) {
    if (parts[i].size() > parts[callIndex].size()) callIndex = i;
  }
  portable->call = parts[callIndex];
  if (callIndex > 0) portable->location = parts[0];
  for (size_t i = callIndex + 1; i < parts.size(); ++i) {
    const std::string_view part = parts[i];
    if (part == "MM" || part == "AM") {
      portable->inNoCountry = true;
    } else if (part.size() == 1 && IsDigit(part[0])) {
      portable->callArea = part[0];
    } else if (portable->location.empty() && HasDigit(part) && !IsNumber(part) &&
               part.size() < portable->call.size()) {
      portable->location = part;
    }
  }
  return true;
}

// The call area is the last digit, not the first: "9A1AA" is in area 1.
std::string InCallArea(std::string_view call, char area) {
  std::string moved(call);
  const size_t digit = moved.find_last_of("0123456789");
  if (digit != moved.npos) moved[digit] = area;
  return moved;
}

}  // namespace

CountryInfo CountryFile::Lookup(std::string_view call) const {
  try {
    const std::string text = UpperAscii(TrimAscii(call));
    if (!IsCallText(text)) return {};
    const auto exact = m_calls.find(text);
    if (exact != m_calls.end()) return Result(exact->second, text);
    // Every call has a digit; without one this is a word or noise, whatever it starts with.
    if (text.find('/') == text.npos) return HasDigit(text) ? FromPrefix(text) : CountryInfo();
    Portable portable;
    if (!SplitPortable(text, &portable) || portable.inNoCountry || !HasDigit(portable.call)) {
      return {};
    }
    if (!portable.location.empty()) return FromPrefix(portable.location);
    if (portable.callArea != '\0') return FromPrefix(InCallArea(portable.call, portable.callArea));
    // The same station in the same place: its exact entry still holds ("HC8MA/P" is not
    // in Galapagos though HC8 is).
    const auto home = m_calls.find(std::string(portable.call));
    if (home != m_calls.end()) return Result(home->second, portable.call);
    return FromPrefix(portable.call);
  } catch (...) {  // only allocation can fail here
    return {};
  }
}

CountryInfo CountryFile::FromPrefix(std::string_view text) const {
  std::string key;  // prefixes are short enough to stay in the string: no allocation per try
  for (size_t length = std::min(text.size(), m_longestPrefix); length > 0; --length) {
    key.assign(text.data(), length);
    const auto found = m_prefixes.find(key);
    if (found != m_prefixes.end()) return Result(found->second, text);
  }
  return {};
}

CountryInfo CountryFile::Result(const Match& match, std::string_view matchedText) const {
  const Entity& entity = m_entities[match.entity];
  CountryInfo info;
  info.found = true;
  info.prefix = entity.prefix;
  info.continent = match.continent;
  info.entity = entity.name;
  if (entity.prefix == "HA" && matchedText.size() >= 2 && IsLetter(matchedText[0]) &&
      IsLetter(matchedText[1])) {
    info.prefix = std::string(matchedText.substr(0, 2));
  }
  return info;
}

}  // namespace tarno::score
