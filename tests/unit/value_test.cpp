#include "model/value.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <utility>

namespace {

Value s(const char* text) { return Value(std::string(text)); }
Value n(int number) { return Value(number); }

TEST(ValueTest, IntegersAndStringsNeverMeet) {
  EXPECT_FALSE(valueEquals(n(5), s("5")));
  EXPECT_FALSE(valueLess(n(5), s("5")));
  EXPECT_FALSE(valueLess(s("5"), n(5)));
}

TEST(ValueTest, StringsOrderByUnsignedBytes) {
  struct Case {
    const char* a;
    const char* b;
    bool less;
  };
  const Case cases[] = {
      {"abc", "abd", true}, {"abc", "abcd", true},   {"abcd", "abc", false}, {"B", "a", true},
      {"a", "B", false},    {"", "a", true},         {"a", "a", false},      {"", "", false},
      {"z", "\x80", true},  {"\xff", "\x80", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(valueLess(s(c.a), s(c.b)), c.less) << '"' << c.a << "\" < \"" << c.b << '"';
  }
  EXPECT_TRUE(valueEquals(s("x y"), s("x y")));
  EXPECT_FALSE(valueEquals(s("a"), s("A")));
}

TEST(ValueTest, IntegersOrderAsSigned) {
  EXPECT_TRUE(valueLess(n(-1), n(0)));
  EXPECT_TRUE(valueLess(n(-2147483647 - 1), n(2147483647)));
  EXPECT_FALSE(valueLess(n(3), n(3)));
  EXPECT_TRUE(valueEquals(n(7), n(7)));
}

TEST(ValueTest, TextsOfEveryLengthSurviveCopiesAndMoves) {
  // 12 bytes are held in the value itself, 13 and more in a block of their
  // own; 0 bytes are ordinary bytes either way.
  for (const std::string& text :
       {std::string(), std::string("abcdefghijkl"), std::string("abcdefghijklm"),
        std::string("a\0b", 3), std::string(12, '\0'), std::string(300, '\xff')}) {
    const Value original(text);
    ASSERT_TRUE(original.isString());
    EXPECT_EQ(original.text(), text) << text.size();
    Value copy(original);
    Value assigned(1);
    assigned = original;
    EXPECT_EQ(copy.text(), text) << text.size();
    EXPECT_EQ(assigned.text(), text) << text.size();
    if (!text.empty()) {
      EXPECT_NE(copy.text().data(), original.text().data()) << text.size();
    }
    Value moved(std::move(copy));
    EXPECT_EQ(moved.text(), text) << text.size();
    assigned = Value(7);
    EXPECT_FALSE(assigned.isString());
    EXPECT_EQ(assigned.number(), 7);
    EXPECT_EQ(assigned.text(), "");
    EXPECT_EQ(original.text(), text) << text.size();
  }
  EXPECT_EQ(sizeof(Value), 16u);
}

TEST(ValueTest, LongTextsCompareByBytesToo) {
  const std::string shared(20, 'x');
  EXPECT_TRUE(valueLess(s((shared + "a").c_str()), s((shared + "b").c_str())));
  EXPECT_TRUE(valueLess(s("abcdefghijkl"), s("abcdefghijklm")));
  EXPECT_FALSE(valueEquals(Value(std::string("ab\0", 3)), s("ab")));
  EXPECT_TRUE(valueLess(s("ab"), Value(std::string("ab\0", 3))));
}

TEST(RowTest, GrowsAndCopiesDeeply) {
  Row row;
  EXPECT_TRUE(row.empty());
  for (int i = 0; i < 100; ++i) {
    if (i % 2 == 0) {
      row.emplace_back(i);
    } else {
      row.push_back(Value(std::string(static_cast<std::size_t>(i), 'q')));
    }
  }
  Row copy = row;
  Row joined{n(-1)};
  joined.append(row);
  row[0] = s("changed");
  ASSERT_EQ(copy.size(), 100u);
  ASSERT_EQ(joined.size(), 101u);
  for (std::size_t i = 0; i < 100; ++i) {
    const Value& v = copy[i];
    EXPECT_EQ(v.isString(), i % 2 == 1) << i;
    if (v.isString()) {
      EXPECT_EQ(v.text(), std::string(i, 'q')) << i;
    } else {
      EXPECT_EQ(v.number(), static_cast<int>(i)) << i;
    }
    EXPECT_TRUE(valueEquals(joined[i + 1], v)) << i;
  }
  EXPECT_EQ(joined[0].number(), -1);
  Row assigned{s("x")};
  assigned = copy;
  EXPECT_TRUE(rowEquals(assigned, copy));
  Row taken = std::move(assigned);
  EXPECT_TRUE(rowEquals(taken, copy));
}

TEST(RowTest, EqualityNeedsTheSameLength) {
  EXPECT_TRUE(rowEquals(Row{}, Row{}));
  EXPECT_FALSE(rowLess(Row{}, Row{}));
  EXPECT_FALSE(rowEquals(Row{n(1), n(2)}, Row{n(1), n(2), n(3)}));
  EXPECT_TRUE(rowEquals(Row{n(1), s("x")}, Row{n(1), s("x")}));
}

TEST(RowTest, OrderIsDecidedAtTheFirstDifference) {
  struct Case {
    Row a;
    Row b;
    bool aLess;
    bool bLess;
  };
  const Case cases[] = {
      {{n(1), s("x")}, {n(1), s("y")}, true, false},
      {{n(2), s("a")}, {n(10), s("a")}, true, false},
      // a proper prefix is not less, nor is the longer row
      {{n(1), n(2)}, {n(1), n(2), n(3)}, false, false},
      // values of different kinds at the first difference: unordered
      {{n(1), s("x")}, {n(1), n(7)}, false, false},
      {{n(1), n(9)}, {n(2), n(0)}, true, false},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(rowLess(cases[i].a, cases[i].b), cases[i].aLess) << "case " << i;
    EXPECT_EQ(rowLess(cases[i].b, cases[i].a), cases[i].bLess) << "case " << i;
    EXPECT_FALSE(rowEquals(cases[i].a, cases[i].b)) << "case " << i;
  }
}

TEST(AttributeTest, CompatibilityIsTypeAndLength) {
  EXPECT_TRUE(attributesCompatible(Attribute("a"), Attribute("b")));
  EXPECT_FALSE(attributesCompatible(Attribute("a"), Attribute("a", 10)));
  EXPECT_FALSE(attributesCompatible(Attribute("a", 10), Attribute("a", 20)));
  EXPECT_TRUE(attributesCompatible(Attribute("a", 10), Attribute("b", 10)));
}

TEST(AttributeTest, LookupTakesTheFirstMatchExactly) {
  const Schema schema = {Attribute("a"), Attribute("b", 3), Attribute("a", 5)};
  EXPECT_EQ(findAttribute(schema, "a"), 0);
  EXPECT_EQ(findAttribute(schema, "b"), 1);
  EXPECT_EQ(findAttribute(schema, "A"), -1);
  EXPECT_EQ(findAttribute(schema, ""), -1);
}

}  // namespace
