#include "rtl/datetime.h"

#include <sys/time.h>

#include <cmath>

#include "rtl/cp1252.h"
#include "rtl/exceptions.h"

namespace vitrix {
namespace {

// Days from 0001-01-01 to the given date (proleptic Gregorian), day 1 being
// 0001-01-01.
int64_t DaysFromCivil(int year, int month, int day) {
  int64_t days = 0;
  const int y = year - 1;
  days = int64_t{y} * 365 + y / 4 - y / 100 + y / 400;
  static constexpr int kCumulative[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  days += kCumulative[month - 1] + day;
  if (month > 2 && IsLeapYear(year)) ++days;
  return days;
}

constexpr int64_t kDaysTo1899_12_30 = 693594;  // DaysFromCivil(1899, 12, 30)

std::tm LocalTm(TDateTime value) {
  const TDateTimeParts parts = DecodeDateTime(value);
  std::tm tm{};
  tm.tm_year = parts.Year - 1900;
  tm.tm_mon = parts.Month - 1;
  tm.tm_mday = parts.Day;
  tm.tm_hour = parts.Hour;
  tm.tm_min = parts.Minute;
  tm.tm_sec = parts.Second;
  tm.tm_wday = DayOfWeek(value) - 1;
  tm.tm_isdst = -1;
  return tm;
}

// The user's regional formats of the C library.
enum class TLocaleFormat { lfShortDate, lfLongTime };

std::string LocaleText(TLocaleFormat format, TDateTime value) {
  std::tm tm = LocalTm(value);
  // Let the C library find the daylight-saving flag and week day.
  std::tm normalised = tm;
  if (std::mktime(&normalised) != static_cast<std::time_t>(-1)) tm = normalised;
  char buffer[128];
  // Some locales write the year of "%x" with two digits: that is the user's
  // own date format, which this text is meant to follow.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-y2k"
  const std::size_t n = std::strftime(buffer, sizeof buffer, format == TLocaleFormat::lfShortDate ? "%x" : "%X", &tm);
#pragma GCC diagnostic pop
  return Utf8ToCp1252Lossy(std::string_view(buffer, n));
}

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
  result = static_cast<TDateTime>(DaysFromCivil(year, month, day) - kDaysTo1899_12_30);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
      millisecond > 999) {
    return false;
  }
  result = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) / kMillisecondsPerDay;
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime result;
  if (!TryEncodeDate(year, month, day, result)) throw EConvertError("Date incorrecte");
  return result;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  TDateTime result;
  if (!TryEncodeTime(hour, minute, second, millisecond, result)) throw EConvertError("Heure incorrecte");
  return result;
}

TDateTimeParts DecodeDateTime(TDateTime value) {
  TDateTimeParts parts;
  // Round to the millisecond first so that 0.9999999 does not read as 23:59:59.999x.
  const int64_t total_ms = static_cast<int64_t>(std::llround(value * kMillisecondsPerDay));
  int64_t day_number = total_ms / 86400000;
  int64_t ms_of_day = total_ms % 86400000;
  if (ms_of_day < 0) {
    // Before 1899-12-30 the time part still runs forward from midnight.
    ms_of_day += 86400000;
    day_number -= 1;
  }
  // Civil from days (Howard Hinnant's algorithm), shifted to our epoch.
  const int64_t z = day_number - 25569 + 719468;  // days since 1970-01-01, moved to 0000-03-01
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  parts.Year = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
  parts.Month = static_cast<int>(m);
  parts.Day = static_cast<int>(d);
  parts.Hour = static_cast<int>(ms_of_day / 3600000);
  parts.Minute = static_cast<int>(ms_of_day / 60000 % 60);
  parts.Second = static_cast<int>(ms_of_day / 1000 % 60);
  parts.Millisecond = static_cast<int>(ms_of_day % 1000);
  return parts;
}

int DayOfWeek(TDateTime value) {
  const int64_t day_number = static_cast<int64_t>(std::floor(value + 0.5 / kMillisecondsPerDay));
  // 1899-12-30 was a Saturday (7).
  return static_cast<int>(((day_number + 6) % 7 + 7) % 7) + 1;
}

TDateTime UnixToDateTime(int64_t seconds) { return kUnixEpoch + static_cast<double>(seconds) / kSecondsPerDay; }

int64_t DateTimeToUnix(TDateTime value) {
  return static_cast<int64_t>(std::llround((value - kUnixEpoch) * kSecondsPerDay));
}

TDateTimeParts NowParts() {
  timeval now{};
  ::gettimeofday(&now, nullptr);
  std::tm tm{};
  const std::time_t seconds = now.tv_sec;
  ::localtime_r(&seconds, &tm);
  TDateTimeParts parts;
  parts.Year = tm.tm_year + 1900;
  parts.Month = tm.tm_mon + 1;
  parts.Day = tm.tm_mday;
  parts.Hour = tm.tm_hour;
  parts.Minute = tm.tm_min;
  parts.Second = tm.tm_sec > 59 ? 59 : tm.tm_sec;
  parts.Millisecond = static_cast<int>(now.tv_usec / 1000);
  return parts;
}

TDateTime Now() {
  const TDateTimeParts p = NowParts();
  return EncodeDate(p.Year, p.Month, p.Day) + EncodeTime(p.Hour, p.Minute, p.Second, p.Millisecond);
}

int CurrentUtcOffsetMinutes() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  ::localtime_r(&now, &tm);
  return static_cast<int>(tm.tm_gmtoff / 60);
}

std::string ShortDateText(TDateTime local) { return LocaleText(TLocaleFormat::lfShortDate, local); }

std::string LongTimeText(TDateTime local) { return LocaleText(TLocaleFormat::lfLongTime, local); }

}  // namespace vitrix
