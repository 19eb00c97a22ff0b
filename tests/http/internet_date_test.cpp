// Internet dates: every accepted shape, two-digit years, zones, failures, and
// the written form with its fixed English names.

#include "http/internet_date.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

#include "rtl/datetime.h"

namespace vitrix {
namespace {

TDateTime Utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  return EncodeDate(year, month, day) + EncodeTime(hour, minute, second, 0);
}

void ExpectSameMoment(TDateTime actual, TDateTime expected) {
  EXPECT_LT(std::fabs(actual - expected), 0.5 / kSecondsPerDay) << actual << " vs " << expected;
}

TEST(InternetDate, TheThreeShapesNameTheSameMoment) {
  const TDateTime expected = Utc(1994, 11, 6, 8, 49, 37);
  ExpectSameMoment(InternetDateToUtc("Sun, 06-Nov-1994 08:49:37 GMT"), expected);
  ExpectSameMoment(InternetDateToUtc("Sun, 06 Nov 1994 08:49:37 GMT"), expected);
  ExpectSameMoment(InternetDateToUtc("Sun Nov  6 08:49:37 1994"), expected);
  // The day name may be long, missing, or in any letter case.
  ExpectSameMoment(InternetDateToUtc("Sunday, 06-Nov-94 08:49:37 GMT"), expected);
  ExpectSameMoment(InternetDateToUtc("06 nov 1994 08:49:37"), expected);
  ExpectSameMoment(InternetDateToUtc("  SUN,   06 NOV 1994 08:49:37 GMT  "), expected);
}

TEST(InternetDate, TwoDigitYearsBelowEightyAreInTheTwoThousands) {
  ExpectSameMoment(InternetDateToUtc("Wed, 01-Jan-79 00:00:00 GMT"), Utc(2079, 1, 1));
  ExpectSameMoment(InternetDateToUtc("Tue, 01-Jan-80 00:00:00 GMT"), Utc(1980, 1, 1));
  ExpectSameMoment(InternetDateToUtc("Fri, 31-Dec-99 23:59:59 GMT"), Utc(1999, 12, 31, 23, 59, 59));
  ExpectSameMoment(InternetDateToUtc("Sat, 01-Jan-00 00:00:00 GMT"), Utc(2000, 1, 1));
}

TEST(InternetDate, NumericZonesAreTakenBackToUtcAndOthersCountAsUtc) {
  const TDateTime noon = Utc(2024, 3, 10, 12, 0, 0);
  ExpectSameMoment(InternetDateToUtc("Sun, 10 Mar 2024 14:30:00 +0230"), noon);
  ExpectSameMoment(InternetDateToUtc("Sun, 10 Mar 2024 07:00:00 -0500"), noon);
  ExpectSameMoment(InternetDateToUtc("Sun, 10 Mar 2024 12:00:00 PST"), noon);
  ExpectSameMoment(InternetDateToUtc("Sun, 10 Mar 2024 12:00:00 +02"), noon);
  ExpectSameMoment(InternetDateToUtc("Sun, 10 Mar 2024 12:00:00 +ab00"), noon);
}

TEST(InternetDate, MissingTimePartsReadAsZeroAndAMissingDayAsOne) {
  ExpectSameMoment(InternetDateToUtc("Sun, 10 Mar 2024 12: GMT"), Utc(2024, 3, 10, 12, 0, 0));
  ExpectSameMoment(InternetDateToUtc("Sun, 10 Mar 2024"), Utc(2024, 3, 10));
  ExpectSameMoment(InternetDateToUtc("xx Mar 2024 01:02:03"), Utc(2024, 3, 1, 1, 2, 3));
}

TEST(InternetDate, TextsThatNameNoDateGiveZero) {
  for (const char* text :
       {"", "   ", "garbage", "Sun, 31 Feb 2024 00:00:00 GMT", "Sun, 10 Foo 2024 00:00:00 GMT",
        "Sun, 10 Mar 2024 25:00:00 GMT", "Sun, 10 Mar 2024 10:61:00 GMT", "Sun, 10 Mar x y", "Sun", "-", "Mar"}) {
    EXPECT_EQ(InternetDateToUtc(text), 0) << text;
    EXPECT_EQ(GMTToLocalDateTime(text), 0) << text;
  }
}

TEST(InternetDate, LocalTimeIsUtcPlusTheCurrentOffset) {
  const TDateTime utc = InternetDateToUtc("Sun, 10 Mar 2024 12:00:00 GMT");
  ExpectSameMoment(GMTToLocalDateTime("Sun, 10 Mar 2024 12:00:00 GMT"), utc + OffsetFromUTC());
}

TEST(InternetDate, WritesEnglishNamesDayWithoutZeroAndTheOffset) {
  const TDateTime moment = EncodeDate(2024, 3, 5) + EncodeTime(7, 8, 9, 999);
  EXPECT_EQ(DateTimeToInternetStr(moment, 0), "Tue, 5 Mar 2024 07:08:09 +0000");
  EXPECT_EQ(DateTimeToInternetStr(moment, 90), "Tue, 5 Mar 2024 07:08:09 +0130");
  EXPECT_EQ(DateTimeToInternetStr(moment, -300), "Tue, 5 Mar 2024 07:08:09 -0500");
  EXPECT_EQ(DateTimeToInternetStr(EncodeDate(1999, 12, 26), 60), "Sun, 26 Dec 1999 00:00:00 +0100");
}

TEST(InternetDate, TheUserLanguageDoesNotChangeTheNames) {
  // Whatever locale is available: the written names stay English.
  const char* previous = std::setlocale(LC_ALL, nullptr);
  const std::string saved = previous != nullptr ? previous : "C";
  for (const char* locale : {"fr_FR.UTF-8", "fr_FR", "de_DE.UTF-8", ""}) std::setlocale(LC_ALL, locale);
  const std::string text = DateTimeToInternetStr(EncodeDate(2024, 2, 1), 0);
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(text, "Thu, 1 Feb 2024 00:00:00 +0000");
}

TEST(InternetDate, WhatIsWrittenReadsBackAsTheSameMoment) {
  const TDateTime local = EncodeDate(2031, 7, 14) + EncodeTime(23, 30, 15, 0);
  ExpectSameMoment(GMTToLocalDateTime(DateTimeToInternetStr(local)), local);
}

}  // namespace
}  // namespace vitrix
