#pragma once

// Internet dates as HTTP and cookies write them, read into local time and
// written from it. Day and month names are the fixed English ones, never the
// user's language.

#include <string>
#include <string_view>

#include "rtl/datetime.h"

namespace vitrix {

// The moment input names, in UTC, or 0 when input is empty or is no date.
// Accepted shapes: "Sun, 06-Nov-1994 08:49:37 GMT", "Sun, 06 Nov 1994
// 08:49:37 GMT", "Sun Nov 6 08:49:37 1994", with or without the day name, a
// zone "+hhmm"/"-hhmm" or any other zone (read as UTC). Two-digit years
// below 80 are in the 2000s, from 80 to 99 in the 1900s.
TDateTime InternetDateToUtc(std::string_view input);

// The offset of local time from UTC now, as a day fraction (east positive).
// ENetFailedToRetreiveTimeZoneInfo when the system cannot tell it.
TDateTime OffsetFromUTC();

// The moment the text names, in local time; 0 when it is no date.
TDateTime GMTToLocalDateTime(std::string_view text);

// "Sun, 6 Nov 1994 08:49:37 +0100": the local time with the local offset.
std::string DateTimeToInternetStr(TDateTime local);
// The same with a given offset in minutes, for callers that know it.
std::string DateTimeToInternetStr(TDateTime local, int offset_minutes);

}  // namespace vitrix
