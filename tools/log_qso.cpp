#include "log_qso.h"

#include <cstdint>

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

struct Band {
  const char* name;
  uint32_t lowKHz;
  uint32_t highKHz;
};

// The amateur allocations as loggers name them (widest of the regions).
const Band kBands[] = {
    {"160m", 1800, 2000},   {"80m", 3500, 4000},      {"60m", 5060, 5450},   {"40m", 7000, 7300},
    {"30m", 10100, 10150},  {"20m", 14000, 14350},    {"17m", 18068, 18168}, {"15m", 21000, 21450},
    {"12m", 24890, 24990},  {"10m", 28000, 29700},    {"6m", 50000, 54000},  {"4m", 70000, 71000},
    {"2m", 144000, 148000}, {"70cm", 420000, 450000},
};

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

std::string BandOfFrequency(uint32_t freqHz) {
  const uint32_t kHz = freqHz / 1000;
  for (const Band& band : kBands) {
    if (kHz >= band.lowKHz && kHz <= band.highKHz) return band.name;
  }
  return std::string();
}

uint32_t BandEdgeHz(const std::string& band) {
  for (const Band& known : kBands) {
    if (band == known.name) return known.lowKHz * 1000;
  }
  return 0;
}

}  // namespace tarno::score
