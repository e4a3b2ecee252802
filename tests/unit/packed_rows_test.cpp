// Packed rows against general rows: a table read from the input keeps its
// rows packed, a table an operator builds keeps general rows, and every query
// must give the same output on either, whether its result is written as it is
// found or built first.
#include "model/packed_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "io/output.h"
#include "io/printer.h"
#include "model/query_error.h"
#include "model/relation.h"
#include "model/table.h"
#include "ops/forms.h"
#include "query/evaluator.h"

namespace {

using Cells = std::vector<ValueView>;

ValueView n(std::int32_t number) { return ValueView::ofNumber(number); }
ValueView t(std::string_view text) { return ValueView::ofText(text); }

const std::string kLong(70000, 'L');
const std::string kLonger = kLong + "x";
const std::string kNul("a\0b", 3);

// T: ragged rows, kinds mixed in a column, NUL bytes, a long text, the
// extreme integers, an empty row. S: rows that agree in kind. E: no rows.
const std::vector<Cells> kRowsT = {
    {n(1), t("Ann"), n(30)},
    {n(2), t(kNul)},
    {t("2"), t(""), n(-5), n(7)},
    {},
    {n(INT_MIN), t(kLong), n(INT_MAX)},
    {n(1), t("Ann"), n(30)},
    {n(0), t(std::string_view("a\0", 2)), n(1)},
};
const std::vector<Cells> kRowsS = {
    {n(3), t("b")}, {n(1), t(kNul)}, {n(3), t("b")}, {n(-1), t(kLong)}, {n(1), t(kLonger)}};

Table tableOf(const std::string& name, const std::vector<std::string>& attributes,
              const std::vector<Cells>& rows, bool packed) {
  Table table(name);
  for (const std::string& a : attributes) {
    if (a.starts_with("s")) {
      table.addAttribute(Attribute(a, 8));
    } else {
      table.addAttribute(Attribute(a));
    }
  }
  for (const Cells& cells : rows) {
    if (packed) {
      table.packed.addRow(cells.data(), cells.size());
    } else {
      Row row;
      for (const ValueView& cell : cells) row.push_back(valueOf(cell));
      table.addRow(std::move(row));
    }
  }
  return table;
}

TableRegistry registry(bool packed) {
  TableRegistry tables;
  tables.registerTable(tableOf("T", {"a", "sb", "c", "d"}, kRowsT, packed));
  tables.registerTable(tableOf("S", {"a", "sb"}, kRowsS, packed));
  tables.registerTable(tableOf("E", {"a", "sb"}, {}, packed));
  return tables;
}

// The query's printed result or its error message, with its rows written
// as found where the query allows it, or always built first.
std::string run(const std::string& query, const TableRegistry& tables, bool writeAsFound) {
  StringOutput out;
  try {
    TablePrinter printer(out);
    const Operand result = evaluateQuery(query, tables, kOperatorForms, nullptr, nullptr,
                                         writeAsFound ? &printer : nullptr);
    if (!printer.begun()) printTable(result, out);
  } catch (const QueryError& error) {
    return "ERROR: " + error.message();
  }
  return out.text();
}

TEST(PackedRowsTest, ValuesComeBackAsTheyWentIn) {
  PackedRows rows;
  for (const Cells& cells : kRowsT) rows.addRow(cells.data(), cells.size());
  ASSERT_EQ(rows.size(), kRowsT.size());
  EXPECT_EQ(rows.shortestRow(), 0u);
  EXPECT_EQ(rows.longestRow(), 4u);
  EXPECT_EQ(rows.valueCount(), 18u);
  // The longest line: -2147483648,'L...L',2147483647
  EXPECT_EQ(rows.longestLine(), 11 + 1 + kLong.size() + 2 + 1 + 10);
  std::size_t i = 0;
  Cells views;
  rows.forEach([&](const unsigned char* row) {
    PackedRows::decode(row, views);
    ASSERT_EQ(views.size(), kRowsT[i].size());
    for (std::size_t k = 0; k < views.size(); ++k) {
      EXPECT_EQ(views[k].isString, kRowsT[i][k].isString);
      EXPECT_EQ(views[k].number, kRowsT[i][k].number);
      EXPECT_EQ(views[k].text, kRowsT[i][k].text);
    }
    const Row general = PackedRows::unpack(row);
    EXPECT_EQ(general.size(), kRowsT[i].size());
    ++i;
  });
  EXPECT_EQ(i, kRowsT.size());

  const PackedRows copy = rows;
  const Rows copied = unpackRows(copy);
  const Rows original = unpackRows(rows);
  ASSERT_EQ(copied.size(), original.size());
  EXPECT_TRUE(std::equal(copied.begin(), copied.end(), original.begin(), rowEquals));
}

TEST(PackedRowsTest, EveryQueryGivesTheSameOutputOnPackedAndGeneralRows) {
  const TableRegistry packed = registry(true);
  const TableRegistry general = registry(false);
  const std::vector<std::string> queries = {
      "T",
      "E",
      "SELECT(T, EQ(a, 1))",
      "SELECT(T, GT(sb, 'A'))",
      "SELECT(T, OR(EQ(a, 0), EQ(a, 2)))",
      "SELECT(T, LT(c, 100))",
      "SELECT(S, GTE(sb, 'b'))",
      "SELECT(E, EQ(a, 1))",
      "PROJECT(T, a)",
      "PROJECT(T, sb)",
      "PROJECT(T, c)",
      "PROJECT(S, sb, a)",
      "PROJECT(S, a)",
      "PROJECT(E, sb)",
      "UNION(S, S)",
      "MINUS(T, S)",
      "UNION(PROJECT(S, a), PROJECT(T, a))",
      "PRODUCT(S, E)",
      "PRODUCT(S, RENAME(S, R(x, y)))",
      "SELECT(PRODUCT(S, RENAME(S, R(x, y))), EQ(a, x))",
      "SELECT(PRODUCT(T, S), EQ(a, 1))",
      "SELECT(PRODUCT(S, T), EQ(sb, 'b'))",
      "SELECT(RENAME(S, R(x, y)), LT(x, 3))",
      "PROJECT(RENAME(S, R(x, y)), y)",
      "PROJECT(SELECT(T, NEQ(a, 9)), sb, a)",
  };
  for (const std::string& query : queries) {
    SCOPED_TRACE(query);
    const std::string expected = run(query, general, false);
    EXPECT_EQ(run(query, general, true), expected);
    EXPECT_EQ(run(query, packed, false), expected);
    EXPECT_EQ(run(query, packed, true), expected);
  }
  // A few spot checks that the outputs compared are what they should be.
  EXPECT_EQ(run("PROJECT(S, a)", packed, true), "S(a int)\n-1\n1\n3\n\n");
  EXPECT_EQ(run("SELECT(S, GTE(sb, 'b'))", packed, true), "S(a int, sb char(8))\n3,'b'\n3,'b'\n\n");
  EXPECT_EQ(run("PROJECT(T, c)", packed, true), "ERROR: Row too short at project");
  EXPECT_EQ(run("SELECT(T, LT(c, 100))", packed, true), "ERROR: Row too short at select");
}

}  // namespace
