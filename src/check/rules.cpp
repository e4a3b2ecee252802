#include "check/rules.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "model/query_error.h"
#include "query/condition.h"
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

}  // namespace

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
