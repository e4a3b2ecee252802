#include "model/value.h"

#include <gtest/gtest.h>

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
