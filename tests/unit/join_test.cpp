// SELECT over a product, three ways on the same random inputs: the planned
// join, the general path (every row of the product, the whole condition on
// each) and the product built first and then selected from as a table. The
// tables mix kinds in a column, repeat attribute names, and may be empty;
// some rows are shorter or longer than their schema, which only the general
// path takes.
#include "ops/join.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <new>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "model/query_error.h"
#include "ops/operators.h"
#include "ops/product.h"
#include "query/condition.h"
#include "text/char_stream.h"

namespace {

const std::vector<std::string> kNames = {"a", "b", "c", "a"};

class RandomInputs {
 public:
  explicit RandomInputs(unsigned seed) : random_(seed) {}

  // Attribute names from a few, some marked with the table's number, so that
  // conditions find names in one table, in several, or in none.
  Table table(const std::string& name, bool ragged, int number) {
    Table t(name);
    const int width = 1 + below(3);
    for (int i = 0; i < width; ++i) {
      t.addAttribute(Attribute(kNames[below(4)] + (below(2) == 0 ? std::to_string(number) : "")));
    }
    const int rows = below(6);
    for (int r = 0; r < rows; ++r) {
      int length = width;
      if (ragged && below(4) == 0) length = below(width + 2);
      Row row;
      for (int i = 0; i < length; ++i) row.push_back(value());
      t.addRow(row);
    }
    return t;
  }

  std::string condition(int depth) {
    const int kind = depth >= 3 ? 5 : below(9);
    if (kind < 3) return "AND(" + condition(depth + 1) + ", " + condition(depth + 1) + ")";
    if (kind < 4) return "OR(" + condition(depth + 1) + ", " + condition(depth + 1) + ")";
    if (kind < 5 && depth < 3) return "NOT(" + condition(depth + 1) + ")";
    static const char* const kComparisons[] = {"EQ", "EQ", "EQ", "NEQ", "LT", "GTE"};
    return std::string(kComparisons[below(6)]) + "(" + operand() + ", " + operand() + ")";
  }

  int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

 private:
  Value value() {
    if (below(3) == 0) return Value(std::string(below(2) == 0 ? "x" : "1"));
    return Value(below(3));
  }

  std::string operand() {
    const int kind = below(8);
    if (kind < 5) return kNames[below(3)] + (kind >= 2 ? std::to_string(below(3)) : "");
    if (kind < 7) return std::to_string(below(3));
    return "'x'";
  }

  std::mt19937 random_;
};

// Its rows, or its error message.
std::string describe(const std::function<Table()>& select) {
  try {
    const Table t = select();
    std::string out = t.name + "(";
    for (const Attribute& a : t.schema) out += a.name() + ",";
    out += ")\n";
    for (const Row& row : t.rows) {
      for (const Value& v : row) {
        if (v.isString()) {
          out += '\'';
          out += v.text();
          out += "',";
        } else {
          out += std::to_string(v.number());
          out += ',';
        }
      }
      out += "\n";
    }
    return out;
  } catch (const QueryError& error) {
    return "ERROR: " + error.message();
  }
}

// tableSelect, or selectFromProduct, on a condition text of its own.
Table selectWhere(const Relation& source, std::string_view text) {
  CharStream stream(text);
  const Condition condition(source.schema(), stream, true);
  return tableSelect(source, condition);
}
Table selectWhere(const Product& source, std::string_view text) {
  CharStream stream(text);
  const Condition condition(source.schema(), stream, true);
  return selectFromProduct(source, condition);
}

Table viaCondition(const Product& product, const std::string& text,
                   Table (*path)(const Product&, const Condition&)) {
  CharStream stream(text);
  const Condition condition(product.schema(), stream, true);
  return path(product, condition);
}

void compareAll(RandomInputs& random, bool ragged, int rounds) {
  for (int round = 0; round < rounds; ++round) {
    std::vector<Table> tables;
    const int factors = 2 + random.below(2);
    for (int i = 0; i < factors; ++i) {
      tables.push_back(random.table(std::string(1, static_cast<char>('P' + i)), ragged, i));
    }
    // The second table renamed now and then, so that its columns differ
    // from the others'.
    const bool rename = random.below(3) == 0;
    auto product = [&] {
      std::vector<std::string> names = {"a2", "b2", "c2"};
      names.resize(tables[1].schema.size());
      Product p = tableProduct(tables[0],
                               rename ? tableRename(tables[1], "Q2", names) : Operand(tables[1]));
      if (factors == 3) p = tableProduct(std::move(p), tables[2]);
      return p;
    };
    const Product streamed = product();
    const Relation built = buildRelation(product());
    const std::string condition = random.condition(0);
    const std::string context = condition + " over " + std::to_string(factors) + " factors";

    const std::string expected = describe([&] { return selectWhere(built, condition); });
    ASSERT_EQ(describe([&] { return selectWhere(streamed, condition); }), expected) << context;
    ASSERT_EQ(describe([&] { return viaCondition(streamed, condition, selectEachProductRow); }),
              expected)
        << context;
    if (rowsMatchSchemas(streamed)) {
      ASSERT_EQ(describe([&] { return viaCondition(streamed, condition, selectByJoin); }), expected)
          << context;
    }
  }
}

}  // namespace

TEST(SelectOverProduct, JoinAndGeneralPathAgreeWithTheBuiltProduct) {
  RandomInputs random(13);
  compareAll(random, false, 4000);
}

