// Checking answers: each verdict with what explains it, the row and column
// policies, points, and the counterexample of a wrong result.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "check/checker.h"
#include "check/sheet.h"
#include "io/driver.h"
#include "io/output.h"

namespace {

constexpr const char* kSailors = R"(=== instance small visible points 2
S(sid int, sname char(8))
1, 'Ann'
2, 'Bob'
3, 'Cy'

R(sid int, bid int)
1, 10
1, 11
2, 11

B(bid int, color char(4))
10, 'red'
11, 'blue'

=== instance other hidden
S(sid int, sname char(8))
4, 'Di'

R(sid int, bid int)
4, 12

B(bid int, color char(4))
12, 'red'

=== exercise red
--- text
The names of the sailors who reserved a red boat.
--- reference PROJECT(SELECT(PRODUCT(S, PRODUCT(RENAME(R, R(rsid, rbid)), B)), AND(EQ(sid, rsid), AND(EQ(rbid, bid), EQ(color, 'red')))), sname)
--- forbid MINUS NOT
=== exercise everyone
--- reference PROJECT(PRODUCT(S, PROJECT(B, bid)), sid, sname)
--- require PRODUCT
--- instances small
)";

const char* kJoinDropped =
    "PROJECT(SELECT(PRODUCT(S, PRODUCT(RENAME(R, R(rsid, rbid)), B)), AND(EQ(sid, rsid), "
    "EQ(color, 'red'))), sname)";

AnswerResult check(const Sheet& sheet, const std::string& exercise, const std::string& query) {
  return checkAnswer(sheet, *sheet.findExercise(exercise), query);
}

TEST(VerdictTest, RightOnEveryInstanceEarnsEveryPoint) {
  const Sheet sheet = readSheet(kSailors, "sailors");
  const AnswerResult answer = check(sheet, "red",
                                    "PROJECT(SELECT(PRODUCT(S, PRODUCT(RENAME(R, R(rsid, rbid)), "
                                    "B)), AND(EQ(color, 'red'), AND(EQ(sid, rsid), EQ(rbid, "
                                    "bid)))), sname)");
  EXPECT_EQ(answer.verdict, Verdict::RIGHT);
  ASSERT_EQ(answer.instances.size(), 2U);
  EXPECT_EQ(answer.instances[0].instance, "small");
  EXPECT_EQ(answer.instances[1].instance, "other");
  EXPECT_EQ(answer.points, 3);
  EXPECT_EQ(answer.pointsPossible, 3);
}

TEST(VerdictTest, AWrongResultNamesItsRowsAndShrinksToACounterexample) {
  const Sheet sheet = readSheet(kSailors, "sailors");
  const AnswerResult answer = check(sheet, "red", kJoinDropped);
  EXPECT_EQ(answer.verdict, Verdict::WRONG_RESULT);
  EXPECT_EQ(answer.points, 1);  // right on "other" alone
  const InstanceResult& small = answer.instances[0];
  ASSERT_EQ(small.verdict, Verdict::WRONG_RESULT);
  EXPECT_TRUE(small.missing.empty());
  ASSERT_EQ(small.excess.size(), 1U);
  EXPECT_EQ(small.excess[0].text, "'Bob'");
  EXPECT_EQ(small.excess[0].count, 1U);
  EXPECT_EQ(small.answerRows, 2U);
  EXPECT_EQ(small.referenceRows, 1U);
  EXPECT_EQ(answer.instances[1].verdict, Verdict::RIGHT);

  ASSERT_TRUE(small.counterexample.has_value());
  const Counterexample& example = *small.counterexample;
  EXPECT_EQ(example.rows, 3U);
  EXPECT_EQ(example.instanceRows, 8U);
  EXPECT_EQ(example.input, std::string(kJoinDropped) +
                               "\n# the fewest rows of instance small on which this answer and "
                               "the reference differ\n"
                               "S(sid int, sname char(8))\n2,'Bob'\n\n"
                               "R(sid int, bid int)\n2,11\n\n"
                               "B(bid int, color char(4))\n10,'red'\n");
  EXPECT_EQ(example.answerResult, "S(sname char(8))\n'Bob'\n\n");
  EXPECT_EQ(example.referenceResult, "S(sname char(8))\n\n");
  // The counterexample runs in raeval and gives the answer's result.
  StringOutput out;
  evaluateInput(example.input, out);
  EXPECT_TRUE(out.text().ends_with("\n\n" + example.answerResult)) << out.text();
}

