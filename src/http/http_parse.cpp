#include "http/http_parse.h"

#include "rtl/strings.h"

namespace vitrix {

int ResponseCodeOf(std::string_view status_line) {
  const size_t space = status_line.find(' ');
  if (space == std::string_view::npos) return -1;
  const std::string rest = Trim(status_line.substr(space + 1));
  const std::string_view word = std::string_view(rest).substr(0, rest.find(' '));
  if (word.empty()) return -1;
  return TryStrToInt(word).value_or(-1);
}

std::optional<int64_t> ChunkSizeOf(std::string_view line) {
  constexpr int64_t kLimit = int64_t{1} << 60;
  size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  int64_t size = 0;
  size_t digits = 0;
  for (; i < line.size(); ++i, ++digits) {
    const char c = line[i];
    int value;
    if (c >= '0' && c <= '9') value = c - '0';
    else if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
    else break;
    if (size > (kLimit >> 4)) return std::nullopt;
    size = size * 16 + value;
  }
  if (digits == 0) return std::nullopt;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  if (i < line.size() && line[i] != ';') return std::nullopt;
  return size;
}

bool IsChunkedEncoding(std::string_view transfer_encoding) {
  return LowerCase(transfer_encoding).find("chunked") != std::string::npos;
}

}  // namespace vitrix
