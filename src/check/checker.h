// Checking one answer against an exercise: the answer and the reference are
// run in process on every instance of the exercise, and each instance gets a
// verdict with what explains it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "check/limits.h"
#include "check/sheet.h"
#include "model/value.h"

enum class Verdict { RIGHT, WRONG_RESULT, WRONG_SCHEMA, ERROR, NOT_ALLOWED, LIMIT, MISSING };

// "right", "wrong-result", "wrong-schema", "error", "not-allowed", "limit",
// "missing": the names every report uses.
std::string_view verdictName(Verdict verdict);

// A row that one side has and the other lacks: under the bag policy, count
// is how many more times it stands on that side; under the set policy it is
// 1. text is the row as raeval prints it ("1,'Ann'").
struct RowDifference {
  Row row;
  std::uint64_t count = 1;
  std::string text;
};

// Under the list policy, where the two row lists first differ: position
// counts from 1; a side whose list ends before it has no row there.
struct OrderDifference {
  std::size_t position = 0;
  bool answerHasRow = false;
  bool referenceHasRow = false;
  std::string answerRow;     // as raeval prints it
  std::string referenceRow;  // as raeval prints it
};

// The smallest tables found that show the mistake: a sub-instance (every
// table keeps a subset of its rows, in order) on which answer and reference
// still differ, and from which no single row can be removed without them
// agreeing.
struct Counterexample {
  // A runnable raeval input file: the answer's query on line 1, a comment on
  // line 2, then the tables.
  std::string input;
  // Both results on it as raeval prints them: the schema line, the rows and
  // the empty line after them.
  std::string answerResult;
  std::string referenceResult;
  // The rows of the sub-instance, and of the instance it was taken from.
  std::size_t rows = 0;
  std::size_t instanceRows = 0;
};

struct InstanceResult {
  std::string instance;  // its name
  bool visible = true;
  Verdict verdict = Verdict::MISSING;
  int points = 0;  // earned: the instance's points when right, else 0
  int pointsPossible = 0;

  // wrong-result: the rows missing from the answer and those in excess in
  // it, in ascending row order (under the list policy, counted as under the
  // bag policy; both empty when only the order differs), and under the list
  // policy the first place where the two lists differ.
  std::vector<RowDifference> missing;
  std::vector<RowDifference> excess;
  std::optional<OrderDifference> order;
  std::uint64_t answerRows = 0;
  std::uint64_t referenceRows = 0;

  // wrong-schema (and wrong-result, for the report): both schemas as
  // raeval prints them, "Name(a int, b char(8))".
  std::string answerSchema;
  std::string referenceSchema;

  // error: the answer's line exactly as raeval writes it ("ERROR: " and the
  // message) and the query's column (from 1) where reading stopped.
  std::string errorLine;
  std::size_t errorColumn = 0;

  // not-allowed: what rule was broken, e.g. "MINUS is not allowed" or
  // "PRODUCT is required".
  std::string rule;

  // limit: which limit was passed, "time" or "memory".
  std::string limit;

  // wrong-result, when the instance's counterexample may be shown and
  // CheckOptions::counterexamples is set.
  std::optional<Counterexample> counterexample;
};

struct AnswerResult {
  std::string exercise;
  std::string query;
  // The answer's verdict: right when every instance is; otherwise the first
  // of not-allowed, error, limit, wrong-schema, wrong-result that an
  // instance has; missing when there is no answer.
  Verdict verdict = Verdict::MISSING;
  int points = 0;
  int pointsPossible = 0;
  std::vector<InstanceResult> instances;
};

struct CheckOptions {
  Limits limits;
  // Whether to shrink wrong results to counterexamples (where the instance
  // allows them to be shown). Off, checking is faster.
  bool counterexamples = true;
  // Limits for all the evaluations of one shrinking together; a shrinking
  // cut short keeps the smallest sub-instance found so far.
  std::uint32_t shrinkMilliseconds = 5000;
};

// Checks query as the answer to exercise, on each of its instances in
// order. The operator rules are checked on what the engine read of the
// query (its operator forms and condition keywords), never on its text: a
// rule broken gives not-allowed on every instance. Raises nothing for any
// query; a runaway answer ends in the limit verdict.
AnswerResult checkAnswer(const Sheet& sheet, const Exercise& exercise, std::string_view query,
                         const CheckOptions& options = CheckOptions{});

// The result for an exercise that has no answer: missing on every instance.
AnswerResult missingAnswer(const Sheet& sheet, const Exercise& exercise);
