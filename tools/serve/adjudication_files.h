#ifndef TARNO_TOOLS_SERVE_ADJUDICATION_FILES_H_
#define TARNO_TOOLS_SERVE_ADJUDICATION_FILES_H_

// The robot's side of the cross-check's adjudication files: the contest's rules (--rules)
// and the sponsor's decisions (--decisions), and the rows of the CSV files a check writes
// (verdicts.csv, review.csv). The robot reads and checks them with the cross-check's own
// readers, so that what the robot takes at its start or from the sponsor's form is what a
// check takes. Pure functions, but for WriteAdjudicationFiles; any thread.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "serve/robot_store.h"

namespace tarno::score {

// The rules file read whole and checked as a check reads it; false with
// "FILE: line N: reason" (or why it cannot be read).
bool ReadContestRules(const std::string& path, std::string* text, std::string* error);

// The verdicts a decision may give, as verdicts.csv writes them ("OK", "NIL", ...).
const std::vector<std::string>& DecidableVerdicts();
// Whether the verdict credits the line (an unreadable line must not be credited).
bool CreditsTheLine(const std::string& verdict);
// Whether a call is one a check takes as an entrant's own call.
bool IsEntrantCall(std::string_view call);

// The decision as one line of the decisions file (no line end), fields quoted where they
// need it. Not neutralised for a spreadsheet: the cross-check reads the reason back, and
// the entrant must read what the sponsor wrote.
std::string DecisionCsvLine(const DecisionRecord& decision);
// Whether the cross-check reads the decision's line as it was meant; else false with the
// cross-check's reason. A last guard behind the form's own checks.
bool CrosscheckTakesDecision(const DecisionRecord& decision, std::string* error);

// The fields of one line of a CSV file the cross-check wrote, a neutralising apostrophe
// taken off again; false on a quote left open.
bool CsvRowFields(std::string_view line, std::vector<std::string>* fields);

// Writes the rules (when the robot has any) and the decisions in force for the logs `run`
// checks into `folder` (a decision made for another upload of its call is left out), and
// adds --rules and --decisions with them to the cross-check's arguments. False with the
// reason (a full disk) when a file cannot be written whole.
bool WriteAdjudicationFiles(RobotStore& store, const std::string& rulesText, int64_t run,
                            const std::filesystem::path& folder, std::vector<std::string>* args,
                            std::string* why);

// Whether the decision is about the upload of its call that `run` takes (0: the call's
// current upload).
bool DecisionHolds(RobotStore& store, const DecisionRecord& decision, int64_t run);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_ADJUDICATION_FILES_H_
