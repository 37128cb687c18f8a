// Our ordering against the shell's own StrCmpLogicalW, pair by pair over the corpus.
#include <gtest/gtest.h>

#include "library/logical_compare.h"
#include "library/logical_compare_system.h"
#include "logical_compare_corpus.h"

namespace lumo {
namespace {

TEST(LogicalCompareSystem, AgreesWithStrCmpLogicalWForEveryPair) {
  const auto corpus = logical_compare_corpus();
  size_t checked = 0;
  for (const auto& a : corpus) {
    for (const auto& b : corpus) {
      if (has_huge_digit_run(a) || has_huge_digit_run(b)) continue;  // Wine's 32-bit wrap
      ASSERT_EQ(logical_compare(a, b), system_logical_compare(a, b))
          << "[" << a << "] [" << b << "]";
      ++checked;
    }
  }
  EXPECT_GT(checked, corpus.size() * corpus.size() * 3 / 4);
}

}  // namespace
}  // namespace lumo
