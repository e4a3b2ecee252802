// The audit: the mutants made of a query, and which of them a sheet's
// instances catch.
#include "check/audit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "check/sheet.h"

namespace {

TEST(AuditTest, MakesTheUsualMistakesAtThePlacesTheEngineRead) {
  const Sheet tables = readSheet(
      "=== instance i visible\nT(x int, y int)\n1, 1\n2, 3\n\nA(a int)\n1\n2\n\nB(b int)\n2\n"
      "=== exercise e\n--- reference T\n",
      "tables");
  struct Case {
    const char* query;
    std::vector<std::string> mutants;  // "change: query"
  };
  const std::vector<Case> cases = {
      {"PROJECT(SELECT(T, GT(x, 1)), x)",
       {"PROJECT left out: SELECT(T, GT(x, 1))",
        "PROJECT with y too: PROJECT(SELECT(T, GT(x, 1)), x, y)",
        "GT -> GTE: PROJECT(SELECT(T, GTE(x, 1)), x)",
        "NOT added: PROJECT(SELECT(T, NOT(GT(x, 1))), x)"}},
      {"PROJECT(T, y, x)",
       {"PROJECT left out: T", "PROJECT without y: PROJECT(T, x)",
        "PROJECT without x: PROJECT(T, y)"}},
      {"MINUS(A, RENAME(B, B(a)))",
       {"MINUS operands swapped: MINUS(RENAME(B, B(a)), A)",
        "MINUS -> UNION: UNION(A, RENAME(B, B(a)))"}},
      {"union(A, A)", {"UNION -> MINUS: MINUS(A, A)"}},
      {"SELECT(PRODUCT(A, B), EQ(a, b))",
       {"EQ -> NEQ: SELECT(PRODUCT(A, B), NEQ(a, b))", "join condition dropped: PRODUCT(A, B)",
        "NOT added: SELECT(PRODUCT(A, B), NOT(EQ(a, b)))"}},
      {"SELECT(PRODUCT(A, B), AND(EQ(a, b), not(lt(a, 2))))",
       {"AND -> OR: SELECT(PRODUCT(A, B), OR(EQ(a, b), not(lt(a, 2))))",
        "join condition dropped: SELECT(PRODUCT(A, B), not(lt(a, 2)))",
        "AND operand dropped: SELECT(PRODUCT(A, B), EQ(a, b))",
        "NOT added: SELECT(PRODUCT(A, B), NOT(AND(EQ(a, b), not(lt(a, 2)))))",
        "EQ -> NEQ: SELECT(PRODUCT(A, B), AND(NEQ(a, b), not(lt(a, 2))))",
        "NOT added: SELECT(PRODUCT(A, B), AND(NOT(EQ(a, b)), not(lt(a, 2))))",
        "NOT removed: SELECT(PRODUCT(A, B), AND(EQ(a, b), lt(a, 2)))",
        "LT -> LTE: SELECT(PRODUCT(A, B), AND(EQ(a, b), not(LTE(a, 2))))",
        "NOT added: SELECT(PRODUCT(A, B), AND(EQ(a, b), not(NOT(lt(a, 2)))))"}},
      // A query that does not run has no mutants.
      {"SELECT(T, GT(z, 1))", {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> made;
    for (const Mutant& mutant : mutantsOf(c.query, tables.instances[0].registry)) {
      made.push_back(mutant.change + ": " + mutant.query);
      EXPECT_GE(mutant.first, 1U) << mutant.query;
      EXPECT_LE(mutant.first, mutant.last) << mutant.query;
    }
    EXPECT_EQ(made, c.mutants) << c.query;
  }
}

TEST(AuditTest, ReportsWhatTheInstancesCatchAndWhatRandomTablesFind) {
  const Sheet sheet = readSheet(
      "=== instance i visible\nT(x int)\n0\n2\n"
      "=== exercise above\n--- reference SELECT(T, GT(x, 1))\n"
      "=== exercise all\n--- reference PROJECT(T, x)\n",
      "audit");
  const std::vector<ReferenceAudit> audits = auditSheet(sheet);
  ASSERT_EQ(audits.size(), 2U);

  const ReferenceAudit& above = audits[0];
  EXPECT_EQ(above.exercise, "above");
  ASSERT_EQ(above.mutants.size(), 2U);
  // x >= 1 keeps 2 and drops 0, as x > 1 does: only a row of 1 tells them apart.
  EXPECT_EQ(above.mutants[0].mutant.query, "SELECT(T, GTE(x, 1))");
  EXPECT_EQ(above.mutants[0].survival, Survival::SURVIVED);
  EXPECT_EQ(above.mutants[0].catchingInput,
            "SELECT(T, GTE(x, 1))\n# rows on which this mutant and the reference differ\n"
            "T(x int)\n1\n");
  EXPECT_EQ(above.mutants[1].mutant.query, "SELECT(T, NOT(GT(x, 1)))");
  EXPECT_EQ(above.mutants[1].survival, Survival::CAUGHT);
  EXPECT_EQ(above.mutants[1].caughtBy, (std::vector<std::string>{"i"}));

  // As sets, a table of one column is its own projection: no data tells them apart.
  const ReferenceAudit& all = audits[1];
  ASSERT_EQ(all.mutants.size(), 1U);
  EXPECT_EQ(all.mutants[0].mutant.query, "T");
  EXPECT_EQ(all.mutants[0].survival, Survival::POSSIBLY_EQUIVALENT);
  EXPECT_TRUE(all.mutants[0].catchingInput.empty());
}

}  // namespace
