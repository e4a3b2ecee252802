#include "check/run.h"

#include <chrono>
#include <new>
#include <utility>

#include "io/output.h"
#include "io/printer.h"
#include "model/evaluation_budget.h"
#include "model/query_error.h"
#include "ops/forms.h"
#include "ops/product.h"
#include "query/evaluator.h"

Outcome runQuery(std::string_view query, const TableRegistry& tables, const Limits& limits,
                 QueryTrace* trace) {
  Outcome outcome;
  EvaluationBudget budget(
      std::chrono::steady_clock::now() + std::chrono::milliseconds(limits.milliseconds),
      limits.values);
  const BudgetScope scope(budget);
  std::size_t column = 0;
  try {
    Operand result = evaluateQuery(query, tables, kOperatorForms, &column, trace);
    // raeval prints a product row by row; the checker compares rows, so it
    // is built, within the budget.
    outcome.result.emplace(buildRelation(std::move(result)));
    outcome.kind = OutcomeKind::RESULT;
  } catch (const QueryError& error) {
    outcome.kind = OutcomeKind::ERROR;
    outcome.errorLine = "ERROR: " + error.message();
    outcome.errorColumn = column;
  } catch (const BudgetExceeded& exceeded) {
    outcome.kind = OutcomeKind::LIMIT;
    outcome.limit = exceeded.kind() == BudgetExceeded::Kind::TIME ? "time" : "memory";
  } catch (const std::bad_alloc&) {
    outcome.kind = OutcomeKind::LIMIT;
    outcome.limit = "memory";
  }
  return outcome;
}

std::string printedResult(const Relation& result) {
  // The printer takes an operand; a result the checker prints is small.
  Table copy = emptyTableLike(result);
  copy.rows = result.rows();
  StringOutput out;
  printTable(Operand(std::move(copy)), out);
  return out.text();
}

std::string printedRow(const Row& row) {
  std::string text;
  bool first = true;
  for (const Value& value : row) {
    if (!first) text += ',';
    first = false;
    if (value.isString()) {
      text += '\'';
      text += value.text();
      text += '\'';
    } else {
      text += std::to_string(value.number());
    }
  }
  return text;
}

std::string printedSchema(const std::string& name, const Schema& schema) {
  Table empty(name);
  empty.schema = schema;
  StringOutput out;
  printTable(Operand(std::move(empty)), out);
  const std::string& text = out.text();
  // The schema line alone: without its newline and the empty line after it.
  return text.substr(0, text.find('\n'));
}
