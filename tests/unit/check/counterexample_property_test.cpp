// The counterexample property, on random queries, random tables and the
// audit's one-place mutants of the queries: wherever a mutant and its query
// differ, the shrunk tables still tell them apart, and taking away any one
// of their rows makes them agree.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "check/audit.h"
#include "check/sheet.h"
#include "check/shrink.h"

namespace {

class RandomQueries {
 public:
  explicit RandomQueries(std::uint64_t seed) : random_(seed) {}

  std::uint64_t below(std::uint64_t n) { return random_() % n; }

  // A: a, b; B: b, c; small values, so that rows meet and repeat.
  TableRegistry tables() {
    TableRegistry registry;
    for (const auto& [name, first, second] :
         {std::tuple{"A", "a", "b"}, std::tuple{"B", "b", "c"}}) {
      Table table(name);
      table.addAttribute(Attribute(first));
      table.addAttribute(Attribute(second));
      const std::uint64_t rows = below(9);
      for (std::uint64_t r = 0; r < rows; ++r) {
        table.addRow(Row{Value(static_cast<std::int32_t>(below(4))),
                         Value(static_cast<std::int32_t>(below(4)))});
      }
      registry.registerTable(std::move(table));
    }
    return registry;
  }

  // A condition over the attributes given.
  std::string condition(const std::vector<std::string>& attributes, int depth = 0) {
    static const std::vector<std::string> kComparisons = {"EQ", "NEQ", "LT", "LTE", "GT", "GTE"};
    const std::uint64_t pick = depth >= 2 ? 0 : below(5);
    if (pick <= 1) {
      const std::string left = attributes[below(attributes.size())];
      const std::string right =
          below(2) == 0 ? std::to_string(below(4)) : attributes[below(attributes.size())];
      return kComparisons[below(kComparisons.size())] + "(" + left + ", " + right + ")";
    }
    if (pick == 2) return "NOT(" + condition(attributes, depth + 1) + ")";
    return std::string(pick == 3 ? "AND" : "OR") + "(" + condition(attributes, depth + 1) + ", " +
           condition(attributes, depth + 1) + ")";
  }

  std::string query() {
    switch (below(5)) {
      case 0:
        return "SELECT(A, " + condition({"a", "b"}) + ")";
      case 1:
        return "PROJECT(SELECT(A, " + condition({"a", "b"}) + "), a)";
      case 2:
        return "PROJECT(SELECT(PRODUCT(A, RENAME(B, R(b2, c))), AND(EQ(b, b2), " +
               condition({"a", "c"}) + ")), a, c)";
      case 3:
        return "MINUS(PROJECT(A, b), PROJECT(SELECT(B, " + condition({"b", "c"}) + "), b))";
      default:
        return "UNION(PROJECT(SELECT(A, " + condition({"a", "b"}) + "), b), PROJECT(B, b))";
    }
  }

 private:
  std::mt19937_64 random_;
};

TEST(CounterexampleProperty, ShrunkTablesTellTheQueriesApartAndNoRowCanGo) {
  RandomQueries random(17);
  const std::vector<std::string> names = {"A", "B"};
  const Limits limits;
  const auto later = std::chrono::steady_clock::now() + std::chrono::hours(1);
  int shrunk = 0;
  for (int round = 0; round < 300; ++round) {
    const std::string query = random.query();
    const TableRegistry tables = random.tables();
    const std::vector<Mutant> mutants = mutantsOf(query, tables);
    ASSERT_FALSE(mutants.empty()) << query;
    const RowPolicy rows = static_cast<RowPolicy>(random.below(3));
    const ColumnPolicy columns = static_cast<ColumnPolicy>(random.below(2));
    for (const Mutant& mutant : mutants) {
      if (!resultsDiffer(mutant.query, query, tables, rows, columns, limits)) continue;
      const std::vector<const Table*> whole = tablesNamed(tables, names);
      const RowSelection selection =
          shrinkDifference(whole, mutant.query, query, rows, columns, limits, later);
      ASSERT_TRUE(
          resultsDiffer(mutant.query, query, selectRows(whole, selection), rows, columns, limits))
          << mutant.query << " against " << query;
      for (std::size_t t = 0; t < selection.size(); ++t) {
        for (std::size_t i = 0; i < selection[t].size(); ++i) {
          RowSelection smaller = selection;
          smaller[t].erase(smaller[t].begin() + static_cast<std::ptrdiff_t>(i));
          EXPECT_FALSE(
              resultsDiffer(mutant.query, query, selectRows(whole, smaller), rows, columns, limits))
              << "a row of " << names[t] << " could go: " << mutant.query << " against " << query;
        }
      }
      ++shrunk;
    }
  }
  // The random rounds are worth something only if many mutants were told apart.
  EXPECT_GT(shrunk, 100);
}

}  // namespace
