#pragma once

// Small text helpers on Windows-1252 byte strings. Case folding is ASCII only,
// like the comparisons of the protocols that use it.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace vitrix {

// Trimming removes every byte up to and including the space (controls too).
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);
// ASCII case-insensitive three-way comparison.
int CompareText(std::string_view a, std::string_view b);
bool StartsText(std::string_view prefix, std::string_view text);

std::string IntToStr(int64_t value);

// Decimal integers: optional leading blanks, an optional sign, digits, nothing
// after. std::nullopt when the text is not such a number or does not fit.
std::optional<int32_t> TryStrToInt(std::string_view text);
std::optional<int64_t> TryStrToInt64(std::string_view text);
int32_t StrToIntDef(std::string_view text, int32_t fallback);
int64_t StrToInt64Def(std::string_view text, int64_t fallback);

// The texts one after the other, in one allocation. Also the way to start a
// text with a literal followed by a temporary string: GCC 12 at -O3 takes the
// insert that `"literal" + std::string(...)` makes for a possibly
// overlapping copy and reports a false -Wrestrict.
std::string Concat(std::initializer_list<std::string_view> texts);

// Replaces every occurrence of from (non-empty) by to.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

}  // namespace vitrix
