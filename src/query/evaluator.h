// The query expression evaluator: reads a query character by character and
// evaluates while it reads. An expression is a stored table's name or an
// operator form (a keyword, "(" and the form's arguments). The forms are
// handed to the evaluator as a table from keyword to form reader (the
// operators' layer has it, ops/forms.h); they read their operands by calling
// evaluateExpression again.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "model/operand.h"
#include "model/table.h"
#include "text/char_stream.h"

class QueryTrace;
struct Query;

// How the form that reads an expression uses its rows: TABLE when it needs
// them as a table (a PRODUCT then checks at once that it could be built),
// STREAM when it reads a product's rows one at a time (SELECT) and nothing
// is built.
enum class RowUse { TABLE, STREAM };

// A query form reads its arguments from the query after its keyword and the
// "(" (which current holds), calls its operator and returns the result; use
// says how the enclosing form reads it.
using FormReader = Operand (*)(Query& query, char current, RowUse use);

// A keyword, in capitals, and the reader of its form.
struct OperatorForm {
  std::string_view keyword;
  FormReader read;
};

// The forms in the order their keywords are tried.
using OperatorForms = std::span<const OperatorForm>;

// How many operator forms may enclose another one.
inline constexpr int kMaxFormDepth = 1000;

// What every activation of the evaluator shares: one stream over the query
// text, the stored tables, the forms, and how many forms enclose the current
// one.
struct Query {
  Query(std::string_view queryText, const TableRegistry& tables, OperatorForms operatorForms)
      : text(queryText), line(queryText), registry(tables), forms(operatorForms) {}

  CharStream text;
  std::string_view line;  // the whole query line
  const TableRegistry& registry;
  OperatorForms forms;
  int depth = 0;
  QueryTrace* trace = nullptr;  // records the reading when set
  // A condition is read through a stream of its own: where its reading
  // stood when it raised an error, the column where the query's reading
  // stopped; 0 otherwise.
  std::size_t stoppedInCondition = 0;
};

// Reads one expression from the query's current position and returns its
// table: a stored table, borrowed, or what an operator form returns. A table
// name that ends at "," or ")" leaves that delimiter in the stream for the
// enclosing form; after a form the stream stands where the form leaves it.
// Raises "Table not found" (also where no character is left to begin the
// expression), the word followed by ": Wrong parameter" for a word before
// "(" that is no keyword, "Query nested too deeply" for a form inside
// kMaxFormDepth others, and whatever the forms and operators raise.
Operand evaluateExpression(Query& query, RowUse use);

// Evaluates the whole query line against the stored tables, which the result
// may borrow from, with the operator forms given. Whatever follows the first complete expression is
// never read. A product comes back unbuilt, and checked as RowUse::TABLE does. When an error is
// raised and stoppedAt is given, it is set to the query's column where reading stopped (in a
// condition, too). When trace is given, the reading is recorded there.
Operand evaluateQuery(std::string_view queryText, const TableRegistry& registry,
                      OperatorForms forms, std::size_t* stoppedAt = nullptr,
                      QueryTrace* trace = nullptr);

// Three-way comparison without regard to the case of the letters a to z:
// -1, 0 or 1.
int compareIgnoreCase(std::string_view a, std::string_view b);
