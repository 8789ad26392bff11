#include "crosscheck/contest_period.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "contest/ole_date_time.h"
#include "logs/log_qso.h"

namespace tarno::score {
namespace {

constexpr long long kDay = 86400;

bool Digits(const std::string& text, size_t at, size_t count, int* value) {
  if (at + count > text.size()) return false;
  *value = 0;
  for (size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    *value = *value * 10 + (text[i] - '0');
  }
  return true;
}

long long FloorDiv(long long a, long long b) { return a / b - (a % b < 0 ? 1 : 0); }

}  // namespace

bool ParsePeriodTime(const std::string& text, bool end, long long* seconds) {
  int year, month, day, hour = 0, minute = 0;
  if (text.size() < 10 || text[4] != '-' || text[7] != '-' || !Digits(text, 0, 4, &year) ||
      !Digits(text, 5, 2, &month) || !Digits(text, 8, 2, &day)) {
    return false;
  }
  const bool dateOnly = text.size() == 10;
  if (!dateOnly) {
    if (text[10] != ' ' && text[10] != 'T') return false;
    const std::string time = text.substr(11);
    const bool colon = time.size() == 5 && time[2] == ':';
    if (!(time.size() == 4 || colon) || !Digits(time, 0, 2, &hour) ||
        !Digits(time, colon ? 3 : 2, 2, &minute) || hour > 23 || minute > 59) {
      return false;
    }
  }
  double days = 0.0;
  if (!OleDaysOf(year, month, day, hour, minute, 0, &days)) return false;
  *seconds = SecondsOf(days);
  if (end) *seconds += dateOnly ? kDay - 1 : 59;  // the whole of the last minute or day
  return true;
}

ContestPeriod DefaultPeriod(const ContestSet& set) {
  std::map<long long, size_t> perDay;
  for (const QsoRecord& qso : set.qsos) {
    if (qso.readable && set.logs[qso.log].used)
      ++perDay[FloorDiv(CorrectedSeconds(set, qso), kDay)];
  }
  ContestPeriod period;
  if (perDay.empty()) {
    period.startSeconds = 0;
    period.endSeconds = 1LL << 50;
    period.how = "no QSO in any log";
    period.open = true;
    return period;
  }
  size_t busiest = 0;
  for (const auto& [day, count] : perDay) busiest = std::max(busiest, count);
  long long first = -1, last = -1;
  for (const auto& [day, count] : perDay) {
    if (count * 10 < busiest) continue;
    if (first < 0 || day < first) first = day;
    last = day;
  }
  period.startSeconds = first * kDay;
  period.endSeconds = last * kDay + kDay - 1;
  period.how = "the days that hold the logs' QSOs; give --start and --end to set it";
  return period;
}

std::string FormatSeconds(long long seconds) {
  COleDateTime when;
  when.m_dt = static_cast<double>(seconds) / kDay;
  return FormatOleDate(when, "%Y-%m-%d %H%M");
}

std::string PeriodText(const ContestPeriod& period) {
  if (period.open) return "none (" + period.how + ")";
  return FormatSeconds(period.startSeconds) + " to " + FormatSeconds(period.endSeconds) + " UTC";
}

long long CorrectedSeconds(const ContestSet& set, const QsoRecord& qso) {
  const long long logged = SecondsOf(qso.oleDays);
  return logged - set.logs[qso.log].clock.OffsetAt(logged);
}

size_t FirstRecordFrom(const ContestSet& set, const EntrantLog& log, long long correctedSeconds) {
  size_t low = log.firstQso, high = log.firstQso + log.qsoCount;
  while (low < high) {
    const size_t middle = low + (high - low) / 2;
    if (CorrectedSeconds(set, set.qsos[middle]) < correctedSeconds) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

}  // namespace tarno::score
