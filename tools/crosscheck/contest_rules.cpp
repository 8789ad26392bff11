#include "crosscheck/contest_rules.h"

#include <cmath>
#include <cstdlib>
#include <set>

#include "contest/ascii_text.h"
#include "crosscheck/sponsor_text.h"

namespace tarno::score {
namespace {

// A text from the file as a message quotes it: one short line of printable characters.
std::string Shown(std::string_view text) {
  std::string shown;
  for (size_t i = 0; i < text.size() && i < 40; ++i)
    shown += text[i] >= ' ' && text[i] <= '~' ? text[i] : '?';
  return "\"" + shown + (text.size() > 40 ? "...\"" : "\"");
}

// A decimal number from `low` to `high`, a trailing `suffix` allowed.
bool Number(std::string_view text, double low, double high, char suffix, double* value) {
  std::string digits(TrimAscii(text));
  if (suffix && !digits.empty() && digits.back() == suffix) {
    digits.pop_back();
    digits = std::string(TrimAscii(digits));
  }
  if (digits.empty() || digits.size() > 12) return false;
  for (char c : digits) {
    if ((c < '0' || c > '9') && c != '.') return false;
  }
  char* end = nullptr;
  *value = std::strtod(digits.c_str(), &end);
  return *end == '\0' && *value >= low && *value <= high;
}

bool Choice(std::string_view text, std::initializer_list<const char*> choices, int* index) {
  const std::string lower = LowerAscii(TrimAscii(text));
  int i = 0;
  for (const char* choice : choices) {
    if (lower == choice) {
      *index = i;
      return true;
    }
    ++i;
  }
  return false;
}

// Applies one "key: value" line; false with the reason.
bool Apply(const std::string& key, std::string_view value, ContestRules* rules,
           std::string* reason) {
  double number = 0;
  int choice = 0;
  if (key == "window") {
    if (!Number(value, 0, 1440, 0, &number) || number != std::floor(number)) {
      *reason = "window: takes whole minutes from 0 to 1440, not " + Shown(value);
      return false;
    }
    rules->windowMinutes = static_cast<int>(number);
  } else if (key == "undecided mismatch") {
    if (!Choice(value, {"both lose", "neither loses"}, &choice)) {
      *reason = "undecided mismatch: takes \"both lose\" or \"neither loses\", not " + Shown(value);
      return false;
    }
    rules->undecidedBothLose = choice == 0;
  } else if (key == "uniques") {
    if (!Choice(value, {"credited", "dropped", "listed"}, &choice)) {
      *reason = "uniques: takes credited, dropped or listed, not " + Shown(value);
      return false;
    }
    rules->uniques = static_cast<ContestRules::Uniques>(choice);
  } else if (key == "review uniques") {
    if (!Number(value, 0, 100, '%', &number)) {
      *reason = "review uniques: takes a percentage from 0 to 100, not " + Shown(value);
      return false;
    }
    rules->reviewUniquePercent = number;
  } else if (key == "review errors") {
    if (!Number(value, 0, 1000, 'x', &number) || number <= 0) {
      *reason = "review errors: takes a number of times the contest's mean, not " + Shown(value);
      return false;
    }
    rules->reviewErrorFactor = number;
  } else if (key == "review gaps") {
    if (!Choice(value, {"yes", "no"}, &choice)) {
      *reason = "review gaps: takes yes or no, not " + Shown(value);
      return false;
    }
    rules->reviewGaps = choice == 0;
  } else if (key == "review clock spread") {
    if (!Number(value, 0, 1440, 0, &number)) {
      *reason = "review clock spread: takes minutes from 0 to 1440, not " + Shown(value);
      return false;
    }
    rules->reviewClockSpreadSeconds = static_cast<int>(std::lround(number * 60));
  } else {
    *reason = Shown(key + ":") + " is no rule (see README, \"The contest's own rules\")";
    return false;
  }
  return true;
}

// "penalty: NIL 1": the verdict and its multiple.
bool ApplyPenalty(std::string_view value, ContestRules* rules, std::set<std::string>* seen,
                  std::string* reason) {
  const std::string_view trimmed = TrimAscii(value);
  const size_t blank = trimmed.find_first_of(" \t");
  const std::string name = UpperAscii(trimmed.substr(0, blank));
  const std::string_view amount =
      blank == std::string_view::npos ? std::string_view() : trimmed.substr(blank);
  for (Verdict verdict : kPenalised) {
    if (name != VerdictName(verdict)) continue;
    double number = 0;
    if (!Number(amount, 0, 100, 'x', &number)) {
      *reason = "penalty: " + name + " takes a multiple of the QSO's points from 0 to 100, not " +
                Shown(TrimAscii(amount));
      return false;
    }
    if (!seen->insert("penalty " + name).second) {
      *reason = "the penalty of " + name + " is given twice";
      return false;
    }
    rules->penalty[static_cast<int>(verdict)] = number;
    return true;
  }
  *reason = "penalty: names " + Shown(name) +
            ", not one of BUSTED-CALL, BUSTED-EXCHANGE, NIL, BAND-MISMATCH, MODE-MISMATCH";
  return false;
}

}  // namespace

bool ParseContestRules(std::string_view text, ContestRules* rules, std::string* error) {
  std::set<std::string> seen;
  return ForEachLine(text, [&](std::string_view raw, int number) {
    const std::string_view line = TrimAscii(raw);
    if (line.empty() || line[0] == '#') return true;
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
      *error = At(number, Shown(line) + " is not \"key: value\"");
      return false;
    }
    std::string key;
    for (char c : LowerAscii(TrimAscii(line.substr(0, colon)))) {
      if (c == '\t') c = ' ';
      if (c != ' ' || (!key.empty() && key.back() != ' ')) key += c;
    }
    const std::string_view value = line.substr(colon + 1);
    std::string reason;
    if (key == "penalty") {
      if (ApplyPenalty(value, rules, &seen, &reason)) return true;
    } else if (!seen.insert(key).second) {
      reason = key + ": is given twice";
    } else if (Apply(key, value, rules, &reason)) {
      return true;
    }
    *error = At(number, reason);
    return false;
  });
}

bool LoadContestRules(const std::string& path, ContestRules* rules, std::string* error) {
  std::string text;
  if (!ReadSponsorFile(path, &text, error)) return false;
  if (ParseContestRules(text, rules, error)) return true;
  *error = path + ": " + *error;
  return false;
}

}  // namespace tarno::score
