#include "crosscheck/result_table.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <unordered_map>

#include "crosscheck/entrant_report.h"
#include "crosscheck/verdict_text.h"
#include "replay/csv_cell.h"

namespace tarno::score {
namespace {

int Count(const EntrantLog& log, Verdict verdict) { return log.counts[static_cast<int>(verdict)]; }

// The correction in seconds at the log's first and last QSO: equal for a constant offset.
long long ClockStart(const ClockFit& clock) {
  return clock.drifts ? clock.startSeconds : 60LL * clock.offsetMinutes;
}
long long ClockEnd(const ClockFit& clock) {
  return clock.drifts ? clock.endSeconds : 60LL * clock.offsetMinutes;
}

bool Finish(std::ofstream& out, const std::string& path, std::string* error) {
  out.close();
  if (out) return true;
  *error = "cannot write " + path + ": " + std::strerror(errno);
  return false;
}

}  // namespace

void TallyVerdicts(ContestSet* set) {
  for (const QsoRecord& qso : set->qsos) {
    EntrantLog& log = set->logs[qso.log];
    if (!log.used) continue;
    ++log.counts[static_cast<int>(qso.verdict)];
    if ((qso.verdict == Verdict::kBustedCall || qso.verdict == Verdict::kBustedExchange) &&
        qso.partner != kNoRecord) {
      ++set->logs[set->qsos[qso.partner].log].copiedWrongByOthers;
    }
  }
}

std::vector<RankedLog> RankLogs(const ContestSet& set) {
  std::vector<uint32_t> order = LogsByCall(set);
  std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
    return set.logs[a].checked > set.logs[b].checked;
  });
  std::vector<RankedLog> ranking;
  for (size_t i = 0; i < order.size(); ++i) {
    const bool tie = i > 0 && set.logs[order[i]].checked == set.logs[order[i - 1]].checked;
    RankedLog row{};
    row.rank = tie ? ranking.back().rank : static_cast<int>(i + 1);
    row.log = order[i];
    ranking.push_back(std::move(row));
  }
  return ranking;
}

std::vector<uint32_t> LogsByCall(const ContestSet& set) {
  std::vector<uint32_t> order;
  for (uint32_t i = 0; i < set.logs.size(); ++i) {
    if (set.logs[i].used) order.push_back(i);
  }
  std::sort(order.begin(), order.end(),
            [&](uint32_t a, uint32_t b) { return set.logs[a].call < set.logs[b].call; });
  return order;
}

int CreditedCount(const EntrantLog& log, bool dropUniques) {
  return Count(log, Verdict::kOk) + Count(log, Verdict::kNoLog) +
         Count(log, Verdict::kNotInPartialLog) + (dropUniques ? 0 : Count(log, Verdict::kUnique));
}

std::string SetAsideText(const EntrantLog& log) {
  std::string text;
  for (const std::string& file : log.setAside) text += (text.empty() ? "" : "; ") + BaseName(file);
  return text;
}

bool WriteVerdictsCsv(const ContestSet& set, const std::string& path, std::string* error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::string rows = "log,line,verdict,worked,detail\n";
  // The detail of a line without a partner is its note, and notes repeat by the thousand
  // ("in no other log"): each is made a cell once.
  std::unordered_map<uint32_t, std::string> noteCells;
  // Whether each line is OK, a bit each: looking up a partner's verdict in the records
  // themselves misses the cache for nearly every line of a large contest.
  std::vector<bool> ok(set.qsos.size());
  for (size_t i = 0; i < set.qsos.size(); ++i) ok[i] = set.qsos[i].verdict == Verdict::kOk;
  for (uint32_t index : LogsByCall(set)) {
    const EntrantLog& log = set.logs[index];
    const std::string call = CsvCell(log.call);
    for (uint32_t i : RecordsInFileOrder(set, log)) {
      const QsoRecord& qso = set.qsos[i];
      rows += call;
      rows += ',';
      rows += std::to_string(qso.line);
      rows += ',';
      rows += VerdictName(qso.verdict);
      rows += ',';
      AppendCsvCell(set.texts.Text(qso.workedAsLogged), &rows);
      rows += ',';
      // Most lines are OK both ways and have nothing to say.
      const bool plain = qso.verdict == Verdict::kOk && qso.note == 0 && qso.partner != kNoRecord &&
                         ok[qso.partner] && (set.decisions.empty() || set.decisions.count(i) == 0);
      if (!plain && qso.partner == kNoRecord &&
          (set.decisions.empty() || !set.decisions.count(i))) {
        auto [cell, isNew] = noteCells.try_emplace(qso.note);
        if (isNew) cell->second = CsvCell(set.texts.Text(qso.note));
        rows += cell->second;
      } else if (!plain) {
        rows += CsvCell(DetailOf(set, qso));
      }
      rows += '\n';
    }
    if (rows.size() > (1 << 20)) {
      out << rows;
      rows.clear();
    }
  }
  out << rows;
  return Finish(out, path, error);
}

bool WriteResultsCsv(const ContestSet& set, const std::vector<RankedLog>& ranking, bool dropUniques,
                     const std::string& path, std::string* error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "rank,call,claimed,checked,qsos,credited,nil,busted_call,busted_exchange,unique,dupe,"
         "outside,invalid,ok,no_log,points,counties,copied_wrong_by_others,clock_offset_min,"
         "file,report,set_aside,category,category_rank,country,continent,name,club,"
         "band_mismatch,mode_mismatch,not_in_partial_log,clock_start_s,clock_end_s,penalty\n";
  for (const RankedLog& ranked : ranking) {
    const EntrantLog& log = set.logs[ranked.log];
    out << ranked.rank << ',' << CsvCell(log.call) << ',' << log.claimed << ',' << log.checked
        << ',' << log.qsoCount << ',' << CreditedCount(log, dropUniques) << ','
        << Count(log, Verdict::kNil) << ',' << Count(log, Verdict::kBustedCall) << ','
        << Count(log, Verdict::kBustedExchange) << ',' << Count(log, Verdict::kUnique) << ','
        << Count(log, Verdict::kDupe) << ',' << Count(log, Verdict::kOutside) << ','
        << Count(log, Verdict::kInvalid) << ',' << Count(log, Verdict::kOk) << ','
        << Count(log, Verdict::kNoLog) << ',' << log.checkedPoints << ',' << log.checkedCounties
        << ',' << log.copiedWrongByOthers << ',' << log.clock.offsetMinutes << ','
        << CsvCell(BaseName(log.file)) << ',' << CsvCell(ReportFileName(log.call)) << ','
        << CsvCell(SetAsideText(log)) << ',' << CsvCell(ranked.category) << ','
        << (ranked.categoryRank > 0 ? std::to_string(ranked.categoryRank) : std::string()) << ','
        << CsvCell(ranked.country) << ',' << CsvCell(ranked.continent) << ','
        << CsvCell(ranked.name) << ',' << CsvCell(ranked.club) << ','
        << Count(log, Verdict::kBandMismatch) << ',' << Count(log, Verdict::kModeMismatch) << ','
        << Count(log, Verdict::kNotInPartialLog) << ',' << ClockStart(log.clock) << ','
        << ClockEnd(log.clock) << ',' << log.penaltyPoints << '\n';
  }
  return Finish(out, path, error);
}

}  // namespace tarno::score
