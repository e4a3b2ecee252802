// The query forms: the one table from keyword to form that the evaluator is
// handed, each form reading its arguments and calling its operator.
#pragma once

#include <array>

#include "query/evaluator.h"

// The forms in the order their keywords are tried.
extern const std::array<OperatorForm, 6> kOperatorForms;
