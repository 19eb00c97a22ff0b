// Internet dates: any text reads as 0 or as a real moment, and every date
// this program writes, with any offset, reads back as the same moment.
//
// Input: byte 0 even: the rest is a date text; odd: the next bytes give a
// moment and an offset to write and read back.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "http/internet_date.h"
#include "rtl/datetime.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vitrix;
  using vitrix::fuzz::Check;
  if (size < 1) return 0;
  if ((data[0] & 1) == 0) {
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const TDateTime utc = InternetDateToUtc(text);
    Check(std::isfinite(utc), "a finite day count");
    // Years 1 to 9999, give or take a zone offset of up to 99 h 99 min.
    Check(utc == 0 || (utc > EncodeDate(1, 1, 1) - 5 && utc < EncodeDate(9999, 12, 31) + 5), "a real moment");
    return 0;
  }
  if (size < 12) return 0;
  const auto u16 = [&](size_t i) { return static_cast<int>(data[i] | data[i + 1] << 8); };
  const int year = 1 + u16(1) % 9999;
  const int month = 1 + data[3] % 12;
  const int day = 1 + data[4] % DaysInMonth(year, month);
  const int hour = data[5] % 24, minute = data[6] % 60, second = data[7] % 60;
  const int offset = u16(8) % (24 * 60) - 12 * 60;
  const TDateTime local = EncodeDate(year, month, day) + EncodeTime(hour, minute, second, 0);
  const std::string text = DateTimeToInternetStr(local, offset);
  const TDateTime utc = InternetDateToUtc(text);
  // Years below 100 are written as they are and read as two-digit years.
  if (year < 100) return 0;
  Check(std::fabs(utc - (local - offset / 1440.0)) < 0.5 / kSecondsPerDay, "a written date reads back");
  return 0;
}
