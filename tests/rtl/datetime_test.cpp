#include "rtl/datetime.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

#include "rtl/exceptions.h"

namespace vitrix {
namespace {

TEST(DateTime, DayCountsStartOn30December1899) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDate(1970, 1, 1), kUnixEpoch);
  EXPECT_EQ(EncodeDate(2007, 3, 15), 39156.0);
}

TEST(DateTime, DecodesWhatItEncodes) {
  const TDateTime value = EncodeDate(2026, 12, 6) + EncodeTime(20, 15, 38, 123);
  const TDateTimeParts p = DecodeDateTime(value);
  EXPECT_EQ(p.Year, 2026);
  EXPECT_EQ(p.Month, 12);
  EXPECT_EQ(p.Day, 6);
  EXPECT_EQ(p.Hour, 20);
  EXPECT_EQ(p.Minute, 15);
  EXPECT_EQ(p.Second, 38);
  EXPECT_EQ(p.Millisecond, 123);
  const TDateTimeParts leap = DecodeDateTime(EncodeDate(2000, 2, 29));
  EXPECT_EQ(leap.Month, 2);
  EXPECT_EQ(leap.Day, 29);
  const TDateTimeParts early = DecodeDateTime(EncodeDate(1601, 1, 1) + 0.5);
  EXPECT_EQ(early.Year, 1601);
  EXPECT_EQ(early.Hour, 12);
}

TEST(DateTime, RefusesImpossibleDates) {
  TDateTime ignored;
  EXPECT_FALSE(TryEncodeDate(2025, 2, 29, ignored));
  EXPECT_FALSE(TryEncodeDate(2025, 13, 1, ignored));
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, ignored));
  EXPECT_THROW(EncodeDate(2025, 4, 31), EConvertError);
}

TEST(DateTime, DayOfWeekCountsFromSunday) {
  EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 6)), 1);   // a Sunday
  EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 30)), 7);  // a Saturday
  EXPECT_EQ(DayOfWeek(EncodeDate(1994, 11, 6) + 0.99), 1);
}

TEST(DateTime, UnixSecondsMapToDayCounts) {
  EXPECT_EQ(UnixToDateTime(0), kUnixEpoch);
  EXPECT_EQ(DateTimeToUnix(EncodeDate(1994, 11, 6) + EncodeTime(8, 49, 37, 0)), 784111777);
}

TEST(DateTime, RegionalTextsFollowTheTimeLocale) {
  const char* saved = std::setlocale(LC_TIME, nullptr);
  const std::string restore = saved ? saved : "C";
  std::setlocale(LC_TIME, "C");
  const TDateTime value = EncodeDate(2026, 12, 6) + EncodeTime(20, 15, 38, 0);
  EXPECT_EQ(ShortDateText(value), "12/06/26");
  EXPECT_EQ(LongTimeText(value), "20:15:38");
  if (std::setlocale(LC_TIME, "fr_FR.UTF-8") != nullptr) {
    EXPECT_EQ(ShortDateText(value), "06/12/2026");
    EXPECT_EQ(LongTimeText(value), "20:15:38");
  }
  std::setlocale(LC_TIME, restore.c_str());
}

}  // namespace
}  // namespace vitrix
