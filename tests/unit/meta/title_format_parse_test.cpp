#include <gtest/gtest.h>

#include "meta/title_format.h"
#include "title_format_test_util.h"

namespace lumo {
namespace {

using testing_util::format;
using testing_util::result;
using testing_util::text;

const std::vector<std::pair<std::string, std::string>> g_track = {
    {"artist", "Nina Simone"}, {"title", "Sinnerman"}, {"tracknumber", "07"}};

TEST(TitleFormatParse, LiteralsEscapesAndFields) {
  EXPECT_EQ(format("plain text"), (result{"plain text", false}));
  EXPECT_EQ(text("100%% sure, 'it''s' $$5 ''"), "100% sure, its $5 '");
  EXPECT_EQ(text("'[%quoted%]$x(),'"), "[%quoted%]$x(),");
  EXPECT_EQ(format("%artist% - %title%", g_track), (result{"Nina Simone - Sinnerman", true}));
  EXPECT_EQ(text("%ARTIST%", g_track), "Nina Simone");
  EXPECT_EQ(text("a\r\nb\nc"), "abc");
  // A missing field between literals shows "?" and the rest still shows.
  EXPECT_EQ(format("by %composer% of %title%", g_track), (result{"by ? of Sinnerman", true}));
  EXPECT_EQ(format("", g_track), (result{"", false}));
  EXPECT_EQ(text(std::string_view("ab\0cd", 5)), "ab");
}

TEST(TitleFormatParse, MalformedTextStopsAndKeepsWhatCameBefore) {
  EXPECT_EQ(text("kept]dropped %title%", g_track), "kept");
  EXPECT_EQ(text("kept)dropped"), "kept");
  EXPECT_EQ(text("kept(dropped"), "kept");
  EXPECT_EQ(text("%title% %unterminated", g_track), "Sinnerman ");
  EXPECT_EQ(text("kept 'unterminated quote"), "kept ");
  EXPECT_EQ(text("kept $name without call"), "kept ");
  EXPECT_EQ(text("kept $upper(abc"), "kept ");
  EXPECT_EQ(text("kept [unterminated %title%", g_track), "kept ");
  EXPECT_EQ(text("kept $"), "kept ");
  // A closing bracket inside a call ends the matching, so the call and the rest go.
  EXPECT_EQ(text("a$if(x],y)b"), "a");
  // Commas outside a call are text.
  EXPECT_EQ(text("a,b"), "a,b");
}

TEST(TitleFormatParse, MatchingSkipsQuotesAndNestedBrackets) {
  EXPECT_EQ(text("[%title% ']' '('live')']", g_track), "Sinnerman ] (live)");
  // A bare parenthesis is not text: it ends the script, even inside a block.
  EXPECT_EQ(text("[%title% (live)]", g_track), "Sinnerman ");
  EXPECT_EQ(text("$if(%title%,'a,b)',x)", g_track), "a,b)");
  EXPECT_EQ(text("$if(%title%,$upper([%artist%]),x)", g_track), "NINA SIMONE");
  EXPECT_EQ(text("[a$upper(%title%])]b", g_track), "");
  EXPECT_EQ(text("$if2([%nothing%,x],fallback)"), "fallback");
  EXPECT_EQ(text("$if(%title%,x'unterminated,y)", g_track), "");
}

TEST(TitleFormatParse, ConditionalBlocksFollowTheFoundFlag) {
  const std::string script = "[[%discnumber%.]%tracknumber%. ]%title%";
  EXPECT_EQ(text(script, g_track), "07. Sinnerman");
  EXPECT_EQ(text(script, {{"title", "Intro"}}), "Intro");
  EXPECT_EQ(text(script, {{"title", "Intro"}, {"discnumber", "2"}, {"tracknumber", "01"}}),
            "2.01. Intro");
  // Nested blocks: the inner missing field hides the whole outer block.
  EXPECT_EQ(format("[x[%missing%]]"), (result{"", false}));
  EXPECT_EQ(format("[x[%title%]]", g_track), (result{"xSinnerman", true}));
  EXPECT_EQ(text("a[ (%composer%)]b", g_track), "ab");
  // Literals alone never make a block show.
  EXPECT_EQ(text("[only text]"), "");
}

TEST(TitleFormatParse, UnknownFunctionsAndFilteredValues) {
  EXPECT_EQ(format("a$nosuchfunction(x)b"), (result{"a[UNKNOWN FUNCTION]b", false}));
  EXPECT_EQ(text("$NoSuchFunction()"), "[UNKNOWN FUNCTION]");
  // Control bytes in values can never reach the output, only in script text.
  EXPECT_EQ(text("%comment%", {{"comment", "one\ttwo\r\nthree\x03"}}), "one_two__three_");
  EXPECT_EQ(text("$char(9)%x%$tab()", {{"x", "\t"}}), "\t_\t");
}

TEST(TitleFormatParse, FunctionNamesMatchByHashAndCase) {
  EXPECT_EQ(text("$UPPER(abc)$Upper(d)"), "ABCD");
  // This name is not "if" but shares its CRC-32, so it runs $if: names are not compared.
  const std::string same_hash = "ppppqqppqqpppqqqppqqppqqqpqpqqppqqqqqqqqqqqqqqqq";
  EXPECT_EQ(text("$" + same_hash + "(%title%,yes,no)", g_track), "yes");
  EXPECT_EQ(text("$" + same_hash + "(%missing%,yes,no)"), "no");
  // Aliases share their function.
  EXPECT_EQ(text("$dec(5,3)$num(5,3)"), "005005");
  EXPECT_EQ(text("$left(abcdef,2)$cut(abcdef,2)"), "abab");
  EXPECT_EQ(text("$strlchr(abcabc,c)$strchr(abcabc,c)"), "33");
}

TEST(TitleFormatParse, ConstantsFoldAtCompileTime) {
  // A folded script evaluates without asking the provider anything.
  auto script = title_format_script::compile("$upper(abc)[x]$add(1,2)");
  testing_util::map_hook hook;
  EXPECT_EQ(script.format(hook), "ABC3");
  EXPECT_TRUE(script.root()->is_constant());
  // Folding keeps the found flag of what it evaluated.
  EXPECT_EQ(format("[$add(1,2)]"), (result{"", false}));
  EXPECT_EQ(format("$if(a,b)"), (result{"", false}));
  auto partial = title_format_script::compile("$upper(%title%) $lower(ABC)");
  EXPECT_FALSE(partial.root()->is_constant());
  EXPECT_EQ(partial.format(hook), "? abc");
  // $put and $get are not pure: never folded away.
  EXPECT_EQ(text("$puts(v,1)$get(v)"), "1");
}

TEST(TitleFormatParse, ArgumentsAreEvaluatedLazily) {
  // Only the taken branch of $if runs, so the other branch's $put never happens.
  EXPECT_EQ(text("$if(%title%,a,$put(v,x))$get(v)", g_track), "a");
  EXPECT_EQ(text("$if(%missing%,$put(v,x),b)[$get(v)]"), "b");
  EXPECT_EQ(text("$if2(%title%,$put(v,x))$get(v)", g_track), "Sinnerman");
}

TEST(TitleFormatParse, DeepNestingStopsInsteadOfOverflowing) {
  std::string deep(100000, '[');
  deep += "x";
  EXPECT_EQ(text(deep), "");
  std::string calls;
  for (int i = 0; i < 50000; ++i) calls += "$upper(";
  EXPECT_EQ(text("a" + calls + "b"), "a");
}

}  // namespace
}  // namespace lumo

