#include <gtest/gtest.h>

#include "title_format_test_util.h"

namespace lumo {
namespace {

using testing_util::format;
using testing_util::result;
using testing_util::text;

const std::vector<std::pair<std::string, std::string>> g_fields = {{"title", "Für Elise"},
                                                                   {"artist", "Beethoven"},
                                                                   {"album artist", "Beethoven"},
                                                                   {"date", "1810-04-27"},
                                                                   {"empty", ""}};

TEST(TitleFormatFunctions, ConditionalsAndTheirSyntaxErrors) {
  EXPECT_EQ(format("$if(%title%,yes,no)", g_fields), (result{"yes", false}));
  EXPECT_EQ(format("$if(%missing%,yes)"), (result{"", false}));
  EXPECT_EQ(format("$if(%missing%,yes,%title%)", g_fields), (result{"Für Elise", true}));
  EXPECT_EQ(format("$if(x)"), (result{"[INVALID $IF SYNTAX]", false}));
  EXPECT_EQ(text("$if(a,b,c,d)"), "[INVALID $IF SYNTAX]");
  EXPECT_EQ(format("$if2(%missing%,%title%)", g_fields), (result{"Für Elise", true}));
  EXPECT_EQ(format("$if2(%artist%,x)", g_fields), (result{"Beethoven", true}));
  EXPECT_EQ(text("$if2(a)"), "[INVALID $IF2 SYNTAX]");
  // $if3: the first found argument, else the last; a lone fallback is an error case.
  EXPECT_EQ(format("$if3(%a%,%b%,%artist%,last)", g_fields), (result{"Beethoven", true}));
  EXPECT_EQ(format("$if3(%missing%,fallback)"), (result{"fallback", false}));
  EXPECT_EQ(format("$if3(fallback)"), (result{"", false}));
  EXPECT_EQ(text("$iflonger(abcd,3,long,short)$iflonger(abc,3,long,short)"), "longshort");
  EXPECT_EQ(text("$iflonger(ééé,2,long,short)"), "long");
  EXPECT_EQ(text("$iflonger(a,b,c)"), "[INVALID $IFLONGER SYNTAX]");
  EXPECT_EQ(text("$ifgreater(10,9,gt,le)$ifgreater(-3,2,gt,le)"), "gtle");
  EXPECT_EQ(text("$ifgreater(1,2)"), "[INVALID $IFGREATER SYNTAX]");
  EXPECT_EQ(text("$ifequal(007,7,eq,ne)$ifequal(x,0,eq,ne)"), "eqeq");
  EXPECT_EQ(text("$ifequal(1,2,3)"), "[INVALID $IFEQUAL SYNTAX]");
  EXPECT_EQ(format("$select(2,a,%artist%,c)", g_fields), (result{"Beethoven", true}));
  EXPECT_EQ(format("$select(4,a,b,c)$select(0,a)"), (result{"", false}));
  // A track whose artist equals its album artist has no track artist.
  EXPECT_EQ(text("[%track artist%]$if(%track artist%,%album artist%,)", g_fields), "");
}

TEST(TitleFormatFunctions, LogicWritesNothingAndReturnsFlags) {
  EXPECT_EQ(format("[$and(%title%,%artist%)x]", g_fields), (result{"x", true}));
  EXPECT_EQ(text("[$and(%title%,%missing%)x]", g_fields), "");
  EXPECT_EQ(format("$and()"), (result{"", true}));
  EXPECT_EQ(text("[$or(%missing%,%title%)x][$or()y]", g_fields), "x");
  EXPECT_EQ(text("[$xor(%title%,%artist%)a][$xor(%title%,%artist%,%date%)b]", g_fields), "b");
  EXPECT_EQ(text("[$not(%missing%)a][$not(%title%)b][$not()c]", g_fields), "a");
  EXPECT_EQ(text("[$greater(10,9)a][$greater(9,10)b]"), "a");
  EXPECT_EQ(text("[$longer(ééé,ab)a][$longer(ab,abc)b]"), "a");
  EXPECT_EQ(format("$strcmp(Abc,Abc)"), (result{"1", true}));
  EXPECT_EQ(format("$strcmp(Abc,abc)"), (result{"", false}));
  EXPECT_EQ(format("$stricmp(ÄBC,äbc)"), (result{"1", true}));
  EXPECT_EQ(format("$null(%title%)", g_fields), (result{"", false}));
}

TEST(TitleFormatFunctions, ArithmeticIn64Bits) {
  EXPECT_EQ(format("$add(1,2,3)"), (result{"6", false}));
  EXPECT_EQ(format("$add(%n%,2)", {{"n", "5"}}), (result{"7", true}));
  EXPECT_EQ(text("$add()$mul()"), "01");
  EXPECT_EQ(text("$sub(10,3,2) $sub()"), "5 ");
  EXPECT_EQ(text("$mul(4000000000,4000000000)"), "-2446744073709551616");  // wraps
  EXPECT_EQ(text("$div(100,7) $div(-7,2) $div(9,0) $div(9,0,3)"), "14 -3 9 3");
  EXPECT_EQ(text("$mod(100,7) $mod(9,0) $mod(100,30,7)"), "2 9 3");
  EXPECT_EQ(text("$min(3,-1,2) $max(3,-1,2) $min()"), "-1 3 ");
  EXPECT_EQ(format("$muldiv(7,3,2)"), (result{"10", true}));
  EXPECT_EQ(text("$muldiv(5,5,0) $muldiv(3000000000,3000000000,1000000000)"), "-1 9000000000");
  EXPECT_EQ(text("$add(12abc,x,-3)"), "9");
  EXPECT_EQ(text("$add(9223372036854775807,1)"), "-9223372036854775808");
  EXPECT_EQ(text("$div(-9223372036854775808,-1) $mod(-9223372036854775808,-1)"),
            "-9223372036854775808 0");
}

TEST(TitleFormatFunctions, NumberFormattingAndLimits) {
  EXPECT_EQ(text("$num(-5,4) $num(42,1) $num(7,100)"), "-005 42 " + std::string(31, '0') + "7");
  EXPECT_EQ(format("$num(%n%,3)", {{"n", "9"}}), (result{"009", true}));
  EXPECT_EQ(text("$hex(255,4) $hex(255,0) $hex(-1,0)"), "00FF FF FFFFFFFFFFFFFFFF");
  EXPECT_EQ(text("$roman(1994) $roman(-4) [$roman(0)] $roman(100001)"), "MCMXCIV IV  ");
  EXPECT_EQ(text("$roman(100000)"), std::string(100, 'M'));
  EXPECT_EQ(format("$char(233)$char(128512)"), (result{"é😀", false}));
  EXPECT_EQ(text("$char(0)$char(-1)$char(55296)$char(1114112)"), "");
  EXPECT_EQ(text("$crc32(123456789)"), "3421780262");
  EXPECT_EQ(text("$len(Für)$len2(😀)"), "31");
  // $repeat stops at the first write that reaches 4096 bytes: 1366 copies of 3 bytes.
  EXPECT_EQ(text("$repeat(abc,10000)").size(), 1366u * 3);
  EXPECT_EQ(text("$repeat(ab,3)$repeat(,1000000000000)$repeat(x,-2)"), "ababab");
  // $pad adds at most 1024 characters; $padcut caps the width at 1024.
  EXPECT_EQ(text("$pad(abcd,5000)"), "abcd" + std::string(1024, ' '));
  EXPECT_EQ(text("$padcut(x,5000,-)").size(), 1024u);
  EXPECT_EQ(text("$tab(20)"), std::string(16, '\t'));
  EXPECT_EQ(text("$tab()$tab(0)$tab(2)|$crlf()"), "\t\t\t|\r\n");
}

TEST(TitleFormatFunctions, TextFunctionsCountCharactersNotBytes) {
  EXPECT_EQ(format("$upper(%title%)", g_fields), (result{"FÜR ELISE", true}));
  EXPECT_EQ(text("$lower(ÀÉÎ Straße)"), "àéî straße");
  EXPECT_EQ(text("$caps('élan VITAL (live)/mIX')"), "Élan Vital (Live)/Mix");
  EXPECT_EQ(text("$caps2(élan VITAL x)"), "Élan VITAL X");
  EXPECT_EQ(text("$trim(  a b  )|$trim(--a--,-)|$trim(   )|"), "a b|a||");
  EXPECT_EQ(text("$pad(é,3,·)|$pad_right(é,3)|$pad(long,2)"), "é··|  é|long");
  EXPECT_EQ(text("$padcut(abcdef,3)|$padcut(ab,4,.)|$padcut_right(ab,4,.)|$padcut_right(abcdef,3)"),
            "abc|ab..|..ab|abc");
  EXPECT_EQ(text("$cut(Für Elise,3)|$left(ab,10)|$right(Für Elise,5)|$right(ab,10)|$cut(ab,-1)"),
            "Für|ab|Elise|ab|");
  EXPECT_EQ(text("$substr(Für Elise,2,3)|$substr(abc,0,10)|$substr(abc,3,2)"), "ür|abc|");
  EXPECT_EQ(text("$insert(Für Elise,_,3)|$insert(ab,X,99)|$insert(ab,X,0)"), "Für_ Elise|abX|Xab");
  EXPECT_EQ(text("$replace(a-b_c,-,+,_,' ')|$replace(aaa,aa,b,a,c)|$replace(abc,,x,b)"),
            "a+b c|bc|abc");
  EXPECT_EQ(text("$replace(ab)"), "");
  EXPECT_EQ(text("$abbr(Final Fantasy VII)|$abbr('The RPG OST 2 [Disc]')|$abbr(Short,10)"),
            "FFVII|TRPGOST2[|Short");
  EXPECT_EQ(text("$longest(ab,ééé,xyz)|$shortest(ab,é,xy)"), "ééé|é");
  EXPECT_EQ(format("$longest(%missing%,%title%)", g_fields), (result{"Für Elise", true}));
  EXPECT_EQ(format("$strchr(Für Elise,E)"), (result{"5", true}));
  EXPECT_EQ(format("$strchr(abc,z)"), (result{"0", false}));
  EXPECT_EQ(text("$strrchr(Für Elise,e)|$strstr(Für Elise,Eli)|$strstr(abc,)"), "9|5|0");
  EXPECT_EQ(text("$rot13('Hello, Wörld!')"), "Uryyb, Jöeyq!");
  EXPECT_EQ(text("$ascii(abc)"), "abc");
  EXPECT_EQ(text("$ascii(Beyoncé)").substr(0, 6), "Beyonc");
  EXPECT_EQ(text("$ansi(Für Elise)"), "Für Elise");
  EXPECT_EQ(text("$fix_eol(%c%)|$fix_eol(%c%,…)|$fix_eol(one)", {{"c", "one"}}), "one|one|one");
  EXPECT_EQ(text("$fix_eol($char(97)$crlf()b)"), "a (...)");
  EXPECT_EQ(text("$fix_eol($char(97)$char(10)b,+)"), "a+");
  EXPECT_EQ(text("$stripprefix(The Beatles)|$stripprefix(a Flock)|$stripprefix(Theatre)"),
            "Beatles|Flock|Theatre");
  EXPECT_EQ(text("$swapprefix(The Beatles)|$swapprefix(DJ Shadow,dj,mc)"),
            "Beatles, The|Shadow, DJ");
  EXPECT_EQ(format("$swapprefix(%artist%)", {{"artist", "the Who"}}), (result{"Who, the", true}));
}

// Text functions pass on the found flag of their first argument; the searches report
// whether they found something, whatever their arguments were.
TEST(TitleFormatFunctions, TextFunctionsPassOnTheFirstArgumentsFlag) {
  EXPECT_EQ(format("$caps2(%artist%)", g_fields), (result{"Beethoven", true}));
  EXPECT_EQ(format("$lower(%missing%)"), (result{"?", false}));
  EXPECT_EQ(format("$trim(%artist%)|$pad(%artist%,11,.)", g_fields),
            (result{"Beethoven|Beethoven..", true}));
  EXPECT_EQ(format("$cut(%title%,3)", g_fields), (result{"Für", true}));
  EXPECT_EQ(format("$right(%artist%,3)$right(ab%missing%,2)", g_fields), (result{"venb?", true}));
  EXPECT_EQ(format("$right(ab%missing%,2)"), (result{"b?", false}));
  EXPECT_EQ(format("$rot13(%artist%)", g_fields), (result{"Orrgubira", true}));
  EXPECT_EQ(format("$replace(%artist%,e,3)", g_fields), (result{"B33thov3n", true}));
  EXPECT_EQ(format("$shortest(abcdefghij,%artist%)", g_fields), (result{"Beethoven", true}));
  EXPECT_EQ(format("$shortest(ab,cd,%artist%)", g_fields), (result{"ab", false}));
  // Positions count characters, and the last occurrence is the one after the "ü".
  EXPECT_EQ(format("$strrchr(%title%,ü)", g_fields), (result{"2", true}));
  EXPECT_EQ(format("$strrchr(éaéa,a)|$strchr(éaéa,a)"), (result{"4|2", true}));
  EXPECT_EQ(format("$strstr(%artist%,z)", g_fields), (result{"0", false}));
  // An unknown field shows "?", which a search then finds.
  EXPECT_EQ(format("$strstr(%missing%,?)"), (result{"1", true}));
}

TEST(TitleFormatFunctions, PathsSplitOnEverySeparator) {
  const std::string path = "C:\\Music\\Album.Name\\01 Track.flac";
  std::vector<std::pair<std::string, std::string>> f = {{"p", path}};
  EXPECT_EQ(format("$filename(%p%)", f), (result{"01 Track", true}));
  EXPECT_EQ(text("$filename(/a/b.c/noext)|$filename(x|y.z)"), "noext|y");
  EXPECT_EQ(format("$ext(%p%)", f), (result{"flac", true}));
  EXPECT_EQ(text("$ext(http://x/a.mp3?x=1)|$ext(/a.b/noext)"), "mp3|");
  EXPECT_EQ(format("$ext(a.)", f), (result{"", false}));
  EXPECT_EQ(text("$ext(a." + std::string(40, 'x') + ")$ext(a." + std::string(31, 'x') + ")"),
            std::string(31, 'x'));
  EXPECT_EQ(text("$directory(%p%)|$directory(%p%,2)|$directory(%p%,3)", f), "Album.Name|Music|C");
  EXPECT_EQ(format("$directory(%p%,4)", f), (result{"", false}));
  EXPECT_EQ(format("$directory(file.flac)"), (result{"", false}));
  EXPECT_EQ(format("$directory_path(%p%)", f), (result{"C:\\Music\\Album.Name", true}));
  EXPECT_EQ(format("$directory_path(file.flac)"), (result{"", false}));
}

TEST(TitleFormatFunctions, ColourCodesAndBars) {
  const std::string red =
      "\x03"
      "0000FF\x03";
  EXPECT_EQ(format("$rgb(255,0,0)"), (result{red, false}));
  EXPECT_EQ(text("$rgb()"), "\x03\x03");
  EXPECT_EQ(text("$rgb(300,-5,16,1,2,3)"),
            "\x03"
            "1000FF|030201\x03");
  EXPECT_EQ(text("$rgb(1,2)"), "");
  EXPECT_EQ(text("$hsl(0,240,120)"), red);
  EXPECT_EQ(text("$hsl(80,240,120)"),
            "\x03"
            "00FF00\x03");
  EXPECT_EQ(text("$hsl(0,0,240)$hsl(0,0,0)"),
            "\x03"
            "FFFFFF\x03\x03"
            "000000\x03");
  EXPECT_EQ(text("$hsl(40,240,120,160,240,60)"),
            "\x03"
            "00FFFF|800000\x03");
  // $blend runs back and forth: position 15 over range 10 is the same as 5.
  const std::string blend = "$blend($rgb(0,0,0),$rgb(200,100,50),";
  EXPECT_EQ(format(blend + "5,10)"), (result{"\x03"
                                             "1932"
                                             "64\x03",
                                             true}));
  EXPECT_EQ(text(blend + "15,10)"), text(blend + "5,10)"));
  EXPECT_EQ(text(blend + "-10,10)"),
            "\x03"
            "3264C8\x03");
  EXPECT_EQ(text(blend + "3,0)"), text(blend + "1,2)"));
  EXPECT_EQ(format("$blend(x,$rgb(1,2,3),1,2)"), (result{"", false}));
  EXPECT_EQ(text("$blend($rgb(0,0,0,0,0,0),$rgb(2,2,2,4,4,4),1,2)"),
            "\x03"
            "010101|020202\x03");
  EXPECT_EQ(text("$transition(ab,$rgb(0,0,0),$rgb(255,255,255))"),
            "\x03"
            "000000\x03"
            "a\x03"
            "FFFFFF\x03"
            "b\x03\x03");
  EXPECT_EQ(format("$transition(%t%,x,y)", {{"t", "ab"}}), (result{"ab", true}));
  EXPECT_EQ(format("$progress(%p%,%r%,5,#,-)", {{"p", "50"}, {"r", "100"}}),
            (result{"---#-", true}));
  EXPECT_EQ(format("$progress(100,100,5,#,-)"), (result{"----#", false}));
  EXPECT_EQ(text("$progress(-3,0,3,#,-)|$progress(1,1,0,#,-)"), "#--|#");
  EXPECT_EQ(text("$progress(1,2,1000,#,)").size(), 1u);
  EXPECT_EQ(text("$progress2(50,100,4,#,-)|$progress2(2,3,4,#,-)|$progress2(9,3,4,#,-)"),
            "##--|###-|####");
}

TEST(TitleFormatFunctions, DatesAndTimes) {
  EXPECT_EQ(format("$year(%date%)|$month(%date%)|$day_of_month(%date%)", g_fields),
            (result{"1810|04|27", true}));
  EXPECT_EQ(format("$month(2001)"), (result{"00", false}));
  EXPECT_EQ(format("[$day_of_month(%d%)]", {{"d", "2001-05"}}), (result{"", false}));
  EXPECT_EQ(text("$date(2001)|$date(2001-05)|$date(2001-05-06 remastered)|$date(junk)"),
            "2001|2001-05|2001-05-06|0000");
  // Month 13 does not parse: everything is zero.
  EXPECT_EQ(text("$date(2001-13-01)|$year(2001-13)"), "0000|0000");
  EXPECT_EQ(format("$month(%d%)", {{"d", "2001-13"}}), (result{"00", false}));
  EXPECT_EQ(text("$date(2001-05-32)|$date(2001-5)|$date(20011)"), "0000|0000|0000");
  EXPECT_EQ(format("$time(%d%)", {{"d", "2001-05-06 13:45:10"}}), (result{"13:45:10", true}));
  EXPECT_EQ(text("$time(  07:05  )|$time(07:05:00x)|$time(2001-05-06)"), "07:05|?|?");
  EXPECT_EQ(format("$time(%d%)", {{"d", "noon"}}), (result{"?", false}));
}

TEST(TitleFormatFunctions, VariablesLiveForOneEvaluation) {
  EXPECT_EQ(format("$put(a,%title%)|$get(A)", g_fields), (result{"Für Elise|Für Elise", true}));
  EXPECT_EQ(format("$puts(a,x)$get(a)$puts(a,y)$get(a)"), (result{"xy", true}));
  EXPECT_EQ(format("[$get(nothing)]"), (result{"", false}));
  EXPECT_EQ(format("[$puts(v,%missing%)x]"), (result{"", false}));
  // A compiled script keeps no variables between evaluations.
  auto script = title_format_script::compile("[$get(n)]$puts(n,1)");
  testing_util::map_hook hook;
  EXPECT_EQ(script.format(hook), "");
  EXPECT_EQ(script.format(hook), "");
}

TEST(TitleFormatFunctions, WrongArgumentCountsWriteNothing) {
  for (const char* script :
       {"$upper()",       "$upper(a,b)",  "$num(5)",          "$hex(1)",
        "$cut(a)",        "$substr(a,1)", "$len()",           "$roman()",
        "$crc32()",       "$filename()",  "$ext(a,b)",        "$year()",
        "$time()",        "$blend(a)",    "$transition(a,b)", "$progress(1,2,3,4)",
        "$muldiv(1,2)",   "$greater(1)",  "$strcmp(a)",       "$repeat(a)",
        "$pad(a)",        "$abbr()",      "$insert(a,b)",     "$select()",
        "$put(a)",        "$get()",       "$crlf(x)",         "$tab(1,2)",
        "$stripprefix()", "$longest()",   "$fix_eol()",       "$trim()"}) {
    EXPECT_EQ(format(script), (result{"", false})) << script;
  }
}

}  // namespace
}  // namespace lumo