TEST(VerdictTest, AHiddenInstanceKeepsItsCounterexampleUnlessTheSheetShowsIt) {
  const Sheet sheet = readSheet(kSailors, "sailors");
  // Wrong on "other" only: Di's boat is red, the answer asks for blue.
  const AnswerResult answer =
      check(sheet, "red",
            "PROJECT(SELECT(PRODUCT(S, PRODUCT(RENAME(R, R(rsid, rbid)), B)), AND(EQ(sid, rsid), "
            "AND(EQ(rbid, bid), EQ(sid, 1)))), sname)");
  ASSERT_EQ(answer.instances[1].verdict, Verdict::WRONG_RESULT);
  EXPECT_FALSE(answer.instances[1].counterexample.has_value());
  ASSERT_EQ(answer.instances[1].missing.size(), 1U);
  EXPECT_EQ(answer.instances[1].missing[0].text, "'Di'");
}

TEST(VerdictTest, SchemaErrorRuleLimitAndMissingVerdicts) {
  const Sheet sheet = readSheet(kSailors, "sailors");
  struct Case {
    const char* exercise;
    const char* query;
    Verdict verdict;
    const char* detail;  // the schemas, the error line and column, the rule or the limit
  };
  const std::vector<Case> cases = {
      {"red", "PROJECT(S, sid)", Verdict::WRONG_SCHEMA, "S(sid int) | S(sname char(8))"},
      {"red", "PROJECT(S, name)", Verdict::ERROR, "ERROR: Scheme Mismatch at project @16"},
      {"red", "PROJECT(Sailors, sname)", Verdict::ERROR, "ERROR: Table not found @15"},
      {"red", "MINUS(PROJECT(S, sname), PROJECT(S, sname))", Verdict::NOT_ALLOWED,
       "MINUS is not allowed"},
      // What was read before an error counts.
      {"red", "MINUS(S, T)", Verdict::NOT_ALLOWED, "MINUS is not allowed"},
      {"red", "PROJECT(SELECT(S, NOT(EQ(sid, 2))), sname)", Verdict::NOT_ALLOWED,
       "NOT is not allowed"},
      {"red", "PROJECT(SELECT(S, NOT(EQ(zzz, 2))), sname)", Verdict::NOT_ALLOWED,
       "NOT is not allowed"},
      // A keyword in a name is no keyword read.
      {"red", "PROJECT(SELECT(RENAME(S, MINUS(NOT, sname)), EQ(NOT, 1)), sname)",
       Verdict::WRONG_RESULT, ""},
      {"everyone", "S", Verdict::NOT_ALLOWED, "PRODUCT is required"},
      {"everyone", "PROJECT(PRODUCT(PROJECT(B, color), S), sid, sname)", Verdict::RIGHT, ""},
      {"everyone", "PRODUCT(S, S)", Verdict::WRONG_SCHEMA,
       "S(sid int, sname char(8), sid int, sname char(8)) | S(sid int, sname char(8))"},
  };
  for (const Case& c : cases) {
    const AnswerResult answer = check(sheet, c.exercise, c.query);
    EXPECT_EQ(answer.verdict, c.verdict) << c.query;
    const InstanceResult& first = answer.instances[0];
    std::string detail;
    if (c.verdict == Verdict::WRONG_SCHEMA)
      detail = first.answerSchema + " | " + first.referenceSchema;
    if (c.verdict == Verdict::ERROR) {
      detail = first.errorLine + " @" + std::to_string(first.errorColumn);
    }
    if (c.verdict == Verdict::NOT_ALLOWED) {
      detail = first.rule;
      EXPECT_EQ(answer.points, 0) << c.query;
      for (const InstanceResult& result : answer.instances) {
        EXPECT_EQ(result.verdict, Verdict::NOT_ALLOWED) << c.query;
      }
    }
    EXPECT_EQ(detail, c.detail) << c.query;
  }

  const AnswerResult missing = missingAnswer(sheet, *sheet.findExercise("red"));
  EXPECT_EQ(missing.verdict, Verdict::MISSING);
  EXPECT_EQ(missing.instances.size(), 2U);
  EXPECT_EQ(missing.pointsPossible, 3);
  EXPECT_EQ(missing.points, 0);
}

