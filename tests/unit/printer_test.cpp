// printTable on the rows a person would check by eye: every kind of value,
// rows far longer than any buffer, 0 bytes inside strings, empty rows.
#include "io/printer.h"

#include <gtest/gtest.h>

#include <string>

#include "io/output.h"

namespace {

TEST(PrinterTest, WritesSchemaRowsAndTheClosingEmptyLine) {
  Table table("Emp");
  table.addAttribute(Attribute("id"));
  table.addAttribute(Attribute("name", 20));
  const std::string longText(700, 'x');
  table.addRow(Row{Value(1), Value(std::string("Ann"))});
  table.addRow(Row{Value(-2147483647 - 1), Value(std::string("a, b"))});
  table.addRow(Row{});
  table.addRow(Row{Value(std::string("n\0l", 3)), Value(0)});
  table.addRow(Row{Value(longText), Value(-7), Value(longText)});
  table.addRow(Row{Value(std::string())});

  StringOutput out;
  printTable(table, out);
  const std::string expected = std::string("Emp(id int, name char(20))\n") + "1,'Ann'\n" +
                               "-2147483648,'a, b'\n" + "\n" + std::string("'n\0l',0\n", 8) + "'" +
                               longText + "',-7,'" + longText + "'\n" + "''\n" + "\n";
  EXPECT_EQ(out.text(), expected);
}

TEST(PrinterTest, ATableWithoutNameAttributesOrRows) {
  StringOutput out;
  printTable(Table(""), out);
  EXPECT_EQ(out.text(), "()\n\n");
}

}  // namespace
