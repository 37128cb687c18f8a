#include "library/logical_compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "logical_compare_corpus.h"

namespace lumo {
namespace {

TEST(LogicalCompare, DigitRunsCompareByValueCaseIsIgnored) {
  EXPECT_LT(logical_compare("Rock 2", "Rock 10"), 0);
  EXPECT_GT(logical_compare("Rock 10", "Rock 2"), 0);
  EXPECT_EQ(logical_compare("a02", "a2"), 0);
  EXPECT_EQ(logical_compare("ABBA", "abba"), 0);
  EXPECT_LT(logical_compare("1.5", "1.10"), 0);
  EXPECT_LT(logical_compare("a", "a0"), 0);
  EXPECT_LT(logical_compare("", "a"), 0);
  // Digits come before every other character, as in the shell.
  EXPECT_LT(logical_compare("0", "!"), 0);
  EXPECT_LT(logical_compare("9", "a"), 0);
  // Runs longer than any machine integer.
  EXPECT_LT(logical_compare("x99999999999999999999", "x100000000000000000000"), 0);
  EXPECT_LT(logical_compare("x4294967295", "x4294967296"), 0);
  EXPECT_EQ(logical_compare("x0000000000000000000001", "x1"), 0);
}

TEST(LogicalCompare, AccentsSortWithTheirLetterAndPunctuationFirst) {
  EXPECT_LT(logical_compare("e", "\xC3\xA9"), 0);         // e < é
  EXPECT_LT(logical_compare("\xC3\xA9", "f"), 0);         // é < f
  EXPECT_EQ(logical_compare("\xC3\x89", "\xC3\xA9"), 0);  // É == é
  EXPECT_LT(logical_compare("\xC3\xA9", "\xC3\xA8"), 0);  // acute before grave
  EXPECT_LT(logical_compare("\xC3\x9F", "t"), 0);         // ß between s and t
  EXPECT_LT(logical_compare("s", "\xC3\x9F"), 0);
  EXPECT_LT(logical_compare("-", "a"), 0);
  EXPECT_LT(logical_compare("'", "-"), 0);
  EXPECT_LT(logical_compare("co-op", "coop"), 0);
  EXPECT_LT(logical_compare("z", "\xCE\xB1"), 0);             // Latin before Greek
  EXPECT_LT(logical_compare("\xD1\x8F", "\xE4\xB8\x80"), 0);  // Cyrillic before CJK
}

TEST(LogicalCompare, OrderingBreaksTiesByCodeUnits) {
  // Keys equal in the logical order are distinct, adjacent and ordered by code unit.
  std::vector<std::string> keys = {"rock", "Rock 10", "Rock 2", "ROCK", "Rock", "pop"};
  std::sort(keys.begin(), keys.end(), ordering_less{});
  EXPECT_EQ(keys, (std::vector<std::string>{"pop", "ROCK", "Rock", "rock", "Rock 2", "Rock 10"}));
  EXPECT_EQ(ordering_compare("a02", "a2"), -1);
  EXPECT_EQ(ordering_compare("x", "x"), 0);
  // UTF-16 order puts U+FF21 after U+1F600 (a surrogate pair), unlike UTF-8 byte order.
  EXPECT_LT(code_unit_compare("\xF0\x9F\x98\x80", "\xEF\xBC\xA1"), 0);
  EXPECT_GT(code_unit_compare("\xEF\xBC\xA1", "\xF0\x9F\x98\x80"), 0);
}

TEST(LogicalCompare, IsAStrictOrderOverTheCorpus) {
  // Antisymmetric and transitive, or a sort (and the maps keyed by it) would misbehave.
  const auto corpus = logical_compare_corpus();
  for (const auto& a : corpus)
    for (const auto& b : corpus) {
      ASSERT_EQ(logical_compare(a, b), -logical_compare(b, a)) << a << " | " << b;
      ASSERT_EQ(ordering_compare(a, b) == 0, a == b) << a << " | " << b;
    }
  auto sorted = corpus;
  std::sort(sorted.begin(), sorted.end(), ordering_less{});
  for (size_t i = 0; i + 1 < sorted.size(); ++i)
    for (size_t j = i + 1; j < sorted.size(); ++j)
      ASSERT_LT(ordering_compare(sorted[i], sorted[j]), 0) << sorted[i] << " | " << sorted[j];
}

TEST(LogicalCompare, SortKeysOrderLikeTheComparison) {
  auto corpus = logical_compare_corpus();
  corpus.push_back(std::string("a\0b", 3));
  corpus.push_back("\xFF\xFE broken");
  for (const auto& a : corpus) {
    std::string ka;
    append_logical_sort_key(ka, a);
    for (const auto& b : corpus) {
      std::string kb;
      append_logical_sort_key(kb, b);
      const int r = ka.compare(kb);
      ASSERT_EQ(r < 0 ? -1 : (r > 0 ? 1 : 0), logical_compare(a, b)) << a << " | " << b;
    }
  }
}

TEST(LogicalCompare, MapsMergeNamesEqualUnderTheComparison) {
  std::map<std::string, int, logical_less> names;
  names.emplace("Music", 1);
  names.emplace("MUSIC", 2);
  names.emplace("music 01", 3);
  names.emplace("Music 1", 4);
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names.begin()->second, 1);
}

}  // namespace
}  // namespace lumo
