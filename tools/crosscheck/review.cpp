#include "crosscheck/review.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unordered_map>

#include "crosscheck/contest_period.h"
#include "crosscheck/entrant_report.h"
#include "crosscheck/html_text.h"
#include "crosscheck/page_style.h"
#include "crosscheck/result_table.h"
#include "crosscheck/verdict_text.h"
#include "replay/csv_cell.h"

namespace tarno::score {
namespace {

constexpr int kFewestErrors = 3;
constexpr int kFewestClockPairs = 5;

const char* const kFigureNames[kReviewFigureCount] = {"uniques", "errors caused", "busted calls",
                                                      "missing stretch", "clock spread"};

std::string PercentText(double percent) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f%%", percent);
  return text;
}

double Percent(int count, int lines) { return lines > 0 ? 100.0 * count / lines : 0; }

std::string Seconds(long long seconds) {
  const long long s = std::llabs(seconds);
  return std::string(seconds < 0 ? "-" : "") + std::to_string(s / 60) + " min " +
         std::to_string(s % 60) + " s";
}

// The figure as the review states it, and the threshold it is held to.
std::string ValueText(const ContestSet& set, const LogReview& row, int figure) {
  const EntrantLog& log = set.logs[row.log];
  const int count = row.counts[figure];
  const std::string of =
      " (" + std::to_string(count) + " of " + std::to_string(row.lines) + " lines)";
  switch (figure) {
    case kUniques:
    case kErrorsCaused:
    case kBustedCalls:
      return PercentText(Percent(count, row.lines)) + of;
    case kMissing: {
      std::string text;
      for (const MissingStretch& stretch : log.missing) {
        text += (text.empty() ? "" : "; ") + FormatSeconds(stretch.fromSeconds) + " to " +
                FormatSeconds(stretch.toSeconds) + " (" + std::to_string(stretch.lines) +
                " lines of " + std::to_string(stretch.logs) + " logs)";
      }
      return text;
    }
    default:
      return Seconds(log.clock.spreadSeconds) + " (judged on " + std::to_string(log.clock.pairs) +
             " QSOs; correction " + ClockFitText(log.clock) + ")";
  }
}

std::string ThresholdText(const Review& review, const ContestRules& rules, int figure) {
  char factor[32];
  std::snprintf(factor, sizeof factor, "%g", rules.reviewErrorFactor);
  switch (figure) {
    case kUniques:
      return rules.ListUniques() ? "every unique, by the rules"
                                 : PercentText(rules.reviewUniquePercent);
    case kErrorsCaused:
      return std::string(factor) + " times the contest's " +
             PercentText(100 * review.meanErrorsCaused);
    case kBustedCalls:
      return std::string(factor) + " times the contest's " +
             PercentText(100 * review.meanBustedCalls);
    case kMissing:
      return "any";
    default:
      return Seconds(rules.reviewClockSpreadSeconds);
  }
}

std::unordered_map<uint32_t, LinesBehindFigures> LinesBehind(const ContestSet& set,
                                                             const Review& review,
                                                             const ContestRules& rules) {
  std::unordered_map<uint32_t, const LogReview*> listed;
  for (const LogReview& row : review.logs) {
    if (row.Listed()) listed[row.log] = &row;
  }
  std::unordered_map<uint32_t, LinesBehindFigures> behind;
  const auto above = [&](int32_t log, int figure) {
    if (log < 0) return false;
    const auto row = listed.find(static_cast<uint32_t>(log));
    return row != listed.end() && row->second->above[figure];
  };
  const auto add = [&](int32_t log, int figure, uint32_t line) {
    if (above(log, figure)) behind[log][figure].push_back(line);
  };
  if (listed.empty()) return behind;
  for (uint32_t i = 0; i < set.qsos.size(); ++i) {
    const QsoRecord& qso = set.qsos[i];
    if (!set.logs[qso.log].used) continue;
    const auto own = static_cast<int32_t>(qso.log);
    if (qso.verdict == Verdict::kUnique) add(own, kUniques, i);
    if (qso.verdict == Verdict::kBustedCall) add(own, kBustedCalls, i);
    if (qso.verdict == Verdict::kNil) add(set.logOfCall[qso.worked], kErrorsCaused, i);
    if ((qso.verdict == Verdict::kBustedCall || qso.verdict == Verdict::kBustedExchange) &&
        qso.partner != kNoRecord) {
      add(static_cast<int32_t>(set.qsos[qso.partner].log), kErrorsCaused, i);
    }
    if (qso.verdict == Verdict::kNotInPartialLog) add(set.logOfCall[qso.worked], kMissing, i);
    if (qso.partner != kNoRecord && qso.match != MatchKind::kConfirmation &&
        above(own, kClockSpread) &&
        std::llabs(CorrectedSeconds(set, qso) - CorrectedSeconds(set, set.qsos[qso.partner])) >
            rules.reviewClockSpreadSeconds) {
      add(own, kClockSpread, i);
    }
  }
  return behind;
}

// What a line behind a figure says: its detail, or for the clock how far off it is.
std::string LineDetail(const ContestSet& set, const QsoRecord& qso, int figure) {
  if (figure != kClockSpread) return DetailOf(set, qso);
  const QsoRecord& other = set.qsos[qso.partner];
  return "at the corrected clocks " +
         Seconds(CorrectedSeconds(set, qso) - CorrectedSeconds(set, other)) + " from " +
         OwnerOf(set, other) + (set.logs[other.log].adif ? " record " : " line ") +
         std::to_string(other.line);
}

bool Finish(std::ofstream& out, const std::string& path, std::string* error) {
  out.close();
  if (out) return true;
  *error = "cannot write " + path;
  return false;
}

std::string Td(const std::string& text) { return "<td>" + HtmlEscaped(text) + "</td>"; }
std::string TextTd(const std::string& text) {
  return "<td class=\"text\">" + HtmlEscaped(text) + "</td>";
}

std::string FiguresRow(const ContestSet& set, const Review& review, const LogReview& row,
                       const ContestRules& rules) {
  const EntrantLog& log = set.logs[row.log];
  std::string reasons;
  for (int f = 0; f < kReviewFigureCount; ++f) {
    if (row.above[f]) reasons += (reasons.empty() ? "" : ", ") + std::string(kFigureNames[f]);
  }
  (void)review;
  (void)rules;
  return "<tr><td class=\"call\">" +
         (row.Listed()
              ? "<a href=\"#r-" + HtmlEscaped(log.call) + "\">" + HtmlEscaped(log.call) + "</a>"
              : HtmlEscaped(log.call)) +
         "</td>" + Td(std::to_string(row.lines)) +
         Td(PercentText(Percent(row.counts[kUniques], row.lines))) +
         Td(PercentText(Percent(row.counts[kErrorsCaused], row.lines))) +
         Td(PercentText(Percent(row.counts[kBustedCalls], row.lines))) +
         Td(log.clock.Corrected() ? ClockFitText(log.clock) : "") +
         Td(log.clock.pairs >= kFewestClockPairs ? Seconds(log.clock.spreadSeconds) : "") +
         Td(std::to_string(row.counts[kMissing])) + TextTd(reasons) + "</tr>\n";
}

std::string LinesTable(const ContestSet& set, const std::vector<uint32_t>& lines, int figure) {
  std::string html =
      "<div class=\"scroll\"><table class=\"results\"><thead><tr><th class=\"call\">Log</th>"
      "<th>Line</th><th>Verdict</th><th>Worked</th><th>Detail</th><th>QSO line</th></tr>"
      "</thead><tbody>\n";
  for (uint32_t i : lines) {
    const QsoRecord& qso = set.qsos[i];
    html += "<tr><td class=\"call\">" + HtmlEscaped(OwnerOf(set, qso)) + "</td>" +
            Td(std::to_string(qso.line)) + TextTd(VerdictName(qso.verdict)) +
            TextTd(set.texts.Text(qso.workedAsLogged)) + TextTd(LineDetail(set, qso, figure)) +
            TextTd(QsoLineOf(set, qso)) + "</tr>\n";
  }
  return html + "</tbody></table></div>\n";
}

}  // namespace

