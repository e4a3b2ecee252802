// tableProject against the plain recipe it must agree with: copy the columns,
// sortRows, removeAdjacentDuplicateRows. The tables are made to stress the
// ordering: strings that share long prefixes, hold 0 and 255 bytes or are
// empty, integers of both signs up to the limits, many duplicates.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "model/query_error.h"
#include "ops/operators.h"

namespace {

std::string describe(const Table& table) {
  std::string out = table.name;
  out += "(";
  for (const Attribute& a : table.schema) {
    out += a.name();
    out += a.isChar() ? " c," : " i,";
  }
  out += ")\n";
  for (const Row& row : table.rows) {
    for (const Value& v : row) {
      if (v.isString()) {
        out += "'";
        for (const char c : v.text()) out += std::to_string(static_cast<unsigned char>(c)) + ".";
        out += "'";
      } else {
        out += std::to_string(v.number());
      }
      out += ",";
    }
    out += "\n";
  }
  return out;
}

std::string column(int i) {
  std::string name = "c";
  name += std::to_string(i);
  return name;
}

Table reference(const Table& source, const std::vector<std::string>& names) {
  Table result(source.name);
  std::vector<std::size_t> positions;
  for (const std::string& name : names) {
    const int p = findAttribute(source.schema, name);
    positions.push_back(static_cast<std::size_t>(p));
    result.addAttribute(source.schema[static_cast<std::size_t>(p)]);
  }
  for (const Row& row : source.rows) {
    Row projected;
    for (const std::size_t p : positions) projected.push_back(row[p]);
    result.addRow(projected);
  }
  result.sortRows();
  result.removeAdjacentDuplicateRows();
  return result;
}

class Maker {
 public:
  explicit Maker(unsigned seed) : rng_(seed) {}

  int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

  std::string text() {
    static const std::string prefixes[] = {"",
                                           "a",
                                           "abcdefghijklmnop",
                                           "abcdefghijklmnopq",
                                           "abcdefghijklmno",
                                           std::string("ab\0", 3)};
    std::string s = prefixes[below(6)];
    const int extra = below(4);
    for (int i = 0; i < extra; ++i)
      s += "\0\xff"
           "ab"[below(4)];
    return s;
  }

  std::int32_t number() {
    static const std::int32_t special[] = {
        std::numeric_limits<std::int32_t>::min(), -1, 0, 1, 255, 256,
        std::numeric_limits<std::int32_t>::max()};
    return below(2) == 0 ? special[below(7)] : below(20) - 10;
  }

  // A table of the given column kinds; with mixed set, one row in seven has
  // the other kind in some column.
  Table table(const std::vector<bool>& isString, int rows, bool mixed) {
    Table t("T");
    for (std::size_t i = 0; i < isString.size(); ++i) {
      const std::string name = column(static_cast<int>(i));
      t.addAttribute(isString[i] ? Attribute(name, 20) : Attribute(name));
    }
    std::vector<Row> made;
    for (int r = 0; r < rows; ++r) {
      if (!made.empty() && below(4) == 0) {
        made.push_back(made[static_cast<std::size_t>(below(static_cast<int>(made.size())))]);
        continue;
      }
      Row row;
      for (const bool s : isString) {
        const bool asString = mixed && below(7) == 0 ? !s : s;
        if (asString) {
          row.emplace_back(text());
        } else {
          row.emplace_back(number());
        }
      }
      made.push_back(row);
    }
    for (const Row& row : made) t.addRow(row);
    return t;
  }

 private:
  std::mt19937 rng_;
};

// A random column kind each, int or string, for 1 to maxColumns columns.
std::vector<bool> randomKinds(Maker& make, int maxColumns) {
  std::vector<bool> isString;
  const int columns = 1 + make.below(maxColumns);
  for (int i = 0; i < columns; ++i) isString.push_back(make.below(2) == 0);
  return isString;
}

void expectAgrees(const Table& source, const std::vector<std::string>& names, int round) {
  ASSERT_EQ(describe(tableProject(source, names)), describe(reference(source, names)))
      << "round " << round << "\n"
      << describe(source);
}

TEST(ProjectTest, AgreesWithSortAndUniqueOnUniformColumns) {
  Maker make(12345);
  for (int round = 0; round < 400; ++round) {
    const std::vector<bool> isString = randomKinds(make, 4);
    const Table source = make.table(isString, make.below(60), false);
    std::vector<std::string> names;
    const int count = 1 + make.below(4);
    for (int i = 0; i < count; ++i) {
      names.push_back(column(make.below(static_cast<int>(isString.size()))));
    }
    expectAgrees(source, names, round);
    if (HasFatalFailure()) return;
  }
}

TEST(ProjectTest, AgreesWithSortAndUniqueOnMixedColumns) {
  Maker make(777);
  for (int round = 0; round < 200; ++round) {
    const std::vector<bool> isString = randomKinds(make, 3);
    const Table source = make.table(isString, make.below(30), true);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < isString.size(); ++i) names.push_back(column(static_cast<int>(i)));
    expectAgrees(source, names, round);
    if (HasFatalFailure()) return;
  }
}

TEST(ProjectTest, AgreesWithSortAndUniqueOnManyDuplicates) {
  Maker make(4242);
  for (const bool mixed : {false, true}) {
    const Table source = make.table({true, false, true}, 20000, mixed);
    expectAgrees(source, {"c2", "c1"}, mixed ? 1 : 0);
    expectAgrees(source, {"c0", "c1", "c2"}, mixed ? 1 : 0);
  }
}

TEST(ProjectTest, KeepsTheFirstOfEqualRows) {
  Table source("T");
  source.addAttribute(Attribute("a", 5));
  source.addAttribute(Attribute("b"));
  for (const char* s : {"b", "a", "b", "a"}) {
    Row row;
    row.emplace_back(std::string(s));
    row.emplace_back(1);
    source.addRow(row);
  }
  const Table result = tableProject(source, {"a"});
  ASSERT_EQ(result.rows.size(), 2u);
  EXPECT_EQ(result.rows.front()[0].text(), "a");
  EXPECT_EQ(result.rows.back()[0].text(), "b");
}

TEST(ProjectTest, ShortRowIsReported) {
  Table source("T");
  source.addAttribute(Attribute("a"));
  source.addAttribute(Attribute("b"));
  Row full;
  full.emplace_back(1);
  full.emplace_back(2);
  source.addRow(full);
  Row shorter;
  shorter.emplace_back(3);
  source.addRow(shorter);
  EXPECT_THROW(tableProject(source, {"b"}), QueryError);
}

}  // namespace
