#include "model/table.h"

#include <gtest/gtest.h>

#include <list>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

Table intTable(const std::vector<std::vector<int>>& rows) {
  Table table("T");
  table.addAttribute(Attribute("x"));
  for (const auto& values : rows) {
    Row row;
    for (int v : values) row.emplace_back(v);
    table.addRow(row);
  }
  return table;
}

std::vector<std::vector<int>> contents(const Table& table) {
  std::vector<std::vector<int>> out;
  for (const Row& row : table.rows) {
    std::vector<int> values;
    for (const Value& v : row) values.push_back(v.number());
    out.push_back(values);
  }
  return out;
}

TEST(TableTest, RemovesOnlyAdjacentDuplicates) {
  Table table = intTable({{1}, {1}, {2}, {1}});
  table.removeAdjacentDuplicateRows();
  EXPECT_EQ(contents(table), (std::vector<std::vector<int>>{{1}, {2}, {1}}));
}

TEST(TableTest, SortThenDeduplicateLeavesOneOfEach) {
  Table table = intTable({{2}, {1}, {2}, {1}});
  table.sortRows();
  table.removeAdjacentDuplicateRows();
  EXPECT_EQ(contents(table), (std::vector<std::vector<int>>{{1}, {2}}));
}

TEST(TableTest, SortIsStableAndRelinksRows) {
  // Rows equal in their first value keep their order; the sort compares the
  // whole row, so the second value decides between them.
  Table table = intTable({{3, 1}, {1, 9}, {3, 0}, {1, 9}, {2, 5}});
  const Value* firstOfNine = table.rows[1].begin();
  table.sortRows();
  EXPECT_EQ(contents(table),
            (std::vector<std::vector<int>>{{1, 9}, {1, 9}, {2, 5}, {3, 0}, {3, 1}}));
  EXPECT_EQ(table.rows.front().begin(), firstOfNine);
}

// Where rowLess is no strict weak order (rows of different lengths, kinds
// mixed in a column), the order is the merge pattern's own; it must stay the
// one a linked list's merge sort gives, which earlier versions printed.
TEST(TableTest, SortOrdersAsTheListMergeSortDoesOnAnyRows) {
  std::mt19937 rng(2024);
  const auto below = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  for (int round = 0; round < 300; ++round) {
    Table table("T");
    std::list<Row> expected;
    const int rows = below(70);
    for (int r = 0; r < rows; ++r) {
      Row row;
      const int length = 1 + below(3);
      for (int i = 0; i < length; ++i) {
        if (below(3) == 0) {
          row.emplace_back(std::string(1, static_cast<char>('a' + below(3))));
        } else {
          row.emplace_back(below(3));
        }
      }
      expected.push_back(row);
      table.addRow(std::move(row));
    }
    expected.sort(rowLess);
    table.sortRows();
    ASSERT_EQ(table.rows.size(), expected.size());
    std::size_t i = 0;
    for (const Row& row : expected) {
      ASSERT_TRUE(rowEquals(table.rows[i], row)) << "round " << round << ", row " << i;
      ++i;
    }
  }
}

TEST(TableTest, SortLeavesEmptyAndSingleTablesAlone) {
  Table empty = intTable({});
  empty.sortRows();
  EXPECT_TRUE(empty.rows.empty());
  Table one = intTable({{4}});
  one.sortRows();
  EXPECT_EQ(contents(one), (std::vector<std::vector<int>>{{4}}));
}

TEST(TableTest, CopiesAreDeep) {
  Table original = intTable({{1}});
  Table copy = original;
  copy.rows.front()[0] = Value(2);
  copy.schema[0].setName("y");
  EXPECT_EQ(original.rows.front()[0].number(), 1);
  EXPECT_EQ(original.schema[0].name(), "x");
}

TEST(TableRegistryTest, FirstTableOfANameStays) {
  TableRegistry registry;
  registry.registerTable(intTable({{1}}));
  registry.registerTable(intTable({{2}}));
  Table lower("t");
  registry.registerTable(lower);
  ASSERT_NE(registry.findTable("T"), nullptr);
  EXPECT_EQ(contents(*registry.findTable("T")), (std::vector<std::vector<int>>{{1}}));
  EXPECT_NE(registry.findTable("t"), nullptr);
  EXPECT_EQ(registry.findTable("Nobody"), nullptr);
}

}  // namespace