Review ReviewLogs(const ContestSet& set, const ContestRules& rules) {
  Review review;
  std::vector<int> nilsCaused(set.logs.size(), 0);
  for (const QsoRecord& qso : set.qsos) {
    if (qso.verdict == Verdict::kNil && set.logs[qso.log].used && set.logOfCall[qso.worked] >= 0)
      ++nilsCaused[set.logOfCall[qso.worked]];
  }
  long long lines = 0, caused = 0, busted = 0;
  for (uint32_t i : LogsByCall(set)) {
    const EntrantLog& log = set.logs[i];
    LogReview row;
    row.log = i;
    row.lines = static_cast<int>(log.qsoCount);
    row.counts[kUniques] = log.counts[static_cast<int>(Verdict::kUnique)];
    row.counts[kErrorsCaused] = log.copiedWrongByOthers + nilsCaused[i];
    row.counts[kBustedCalls] = log.counts[static_cast<int>(Verdict::kBustedCall)];
    row.counts[kMissing] = static_cast<int>(log.missing.size());
    row.counts[kClockSpread] = log.clock.spreadSeconds;
    lines += row.lines;
    caused += row.counts[kErrorsCaused];
    busted += row.counts[kBustedCalls];
    review.logs.push_back(row);
  }
  review.meanErrorsCaused = lines ? static_cast<double>(caused) / lines : 0;
  review.meanBustedCalls = lines ? static_cast<double>(busted) / lines : 0;
  for (LogReview& row : review.logs) {
    const EntrantLog& log = set.logs[row.log];
    const double n = row.lines > 0 ? row.lines : 1;
    row.above[kUniques] = row.counts[kUniques] > 0 &&
                          (rules.ListUniques() ||
                           Percent(row.counts[kUniques], row.lines) > rules.reviewUniquePercent);
    row.above[kErrorsCaused] =
        row.counts[kErrorsCaused] >= kFewestErrors &&
        row.counts[kErrorsCaused] / n > rules.reviewErrorFactor * review.meanErrorsCaused;
    row.above[kBustedCalls] =
        row.counts[kBustedCalls] >= kFewestErrors &&
        row.counts[kBustedCalls] / n > rules.reviewErrorFactor * review.meanBustedCalls;
    row.above[kMissing] = rules.reviewGaps && row.counts[kMissing] > 0;
    row.above[kClockSpread] = log.clock.pairs >= kFewestClockPairs &&
                              log.clock.spreadSeconds > rules.reviewClockSpreadSeconds;
  }
  return review;
}

