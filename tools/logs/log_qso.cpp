#include "logs/log_qso.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "contest/ascii_text.h"
#include "contest/ole_date_time.h"

namespace tarno::score {
namespace {

int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

bool OleDaysOf(int year, int month, int day, int hour, int minute, int second, double* days) {
  if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
      second < 0 || second > 59) {
    return false;
  }
  const int64_t dayNumber = DaysFromCivil(year, month, day) - DaysFromCivil(1899, 12, 30);
  *days = static_cast<double>(dayNumber) + (hour * 3600 + minute * 60 + second) / 86400.0;
  return true;
}

COleDateTime OleDate(double days) {
  COleDateTime when;
  when.m_dt = days;
  return when;
}

std::string FormatOleDays(double days) { return FormatOleDate(OleDate(days), "%Y-%m-%d %H:%M"); }

std::string ContestMode(std::string_view mode) {
  std::string upper = UpperAscii(TrimAscii(mode));
  if (upper == "USB" || upper == "LSB" || upper == "PH") return "SSB";
  return upper;
}

}  // namespace tarno::score
