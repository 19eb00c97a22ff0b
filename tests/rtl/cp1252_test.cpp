#include "rtl/cp1252.h"

#include <gtest/gtest.h>

#include "rtl/exceptions.h"

namespace vitrix {
namespace {

TEST(Cp1252, ConvertsAccentsAndTheHighControlRange) {
  EXPECT_EQ(Cp1252ToUtf8("D\xE9"
                         "but"),
            "D\xC3\xA9"
            "but");
  EXPECT_EQ(Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
  EXPECT_EQ(Cp1252ToUtf8("\x9C"), "\xC5\x93");      // oe ligature
}

TEST(Cp1252, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const auto back = Utf8ToCp1252(Cp1252ToUtf8(all));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, all);
}

TEST(Cp1252, RefusesCharactersOutsideTheCodePage) {
  EXPECT_FALSE(Utf8ToCp1252("\xE6\x97\xA5").has_value());  // a CJK character
  EXPECT_FALSE(Utf8ToCp1252("\xC3").has_value());          // truncated sequence
  EXPECT_FALSE(Utf8ToCp1252("\xC0\xAF").has_value());      // overlong slash
  EXPECT_THROW(Utf8ToCp1252OrThrow("/home/\xE6\x97\xA5/Documents"), EEncodingError);
  EXPECT_EQ(Utf8ToCp1252Lossy("a\xE6\x97\xA5z"), "a?z");
}

}  // namespace
}  // namespace vitrix
