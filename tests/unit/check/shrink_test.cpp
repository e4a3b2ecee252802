// The shrinking of a selection of rows: what it keeps for predicates whose
// smallest answers are known.
#include "check/shrink.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace {

bool holds(const RowSelection& selection, std::size_t table, std::size_t row) {
  for (const std::size_t kept : selection[table]) {
    if (kept == row) return true;
  }
  return false;
}

const auto kLater = std::chrono::steady_clock::now() + std::chrono::hours(1);

TEST(ShrinkTest, KeepsExactlyTheRowsADifferenceNeeds) {
  struct Case {
    const char* what;
    std::vector<std::size_t> sizes;
    std::function<bool(const RowSelection&)> differs;
    RowSelection expected;
  };
  const std::vector<Case> cases = {
      {"one row of each of two tables",
       {5, 3},
       [](const RowSelection& s) { return holds(s, 0, 3) && holds(s, 1, 1); },
       {{3}, {1}}},
      {"a row of the last table alone",
       {2, 0, 4},
       [](const RowSelection& s) { return holds(s, 2, 3); },
       {{}, {}, {3}}},
      // Any two rows of the first table do: ddmin keeps the last two it meets.
      {"two rows of any", {6}, [](const RowSelection& s) { return s[0].size() >= 2; }, {{4, 5}}},
      {"nothing at all", {3, 3}, [](const RowSelection&) { return true; }, {{}, {}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(shrinkRows(c.sizes, c.differs, kLater), c.expected) << c.what;
  }
}

// A difference that a removal can bring back: row 0 cannot go while row 1
// stays, and row 1 can go. Only a second pass over single rows finds that
// row 0 can go then.
TEST(ShrinkTest, RepeatsSingleRowsUntilNoneCanGo) {
  const auto differs = [](const RowSelection& s) {
    return holds(s, 0, 2) && (holds(s, 0, 0) || !holds(s, 0, 1));
  };
  EXPECT_EQ(shrinkRows({3}, differs, kLater), (RowSelection{{2}}));
}

TEST(ShrinkTest, APassedDeadlineKeepsEveryRow) {
  std::size_t calls = 0;
  const RowSelection kept = shrinkRows(
      {2, 1}, [&](const RowSelection&) { return ++calls > 0; },
      std::chrono::steady_clock::now() - std::chrono::seconds(1));
  EXPECT_EQ(kept, (RowSelection{{0, 1}, {0}}));
  EXPECT_EQ(calls, 0U);
}

}  // namespace
