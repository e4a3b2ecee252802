// The three readers that are defined character by character: the table
// header, the data row and the selection condition. One row per step of
// their definitions: blanks, the end of the text, each delimiter, each
// message.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "io/input_reader.h"
#include "model/query_error.h"
#include "model/relation.h"
#include "model/table.h"
#include "model/value.h"
#include "query/condition.h"
#include "text/char_stream.h"

namespace {

struct Case {
  std::string_view text;
  std::string_view expected;  // what was read, or the message raised
};

std::string describeValue(const Value& value) {
  if (!value.isString()) return std::to_string(value.number());
  std::string text(1, '\'');
  text.append(value.text());
  text += '\'';
  return text;
}

// "Name|a int,b char(5)", or the message.
std::string readHeader(std::string_view line) {
  try {
    const Table table = readTableHeader(line);
    std::string text = table.name + "|";
    for (const Attribute& attribute : table.schema) {
      if (text.back() != '|') text += ',';
      text += attribute.name();
      if (attribute.isChar()) {
        text += " char(";
        text += std::to_string(attribute.length());
        text += ')';
      } else {
        text += " int";
      }
    }
    return text;
  } catch (const QueryError& error) {
    return error.message();
  }
}

TEST(HeaderReader, ReadsEachStepAsDefined) {
  const Case cases[] = {
      // The name: every character before the first "(", spaces left out.
      {"Students(id int, name char(20))", "Students|id int,name char(20)"},
      {"My Table (a int)", "MyTable|a int"},
      {"T\tx(a int)", "T\tx|a int"},
      {"(a int)", "|a int"},
      {"T a int", "Table name error"},
      {"", "Table name error"},
      {"   ", "Table name error"},
      // The attribute name is a word: whitespace before it is skipped.
      {"T(  a int,\tb int)", "T|a int,b int"},
      // Spaces between the name and the type.
      {"T(a     int)", "T|a int"},
      // The type is told by its first letter; the rest is skipped by count.
      {"T(a INT, b Char(5))", "T|a int,b char(5)"},
      {"T(a iXY, b text(5))", "T|a int,b char(5)"},
      {"T(b char(007))", "T|b char(7)"},
      // Nothing may stand between a type and what follows it.
      {"T(a int )", "Table scheme error"},
      {"T(b char (5))", "Table scheme error"},
      // The list ends with ")": text after it is ignored.
      {"T(a int)xyz", "T|a int"},
      {"T(a int,b int)", "T|a int,b int"},
      // The list runs past the end of the line.
      {"T(a int", "Table scheme error"},
      {"T(a int,", "Table scheme error"},
      {"T(b char(5", "Table scheme error"},
      {"T()", "Table scheme error"},
      {"T(", "Table scheme error"},
  };
  for (const Case& c : cases) EXPECT_EQ(readHeader(c.text), c.expected) << c.text;
}

// "1|'a'" (values joined by "|"; "-" for none), or the message.
std::string readRow(std::string_view line) {
  Table table("T");
  try {
    readDataRow(line, table);
  } catch (const QueryError& error) {
    if (!table.packed.empty()) return "a row despite an error";
    return error.message();
  }
  // The reader packs the rows it reads.
  const Rows rows = unpackRows(table.packed);
  if (!table.rows.empty() || rows.size() != 1) return "not one row";
  std::string text;
  for (const Value& value : rows[0]) {
    if (!text.empty()) text += '|';
    text += describeValue(value);
  }
  return text.empty() ? "-" : text;
}

TEST(RowReader, ReadsEachStepAsDefined) {
  const Case cases[] = {
      // The end of the line ends the row; a row of blanks has no value.
      {"", "-"},
      {"   ", "-"},
      // Values separated by a comma, by spaces, or by both.
      {"1,2", "1|2"},
      {"1 2", "1|2"},
      {" 1 ,  2 ", "1|2"},
      {", 1", "1"},
      {",1", "1"},
      // At most one comma between values; none after the last.
      {"1,", "Input> Not int or string"},
      {"1,,2", "Input> Not int or string"},
      {",", "Input> Not int or string"},
      // Only the space is a blank.
      {"\t1", "Input> Not int or string"},
      {"1\t2", "Input> Not int or string"},
      // An integer: digits without a sign.
      {"007", "7"},
      {"-1", "Input> Not int or string"},
      {"+1", "Input> Not int or string"},
      {"99999999999", "Input> Integer out of range"},
      {"2147483647", "2147483647"},
      // A string: anything but a quote, between quotes.
      {"'a,b'", "'a,b'"},
      {"''", "''"},
      {"' x y '", "' x y '"},
      {"1'a'", "1|'a'"},
      {"'a''b'", "'a'|'b'"},
      {"'abc", "Input> End of string"},
      {"'", "Input> End of string"},
      {"Ann", "Input> Not int or string"},
  };
  for (const Case& c : cases) EXPECT_EQ(readRow(c.text), c.expected) << c.text;
}

// The tree in prefix form, attributes as #position ("EQ(#0,1)"), or the
// message.
std::string describeCondition(const Condition& node) {
  switch (node.kind()) {
    case ConditionKind::ATTRIBUTE: {
      std::string text(1, '#');
      text += std::to_string(node.attributeIndex());
      return text;
    }
    case ConditionKind::LITERAL:
      break;
    default: {
      static constexpr const char* kNames[] = {"EQ",  "NEQ", "LT", "LTE", "GT",
                                               "GTE", "AND", "OR", "NOT"};
      std::string text = kNames[static_cast<int>(node.kind())];
      text += '(';
      text += describeCondition(*node.left());
      if (node.right() != nullptr) {
        text += ',';
        text += describeCondition(*node.right());
      }
      text += ')';
      return text;
    }
  }
  // A literal: what it matches on a row of no values.
  return "literal";
}

std::string readCondition(std::string_view text, Schema schema) {
  CharStream stream(text);
  try {
    const Condition condition(schema, stream, true);
    return describeCondition(condition);
  } catch (const QueryError& error) {
    return error.message();
  }
}

TEST(ConditionReader, ReadsEachStepAsDefined) {
  const Schema schema = {Attribute("a"), Attribute("s", 5), Attribute("a1"), Attribute("firstname"),
                         Attribute("-1")};
  const Case cases[] = {
      // Where a condition is expected: blanks, then the end.
      {"", "Construct error: end of string reached 3"},
      {"   ", "Construct error: end of string reached 3"},
      // The keyword, up to "(": blanks dropped, case folded.
      {"EQ", "Construct error: end of string reached 4"},
      {"eq(a,1)", "EQ(#0,literal)"},
      {"  E q (a, 1)", "EQ(#0,literal)"},
      {"N OT(EQ(a, 1))", "NOT(EQ(#0,literal))"},
      {"XOR(a, 1)", "Construct error: invalid token"},
      {"\tEQ(a, 1)", "Construct error: invalid token"},
      {"(a, 1)", "Construct error: invalid token"},
      // Where an operand is expected: blanks, then the end.
      {"EQ(", "Construct error: end of string reached"},
      {"EQ(1", "Construct error: end of string reached"},
      {"EQ(a,   ", "Construct error: end of string reached"},
      // A name, up to "," or ")": blanks dropped, case kept.
      {"EQ(a", "Construct error: end of string reached 2"},
      {"EQ(first name, 1)", "EQ(#3,literal)"},
      {"EQ(a 1)", "Construct error: end of string reached"},  // a1, then no second operand
      {"EQ(a 1, a)", "EQ(#2,#0)"},
      {"EQ(A, 1)", "Construct error: scheme mismatch"},
      {"EQ(a, -1)", "EQ(#0,#4)"},
      {"EQ(, 1)", "Construct error: scheme mismatch"},
      // Literals: a quoted text to the next quote or the end, or digits.
      {"EQ(s, '')", "EQ(#1,literal)"},
      {"EQ(s, 'abc", "EQ(#1,literal)"},
      {"EQ(a, 007)", "EQ(#0,literal)"},
      {"EQ(a, 99999999999)", "Construct error: integer out of range"},
      // The separator step takes any character, or the end.
      {"EQ(a, 1", "EQ(#0,literal)"},
      {"NOT(EQ(a, 1)", "NOT(EQ(#0,literal))"},
      {"EQ(a, 1, 2)", "EQ(#0,literal)"},
      {"EQ(a;1)x", "Construct error: scheme mismatch"},  // the name a;1
      {"EQ('x'b, 1)", "Construct error: scheme mismatch"},
      {"AND(EQ(a,1) EQ(a,2))", "Construct error: invalid token"},
      {"OR(EQ(a,1),EQ(s,'x'))trailing", "OR(EQ(#0,literal),EQ(#1,literal))"},
  };
  for (const Case& c : cases) EXPECT_EQ(readCondition(c.text, schema), c.expected) << c.text;
}

// The literals read: compared against a row that holds the expected value.
TEST(ConditionReader, ReadsLiteralValuesAsWritten) {
  const Schema schema = {Attribute("a"), Attribute("s", 5)};
  struct Literal {
    std::string_view condition;
    Row row;
  };
  const Literal cases[] = {
      {"EQ(a, 007)", Row{Value(7), Value(std::string("x"))}},
      {"EQ(s, '')", Row{Value(0), Value(std::string())}},
      {"EQ(s, ' x y ')", Row{Value(0), Value(std::string(" x y "))}},
      {"EQ(s, 'abc", Row{Value(0), Value(std::string("abc"))}},
      {"EQ(s, 'a,b)')", Row{Value(0), Value(std::string("a,b)"))}},
      {"NEQ(a, '7')", Row{Value(7), Value(std::string())}},
  };
  for (const Literal& c : cases) {
    CharStream stream(c.condition);
    const Condition condition(schema, stream, true);
    EXPECT_TRUE(condition.evaluate(c.row)) << c.condition;
  }
}

}  // namespace
