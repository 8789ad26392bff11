// The cross-check's readers of what entrants and sponsors write about entrants, on any
// bytes: a log's header, the categories file and the corrections file. Checks, beyond
// "no crash, no hang":
// - a header value is a value of its field, upper-cased, or not given; what is no value is
//   kept only where no value is; NAME and CLUB are short printable lines;
// - a categories file is read whole or refused with a line and a reason; what it takes
//   are values of the fields named, or "not given"; names are unique and short;
// - a corrections file is read whole or refused with its line; every call is upper-cased,
//   lines come in order.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "contest/ascii_text.h"
#include "crosscheck/categories.h"

namespace {

using namespace tarno::score;
using tarno::EqualsIgnoringCase;
using tarno::UpperAscii;

void Require(bool holds, const char* invariant) {
  if (holds) return;
  std::fprintf(stderr, "broken invariant: %s\n", invariant);
  std::abort();
}

bool IsShortPrintable(const std::string& text, size_t most) {
  if (text.size() > most) return false;
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return false;
  }
  return true;
}

void CheckHeader(std::string_view text) {
  const EntrantHeader header = ReadEntrantHeader(text);
  for (int field = 0; field < kCategoryFieldCount; ++field) {
    const std::string& value = header.values[field];
    Require(value.empty() || (FieldOfValue(value) == field && UpperAscii(value) == value),
            "a header value is a value of its field, upper-cased");
    Require(value.empty() || header.unknown[field].empty(),
            "what is no value is kept only where no value is");
    Require(IsShortPrintable(header.unknown[field], 80), "what is no value is one short line");
  }
  Require(IsShortPrintable(header.name, 80) && IsShortPrintable(header.club, 80),
          "NAME and CLUB are short printable lines");
}

void CheckCategories(std::string_view text) {
  std::vector<CategoryRule> rules;
  std::string error;
  if (!ParseCategories(text, &rules, &error)) {
    Require(error.rfind("line ", 0) == 0 || error == "names no category",
            "a refused categories file names the line");
    return;
  }
  Require(!rules.empty() && rules.size() <= 1000, "a categories file read names 1 to 1000");
  for (size_t i = 0; i < rules.size(); ++i) {
    Require(!rules[i].name.empty() && IsShortPrintable(rules[i].name, 120),
            "a category's name is a short printable line");
    for (size_t j = 0; j < i; ++j)
      Require(!EqualsIgnoringCase(rules[i].name, rules[j].name), "category names are unique");
    for (int field = 0; field < kCategoryFieldCount; ++field) {
      for (const std::string& value : rules[i].accepts[field])
        Require(value.empty() || FieldOfValue(value) == field,
                "a category takes values of the field named");
    }
  }
}

void CheckEntrants(std::string_view text) {
  std::vector<EntrantCorrection> entrants;
  std::string error;
  if (!ParseEntrants(text, &entrants, &error)) {
    Require(error.rfind("line ", 0) == 0, "a refused corrections file names the line");
    return;
  }
  int previous = 0;
  for (const EntrantCorrection& entrant : entrants) {
    Require(!entrant.call.empty() && UpperAscii(entrant.call) == entrant.call,
            "a correction's call is upper-cased");
    Require(entrant.line > previous, "corrections come in line order");
    previous = entrant.line;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckHeader(text);
  CheckCategories(text);
  CheckEntrants(text);
  return 0;
}
