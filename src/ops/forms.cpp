// The query forms: each reads its arguments from the query, character by
// character, after its keyword's "(" and calls its operator. Separators and
// closing characters are consumed without being examined.
#include "ops/forms.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "model/query_error.h"
#include "ops/join.h"
#include "ops/operators.h"
#include "ops/product.h"
#include "query/condition.h"
#include "query/token.h"
#include "query/trace.h"
#include "text/chars.h"

namespace {

// Consumes the character after an operand or an argument, after any blanks,
// without examining it: "," or ")" in well-formed text, but anything is
// taken. The end of the text is no error.
void separatorStep(Query& query, char& current) {
  if (nextNonBlank(query.text, current) && !isBlank(current)) {
    recordDelimiter(query.trace, current, query.text.column());
  }
}

// Reads names separated by commas up to a ")", starting from current.
// Blanks are dropped anywhere and empty names are kept; a list that stops
// at once holds one empty name. Raises endMessage when the text ends first.
// current is left on the ")". Each name read is a token and an argument.
std::vector<std::string> readNameList(Query& query, char& current, const char* endMessage) {
  CharStream& text = query.text;
  QueryTrace* const trace = query.trace;
  std::vector<std::string> names;
  std::string name;
  std::size_t first = 0;
  std::size_t last = 0;
  const auto endName = [&] {
    if (trace != nullptr && !name.empty() && trace->token(TokenKind::ATTRIBUTE, first, last)) {
      trace->argument(first, last, name);
    }
  };
  while (current != ')') {
    if (current == ',') {
      endName();
      recordDelimiter(trace, current, text.column());
      names.push_back(std::move(name));
      name.clear();
    } else if (!isBlank(current)) {
      if (name.empty()) first = text.column();
      last = text.column();
      name += current;
    }
    if (!text.get(current)) {
      endName();
      throw QueryError(endMessage);
    }
  }
  endName();
  recordDelimiter(trace, current, text.column());
  names.push_back(std::move(name));
  return names;
}

// An operand whose rows the form needs as a table: a product is built at
// once, where it ends in the query.
Relation evaluateTable(Query& query) {
  return buildRelation(evaluateExpression(query, RowUse::TABLE));
}

// UNION, MINUS: operand, separator, operand, closing character. A missing
// closing character at the end of the text is no error.
template <Table (*op)(const Relation&, const Relation&)>
Operand readTwoOperandForm(Query& query, char current, RowUse /*use*/) {
  const Relation left = evaluateTable(query);
  separatorStep(query, current);
  const Relation right = evaluateTable(query);
  separatorStep(query, current);
  return op(left, right);
}

// PRODUCT reads like UNION, but its operands stay unbuilt and so does its
// result. Where the rows will be needed as a table, the product is refused
// here, before anything else is read, if it could not be built.
Operand readProduct(Query& query, char current, RowUse use) {
  Operand left = evaluateExpression(query, use);
  separatorStep(query, current);
  Operand right = evaluateExpression(query, use);
  separatorStep(query, current);
  Product product = tableProduct(std::move(left), std::move(right));
  if (use == RowUse::TABLE) requireRoomToBuild(product);
  return product;
}

// PROJECT: operand, separator, names up to ")". The ")" that ends the list
// is the form's own. Where the text ends right after the separator, the
// list is that separator: a ")" is a list of one empty name, anything else
// a list that never ends.
Operand readProject(Query& query, char current, RowUse /*use*/) {
  const Relation source = evaluateTable(query);
  separatorStep(query, current);
  // Blanks are not skipped: the list drops them.
  if (!query.text.get(current)) {
    if (current != ')') throw QueryError(msg::kProjectEnd);
    return tableProject(source, std::vector<std::string>(1));
  }
  const std::vector<std::string> names = readNameList(query, current, msg::kProjectEnd);
  return tableProject(source, names);
}

// RENAME: operand, separator, new name up to "(" (commas and ")" belong to
// it), names up to ")", closing character.
Operand readRename(Query& query, char current, RowUse use) {
  QueryTrace* const trace = query.trace;
  Operand source = evaluateExpression(query, use);
  separatorStep(query, current);
  nextNonBlank(query.text, current);
  std::string newName;
  const std::size_t first = query.text.column();
  std::size_t last = first;
  const bool ended = !collectNonBlanksUntil(
      query.text, current, newName, [](char c) { return c == '('; }, &last);
  if (trace != nullptr && !newName.empty() && trace->token(TokenKind::NAME, first, last)) {
    trace->argument(first, last, newName);
  }
  if (ended) throw QueryError(msg::kRenameNameEnd);
  recordDelimiter(trace, current, query.text.column());
  nextNonBlank(query.text, current);
  const std::vector<std::string> names = readNameList(query, current, msg::kRenameListEnd);
  if (trace != nullptr) trace->argumentsReach(query.text.column());
  separatorStep(query, current);
  return tableRename(std::move(source), std::move(newName), names);
}

// SELECT: operand, separator, then the condition text: every character up
// to the ")" that balances the parentheses opened after the separator.
// Quotes do not protect parentheses; blanks stay. A product operand is read
// row by row, never built.
Operand readSelect(Query& query, char current, RowUse /*use*/) {
  QueryTrace* const trace = query.trace;
  const Operand source = evaluateExpression(query, RowUse::STREAM);
  separatorStep(query, current);
  const std::size_t begin = query.text.column();
  std::size_t depth = 0;
  std::size_t length = 0;
  std::size_t first = 0;  // the condition's first and last non-blank columns
  std::size_t last = 0;
  while (current != ')' || depth != 0) {
    if (current == '(') {
      ++depth;
    } else if (current == ')') {
      --depth;
    }
    if (!query.text.get(current)) throw QueryError(msg::kSelectEnd);
    if (current != ')' || depth != 0) {
      ++length;
      if (!isBlank(current)) {
        if (first == 0) first = query.text.column();
        last = query.text.column();
      }
    }
  }
  if (trace != nullptr && first != 0) {
    trace->argument(first, last, std::string(query.line.substr(first - 1, last - first + 1)));
  }
  // The condition is read through a window over its text, which ends where
  // the condition does; an error raised while it is read or evaluated stops
  // the query's reading where the condition's reading stopped.
  CharStream conditionText = query.text.window(begin, length);
  try {
    const Condition condition(source.schema(), conditionText, true, trace);
    const Product* product = source.product();
    Table result = product != nullptr ? selectFromProduct(*product, condition)
                                      : tableSelect(*source.relation(), condition);
    recordDelimiter(trace, current, query.text.column());
    return result;
  } catch (const QueryError&) {
    query.stoppedInCondition = conditionText.column();
    throw;
  }
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
