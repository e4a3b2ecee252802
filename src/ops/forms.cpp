// The query forms: each reads its arguments from the query, character by
// character, after its keyword's "(" and calls its operator. Separators and
// closing characters are consumed without being examined.
#include "ops/forms.h"

#include <cstddef>
#include <string>
#include <vector>

#include "model/query_error.h"
#include "ops/operators.h"
#include "text/chars.h"

namespace {

// Reads names separated by commas up to a ")", starting from current.
// Blanks are dropped anywhere and empty names are kept; a list that stops
// at once holds one empty name. Raises endMessage when the text ends first.
// current is left on the ")".
std::vector<std::string> readNameList(CharStream& text, char& current, const char* endMessage) {
  std::vector<std::string> names;
  std::string name;
  while (current != ')') {
    if (current == ',') {
      names.push_back(std::move(name));
      name.clear();
    } else if (!isBlank(current)) {
      name += current;
    }
    if (!text.get(current)) throw QueryError(endMessage);
  }
  names.push_back(std::move(name));
  return names;
}

// UNION, MINUS, PRODUCT: operand, separator, operand, closing character. A
// missing closing character at the end of the text is no error.
template <Table (*op)(const Table&, const Table&)>
Table readTwoOperandForm(Query& query, char current) {
  const Table left = evaluateExpression(query);
  nextNonBlank(query.text, current);
  const Table right = evaluateExpression(query);
  nextNonBlank(query.text, current);
  return op(left, right);
}

// PROJECT: operand, separator, names up to ")". The ")" that ends the list
// is the form's own.
Table readProject(Query& query, char current) {
  const Table source = evaluateExpression(query);
  nextNonBlank(query.text, current);
  query.text.get(current);  // blanks are not skipped: the list drops them
  const std::vector<std::string> names = readNameList(query.text, current, msg::kProjectEnd);
  return tableProject(source, names);
}

// RENAME: operand, separator, new name up to "(" (commas and ")" belong to
// it), names up to ")", closing character.
Table readRename(Query& query, char current) {
  const Table source = evaluateExpression(query);
  nextNonBlank(query.text, current);
  nextNonBlank(query.text, current);
  std::string newName;
  if (!collectNonBlanksUntil(query.text, current, newName, [](char c) { return c == '('; })) {
    throw QueryError(msg::kRenameNameEnd);
  }
  nextNonBlank(query.text, current);
  const std::vector<std::string> names = readNameList(query.text, current, msg::kRenameListEnd);
  nextNonBlank(query.text, current);
  return tableRename(source, std::move(newName), names);
}

// SELECT: operand, separator, then the condition text: every character up
// to the ")" that balances the parentheses opened after the separator.
// Quotes do not protect parentheses; blanks stay.
Table readSelect(Query& query, char current) {
  const Table source = evaluateExpression(query);
  nextNonBlank(query.text, current);
  const std::size_t begin = query.text.column();
  std::size_t depth = 0;
  std::size_t length = 0;
  while (current != ')' || depth != 0) {
    if (current == '(') {
      ++depth;
    } else if (current == ')') {
      --depth;
    }
    if (!query.text.get(current)) throw QueryError(msg::kSelectEnd);
    if (current != ')' || depth != 0) ++length;
  }
  // The condition is read through a window over the query that stands in for
  // the query's stream meanwhile, so that an error raised in the condition
  // leaves the query's reading where the condition's stopped.
  const CharStream rest = query.text;
  query.text = rest.window(begin, length);
  Table result = tableSelect(source, query.text);
  query.text = rest;
  return result;
}

}  // namespace

const std::array<OperatorForm, 6> kOperatorForms = {{
    {"UNION", readTwoOperandForm<tableUnion>},
    {"MINUS", readTwoOperandForm<tableMinus>},
    {"PRODUCT", readTwoOperandForm<tableProduct>},
    {"PROJECT", readProject},
    {"RENAME", readRename},
    {"SELECT", readSelect},
}};
