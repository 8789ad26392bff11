#include "log_qso.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "contest/ascii_text.h"

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

std::string FormatOleDays(double days) {
  const int64_t minutes = static_cast<int64_t>(std::llround(days * 1440.0));
  int64_t z =
      (minutes >= 0 ? minutes : minutes - 1439) / 1440 + DaysFromCivil(1899, 12, 30) + 719468;
  const int64_t minuteOfDay = minutes - ((minutes >= 0 ? minutes : minutes - 1439) / 1440) * 1440;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t dayOfEra = z - era * 146097;
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t mp = (5 * dayOfYear + 2) / 153;
  const int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
  const int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  char text[96];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld",
                static_cast<long long>(year), static_cast<long long>(month),
                static_cast<long long>(day), static_cast<long long>(minuteOfDay / 60),
                static_cast<long long>(minuteOfDay % 60));
  return text;
}

std::string ContestMode(std::string_view mode) {
  std::string upper = UpperAscii(TrimAscii(mode));
  if (upper == "USB" || upper == "LSB" || upper == "PH") return "SSB";
  return upper;
}

}  // namespace tarno::score
