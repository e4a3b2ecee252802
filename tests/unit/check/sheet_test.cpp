// Reading exercise sheets: what a sheet holds once read, and every fault
// that refuses a sheet as a whole, at the sheet's line.
#include "check/sheet.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "model/relation.h"
#include "ops/forms.h"
#include "query/condition.h"
#include "query/evaluator.h"

namespace {

constexpr const char* kSheet = R"(# Two exercises on one table
# and a second comment line
=== sheet Numbers
--- text
Some numbers.

=== instance small visible
T(x int, y char(4))
1, 'a'
2, 'b'

=== instance wide hidden points 3
T(x int, y char(4))
5, 'e'

T(z int)
9

=== exercise big
--- text
The numbers above 1.
--- reference SELECT(T, GT(x, 1))
--- reference SELECT(T, NOT(LTE(x, 1)))
--- rows bag
--- columns names
--- forbid minus Union
--- require SELECT
--- instances wide
--- instance own hidden counterexample shown
T(x int, y char(4))
3, 'c'


=== exercise all
--- reference T
)";

TEST(SheetTest, ReadsBlocksSectionsPoliciesAndInstances) {
  const Sheet sheet = readSheet(kSheet, "numbers.sheet");
  EXPECT_EQ(sheet.title, "Numbers");
  EXPECT_EQ(sheet.comment, "# Two exercises on one table\n# and a second comment line\n");
  EXPECT_EQ(sheet.text, "Some numbers.\n");
  ASSERT_EQ(sheet.instances.size(), 3U);

  const Instance& small = sheet.instances[0];
  EXPECT_EQ(small.name, "small");
  EXPECT_TRUE(small.visible);
  EXPECT_EQ(small.points, 1);
  EXPECT_TRUE(small.counterexampleShown);
  EXPECT_EQ(small.line, 7U);
  EXPECT_EQ(small.tablesText, "T(x int, y char(4))\n1, 'a'\n2, 'b'\n");
  ASSERT_NE(small.registry.findTable("T"), nullptr);
  EXPECT_EQ(Relation(*small.registry.findTable("T")).rowCount(), 2U);

  const Instance& wide = sheet.instances[1];
  EXPECT_FALSE(wide.visible);
  EXPECT_EQ(wide.points, 3);
  EXPECT_FALSE(wide.counterexampleShown);
  EXPECT_EQ(wide.tableNames, (std::vector<std::string>{"T"}));  // the second T is dropped
  EXPECT_EQ(wide.registry.findTable("T")->schema.size(), 2U);

  const Instance& own = sheet.instances[2];
  EXPECT_TRUE(own.own);
  EXPECT_FALSE(own.visible);
  EXPECT_TRUE(own.counterexampleShown);
  EXPECT_EQ(own.tablesText, "T(x int, y char(4))\n3, 'c'\n");  // trailing empty lines dropped

  ASSERT_EQ(sheet.exercises.size(), 2U);
  const Exercise& big = sheet.exercises[0];
  EXPECT_EQ(big.id, "big");
  EXPECT_EQ(big.text, "The numbers above 1.\n");
  ASSERT_EQ(big.references.size(), 2U);
  EXPECT_EQ(big.references[1].query, "SELECT(T, NOT(LTE(x, 1)))");
  EXPECT_EQ(big.references[1].line, 23U);
  EXPECT_EQ(big.rows, RowPolicy::BAG);
  EXPECT_EQ(big.columns, ColumnPolicy::NAMES);
  EXPECT_EQ(big.forbid, (std::vector<std::string>{"MINUS", "UNION"}));
  EXPECT_EQ(big.require, (std::vector<std::string>{"SELECT"}));
  EXPECT_EQ(big.instances, (std::vector<std::size_t>{1, 2}));

  const Exercise& all = sheet.exercises[1];
  EXPECT_EQ(all.rows, RowPolicy::SET);
  EXPECT_EQ(all.columns, ColumnPolicy::POSITION);
  EXPECT_EQ(all.instances, (std::vector<std::size_t>{0, 1}));  // every sheet-level one
  EXPECT_EQ(sheet.findExercise("all"), &all);
  EXPECT_EQ(sheet.findExercise("none"), nullptr);
}

TEST(SheetTest, ReadsCrlfLinesAndAByteOrderMark) {
  const Sheet sheet = readSheet(
      "\xEF\xBB\xBF=== instance i visible\r\nT(x int)\r\n7\r\n=== exercise e\r\n--- reference "
      "T\r\n",
      "crlf.sheet");
  EXPECT_EQ(Relation(*sheet.instances[0].registry.findTable("T")).rowCount(), 1U);
  EXPECT_EQ(sheet.exercises[0].references[0].query, "T");
}

struct Refusal {
  const char* what;
  std::string sheet;
  std::string error;  // what() of the SheetError
};

const std::string kInstance = "=== instance i visible\nT(x int)\n1\n2\n";

// A rule may name any keyword of the engine's tables, in any letter case:
// the operator forms' and the conditions'.
TEST(SheetTest, ARuleNamesAnyKeywordTheEngineReads) {
  std::string rule = "--- forbid";
  std::vector<std::string> keywords;
  const auto add = [&](std::string_view keyword) {
    keywords.emplace_back(keyword);
    rule += ' ';
    for (const char c : keyword) rule += static_cast<char>(c - 'A' + 'a');
  };
  for (const OperatorForm& form : kOperatorForms) add(form.keyword);
  for (const ConditionKeyword& condition : kConditionKeywords) add(condition.keyword);
  ASSERT_EQ(keywords.size(), 15U);
  const Sheet sheet = readSheet(
      "=== instance i visible\nT(x int)\n1\n\n=== exercise e\n--- reference T\n" + rule + "\n",
      "s");
  ASSERT_EQ(sheet.exercises.size(), 1U);
  EXPECT_EQ(sheet.exercises[0].forbid, keywords);
}

