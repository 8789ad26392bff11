#ifndef TARNO_TOOLS_SERVE_ADJUDICATION_PAGES_H_
#define TARNO_TOOLS_SERVE_ADJUDICATION_PAGES_H_

// The sponsor's review and last word in the robot: the logs a check lists for review with
// the lines behind each figure (read back from its review.csv), the sponsor's decisions on
// single lines with the form that makes them, and the sponsor page's section that names
// the rules in force and leads to both. Built from plain values, every value escaped here,
// every word from the catalogue. The ids are what the tests look for. Pure functions; any
// thread.

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "catalogue/catalogue.h"
#include "serve/robot_store.h"
#include "serve/wanted_logs.h"

namespace tarno::score {

// review.csv read back.
struct ReviewLine {
  std::string log;  // the call of the log the line is in
  int64_t line = 0;
  std::string verdict;
  std::string worked;
  std::string detail;
};
struct ReviewFigure {
  std::string name;  // "uniques", "errors caused", ...: the cross-check's words
  std::string value;
  std::string threshold;
  std::vector<ReviewLine> lines;  // the first ones behind it
  int64_t more = 0;               // lines behind it not kept
};
struct ReviewedLog {
  std::string call;
  std::vector<ReviewFigure> figures;
};
// The listed logs in the file's order, at most `perFigure` lines kept for each figure and
// `inAll` for all of them, so that a page of them stays small whatever the contest; rows
// that are not the file's own are passed over.
std::vector<ReviewedLog> ReadReviewCsv(std::string_view csv, size_t perFigure, size_t inAll);

// Where a decision's form came from, and where the sponsor goes back to once it is kept.
enum class DecisionFrom { kDecisions, kReview, kResults };
const char* DecisionFromName(DecisionFrom from);  // the form's "from" value

// The verdicts in force by (call, line).
using DecisionsByLine = std::map<std::pair<std::string, int64_t>, DecisionRecord>;

struct ReviewView {
  std::string contest;  // the contest's title, on every page
  bool hasRun = false;  // a finished check
  RunRecord run;
  bool hasReview = false;  // it wrote review.csv
  std::vector<ReviewedLog> logs;
  DecisionsByLine inForce;
  std::string csrf;
};
// The review of the latest finished check (id "review-logs"), each line with a form that
// decides it, or the decision in force on it; a link to the check's own review.html.
std::string ReviewPage(const ReviewView& view, const Catalogue& words);

struct DecisionsView {
  std::string contest;                    // the contest's title, on every page
  std::vector<DecisionRecord> decisions;  // every one, newest first
  // Those in force made for an earlier upload of their call, which the checks leave out.
  std::set<int64_t> forEarlierLog;
  DecisionRecord form;  // what the form shows filled in
  std::string csrf;
  std::string message;       // what the last action did
  std::string refusal;       // why the decision was refused
  std::string checkRefusal;  // why the latest check stopped, where a decision stopped it
};
std::string DecisionsPage(const DecisionsView& view, const Catalogue& words);

// The form that decides a line of `call`'s log, for an entrant's report on the private
// results page.
std::string EntrantDecisionForm(const std::string& call, const std::string& csrf,
                                const Catalogue& words);
// The entrant's call of a report's file name ("HA5AA_P.ubn": "HA5AA/P"); empty for a file
// that is no report.
std::string CallOfReport(const std::string& fileName);

struct AdjudicationView {
  Language language = Language::kEnglish;  // the sponsor page's
  std::string rulesFile;                   // empty: no --rules
  std::string rulesText;
  int64_t finishedRun = 0;  // the latest finished check; 0: none yet
  size_t decisionsInForce = 0;
  bool showWanted = false;  // until the results are published
  WantedList wanted;
};
// The sponsor page's sections: the rules in force, the review and the decisions, and the
// wanted logs.
std::string AdjudicationSections(const AdjudicationView& view);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_ADJUDICATION_PAGES_H_
