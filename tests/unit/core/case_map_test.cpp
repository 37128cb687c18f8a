#include "core/case_map.h"

#include <gtest/gtest.h>

using namespace lumo;

TEST(CaseMap, MapsUnicodeTextBothWays) {
  // Latin-1, Greek, Cyrillic beside ASCII; digits, punctuation and CJK have no case.
  EXPECT_EQ(utf8_to_lower("\xC3\x84"
                          "BC \xCE\xA9\xD0\x94 1-2 \xE4\xB8\xAD"),
            "\xC3\xA4"
            "bc \xCF\x89\xD0\xB4 1-2 \xE4\xB8\xAD");
  EXPECT_EQ(utf8_to_upper("\xC3\xA4"
                          "bc \xCF\x89\xD0\xB4"),
            "\xC3\x84"
            "BC \xCE\xA9\xD0\x94");
  EXPECT_EQ(char_to_lower(U'\u00C9'), U'\u00E9');
  EXPECT_EQ(char_to_upper(U'\u00E9'), U'\u00C9');
  // Outside the Basic Multilingual Plane: an emoji has no case and survives the mapping.
  EXPECT_EQ(utf8_to_lower("\xF0\x9F\x8E\xB5"), "\xF0\x9F\x8E\xB5");
  // Damaged text still maps, with the usual replacement.
  EXPECT_EQ(utf8_to_lower("A\x80"), "a\xEF\xBF\xBD");
  EXPECT_EQ(ascii_to_lower('Q'), 'q');
  EXPECT_EQ(ascii_to_lower('\xC3'), '\xC3');
}