TEST(VerdictTest, ARunawayAnswerGetsLimitAndTheNextAnswerIsChecked) {
  std::string sheetText = "=== instance big visible\nA(a int)\n";
  for (int i = 0; i < 300; ++i) sheetText += std::to_string(i) + "\n";
  sheetText += "\nB(b int)\n";
  for (int i = 0; i < 300; ++i) sheetText += std::to_string(i) + "\n";
  sheetText += "\n=== exercise pairs\n--- reference SELECT(PRODUCT(A, B), EQ(a, b))\n";
  const Sheet sheet = readSheet(sheetText, "big");
  CheckOptions options;
  options.limits.values = 100'000;
  // A comparison the join cannot hash: every pair is tested and most are kept.
  const AnswerResult runaway = checkAnswer(sheet, sheet.exercises[0],
                                           "SELECT(PRODUCT(A, PRODUCT(B, A)), LT(a, b))", options);
  EXPECT_EQ(runaway.verdict, Verdict::LIMIT);
  EXPECT_EQ(runaway.instances[0].limit, "memory");

  options.limits.values = std::uint64_t{1} << 50;
  options.limits.milliseconds = 50;
  const AnswerResult slow = checkAnswer(sheet, sheet.exercises[0],
                                        "SELECT(PRODUCT(A, PRODUCT(B, A)), LT(a, b))", options);
  EXPECT_EQ(slow.verdict, Verdict::LIMIT);
  EXPECT_EQ(slow.instances[0].limit, "time");

  const AnswerResult next =
      checkAnswer(sheet, sheet.exercises[0], "SELECT(PRODUCT(A, B), EQ(b, a))", options);
  EXPECT_EQ(next.verdict, Verdict::RIGHT);
}

// One table with a repeated row, T = 1, 2, 1, under each policy.
TEST(VerdictTest, RowAndColumnPolicies) {
  struct Case {
    const char* policy;  // the sheet's "--- rows" and "--- columns" lines
    const char* query;
    Verdict verdict;
    const char* detail;  // missing and excess rows with counts; the order difference
  };
  const std::vector<Case> cases = {
      {"set", "PROJECT(T, x)", Verdict::RIGHT, ""},
      {"bag", "PROJECT(T, x)", Verdict::WRONG_RESULT, "-1x1"},
      {"list", "PROJECT(T, x)", Verdict::WRONG_RESULT, "-1x1 @3:|1"},
      // The merge of 2 with 1, 1 gives 1, 1, 2.
      {"bag", "UNION(SELECT(T, EQ(x, 2)), SELECT(T, EQ(x, 1)))", Verdict::RIGHT, ""},
      {"list", "UNION(SELECT(T, EQ(x, 2)), SELECT(T, EQ(x, 1)))", Verdict::WRONG_RESULT, "@2:1|2"},
      {"list", "SELECT(T, GT(x, 0))", Verdict::RIGHT, ""},
      {"set", "SELECT(T, GT(x, 1))", Verdict::WRONG_RESULT, "-1x1"},
      {"bag", "SELECT(T, LT(x, 2))", Verdict::WRONG_RESULT, "-2x1"},
      // The merge of 1, 2, 1 with 1, 1 gives 1, 1, 2, 1; with 2 alone, T again.
      {"bag", "UNION(T, SELECT(T, EQ(x, 1)))", Verdict::WRONG_RESULT, "+1x1"},
      {"bag", "UNION(T, SELECT(T, EQ(x, 2)))", Verdict::RIGHT, ""},
      {"set\n--- columns position", "RENAME(T, U(y))", Verdict::RIGHT, ""},
      {"set\n--- columns names", "RENAME(T, U(y))", Verdict::WRONG_SCHEMA, ""},
      {"set\n--- columns names", "RENAME(T, U(x))", Verdict::RIGHT, ""},
  };
  for (const Case& c : cases) {
    const Sheet sheet =
        readSheet(std::string("=== instance i visible\nT(x int)\n1\n2\n1\n") +
                      "=== exercise e\n--- reference T\n--- rows " + c.policy + "\n",
                  "policies");
    const AnswerResult answer = checkAnswer(sheet, sheet.exercises[0], c.query);
    EXPECT_EQ(answer.verdict, c.verdict) << c.policy << ": " << c.query;
    const InstanceResult& result = answer.instances[0];
    std::string detail;
    for (const RowDifference& row : result.missing) {
      detail += "-" + row.text + "x" + std::to_string(row.count);
    }
    for (const RowDifference& row : result.excess) {
      detail += "+" + row.text + "x" + std::to_string(row.count);
    }
    if (result.order) {
      detail += (detail.empty() ? "@" : " @") + std::to_string(result.order->position) + ":" +
                result.order->answerRow + "|" + result.order->referenceRow;
      EXPECT_EQ(result.order->answerHasRow, !result.order->answerRow.empty());
    }
    EXPECT_EQ(detail, c.detail) << c.policy << ": " << c.query;
  }
}

}  // namespace