namespace lumo {
namespace {

// The word-at-a-time scan must agree with a plain byte loop for every length, start and
// position of the byte it looks for, including hits just before the start.
TEST(TitleFormatFilter, ControlByteScanMatchesBytewiseScan) {
  for (size_t length = 0; length <= 20; ++length) {
    for (size_t hit = 0; hit <= length; ++hit) {
      for (char special : {'\t', ';', '\0', '\x1f', ' '}) {
        std::string text(length, 'x');
        if (hit < length) text[hit] = special;
        if (length > 3) text[1] = '\xC3';  // bytes >= 0x80 are never hits
        for (size_t from = 0; from <= length; ++from) {
          size_t expected = std::string_view::npos;
          for (size_t i = from; i < length; ++i) {
            auto c = static_cast<unsigned char>(text[i]);
            if (c < 0x20 || c == ';') {
              expected = i;
              break;
            }
          }
          ASSERT_EQ(find_control_byte(text, from, ';'), expected)
              << "length " << length << " hit " << hit << " from " << from;
        }
      }
    }
  }
}

}  // namespace
}  // namespace lumo

namespace lumo {
namespace {

// Shallow scripts run as a flat list of steps, deep ones as the tree: both must agree.
TEST(TitleFormatParse, FlatAndTreeEvaluationAgree) {
  const std::vector<std::pair<std::string, std::string>> track = {{"title", "T"}};
  // A folded constant that is found keeps its block visible even beside a missing field.
  EXPECT_EQ(format("[$stricmp(a,A)x%missing%]"), (result{"1x?", true}));
  EXPECT_EQ(format("a[b[c%missing%]d]e"), (result{"ae", false}));
  for (int depth : {1, 20, 31, 32, 33, 60}) {
    std::string open(size_t(depth), '['), close(size_t(depth), ']');
    EXPECT_EQ(format(open + "x%title%" + close + "|" + open + "y%missing%" + close, track),
              (result{"xT|", true}))
        << depth;
    EXPECT_EQ(format("$if(%title%," + open + "x%title%" + close + ")", track), (result{"xT", true}))
        << depth;
  }
}

}  // namespace
}  // namespace lumo
