#include "http/internet_date.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <optional>

#include "http/http_exceptions.h"
#include "rtl/strings.h"

namespace vitrix {
namespace {

constexpr const char* kDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// 1..12 for a three-letter month name in any letter case, 0 otherwise.
int MonthNumber(std::string_view field) {
  for (int i = 0; i < 12; ++i) {
    if (SameText(field, kMonthNames[i])) return i + 1;
  }
  return 0;
}

bool StartsWithDayName(std::string_view text) {
  if (text.size() < 3) return false;
  for (const char* name : kDayNames) {
    if (SameText(text.substr(0, 3), name)) return true;
  }
  return false;
}

// The text up to the separator (all of it when there is none); the text is
// left with what follows the separator, leading blanks removed.
std::string TakeField(std::string& text, char separator) {
  const size_t at = text.find(separator);
  std::string field = text.substr(0, at);
  text = at == std::string::npos ? std::string() : TrimLeft(std::string_view(text).substr(at + 1));
  return field;
}

std::optional<int> Number(std::string_view text) {
  if (text.empty()) return std::nullopt;
  return TryStrToInt(text);
}

// Adds "hh:mm:ss" (parts missing or not numbers count as 0) to date; false
// for an impossible time.
bool AddTime(std::string_view field, TDateTime& date) {
  int parts[3] = {0, 0, 0};
  for (int& part : parts) {
    const size_t colon = field.find(':');
    part = Number(Trim(field.substr(0, colon))).value_or(0);
    if (colon == std::string_view::npos) break;
    field.remove_prefix(colon + 1);
  }
  TDateTime time = 0;
  if (!TryEncodeTime(parts[0], parts[1], parts[2], 0, time)) return false;
  date += time;
  return true;
}

// "+hhmm" / "-hhmm" as a day fraction to subtract to reach UTC; any other
// zone counts as UTC.
TDateTime ZoneOffset(std::string_view zone) {
  if (zone.size() <= 4 || (zone[0] != '+' && zone[0] != '-')) return 0;
  const auto hours = Number(zone.substr(1, 2));
  const auto minutes = Number(zone.substr(3, 2));
  if (!hours || !minutes || *hours < 0 || *minutes < 0) return 0;
  const TDateTime offset = (*hours * 60.0 + *minutes) / (24.0 * 60.0);
  return zone[0] == '+' ? offset : -offset;
}

}  // namespace

TDateTime InternetDateToUtc(std::string_view input) {
  std::string text = Trim(input);
  if (text.empty()) return 0;
  if (StartsWithDayName(text)) {
    const size_t space = text.find(' ');
    text = space == std::string::npos ? std::string() : TrimLeft(std::string_view(text).substr(space + 1));
  }
  // "06-Nov-1994" joins its fields with hyphens; the other shapes use spaces.
  const size_t hyphen = text.find('-');
  const size_t space = text.find(' ');
  const char separator = hyphen != std::string::npos && hyphen >= 1 && hyphen < space ? '-' : ' ';

  std::string first = TakeField(text, separator);
  int month = MonthNumber(first);
  std::string day_field;
  if (month != 0) {
    day_field = TakeField(text, separator);
  } else {
    day_field = std::move(first);
    month = MonthNumber(TakeField(text, separator));
  }
  const int day = Number(day_field).value_or(1);

  std::string year_field = TakeField(text, ' ');
  std::optional<int> year = Number(year_field);
  if (!year) {
    // "Nov 6 08:49:37 1994": the year comes last, after the time.
    year = Number(Trim(text));
    text = year_field;
  }
  if (!year) return 0;
  if (*year < 80) *year += 2000;
  else if (*year < 100) *year += 1900;

  TDateTime date = 0;
  if (!TryEncodeDate(*year, month, day, date)) return 0;
  if (text.find(':') != std::string::npos) {
    const std::string time_field = TakeField(text, ' ');
    if (!AddTime(time_field, date)) return 0;
  }
  return date - ZoneOffset(Trim(text));
}

TDateTime OffsetFromUTC() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  if (now == static_cast<std::time_t>(-1) || ::localtime_r(&now, &tm) == nullptr) {
    throw ENetFailedToRetreiveTimeZoneInfo();
  }
  return static_cast<double>(tm.tm_gmtoff) / kSecondsPerDay;
}

TDateTime GMTToLocalDateTime(std::string_view text) {
  const TDateTime utc = InternetDateToUtc(text);
  if (utc == 0) return 0;
  return utc + OffsetFromUTC();
}

std::string DateTimeToInternetStr(TDateTime local) {
  return DateTimeToInternetStr(local, static_cast<int>(std::lround(OffsetFromUTC() * 24 * 60)));
}

std::string DateTimeToInternetStr(TDateTime local, int offset_minutes) {
  const TDateTimeParts p = DecodeDateTime(local);
  const int magnitude = offset_minutes < 0 ? -offset_minutes : offset_minutes;
  char text[64];
  std::snprintf(text, sizeof text, "%s, %d %s %d %02d:%02d:%02d %c%02d%02d", kDayNames[DayOfWeek(local) - 1], p.Day,
                kMonthNames[p.Month - 1], p.Year, p.Hour, p.Minute, p.Second, offset_minutes >= 0 ? '+' : '-',
                magnitude / 60, magnitude % 60);
  return text;
}

}  // namespace vitrix
