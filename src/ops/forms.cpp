// The query forms: each reads its arguments from the query, character by
// character, after its keyword's "(" and calls its operator. Separators and
// closing characters are consumed without being examined.
#include "ops/forms.h"

#include <cstddef>
#include <string>
#include <utility>
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

// An operand whose rows the form needs as a table: a product is built at
// once, where it ends in the query.
Relation evaluateTable(Query& query) {
  Relation operand = evaluateExpression(query, RowUse::TABLE);
  operand.materialise();
  return operand;
}

// UNION, MINUS: operand, separator, operand, closing character. A missing
// closing character at the end of the text is no error.
template <Table (*op)(const Relation&, const Relation&)>
Relation readTwoOperandForm(Query& query, char current, RowUse /*use*/) {
  const Relation left = evaluateTable(query);
  nextNonBlank(query.text, current);
  const Relation right = evaluateTable(query);
  nextNonBlank(query.text, current);
  return op(left, right);
}

// PRODUCT reads like UNION, but its operands stay unbuilt and so does its
// result. Where the rows will be needed as a table, the product is refused
// here, before anything else is read, if it could not be built.
Relation readProduct(Query& query, char current, RowUse use) {
  Relation left = evaluateExpression(query, use);
  nextNonBlank(query.text, current);
  Relation right = evaluateExpression(query, use);
  nextNonBlank(query.text, current);
  Relation product = tableProduct(std::move(left), std::move(right));
  if (use == RowUse::TABLE) requireRoomToBuild(product);
  return product;
}

// PROJECT: operand, separator, names up to ")". The ")" that ends the list
// is the form's own.
Relation readProject(Query& query, char current, RowUse /*use*/) {
  const Relation source = evaluateTable(query);
  nextNonBlank(query.text, current);
  query.text.get(current);  // blanks are not skipped: the list drops them
  const std::vector<std::string> names = readNameList(query.text, current, msg::kProjectEnd);
  return tableProject(source, names, query.writerHere());
}

// RENAME: operand, separator, new name up to "(" (commas and ")" belong to
// it), names up to ")", closing character.
Relation readRename(Query& query, char current, RowUse use) {
  Relation source = evaluateExpression(query, use);
  nextNonBlank(query.text, current);
  nextNonBlank(query.text, current);
  std::string newName;
  if (!collectNonBlanksUntil(query.text, current, newName, [](char c) { return c == '('; })) {
    throw QueryError(msg::kRenameNameEnd);
  }
  nextNonBlank(query.text, current);
  const std::vector<std::string> names = readNameList(query.text, current, msg::kRenameListEnd);
  nextNonBlank(query.text, current);
  return tableRename(std::move(source), std::move(newName), names);
}

// SELECT: operand, separator, then the condition text: every character up
// to the ")" that balances the parentheses opened after the separator.
// Quotes do not protect parentheses; blanks stay. A product operand is read
// row by row, never built.
Relation readSelect(Query& query, char current, RowUse /*use*/) {
  const Relation source = evaluateExpression(query, RowUse::STREAM);
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
  Table result = tableSelect(source, query.text, query.writerHere());
  query.text = rest;
  return result;
}

}  // namespace

const std::array<OperatorForm, 6> kOperatorForms = {{
    {"UNION", readTwoOperandForm<tableUnion>},
    {"MINUS", readTwoOperandForm<tableMinus>},
    {"PRODUCT", readProduct},
    {"PROJECT", readProject},
    {"RENAME", readRename},
    {"SELECT", readSelect},
}};
