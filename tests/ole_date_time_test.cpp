#include "contest/ole_date_time.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace {

constexpr double kSecond = 1.0 / 86400;

COleDateTime At(double dt, int32_t status = COleDateTime::kValid) {
  COleDateTime when;
  when.m_dt = dt;
  when.m_status = status;
  return when;
}

std::string Stamp(double dt) { return FormatOleDate(At(dt), "%Y-%m-%d %H:%M:%S"); }

TEST(OleDateTimeTest, KnownDayOffsetsMapToTheirCalendarDates) {
  EXPECT_EQ(Stamp(0.0), "1899-12-30 00:00:00");
  EXPECT_EQ(Stamp(1.5), "1899-12-31 12:00:00");
  EXPECT_EQ(Stamp(2.0), "1900-01-01 00:00:00");
  EXPECT_EQ(Stamp(60.0), "1900-02-28 00:00:00");
  EXPECT_EQ(Stamp(61.0), "1900-03-01 00:00:00");
  EXPECT_EQ(Stamp(36526.0), "2000-01-01 00:00:00");
  EXPECT_EQ(Stamp(36585.0), "2000-02-29 00:00:00");
  EXPECT_EQ(Stamp(44576.5), "2022-01-15 12:00:00");
  EXPECT_EQ(Stamp(-657434.0), "100-01-01 00:00:00");
  EXPECT_EQ(Stamp(2958465.0), "9999-12-31 00:00:00");
}

TEST(OleDateTimeTest, NegativeValueCountsTimeForwardFromMidnight) {
  EXPECT_EQ(Stamp(-1.25), "1899-12-29 06:00:00");
  EXPECT_EQ(Stamp(-0.25), "1899-12-30 06:00:00");
  EXPECT_EQ(Stamp(-0.0), "1899-12-30 00:00:00");
  EXPECT_EQ(Stamp(-std::numeric_limits<double>::denorm_min()), "1899-12-30 00:00:00");
  EXPECT_EQ(Stamp(-657434.5), "100-01-01 12:00:00");
}

TEST(OleDateTimeTest, ValidYearsRunFrom100To9999) {
  EXPECT_EQ(Stamp(2958465.0 + 86399 * kSecond), "9999-12-31 23:59:59");
  EXPECT_EQ(Stamp(2958466.0), "Invalid DateTime");
  EXPECT_EQ(Stamp(2958465.0 + 86399.6 * kSecond), "Invalid DateTime");  // Rounds into 10000.
  EXPECT_EQ(Stamp(-657435.0), "Invalid DateTime");                      // 0099-12-31.
  EXPECT_EQ(Stamp(-657435.5), "Invalid DateTime");
}

TEST(OleDateTimeTest, RoundsToNearestSecondCarryingIntoNextDayMonthAndYear) {
  EXPECT_EQ(Stamp(44576.5 + 0.4 * kSecond), "2022-01-15 12:00:00");
  EXPECT_EQ(Stamp(44576.5 + 0.6 * kSecond), "2022-01-15 12:00:01");
  EXPECT_EQ(Stamp(44576.5 + 3599.6 * kSecond), "2022-01-15 13:00:00");
  EXPECT_EQ(Stamp(33.0 - 0.4 * kSecond), "1900-02-01 00:00:00");
  EXPECT_EQ(Stamp(61.0 - 0.4 * kSecond), "1900-03-01 00:00:00");  // No 1900-02-29.
  EXPECT_EQ(Stamp(36526.0 - 0.4 * kSecond), "2000-01-01 00:00:00");
  EXPECT_EQ(Stamp(-1.9999999), "1899-12-30 00:00:00");
}