bool WriteReviewCsv(const ContestSet& set, const Review& review, const ContestRules& rules,
                    const std::string& path, std::string* error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "call,figure,value,threshold,log,line,verdict,worked,detail\n";
  if (review.behind.empty()) review.behind = LinesBehind(set, review, rules);
  const auto& behind = review.behind;
  for (const LogReview& row : review.logs) {
    if (!row.Listed()) continue;
    const std::string call = CsvCell(set.logs[row.log].call);
    for (int f = 0; f < kReviewFigureCount; ++f) {
      if (!row.above[f]) continue;
      out << call << ',' << kFigureNames[f] << ',' << CsvCell(ValueText(set, row, f)) << ','
          << CsvCell(ThresholdText(review, rules, f)) << ",,,,,\n";
      const auto lines = behind.find(row.log);
      if (lines == behind.end()) continue;
      for (uint32_t i : lines->second[f]) {
        const QsoRecord& qso = set.qsos[i];
        out << call << ',' << kFigureNames[f] << ",,," << CsvCell(OwnerOf(set, qso)) << ','
            << qso.line << ',' << VerdictName(qso.verdict) << ','
            << CsvCell(set.texts.Text(qso.workedAsLogged)) << ','
            << CsvCell(LineDetail(set, qso, f)) << '\n';
      }
    }
  }
  return Finish(out, path, error);
}

bool WriteReviewHtml(const ContestSet& set, const Review& review, const ContestRules& rules,
                     const std::string& title, const std::string& sections,
                     const std::string& path, std::string* error) {
  std::string html = PageStart(title + ": logs to review");
  html += "<p><a href=\"results.html\">All results</a></p>\n<h1>" + HtmlEscaped(title) +
          ": logs to review</h1>\n"
          "<p class=\"muted\">A log is listed where its uniques pass " +
          HtmlEscaped(ThresholdText(review, rules, kUniques)) +
          " of its lines, the errors it caused others (their lines that copied it wrong or that it "
          "does not hold) or its busted calls pass " +
          HtmlEscaped(ThresholdText(review, rules, kErrorsCaused)) + " and " +
          HtmlEscaped(PercentText(100 * review.meanBustedCalls)) + " respectively (at least " +
          std::to_string(kFewestErrors) + "), " +
          (rules.reviewGaps ? "its log lost a stretch, " : "") + "or its times spread more than " +
          HtmlEscaped(ThresholdText(review, rules, kClockSpread)) +
          " around its clock's correction.</p>\n";
  std::string listedRows, otherRows;
  size_t listed = 0;
  for (const LogReview& row : review.logs) {
    (row.Listed() ? listedRows : otherRows) += FiguresRow(set, review, row, rules);
    listed += row.Listed();
  }
  html += "<h2>Every log</h2>\n<p>" + std::to_string(listed) + " of " +
          std::to_string(review.logs.size()) +
          " logs listed.</p>\n<div class=\"scroll\"><table class=\"results\" id=\"review\">"
          "<thead><tr><th class=\"call\">Call</th><th>QSO lines</th><th>Uniques</th>"
          "<th>Errors caused</th><th>Busted calls</th><th>Clock correction</th>"
          "<th>Clock spread</th><th>Missing stretches</th><th>Listed for</th></tr></thead>"
          "<tbody>\n" +
          listedRows + otherRows + "</tbody></table></div>\n" + sections;
  if (review.behind.empty()) review.behind = LinesBehind(set, review, rules);
  const auto& behind = review.behind;
  for (const LogReview& row : review.logs) {
    if (!row.Listed()) continue;
    const EntrantLog& log = set.logs[row.log];
    html += "<h2 id=\"r-" + HtmlEscaped(log.call) + "\"><a href=\"" + EntrantPageLink(log.call) +
            "\">" + HtmlEscaped(log.call) + "</a></h2>\n";
    const auto lines = behind.find(row.log);
    for (int f = 0; f < kReviewFigureCount; ++f) {
      if (!row.above[f]) continue;
      html += "<h3>" + std::string(kFigureNames[f]) + ": " + HtmlEscaped(ValueText(set, row, f)) +
              "; threshold " + HtmlEscaped(ThresholdText(review, rules, f)) + "</h3>\n";
      if (lines != behind.end() && !lines->second[f].empty())
        html += LinesTable(set, lines->second[f], f);
    }
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << html << "</body></html>\n";
  return Finish(out, path, error);
}

}  // namespace tarno::score
