#ifndef TARNO_CONTEST_OLE_DATE_TIME_H_
#define TARNO_CONTEST_OLE_DATE_TIME_H_

#include <cstdint>
#include <string>

// The host's date-time value, laid out exactly as the host passes it by pointer:
// a double counting days since 1899-12-30 00:00 (the fraction is the time of day;
// for a negative value the fraction still counts forward from midnight), then a
// 32-bit status. 16 bytes, 8-byte aligned, on every build.
class alignas(8) COleDateTime {
 public:
  enum Status : int32_t { kValid = 0, kInvalid = 1, kNull = 2 };

  double m_dt = 0.0;
  int32_t m_status = kValid;
};

static_assert(sizeof(COleDateTime) == 16, "COleDateTime must match the host's layout");
static_assert(alignof(COleDateTime) == 8, "COleDateTime must match the host's layout");

// Formats `when` with a strftime-style pattern. Understood: %Y (year, no padding),
// %y, %m, %d, %H, %M, %S (two digits each) and %%; any other character is copied.
// A null value gives "", an invalid one (bad status, NaN, infinite, or outside
// the years 100 to 9999) gives "Invalid DateTime". The time is rounded to the
// nearest second before it is split into fields.
std::string FormatOleDate(const COleDateTime& when, const char* pattern);

// Calendar fields of a valid value; false when the value is not a valid date.
struct OleDateFields {
  int year, month, day, hour, minute, second;
};
bool SplitOleDate(const COleDateTime& when, OleDateFields* fields);

#endif  // TARNO_CONTEST_OLE_DATE_TIME_H_
