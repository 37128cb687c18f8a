#include "core/unicode.h"

#include <gtest/gtest.h>

using namespace std::string_literals;
using namespace lumo;

TEST(Unicode, RoundTripsEveryPlane) {
  // ASCII, Latin-1, CJK, an emoji (surrogate pair) and an embedded zero.
  std::string text = "A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x8E\xB5"s + '\0' + "z";
  std::u16string wide = utf8_to_utf16(text);
  EXPECT_EQ(wide, u"A\u00E9\u4E2D\U0001F3B5"s + u'\0' + u"z");
  ASSERT_EQ(wide.size(), 7u);  // the emoji takes two units
  EXPECT_EQ(wide[3], 0xD83C);
  EXPECT_EQ(wide[4], 0xDFB5);
  EXPECT_EQ(utf16_to_utf8(wide), text);
  EXPECT_TRUE(utf8_is_valid(text));

  EXPECT_EQ(utf8_to_utf16(""), u"");
  EXPECT_EQ(utf16_to_utf8(u""), "");
}

TEST(Unicode, InvalidUtf8BecomesOneReplacementPerByte) {
  // Stray continuation byte, truncated sequence at the end, overlong '/', an encoded
  // surrogate, and a code point beyond U+10FFFF.
  EXPECT_EQ(utf8_to_utf16("a\x80z"), u"a\uFFFDz");
  EXPECT_EQ(utf8_to_utf16("a\xE4\xB8"), u"a\uFFFD\uFFFD");
  EXPECT_EQ(utf8_to_utf16("\xC0\xAF"), u"\uFFFD\uFFFD");
  EXPECT_EQ(utf8_to_utf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(utf8_to_utf16("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");
  EXPECT_FALSE(utf8_is_valid("a\x80z"));
  EXPECT_FALSE(utf8_is_valid("\xF4\x90\x80\x80"));
  // A real U+FFFD in the input is valid text, not an error.
  EXPECT_TRUE(utf8_is_valid("\xEF\xBF\xBD"));
}

TEST(Unicode, LoneSurrogatesBecomeReplacement) {
  std::u16string lone_high = u"a"s + char16_t(0xD800) + u"b";
  std::u16string lone_low = char16_t(0xDC00) + u"x"s;
  std::u16string reversed = u""s + char16_t(0xDC00) + char16_t(0xD800);
  EXPECT_EQ(utf16_to_utf8(lone_high),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(utf16_to_utf8(lone_low), "\xEF\xBF\xBDx");
  EXPECT_EQ(utf16_to_utf8(reversed), "\xEF\xBF\xBD\xEF\xBF\xBD");
  std::u16string high_at_end = u"x"s + char16_t(0xDBFF);
  EXPECT_EQ(utf16_to_utf8(high_at_end), "x\xEF\xBF\xBD");
}

TEST(Unicode, Utf8NextWalksCodePoints) {
  std::string text = "\xC3\xA9\xF0\x9F\x8E\xB5!";
  size_t pos = 0;
  EXPECT_EQ(utf8_next(text, pos), U'\u00E9');
  EXPECT_EQ(pos, 2u);
  EXPECT_EQ(utf8_next(text, pos), U'\U0001F3B5');
  EXPECT_EQ(pos, 6u);
  EXPECT_EQ(utf8_next(text, pos), U'!');
  EXPECT_EQ(pos, text.size());
}
