#include "rtl/strings.h"

#include <charconv>
#include <limits>

namespace vitrix {
namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

char ToUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
char ToLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

template <typename Int>
std::optional<Int> ParseDecimal(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  if (pos == text.size()) return std::nullopt;
  using Unsigned = std::make_unsigned_t<Int>;
  Unsigned magnitude = 0;
  const auto* first = text.data() + pos;
  const auto* last = text.data() + text.size();
  auto [end, error] = std::from_chars(first, last, magnitude);
  if (error != std::errc() || end != last) return std::nullopt;
  const Unsigned limit =
      negative ? Unsigned(std::numeric_limits<Int>::max()) + 1 : Unsigned(std::numeric_limits<Int>::max());
  if (magnitude > limit) return std::nullopt;
  if (negative) return static_cast<Int>(Unsigned(0) - magnitude);
  return static_cast<Int>(magnitude);
}

}  // namespace

std::string Trim(std::string_view text) { return TrimRight(TrimLeft(text)); }

std::string Concat(std::initializer_list<std::string_view> texts) {
  std::size_t size = 0;
  for (const std::string_view text : texts) size += text.size();
  std::string joined;
  joined.reserve(size);
  for (const std::string_view text : texts) joined.append(text);
  return joined;
}

std::string TrimLeft(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size() && IsBlank(text[start])) ++start;
  return std::string(text.substr(start));
}

std::string TrimRight(std::string_view text) {
  std::size_t end = text.size();
  while (end > 0 && IsBlank(text[end - 1])) --end;
  return std::string(text.substr(0, end));
}

std::string UpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = ToUpper(c);
  return out;
}

std::string LowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = ToLower(c);
  return out;
}

int CompareText(std::string_view a, std::string_view b) {
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < common; ++i) {
    const auto x = static_cast<unsigned char>(ToUpper(a[i]));
    const auto y = static_cast<unsigned char>(ToUpper(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool SameText(std::string_view a, std::string_view b) { return a.size() == b.size() && CompareText(a, b) == 0; }

bool StartsText(std::string_view prefix, std::string_view text) {
  return text.size() >= prefix.size() && SameText(prefix, text.substr(0, prefix.size()));
}

std::string IntToStr(int64_t value) { return std::to_string(value); }

std::optional<int32_t> TryStrToInt(std::string_view text) { return ParseDecimal<int32_t>(text); }
std::optional<int64_t> TryStrToInt64(std::string_view text) { return ParseDecimal<int64_t>(text); }

int32_t StrToIntDef(std::string_view text, int32_t fallback) { return TryStrToInt(text).value_or(fallback); }
int64_t StrToInt64Def(std::string_view text, int64_t fallback) { return TryStrToInt64(text).value_or(fallback); }

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  std::size_t pos = 0;
  while (true) {
    const std::size_t hit = from.empty() ? std::string_view::npos : text.find(from, pos);
    if (hit == std::string_view::npos) break;
    out.append(text.substr(pos, hit - pos));
    out.append(to);
    pos = hit + from.size();
  }
  out.append(text.substr(pos));
  return out;
}

}  // namespace vitrix
