#include "crosscheck/decisions.h"

#include <unordered_map>

#include "contest/ascii_text.h"
#include "crosscheck/log_loading.h"
#include "crosscheck/sponsor_text.h"
#include "crosscheck/verdict_text.h"

namespace tarno::score {
namespace {

constexpr size_t kReasonMax = 300;

// A field as one line of printable text, cut to `most` characters.
std::string OneLine(std::string_view text, size_t most) {
  std::string out;
  for (char c : TrimAscii(text)) {
    if (out.size() == most) break;
    out += static_cast<unsigned char>(c) < ' ' || c == 0x7f ? ' ' : c;
  }
  return out;
}

bool VerdictOf(const std::string& name, Verdict* verdict) {
  for (int v = 1; v < kVerdictCount; ++v) {
    if (name == VerdictName(static_cast<Verdict>(v))) {
      *verdict = static_cast<Verdict>(v);
      return true;
    }
  }
  return false;
}

}  // namespace

bool ParseDecisions(std::string_view text, std::vector<Decision>* decisions, std::string* error) {
  decisions->clear();
  std::vector<std::string> fields;
  return ForEachLine(text, [&](std::string_view raw, int number) {
    const std::string_view line = TrimAscii(raw);
    if (line.empty() || line[0] == '#') return true;
    if (!CsvFields(line, &fields) || fields.size() < 4 || fields.size() > 5) {
      *error = At(number, "is not call,line,verdict,reason[,comment]");
      return false;
    }
    Decision decision;
    decision.call = UpperAscii(TrimAscii(fields[0]));
    if (number == 1 && decision.call == "CALL") return true;
    decision.fileLine = number;
    const std::string lineText(TrimAscii(fields[1]));
    const std::string verdict = UpperAscii(TrimAscii(fields[2]));
    decision.reason = OneLine(fields[3], kReasonMax);
    if (fields.size() == 5) decision.comment = OneLine(fields[4], kReasonMax);
    bool digits = !lineText.empty() && lineText.size() <= 9;
    for (char c : lineText) digits = digits && c >= '0' && c <= '9';
    std::string reason;
    if (!IsCallShaped(decision.call)) {
      reason = "names no call";
    } else if (!digits || std::stoul(lineText) == 0) {
      reason = "\"" + OneLine(fields[1], 20) + "\" is no line number";
    } else if (!VerdictOf(verdict, &decision.verdict)) {
      reason = "\"" + OneLine(fields[2], 30) + "\" is no verdict (OK, NIL, BUSTED-CALL, ...)";
    } else if (decision.reason.empty()) {
      reason = "gives no reason";
    }
    if (!reason.empty()) {
      *error = At(number, reason);
      return false;
    }
    decision.line = static_cast<uint32_t>(std::stoul(lineText));
    decisions->push_back(std::move(decision));
    return true;
  });
}

bool LoadDecisions(const std::string& path, std::vector<Decision>* decisions, std::string* error) {
  std::string text;
  if (!ReadSponsorFile(path, &text, error)) return false;
  if (ParseDecisions(text, decisions, error)) return true;
  *error = path + ": " + *error;
  return false;
}

bool ApplyDecisions(const std::vector<Decision>& decisions, ContestSet* set, std::string* error) {
  std::unordered_map<uint32_t, int> decidedAt;  // record: the decision's line in the file
  for (const Decision& decision : decisions) {
    uint32_t found = kNoRecord;
    for (size_t l = 0; l < set->logs.size() && found == kNoRecord; ++l) {
      const EntrantLog& log = set->logs[l];
      if (!log.used || log.call != decision.call) continue;
      for (size_t i = log.firstQso; i < log.firstQso + log.qsoCount; ++i) {
        if (set->qsos[i].line == decision.line) found = static_cast<uint32_t>(i);
      }
    }
    const std::string line = decision.call + " line " + std::to_string(decision.line);
    if (found == kNoRecord) {
      *error = At(decision.fileLine, "matches no line: the logs checked have no " + line);
      return false;
    }
    const auto [earlier, first] = decidedAt.emplace(found, decision.fileLine);
    if (!first) {
      *error = At(decision.fileLine,
                  line + " is decided already on line " + std::to_string(earlier->second));
      return false;
    }
    QsoRecord& qso = set->qsos[found];
    if (!qso.readable && IsCredited(decision.verdict, false)) {
      *error = At(decision.fileLine, line + " could not be read, so it cannot be credited");
      return false;
    }
    const std::string was = DetailOf(*set, qso);
    SponsorDecision kept;
    kept.reason = set->texts.Intern(decision.reason);
    kept.was =
        set->texts.Intern(std::string(VerdictName(qso.verdict)) + (was.empty() ? "" : ": " + was));
    set->decisions.emplace(found, kept);
    qso.verdict = decision.verdict;
  }
  return true;
}

}  // namespace tarno::score