TEST(SelectOverProduct, RowsThatDoNotMatchTheirSchemaTakeTheGeneralPath) {
  RandomInputs random(14);
  compareAll(random, true, 4000);
}

Table ints(const std::string& name, const std::vector<std::string>& attributes,
           const std::vector<std::vector<int>>& rows) {
  Table t(name);
  for (const std::string& a : attributes) t.addAttribute(Attribute(a));
  for (const std::vector<int>& values : rows) {
    Row row;
    for (const int v : values) row.emplace_back(v);
    t.addRow(row);
  }
  return t;
}

TEST(SelectOverProduct, JoinKeepsTheProductsOrderAndKinds) {
  // Left rows in order, and for each its matching right rows in order; the
  // string '1' never equals the integer 1.
  const Table left = ints("L", {"k"}, {{2}, {1}, {2}});
  Table right = ints("R", {"k2", "n"}, {{1, 10}, {2, 20}, {2, 21}});
  right.addRow(Row{Value(std::string("1")), Value(11)});
  const Product product = tableProduct(left, right);
  const Table joined = viaCondition(product, " EQ(k, k2)", selectByJoin);
  EXPECT_EQ(describe([&] { return joined; }),
            "L(k,k2,n,)\n2,2,20,\n2,2,21,\n1,1,10,\n2,2,20,\n2,2,21,\n");
}

TEST(SelectOverProduct, ConditionErrorsComeEvenWhenTheProductIsEmpty) {
  const Table left = ints("L", {"k"}, {});
  const Table right = ints("R", {"k"}, {{1}});
  EXPECT_EQ(describe([&] { return selectWhere(tableProduct(left, right), "EQ(k, nobody)"); }),
            "ERROR: Construct error: scheme mismatch");
}

TEST(SelectOverProduct, ShortRowRaisesInProductOrder) {
  // The second row of the product is the first to lack position 2.
  Table left = ints("L", {"k"}, {{1}});
  Table right = ints("R", {"a", "b"}, {{1, 2}});
  right.addRow(Row{Value(1)});
  EXPECT_EQ(describe([&] { return selectWhere(tableProduct(left, right), "EQ(b, 2)"); }),
            "ERROR: Row too short at select");
  // Where the condition stops before the short position, no error.
  EXPECT_EQ(
      describe([&] { return selectWhere(tableProduct(left, right), "AND(EQ(a, 5), EQ(b, 2))"); }),
      "L(k,a,b,)\n");
}

TEST(ProductCursor, WalksTheFirstFactorOutermost) {
  const Table a = ints("A", {"x"}, {{1}, {2}});
  const Table b = ints("B", {"y"}, {{3}, {4}, {5}});
  const Product product = tableProduct(tableProduct(a, b), a);
  EXPECT_EQ(product.rowCount(), 12u);
  ProductCursor cursor(product);
  std::string seen;
  while (cursor.next()) {
    for (const Row* part : cursor.parts()) seen += std::to_string((*part)[0].number());
    seen += " ";
  }
  EXPECT_EQ(seen, "131 132 141 142 151 152 231 232 241 242 251 252 ");

  // The first rows, built, and no more than asked for.
  const std::vector<Row> first = firstRows(ProductCursor(product), 3);
  ASSERT_EQ(first.size(), 3u);
  EXPECT_TRUE(rowEquals(first[2], Row{Value(1), Value(4), Value(1)}));
  EXPECT_EQ(firstRows(ProductCursor(product), 100).size(), 12u);
  EXPECT_EQ(firstRows(Operand(a), 100).size(), 2u);
}

TEST(ProductEstimate, CountsEveryValueTheBuiltRowsHold) {
  // Rows of 1 and 3 values against 2 rows of 2: (1 + 3) * 2 + 4 * 2 values.
  Table ragged = ints("A", {"x", "y"}, {{1}, {1, 2, 3}});
  const Table b = ints("B", {"p", "q"}, {{1, 2}, {3, 4}});
  const Product product = tableProduct(ragged, b);
  EXPECT_EQ(product.valueCount(), 16u);
  EXPECT_EQ(leastBytesToBuild(product), 16u * sizeof(Value));
}

TEST(ProductEstimate, RefusesOnlyWhatCannotFit) {
  const Table a = ints("A", {"x"}, {{1}, {2}, {3}});
  const Product product = tableProduct(tableProduct(a, a), a);  // 27 rows of 3 values
  const std::uint64_t need = 81 * sizeof(Value);
  EXPECT_THROW(requireRoomToBuild(product, need - 1), std::bad_alloc);
  EXPECT_NO_THROW(requireRoomToBuild(product, need));
  EXPECT_NO_THROW(requireRoomToBuild(product, std::nullopt));
}

TEST(ProductEstimate, SaturatesInsteadOfWrapping) {
  Table big("A");
  big.addAttribute(Attribute("x"));
  for (int i = 0; i < 70000; ++i) big.addRow(Row{Value(i)});
  // 70,000 to the fifth power is past 2 to the 64.
  Product product = tableProduct(big, big);
  for (int i = 0; i < 3; ++i) product = tableProduct(std::move(product), big);
  EXPECT_EQ(product.rowCount(), std::numeric_limits<std::uint64_t>::max());
  EXPECT_THROW(requireRoomToBuild(product, std::uint64_t{1} << 62), std::bad_alloc);
}