// Leap days (every 4th year, not centuries, but every 400th year) checked across the whole range
// by walking every valid day and comparing it with the calendar successor of the one before.
TEST(OleDateTimeTest, EveryValidDayIsTheGregorianSuccessorOfThePreviousOne) {
  const int daysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  OleDateFields expected{100, 1, 1, 0, 0, 0};
  for (int day = -657434; day <= 2958465; ++day) {
    OleDateFields got{};
    ASSERT_TRUE(SplitOleDate(At(day), &got)) << day;
    ASSERT_EQ(got.year * 10000 + got.month * 100 + got.day,
              expected.year * 10000 + expected.month * 100 + expected.day)
        << day;
    const bool leap =
        expected.year % 4 == 0 && (expected.year % 100 != 0 || expected.year % 400 == 0);
    const int monthLength = daysInMonth[expected.month - 1] + (leap && expected.month == 2 ? 1 : 0);
    if (++expected.day > monthLength) {
      expected.day = 1;
      if (++expected.month > 12) {
        expected.month = 1;
        ++expected.year;
      }
    }
  }
}

TEST(OleDateTimeTest, SplitFillsEveryFieldOnlyForValidValues) {
  OleDateFields fields{};
  ASSERT_TRUE(SplitOleDate(At(44576.5 + 3723 * kSecond), &fields));
  EXPECT_EQ(fields.year, 2022);
  EXPECT_EQ(fields.month, 1);
  EXPECT_EQ(fields.day, 15);
  EXPECT_EQ(fields.hour, 13);
  EXPECT_EQ(fields.minute, 2);
  EXPECT_EQ(fields.second, 3);
  EXPECT_FALSE(SplitOleDate(At(1.0, COleDateTime::kNull), &fields));
  EXPECT_FALSE(SplitOleDate(At(1.0), nullptr));
}

TEST(OleDateTimeTest, NonFiniteAndHugeValuesAreInvalid) {
  const double values[] = {std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::lowest(),
                           1e300,
                           -1e300,
                           9.3e18,
                           -9.3e18};
  for (double value : values) {
    OleDateFields fields{};
    EXPECT_FALSE(SplitOleDate(At(value), &fields)) << value;
    EXPECT_EQ(FormatOleDate(At(value), "%Y"), "Invalid DateTime") << value;
  }
}

TEST(OleDateTimeTest, StatusOtherThanValidOrNullIsInvalid) {
  EXPECT_EQ(FormatOleDate(At(44576.5, COleDateTime::kNull), "%Y"), "");
  EXPECT_EQ(FormatOleDate(At(std::numeric_limits<double>::quiet_NaN(), COleDateTime::kNull), "%Y"),
            "");
  EXPECT_EQ(FormatOleDate(At(44576.5, COleDateTime::kInvalid), "%Y"), "Invalid DateTime");
  EXPECT_EQ(FormatOleDate(At(44576.5, 7), "%Y"), "Invalid DateTime");
  EXPECT_EQ(FormatOleDate(At(44576.5, -1), "%Y"), "Invalid DateTime");
}

TEST(OleDateTimeTest, FormatsThePatternsTheModuleUses) {
  const COleDateTime when = At(44576.5);
  EXPECT_EQ(FormatOleDate(when, "%Y-%m-%d %H%M"), "2022-01-15 1200");
  EXPECT_EQ(FormatOleDate(when, "%d.%m"), "15.01");
  EXPECT_EQ(FormatOleDate(when, "%d.%m.%Y"), "15.01.2022");
  EXPECT_EQ(FormatOleDate(when, "%Y"), "2022");
  EXPECT_EQ(FormatOleDate(when, "%H:%M"), "12:00");
  EXPECT_EQ(FormatOleDate(At(38357.0), "%y"), "05");
  EXPECT_EQ(FormatOleDate(At(-657434.0), "%y/%Y"), "00/100");
}

TEST(OleDateTimeTest, PatternCopiesLiteralsUnknownSequencesAndTrailingPercent) {
  const COleDateTime when = At(44576.5);
  EXPECT_EQ(FormatOleDate(when, "100%% %Y"), "100% 2022");
  EXPECT_EQ(FormatOleDate(when, "%%Y"), "%Y");
  EXPECT_EQ(FormatOleDate(when, "%q%Y"), "%q2022");
  EXPECT_EQ(FormatOleDate(when, "%Y%"), "2022%");
  EXPECT_EQ(FormatOleDate(when, ""), "");
  EXPECT_EQ(FormatOleDate(when, nullptr), "");
  EXPECT_EQ(FormatOleDate(At(-1e300), nullptr), "Invalid DateTime");
}

}  // namespace
