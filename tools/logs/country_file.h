#ifndef TARNO_TOOLS_LOGS_COUNTRY_FILE_H_
#define TARNO_TOOLS_LOGS_COUNTRY_FILE_H_

// The country file (cty.dat) in the layout shared across the field. Each entity is one line
//   Name: CQ zone: ITU zone: continent: latitude: longitude: UTC offset: primary prefix:
// followed by its prefixes and exact calls ("=CALL"), separated by commas, on indented
// lines, the list ended by ";". A prefix or call may carry overrides after it:
// (CQ zone) [ITU zone] <lat/lon> {continent} ~UTC offset~. A primary prefix starting with
// "*" (Sicily, "*IT9") is an entity counted on one award list only; here it is an entity
// like any other, and where the file lists the same call under it and under its parent
// (Shetland and Scotland), the "*" entity wins, since it is the finer division.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarno::score {

struct CountryInfo {
  bool found = false;
  std::string prefix;     // what the plug-in is given as the station's country prefix
  std::string continent;  // two letters: EU, AS, AF, NA, SA, OC, AN
  std::string entity;     // the entity's name, for messages
};

// Parse and Load replace the contents and must not run while another thread looks up;
// Lookup changes nothing and may run on any number of threads at once. Nothing throws.
class CountryFile {
 public:
  // Parses the text of a country file. On a malformed file (or one without entities) it
  // returns false with the reason, naming the line, in *error (which may be null), and
  // keeps what it held before.
  bool Parse(std::string_view text, std::string* error);

  // Reads the file at `path` and parses it; the reason starts with the path.
  bool Load(const std::string& path, std::string* error);

  // The country of a call as logged: trimmed and upper-cased, then
  //  - an exact call in the file, matched against the whole call including "/...";
  //  - else the longest prefix in the file. Portable forms are split at "/": the longest
  //    part is the call; a shorter part before it ("F/DL1ABC"), or a shorter part after it
  //    with letters and digits ("W1AW/KH6"), is where the station is, and is looked up
  //    instead; a single digit after it moves the call to that call area ("HC2AB/8" is
  //    HC8AB); /P, /M, /QRP, /QRPP, /LH, /R, /J, any one letter, other letter-only tags
  //    (/YL) and numbers (/33) change nothing; /MM and /AM (maritime and aeronautical
  //    mobile) are in no country. A call without a digit is no call.
  // The prefix is the entity's primary prefix without its "*", except for Hungary
  // (primary "HA"), where it is the first two letters of the looked-up call or location
  // ("HG5A" gives "HG"), because the plug-in knows home stations by "HA" and "HG".
  // The continent is that of the matching prefix's {override}, else the entity's.
  // Not found (also for empty input or characters no call has): found false, all empty.
  CountryInfo Lookup(std::string_view call) const;

  size_t EntityCount() const { return m_entities.size(); }

 private:
  struct Entity {
    std::string name;
    std::string prefix;  // primary prefix without "*"
    bool awardListOnly = false;
  };
  struct Match {
    size_t entity = 0;
    std::string continent;  // the override if the prefix has one, else the entity's
  };
  using MatchMap = std::unordered_map<std::string, Match>;

  friend class CountryFileParser;

  CountryInfo FromPrefix(std::string_view text) const;
  CountryInfo Result(const Match& match, std::string_view matchedText) const;

  std::vector<Entity> m_entities;
  MatchMap m_prefixes;
  MatchMap m_calls;  // "=CALL" entries, without the "="
  size_t m_longestPrefix = 0;
};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_LOGS_COUNTRY_FILE_H_
