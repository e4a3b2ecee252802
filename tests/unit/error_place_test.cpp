#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "io/driver.h"
#include "io/output.h"

namespace {

// Where reading stopped, as evaluateInput reports it beside the error line.
TEST(ErrorPlaceTest, LoadingErrorsNameTheLineAndQueryErrorsTheColumn) {
  struct Case {
    const char* input;
    const char* errorLine;  // the output's last line
    std::size_t line;
    std::size_t column;
  };
  const Case cases[] = {
      // The table name's last letter: its "," is taken back for the form.
      {"SELECT(Epm, GT(a, 1))\n\nEmp(a int)\n1\n", "ERROR: Table not found", 0, 10},
      // In a condition, at the attribute name's last letter, counted in the query.
      {"SELECT(T, GT(b, 1))\n\nT(a int)\n1\n", "ERROR: Construct error: scheme mismatch", 0, 14},
      {"SELECT(T, XX(a, 1))\n\nT(a int)\n1\n", "ERROR: Construct error: invalid token", 0, 13},
      {"PROJECT(SELECT(T, NOT(EQ(a, b))), a)\n\nT(a int)\n1\n",
       "ERROR: Construct error: scheme mismatch", 0, 29},
      // An operator's error, raised once its form is read to its ")".
      {"UNION(A, B)\n\nA(x int)\n\nB(x char(2))\n", "ERROR: Scheme Mismatch_1 at union", 0, 11},
      {"T\n\nT(a int)\n1\nx\n", "ERROR: Input> Not int or string", 5, 0},
      {"T\nc\n\n\nT a int\n", "ERROR: Table name error", 5, 0},
      {"T\r\nc\r\nT(a int)\r\n'x\r\n", "ERROR: Input> End of string", 4, 0},
      {"T\n\nT(a int)\n1\n", "", 0, 0},  // a result ends with an empty line
  };
  for (const Case& c : cases) {
    StringOutput out;
    ErrorPlace place;
    evaluateInput(c.input, out, &place);
    const std::string& text = out.text();
    const std::size_t lastLine = text.rfind('\n', text.size() - 2) + 1;
    EXPECT_EQ(text.substr(lastLine, text.size() - 1 - lastLine), c.errorLine) << c.input;
    EXPECT_EQ(place.line, c.line) << c.input;
    EXPECT_EQ(place.column, c.column) << c.input;
  }
}

}  // namespace
