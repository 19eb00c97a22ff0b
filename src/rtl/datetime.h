#pragma once

// Dates and times as day counts (TDateTime: days since 30 December 1899, the
// fraction being the time of day), and the user's regional texts for them.
// Protocol dates (HTTP, cookies) have their own fixed English texts in http/.

#include <cstdint>
#include <ctime>
#include <string>

namespace vitrix {

using TDateTime = double;

inline constexpr TDateTime kUnixEpoch = 25569.0;  // 1 January 1970
inline constexpr double kSecondsPerDay = 86400.0;
inline constexpr double kMillisecondsPerDay = 86400000.0;

struct TDateTimeParts {
  int Year = 0, Month = 0, Day = 0;
  int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

// Local date and time now.
TDateTime Now();
// The same, broken into parts, milliseconds included.
TDateTimeParts NowParts();

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
// false for an impossible date or time.
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result);
// EConvertError for an impossible date or time.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
TDateTimeParts DecodeDateTime(TDateTime value);
// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime value);

// Seconds since 1970 (UTC) <-> day counts of the same time scale.
TDateTime UnixToDateTime(int64_t seconds);
int64_t DateTimeToUnix(TDateTime value);

// The offset of local time from UTC, in minutes (east positive), now and at a
// given local time.
int CurrentUtcOffsetMinutes();

// The user's short date and long time, as strftime's %x and %X give them under
// the LC_TIME locale, in Windows-1252.
std::string ShortDateText(TDateTime local);
std::string LongTimeText(TDateTime local);

}  // namespace vitrix
