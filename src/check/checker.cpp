#include "check/checker.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <utility>

#include "check/compare.h"
#include "check/rules.h"
#include "check/run.h"
#include "check/shrink.h"
#include "query/trace.h"

namespace {

std::optional<Counterexample> shrink(const Exercise& exercise, const Instance& instance,
                                     std::string_view query, const CheckOptions& options) {
  const std::string& reference = exercise.references.front().query;
  const std::vector<const Table*> whole = tablesNamed(instance.registry, instance.tableNames);
  const RowSelection selection = shrinkDifference(
      whole, query, reference, exercise.rows, exercise.columns, options.limits,
      std::chrono::steady_clock::now() + std::chrono::milliseconds(options.shrinkMilliseconds));
  const TableRegistry tables = selectRows(whole, selection);
  const Outcome answer = runQuery(query, tables, options.limits);
  const Outcome expected = runQuery(reference, tables, options.limits);
  if (answer.kind != OutcomeKind::RESULT || expected.kind != OutcomeKind::RESULT) {
    return std::nullopt;
  }
  Counterexample example;
  example.input = std::string(query) + "\n# the fewest rows of instance " + instance.name +
                  " on which this answer and the reference differ\n" +
                  tablesText(tables, instance.tableNames);
  example.answerResult = printedResult(*answer.result);
  example.referenceResult = printedResult(*expected.result);
  for (const std::vector<std::size_t>& rows : selection) example.rows += rows.size();
  for (const Table* table : whole) example.instanceRows += table->rows.size();
  return example;
}

int precedence(Verdict verdict) {
  switch (verdict) {
    case Verdict::NOT_ALLOWED:
      return 0;
    case Verdict::ERROR:
      return 1;
    case Verdict::LIMIT:
      return 2;
    case Verdict::WRONG_SCHEMA:
      return 3;
    case Verdict::WRONG_RESULT:
      return 4;
    case Verdict::MISSING:
      return 5;
    case Verdict::RIGHT:
      return 6;
  }
  return 6;
}

InstanceResult emptyResult(const Instance& instance, Verdict verdict) {
  InstanceResult result;
  result.instance = instance.name;
  result.visible = instance.visible;
  result.verdict = verdict;
  result.pointsPossible = instance.points;
  return result;
}

void total(AnswerResult& answer) {
  answer.verdict = Verdict::RIGHT;
  for (const InstanceResult& result : answer.instances) {
    answer.points += result.points;
    answer.pointsPossible += result.pointsPossible;
    if (precedence(result.verdict) < precedence(answer.verdict)) answer.verdict = result.verdict;
  }
}

}  // namespace

std::string_view verdictName(Verdict verdict) {
  switch (verdict) {
    case Verdict::RIGHT:
      return "right";
    case Verdict::WRONG_RESULT:
      return "wrong-result";
    case Verdict::WRONG_SCHEMA:
      return "wrong-schema";
    case Verdict::ERROR:
      return "error";
    case Verdict::NOT_ALLOWED:
      return "not-allowed";
    case Verdict::LIMIT:
      return "limit";
    case Verdict::MISSING:
      return "missing";
  }
  return "missing";
}

AnswerResult checkAnswer(const Sheet& sheet, const Exercise& exercise, std::string_view query,
                         const CheckOptions& options) {
  AnswerResult answer;
  answer.exercise = exercise.id;
  answer.query = std::string(query);
  for (std::size_t k = 0; k < exercise.instances.size(); ++k) {
    const Instance& instance = sheet.instances[exercise.instances[k]];
    InstanceResult result = emptyResult(instance, Verdict::RIGHT);
    Outcome outcome;
    if (k == 0) {
      // The rules are decided on what the engine read of the query on the
      // first instance; a broken rule stands for every instance.
      QueryTrace trace;
      outcome = runQuery(query, instance.registry, options.limits, &trace);
      const std::string rule = brokenRule(exercise, trace, query, outcome.kind == OutcomeKind::RESULT);
      if (!rule.empty()) {
        for (const std::size_t index : exercise.instances) {
          InstanceResult refused = emptyResult(sheet.instances[index], Verdict::NOT_ALLOWED);
          refused.rule = rule;
          answer.instances.push_back(std::move(refused));
        }
        total(answer);
        return answer;
      }
    } else {
      outcome = runQuery(query, instance.registry, options.limits);
    }
    if (outcome.kind == OutcomeKind::ERROR) {
      result.verdict = Verdict::ERROR;
      result.errorLine = outcome.errorLine;
      result.errorColumn = outcome.errorColumn;
    } else if (outcome.kind == OutcomeKind::LIMIT) {
      result.verdict = Verdict::LIMIT;
      result.limit = outcome.limit;
    } else {
      // The sheet's reading ran the reference on every instance; it runs
      // within the limits again.
      const Outcome reference =
          runQuery(exercise.references.front().query, instance.registry, options.limits);
      if (reference.kind != OutcomeKind::RESULT) {
        result.verdict = Verdict::LIMIT;
        result.limit = reference.kind == OutcomeKind::LIMIT ? reference.limit : "time";
      } else {
        compareResults(*outcome.result, *reference.result, exercise.rows, exercise.columns, result);
        if (result.verdict == Verdict::WRONG_RESULT && options.counterexamples &&
            instance.counterexampleShown) {
          result.counterexample = shrink(exercise, instance, query, options);
        }
      }
    }
    if (result.verdict == Verdict::RIGHT) result.points = instance.points;
    answer.instances.push_back(std::move(result));
  }
  total(answer);
  return answer;
}

AnswerResult missingAnswer(const Sheet& sheet, const Exercise& exercise) {
  AnswerResult answer;
  answer.exercise = exercise.id;
  for (const std::size_t index : exercise.instances) {
    answer.instances.push_back(emptyResult(sheet.instances[index], Verdict::MISSING));
  }
  total(answer);
  answer.verdict = Verdict::MISSING;
  return answer;
}
