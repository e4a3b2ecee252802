// The query forms, and the one table from keyword to form through which the
// evaluator dispatches. It is the one place where the layers meet both ways:
// the evaluator runs a form by its keyword, and the form reads its operands
// through the evaluator.
#pragma once

#include <array>
#include <string_view>

#include "model/table.h"
#include "query/evaluator.h"

// A query form reads its arguments from the query after its keyword and the
// "(" (which current holds), calls its operator and returns the result; use
// says how the enclosing form reads it.
using FormReader = Relation (*)(Query& query, char current, RowUse use);

struct OperatorForm {
  std::string_view keyword;
  FormReader read;
};

// The forms in the order their keywords are tried.
extern const std::array<OperatorForm, 6> kOperatorForms;
