#include "rtl/strings.h"

#include <gtest/gtest.h>

namespace vitrix {
namespace {

TEST(Strings, TrimRemovesBlanksAndControls) {
  EXPECT_EQ(Trim(" \t abc \r\n"), "abc");
  EXPECT_EQ(TrimLeft("  a b "), "a b ");
  EXPECT_EQ(TrimRight("  a b "), "  a b");
  EXPECT_EQ(Trim("   "), "");
}

TEST(Strings, CaseFoldingIsAsciiOnly) {
  EXPECT_EQ(UpperCase("keep-Alive \xE9"), "KEEP-ALIVE \xE9");
  EXPECT_TRUE(SameText("Set-Cookie", "set-cookie"));
  EXPECT_FALSE(SameText("abc", "abcd"));
  EXPECT_LT(CompareText("/a", "/B"), 0);
  EXPECT_TRUE(StartsText("HTTP", "http/1.1"));
}

TEST(Strings, DecimalParsingAcceptsOnlyWholeNumbers) {
  EXPECT_EQ(TryStrToInt(" 42"), 42);
  EXPECT_EQ(TryStrToInt("-7"), -7);
  EXPECT_FALSE(TryStrToInt("42 ").has_value());
  EXPECT_FALSE(TryStrToInt("4x").has_value());
  EXPECT_FALSE(TryStrToInt("").has_value());
  EXPECT_FALSE(TryStrToInt("2147483648").has_value());
  EXPECT_EQ(TryStrToInt("-2147483648"), INT32_MIN);
  EXPECT_EQ(TryStrToInt64("3000000000"), 3000000000LL);
  EXPECT_EQ(StrToIntDef("abc", -1), -1);
}

TEST(Strings, ConcatKeepsEveryByteOfEveryPieceInOrder) {
  using namespace std::string_literals;
  EXPECT_EQ(Concat({}), "");
  EXPECT_EQ(Concat({"\"", std::string("a\0b", 3), "", "\". ", "\xE9"}), "\"a\0b\". \xE9"s);
}

TEST(Strings, ReplaceAllReplacesEveryOccurrence) {
  EXPECT_EQ(ReplaceAll("a\\b\\c", "\\", "/"), "a/b/c");
  EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
}

}  // namespace
}  // namespace vitrix
