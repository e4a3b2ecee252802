// The evaluation budget: the cap on values built, the deadline, and that
// nothing is counted where no budget is set.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include "check/run.h"
#include "model/evaluation_budget.h"
#include "model/table.h"

namespace {

const auto kLater = std::chrono::steady_clock::now() + std::chrono::hours(1);

TEST(BudgetTest, TheValuesCapIsPassedAtTheValueBeyondIt) {
  EvaluationBudget budget(kLater, 10);
  budget.spend(4);
  budget.spend(6);  // exactly the cap
  try {
    budget.spend(1);
    ADD_FAILURE() << "the cap was passed without a word";
  } catch (const BudgetExceeded& exceeded) {
    EXPECT_EQ(exceeded.kind(), BudgetExceeded::Kind::VALUES);
  }
}

TEST(BudgetTest, ThePassedDeadlineIsFoundWhileTheRowsAreWalked) {
  EvaluationBudget budget(std::chrono::steady_clock::now() - std::chrono::seconds(1), 1000);
  const BudgetScope scope(budget);
  Table table("T");
  try {
    for (int i = 0; i < 100000; ++i) table.addRow(Row{});
    ADD_FAILURE() << "the deadline was never read";
  } catch (const BudgetExceeded& exceeded) {
    EXPECT_EQ(exceeded.kind(), BudgetExceeded::Kind::TIME);
    EXPECT_LE(table.rows.size(), 1024U);
  }
}

TEST(BudgetTest, ScopesNestAndNoBudgetCountsNothing) {
  EXPECT_EQ(EvaluationBudget::current(), nullptr);
  Table table("T");
  for (int i = 0; i < 5000; ++i) table.addRow(Row{Value(1), Value(2)});  // no budget, no limit
  EvaluationBudget outer(kLater, 100);
  {
    const BudgetScope first(outer);
    EvaluationBudget inner(kLater, 1);
    {
      const BudgetScope second(inner);
      EXPECT_EQ(EvaluationBudget::current(), &inner);
      EXPECT_THROW(table.addRow(Row{Value(1), Value(2)}), BudgetExceeded);
    }
    EXPECT_EQ(EvaluationBudget::current(), &outer);
    table.addRow(Row{Value(1), Value(2)});
  }
  EXPECT_EQ(EvaluationBudget::current(), nullptr);
}

// A product is refused before it is built when its values pass the cap,
// and a query under the cap runs.
TEST(BudgetTest, AProductPastTheCapIsRefusedBeforeItIsBuilt) {
  TableRegistry tables;
  Table a("A");
  a.addAttribute(Attribute("a"));
  for (int i = 0; i < 100; ++i) a.addRow(Row{Value(i)});
  tables.registerTable(std::move(a));
  Limits limits;
  limits.values = 100 * 100 * 2 - 1;
  const Outcome refused = runQuery("PRODUCT(A, A)", tables, limits);
  EXPECT_EQ(refused.kind, OutcomeKind::LIMIT);
  EXPECT_EQ(refused.limit, "memory");
  limits.values = 100 * 100 * 2;
  const Outcome built = runQuery("PRODUCT(A, A)", tables, limits);
  ASSERT_EQ(built.kind, OutcomeKind::RESULT);
  EXPECT_EQ(built.result->rows().size(), 10000U);
}

}  // namespace
