#include "serve/adjudication_files.h"

#include "crosscheck/contest_rules.h"
#include "crosscheck/decisions.h"
#include "crosscheck/log_loading.h"
#include "crosscheck/sponsor_text.h"
#include "logs/log_file.h"

// The one file of the robot that reads the cross-check's own code: its rules and decisions
// readers, so that the robot can never take what a check would refuse.

namespace tarno::score {
namespace {

namespace fs = std::filesystem;

// A field with a comma or a quote goes in quotes; blanks at its ends the reader drops anyway.
std::string Field(const std::string& text) {
  if (text.find_first_of(",\"") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

}  // namespace

bool ReadContestRules(const std::string& path, std::string* text, std::string* error) {
  if (!ReadSponsorFile(path, text, error)) return false;
  ContestRules rules;
  if (ParseContestRules(*text, &rules, error)) return true;
  *error = path + ": " + *error;
  return false;
}

const std::vector<std::string>& DecidableVerdicts() {
  static const std::vector<std::string> verdicts = [] {
    std::vector<std::string> names;
    for (int v = 1; v < kVerdictCount; ++v) names.push_back(VerdictName(static_cast<Verdict>(v)));
    return names;
  }();
  return verdicts;
}

bool CreditsTheLine(const std::string& verdict) {
  for (int v = 1; v < kVerdictCount; ++v) {
    if (verdict == VerdictName(static_cast<Verdict>(v)))
      return IsCredited(static_cast<Verdict>(v), false);
  }
  return false;
}

bool IsEntrantCall(std::string_view call) { return IsCallShaped(call); }

std::string DecisionCsvLine(const DecisionRecord& decision) {
  return Field(decision.call) + "," + std::to_string(decision.line) + "," +
         Field(decision.verdict) + "," + Field(decision.reason) + "," + Field(decision.comment);
}

bool CrosscheckTakesDecision(const DecisionRecord& decision, std::string* error) {
  std::vector<Decision> read;
  if (!ParseDecisions(DecisionCsvLine(decision), &read, error)) return false;
  if (read.size() == 1 && read[0].call == decision.call &&
      static_cast<int64_t>(read[0].line) == decision.line &&
      VerdictName(read[0].verdict) == decision.verdict && read[0].reason == decision.reason) {
    return true;
  }
  *error = "the cross-check would read it otherwise";
  return false;
}

bool DecisionHolds(RobotStore& store, const DecisionRecord& decision, int64_t run) {
  return decision.upload == 0 || store.UploadOfCall(run, decision.call) == decision.upload;
}

bool CsvRowFields(std::string_view line, std::vector<std::string>* fields) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (!CsvFields(line, fields)) return false;
  for (std::string& field : *fields) {
    if (field.size() > 1 && field[0] == '\'' &&
        std::string_view("=+-@\t\r").find(field[1]) != std::string_view::npos) {
      field.erase(0, 1);
    }
  }
  return true;
}

bool WriteAdjudicationFiles(RobotStore& store, const std::string& rulesText, int64_t run,
                            const fs::path& folder, std::vector<std::string>* args,
                            std::string* why) {
  std::vector<DecisionRecord> inForce;
  for (DecisionRecord& decision : store.Decisions(true)) {
    if (DecisionHolds(store, decision, run)) inForce.push_back(std::move(decision));
  }
  // The heading is line 1, so the cross-check's "line N" is the (N-1)th decision in force.
  std::string decisions = "call,line,verdict,reason,comment\n";
  for (const DecisionRecord& decision : inForce) decisions += DecisionCsvLine(decision) + "\n";
  const fs::path rulesFile = folder / "rules.txt";
  const fs::path decisionsFile = folder / "decisions.csv";
  if ((!rulesText.empty() && !WriteWholeFile(rulesFile.string(), rulesText)) ||
      (!inForce.empty() && !WriteWholeFile(decisionsFile.string(), decisions))) {
    *why = "the contest's rules and the sponsor's decisions could not be written out";
    return false;
  }
  if (!rulesText.empty()) args->insert(args->end(), {"--rules", rulesFile.string()});
  if (!inForce.empty()) args->insert(args->end(), {"--decisions", decisionsFile.string()});
  return true;
}

}  // namespace tarno::score
