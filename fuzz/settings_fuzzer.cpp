// The profile-file reader and writer on any file content and any names.
//
// Input: "section\xFFkey\xFFvalue\xFF" then the file's bytes; without three 0xFF bytes the
// whole input is the file and the module's own names are used. Checks:
// - reading and writing never crash, whatever the bytes;
// - section and key names match whatever the case of their ASCII letters;
// - after a successful write the key reads back as the API gives a stored value: up to a NUL,
//   line ends as blanks, blanks around it dropped, unquoted, cut to fit 100 chars;
// - every other setting reads as it did before, and the write changed at most the bytes of
//   one line (the old value) besides inserting the new ones;
// - writing the value that is already stored changes no byte (so the store leaves the file
//   alone, as its contract says).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/settings_store.h"
#include "stats/ini_text.h"

namespace {

using tarno::IniValue;
using tarno::IniValueIfPresent;
using tarno::IniWithValue;
using tarno::Status;

constexpr size_t kBufferChars = tarno::kSettingsValueMax + 1;
constexpr size_t kMaxNames = 12;

[[noreturn]] void Broken(const char* invariant) {
  // Printed so that a report says which rule broke, not only where.
  std::fprintf(stderr, "broken invariant: %s\n", invariant);
  std::abort();
}

void Require(bool holds, const char* invariant) {
  if (!holds) Broken(invariant);
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The name the API looks up for a C string given by the caller.
std::string NameKey(std::string_view name) {
  std::string key(Trim(UpToNul(name)));
  for (char& c : key) c = Lower(c);
  return key;
}

// What the API hands back for a value stored from `value`, worked out from its documented
// behaviour rather than from the reader's code.
std::string ExpectedReadBack(std::string_view value) {
  std::string stored(UpToNul(value));
  for (char& c : stored) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  std::string_view text = Trim(stored);
  const size_t fits = kBufferChars - 1;
  const bool quoted = text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
                      text.back() == text.front();
  if (!quoted) return std::string(text.substr(0, fits));
  // The API copies past the opening quote, then drops the last character it copied: the
  // closing quote when it fitted, else the value's own last character when it missed by one.
  std::string_view inner = text.substr(1, text.size() - 2);
  if (inner.size() + 1 <= fits) return std::string(inner);
  if (inner.size() == fits) return std::string(inner.substr(0, fits - 1));
  return std::string(inner.substr(0, fits));
}

// The same name with every ASCII letter in the other case: the API matches names so.
std::string OtherCase(std::string_view name) {
  std::string other(name);
  for (char& c : other) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    } else if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return other;
}

// Names to probe: whatever the file's lines could name, and a few fixed ones.
void CollectNames(std::string_view content, std::vector<std::string>* sections,
                  std::vector<std::string>* keys) {
  sections->push_back("");
  sections->push_back("Settings");
  keys->push_back("");
  keys->push_back("Call");
  size_t at = 0;
  while (at < content.size() && (sections->size() < kMaxNames || keys->size() < kMaxNames)) {
    size_t end = content.find_first_of("\r\n", at);
    if (end == std::string_view::npos) end = content.size();
    std::string_view line = Trim(content.substr(at, end - at));
    at = end + 1;
    if (line.empty()) continue;
    if (line.front() == '[') {
      size_t close = line.rfind(']');
      if (close != std::string_view::npos && sections->size() < kMaxNames) {
        sections->emplace_back(line.substr(1, close - 1));
      }
    } else if (keys->size() < kMaxNames) {
      keys->emplace_back(line.substr(0, line.find('=')));
    }
  }
}

// Only one line's bytes may go: the old value's. Everything else of the old content must still
// be there, in order, around one inserted or replaced stretch.
void CheckOnlyOneStretchChanged(std::string_view before, std::string_view after) {
  size_t prefix = 0;
  while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix]) {
    ++prefix;
  }
  size_t suffix = 0;
  while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
         before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
    ++suffix;
  }
  std::string_view removed = before.substr(prefix, before.size() - prefix - suffix);
  Require(removed.find_first_of("\r\n") == std::string_view::npos,
          "a write removed a line end: more than the old value changed");
}

void CheckReads(std::string_view content) {
  // Buffers too small for anything must not crash either.
  (void)IniValue(content, "Settings", "Call", 0);
  (void)IniValue(content, "Settings", "Call", 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string section = "Settings", key = "Call", value = "HA1AB";
  std::string_view content = input;
  std::vector<size_t> marks;
  for (size_t at = 0; marks.size() < 3 && (at = input.find('\xFF', at)) != input.npos; ++at) {
    marks.push_back(at);
  }
  if (marks.size() == 3) {
    section = std::string(input.substr(0, marks[0]));
    key = std::string(input.substr(marks[0] + 1, marks[1] - marks[0] - 1));
    value = std::string(input.substr(marks[1] + 1, marks[2] - marks[1] - 1));
    content = input.substr(marks[2] + 1);
  }
  CheckReads(content);

  std::vector<std::string> sections, keys;
  CollectNames(content, &sections, &keys);
  sections.push_back(section);
  keys.push_back(key);
  std::vector<std::optional<std::string>> before;
  for (const std::string& s : sections) {
    for (const std::string& k : keys) {
      before.push_back(IniValueIfPresent(content, s, k, kBufferChars));
      Require(IniValueIfPresent(content, OtherCase(s), OtherCase(k), kBufferChars) == before.back(),
              "names match without regard to ASCII letter case");
    }
  }

  std::string updated;
  const Status written = IniWithValue(content, section, key, value, &updated);
  if (!written.ok()) {
    Require(!written.reason().empty(), "a refused write gives its reason");
    return 0;
  }
  const std::string readBack = ExpectedReadBack(value);
  Require(IniValue(updated, section, key, kBufferChars) == readBack,
          "the written value reads back as the API gives it");
  Require(IniValue(updated, OtherCase(section), OtherCase(key), kBufferChars) == readBack,
          "the written value reads back under its names in the other letter case");
  CheckOnlyOneStretchChanged(content, updated);

  const std::string writtenSection = NameKey(section), writtenKey = NameKey(key);
  size_t index = 0;
  for (const std::string& s : sections) {
    for (const std::string& k : keys) {
      const std::optional<std::string>& old = before[index++];
      if (NameKey(s) == writtenSection && NameKey(k) == writtenKey) continue;
      Require(IniValueIfPresent(updated, s, k, kBufferChars) == old,
              "a setting the write did not name reads as before");
    }
  }

  Require(tarno::IniRewriteReadsAsWithValue(content, updated, section, key, value),
          "a rewrite that is our own edit is taken");
  // A full disk cuts a rewrite short anywhere: wherever the new value then reads otherwise,
  // the cut rewrite must be refused.
  const std::string cut = updated.substr(0, updated.size() / 2);
  const size_t whole = updated.size() + 2;
  if (IniValueIfPresent(cut, section, key, whole) != IniValueIfPresent(updated, section, key, whole)) {
    Require(!tarno::IniRewriteReadsAsWithValue(content, cut, section, key, value),
            "a rewrite cut short is refused");
  }

  std::string again;
  Require(IniWithValue(updated, section, key, value, &again).ok(),
          "a write that succeeded succeeds again");
  Require(again == updated, "writing the stored value again changes no byte");
  return 0;
}
