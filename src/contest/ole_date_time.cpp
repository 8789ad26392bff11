#include "contest/ole_date_time.h"

#include <cmath>
#include <cstdint>
#include <string>

namespace {

constexpr int64_t kSecondsPerDay = 86400;

// Day offsets of 0100-01-01 and 9999-12-31, the first and last days the host accepts.
constexpr int64_t kFirstValidDay = -657434;
constexpr int64_t kLastValidDay = 2958465;

// The civil conversion counts days from 1970-01-01; the host counts from 1899-12-30.
constexpr int64_t kHostDayZeroFromUnixEpoch = -25569;

constexpr const char* kInvalidText = "Invalid DateTime";

struct DayAndSecond {
  int64_t day;
  int64_t second;
};

struct CivilDate {
  int64_t year;
  int month;
  int day;
};

// Anything this far outside the valid days is invalid whatever the rounding does, and turning it
// into an integer could overflow. Written so that NaN fails as well.
bool IsConvertible(double dt) {
  return dt > static_cast<double>(kFirstValidDay - 2) &&
         dt < static_cast<double>(kLastValidDay + 2);
}

DayAndSecond RoundToSecond(double dt) {
  const double wholeDays = std::trunc(dt);
  // A negative value still counts its time forward from midnight, so the fraction's sign is noise.
  const double fraction = std::fabs(dt - wholeDays);
  DayAndSecond result{static_cast<int64_t>(wholeDays),
                      static_cast<int64_t>(std::round(fraction * kSecondsPerDay))};
  // From 23:59:59.5 on, the nearest second is midnight of the following calendar day.
  if (result.second >= kSecondsPerDay) {
    ++result.day;
    result.second = 0;
  }
  return result;
}

// Days since 1970-01-01 to a proleptic Gregorian date, exact for any 64-bit day count we pass.
// Works in 400-year eras whose years start on 1 March, so the leap day is the last day of a year.
CivilDate CivilFromDays(int64_t days) {
  const int64_t shifted = days + 719468;  // Make day 0 fall on 0000-03-01.
  const int64_t era = (shifted >= 0 ? shifted : shifted - 146096) / 146097;
  const int64_t dayOfEra = shifted - era * 146097;
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
  CivilDate date;
  date.day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
  date.month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
  date.year = yearOfEra + era * 400 + (date.month <= 2 ? 1 : 0);
  return date;
}

void AppendTwoDigits(int value, std::string* out) {
  out->push_back(static_cast<char>('0' + value / 10 % 10));
  out->push_back(static_cast<char>('0' + value % 10));
}

// Appends the field named by a conversion letter; false when the letter names none.
bool AppendField(char conversion, const OleDateFields& fields, std::string* out) {
  switch (conversion) {
    case 'Y':
      out->append(std::to_string(fields.year));
      return true;
    case 'y':
      AppendTwoDigits(fields.year % 100, out);
      return true;
    case 'm':
      AppendTwoDigits(fields.month, out);
      return true;
    case 'd':
      AppendTwoDigits(fields.day, out);
      return true;
    case 'H':
      AppendTwoDigits(fields.hour, out);
      return true;
    case 'M':
      AppendTwoDigits(fields.minute, out);
      return true;
    case 'S':
      AppendTwoDigits(fields.second, out);
      return true;
    case '%':
      out->push_back('%');
      return true;
    default:
      return false;
  }
}

}  // namespace

bool SplitOleDate(const COleDateTime& when, OleDateFields* fields) {
  if (fields == nullptr || when.m_status != COleDateTime::kValid || !IsConvertible(when.m_dt)) {
    return false;
  }
  const DayAndSecond rounded = RoundToSecond(when.m_dt);
  const CivilDate date = CivilFromDays(rounded.day + kHostDayZeroFromUnixEpoch);
  if (date.year < 100 || date.year > 9999) return false;
  fields->year = static_cast<int>(date.year);
  fields->month = date.month;
  fields->day = date.day;
  fields->hour = static_cast<int>(rounded.second / 3600);
  fields->minute = static_cast<int>(rounded.second / 60 % 60);
  fields->second = static_cast<int>(rounded.second % 60);
  return true;
}

std::string FormatOleDate(const COleDateTime& when, const char* pattern) {
  if (when.m_status == COleDateTime::kNull) return std::string();
  OleDateFields fields;
  if (!SplitOleDate(when, &fields)) return kInvalidText;
  std::string out;
  if (pattern == nullptr) return out;
  for (const char* p = pattern; *p != '\0'; ++p) {
    // An unknown conversion or a trailing '%' falls through and is copied as it stands.
    if (*p == '%' && p[1] != '\0' && AppendField(p[1], fields, &out)) {
      ++p;
    } else {
      out.push_back(*p);
    }
  }
  return out;
}