TEST(SheetTest, RefusesABrokenSheetAtItsLine) {
  const std::vector<Refusal> refusals = {
      {"unknown block", kInstance + "=== exercize e\n", "s:5: unknown block \"=== exercize\""},
      {"unknown section", kInstance + "=== exercise e\n--- referense T\n",
       "s:6: unknown section \"--- referense\""},
      {"unknown rows policy", kInstance + "=== exercise e\n--- reference T\n--- rows sets\n",
       "s:7: unknown rows policy \"sets\" (set, bag or list)"},
      {"unknown columns policy", kInstance + "=== exercise e\n--- reference T\n--- columns name\n",
       "s:7: unknown columns policy \"name\" (position or names)"},
      {"duplicate exercise", kInstance + "=== exercise e\n--- reference T\n=== exercise e\n",
       "s:7: a second exercise \"e\" (the first at line 5)"},
      {"duplicate instance", kInstance + kInstance,
       "s:5: a second instance \"i\" (the first at line 1)"},
      {"unknown instance", kInstance + "=== exercise e\n--- reference T\n--- instances i j\n",
       "s:7: unknown instance \"j\""},
      {"no reference", kInstance + "=== exercise e\n--- text\nx\n",
       "s:5: exercise \"e\" has no reference"},
      {"no instance", "=== exercise e\n--- reference T\n", "s:1: exercise \"e\" has no instance"},
      {"bad keyword", kInstance + "=== exercise e\n--- reference T\n--- forbid JOIN\n",
       "s:7: unknown keyword \"JOIN\" in \"--- forbid\""},
      {"forbidden and required",
       kInstance + "=== exercise e\n--- reference T\n--- forbid SELECT\n--- require select\n",
       "s:5: SELECT is both forbidden and required"},
      {"table that does not load", "=== instance i visible\nT(x int)\n1\nx\n",
       "s:4: a table of instance \"i\" does not load: Input> Not int or string"},
      {"header that does not load", "=== instance i visible\nT\n",
       "s:2: a table of instance \"i\" does not load: Table name error"},
      {"reference raising an error",
       kInstance + "=== exercise e\n--- reference T\n--- reference SELECT(T, GT(z, 1))\n",
       "s:7: reference 2 of exercise \"e\" on instance \"i\": ERROR: Construct error: scheme "
       "mismatch (at column 14)"},
      {"references that disagree",
       kInstance + "=== exercise e\n--- reference T\n--- reference SELECT(T, GT(x, 1))\n",
       "s:7: references 1 and 2 of exercise \"e\" disagree on instance \"i\" (wrong-result)"},
      {"references that disagree on names",
       kInstance +
           "=== exercise e\n--- columns names\n--- reference T\n--- reference RENAME(T, U(y))\n",
       "s:8: references 1 and 2 of exercise \"e\" disagree on instance \"i\" (wrong-schema)"},
      {"reference breaking its own rule",
       kInstance + "=== exercise e\n--- reference SELECT(T, NOT(EQ(x, 1)))\n--- forbid NOT\n",
       "s:6: reference 1 of exercise \"e\" on instance \"i\": breaks its own rule: NOT is not "
       "allowed"},
      {"section in an instance block", kInstance + "--- text\n",
       "s:5: unknown section \"--- text\" in an instance block"},
      {"sheet block not first", kInstance + "=== sheet S\n",
       "s:5: the \"=== sheet\" block must come first"},
      {"text before the first block", "hello\n" + kInstance, "s:1: text before the first block"},
      {"text outside a section", kInstance + "=== exercise e\nstray\n--- reference T\n",
       "s:6: text outside a section"},
      {"text after a one-line section", kInstance + "=== exercise e\n--- reference T\nT\n",
       "s:7: text after \"--- reference\""},
      {"visibility missing", "=== instance i\nT(x int)\n",
       "s:1: instance \"i\" must be visible or hidden"},
      {"bad points", "=== instance i visible points x\nT(x int)\n",
       "s:1: points must be a whole number, not \"x\""},
      {"unknown instance option", "=== instance i visible counterexample maybe\nT(x int)\n",
       "s:1: unknown instance option \"counterexample\""},
      {"bad exercise id", kInstance + "=== exercise a/b\n",
       "s:5: an exercise needs an id of letters, digits, \"_\", \"-\" and \".\""},
      {"instance without a name", "=== instance\nT(x int)\n",
       "s:1: an instance needs a name of letters, digits, \"_\", \"-\" and \".\""},
      {"instance without a table", "=== instance i visible\n\n=== exercise e\n--- reference T\n",
       "s:1: instance \"i\" has no table"},
      {"sheet without a title", "=== sheet\n" + kInstance, "s:1: the sheet has no title"},
      {"section in the sheet block", "=== sheet S\n--- rows bag\n" + kInstance,
       "s:2: unknown section \"--- rows\" in the sheet block"},
      {"rule naming no keyword", kInstance + "=== exercise e\n--- reference T\n--- forbid\n",
       "s:7: \"--- forbid\" names no keyword"},
      {"instance named twice", kInstance + "=== exercise e\n--- reference T\n--- instances i i\n",
       "s:7: instance \"i\" named twice"},
  };
  for (const Refusal& refusal : refusals) {
    try {
      readSheet(refusal.sheet, "s");
      ADD_FAILURE() << refusal.what << ": not refused";
    } catch (const SheetError& error) {
      EXPECT_EQ(error.what(), refusal.error) << refusal.what;
    }
  }
}

}  // namespace
