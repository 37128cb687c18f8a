#include "meta/field_name.h"

#include <gtest/gtest.h>

using namespace lumo;

TEST(FieldName, IgnoresCaseOfAsciiAndOtherLetters) {
  EXPECT_TRUE(field_name_equal("samplerate", "SampleRate"));
  EXPECT_TRUE(field_name_equal("ALBUM ARTIST", "album artist"));
  EXPECT_TRUE(field_name_equal("", ""));
  EXPECT_FALSE(field_name_equal("title", "titles"));
  EXPECT_FALSE(field_name_equal("titles", "title"));
  EXPECT_FALSE(field_name_equal("album artist", "albumartist"));
  // Non-ASCII letters fold by their Unicode lower case.
  EXPECT_TRUE(
      field_name_equal("\xC3\x9C"
                       "BERSETZUNG",
                       "\xC3\xBC"
                       "bersetzung"));
  EXPECT_TRUE(
      field_name_equal("\xD0\x94\xD0\x90\xD0\xA2\xD0\x90", "\xD0\xB4\xD0\xB0\xD1\x82\xD0\xB0"));
  EXPECT_FALSE(field_name_equal("\xC3\xBC", "u"));
  // One-to-one mapping only: sharp s does not become "ss".
  EXPECT_FALSE(
      field_name_equal("stra\xC3\x9F"
                       "e",
                       "STRASSE"));
  // Damaged bytes compare as replacement characters and never read past the end.
  EXPECT_TRUE(field_name_equal("a\x80", "A\x81"));
  EXPECT_FALSE(field_name_equal("a\xE4", "a"));
}
