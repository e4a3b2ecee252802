#include "check/checker.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <utility>

#include "check/compare.h"
#include "check/run.h"
#include "check/shrink.h"
#include "model/query_error.h"
#include "query/condition.h"
#include "query/trace.h"
#include "text/char_stream.h"

namespace {

std::string_view conditionKeyword(ConditionKind kind) {
  static constexpr std::array<std::string_view, 9> kNames = {"EQ",  "NEQ", "LT", "LTE", "GT",
                                                             "GTE", "AND", "OR", "NOT"};
  const auto index = static_cast<std::size_t>(kind);
  return index < kNames.size() ? kNames[index] : std::string_view();
}

void addConditionKeywords(const Condition& condition, std::vector<std::string>& into) {
  const std::string_view keyword = conditionKeyword(condition.kind());
  if (keyword.empty()) return;
  into.emplace_back(keyword);
  if (condition.left() != nullptr) addConditionKeywords(*condition.left(), into);
  if (condition.right() != nullptr) addConditionKeywords(*condition.right(), into);
}

// The keywords the engine read: the labels of its operator forms, and the
// keywords of the conditions of the SELECTs it read whole, read again
// against their operand's schema as the engine read them.
std::vector<std::string> keywordsRead(const QueryTrace& trace) {
  static constexpr std::array<std::string_view, 6> kForms = {"UNION",   "MINUS",  "PRODUCT",
                                                             "PROJECT", "RENAME", "SELECT"};
  std::vector<std::string> found;
  for (const TraceNode& node : trace.nodes()) {
    if (std::find(kForms.begin(), kForms.end(), node.label) == kForms.end()) continue;
    found.push_back(node.label);
    if (node.label != "SELECT" || !node.done || node.children.empty()) continue;
    const TraceNode& operand = trace.nodes()[node.children.front()];
    CharStream text(node.args);
    try {
      const Condition condition(operand.table.schema, text, true);
      addConditionKeywords(condition, found);
    } catch (const QueryError&) {
      // Read whole by the engine, the condition reads again the same way.
    }
  }
  return found;
}

// The rule the answer breaks, or an empty text.
std::string brokenRule(const Exercise& exercise, const QueryTrace& trace, bool readWhole) {
  const std::vector<std::string> read = keywordsRead(trace);
  auto wasRead = [&](const std::string& keyword) {
    return std::find(read.begin(), read.end(), keyword) != read.end();
  };
  for (const std::string& keyword : exercise.forbid) {
    if (wasRead(keyword)) return keyword + " is not allowed";
  }
  if (!readWhole) return {};
  for (const std::string& keyword : exercise.require) {
    if (!wasRead(keyword)) return keyword + " is required";
  }
  return {};
}

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
      const std::string rule = brokenRule(exercise, trace, outcome.kind == OutcomeKind::RESULT);
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
        compareResults(*outcome.result, *reference.result, exercise.rows, exercise.columns,
                       result);
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
