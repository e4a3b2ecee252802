// One evaluation of a query on an instance's tables, within limits: what
// the checker, the shrinking and the audit all run.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "check/limits.h"
#include "model/relation.h"
#include "model/table.h"

class QueryTrace;

enum class OutcomeKind { RESULT, ERROR, LIMIT };

struct Outcome {
  OutcomeKind kind = OutcomeKind::ERROR;
  // RESULT: the query's result, never an unbuilt product; it may borrow the
  // rows of a table of the registry it ran on, which must outlive it.
  std::optional<Relation> result;
  // ERROR: the line raeval writes ("ERROR: " and the message) and the
  // query's column where reading stopped (from 1; 0 where none applies).
  std::string errorLine;
  std::size_t errorColumn = 0;
  // LIMIT: "time" or "memory".
  std::string limit;
};

// Evaluates query on tables under limits, recording the reading in trace
// when one is given. Raises nothing: an error becomes ERROR, and running
// past the time or the values allowed, or out of memory, becomes LIMIT.
Outcome runQuery(std::string_view query, const TableRegistry& tables, const Limits& limits,
                 QueryTrace* trace = nullptr);

// The result as raeval prints it: the schema line, one line per row and an
// empty line.
std::string printedResult(const Relation& result);
// One row as raeval prints it: "1,'Ann'".
std::string printedRow(const Row& row);
// A schema as raeval prints it: "Name(a int, b char(8))".
std::string printedSchema(const std::string& name, const Schema& schema);
