#include "check/audit.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "check/run.h"
#include "check/shrink.h"
#include "query/condition.h"
#include "query/token.h"
#include "query/trace.h"

namespace {

// A condition as its text stands in the query: a keyword form with its
// operands, or an operand (an attribute name or a literal). Spans are
// offsets into the query, end excluded; a form's keyword ends at keywordEnd.
struct ConditionSpan {
  std::string keyword;                     // in capitals; empty for an operand
  const ConditionKeyword* form = nullptr;  // the keyword's entry; null for an operand
  bool literal = false;
  std::size_t begin = 0;
  std::size_t keywordEnd = 0;
  std::size_t end = 0;
  std::vector<ConditionSpan> operands;
};

// Reads the condition the engine read from its tokens, from tokens[at]: a
// condition keyword, "(", its operands separated by ",", ")"; or an
// operand token. Returns nothing where the tokens are not of that shape
// (reading stopped in them). at is left after the last token taken.
std::optional<ConditionSpan> conditionFrom(const std::vector<Token>& tokens, std::size_t& at,
                                           std::string_view query, int depth = 0) {
  if (at >= tokens.size() || depth > kMaxConditionDepth) return std::nullopt;
  const Token& token = tokens[at++];
  ConditionSpan node;
  node.begin = token.first - 1;
  node.end = token.last;
  if (token.kind == TokenKind::ATTRIBUTE || token.kind == TokenKind::NUMBER ||
      token.kind == TokenKind::STRING) {
    node.literal = token.kind != TokenKind::ATTRIBUTE;
    return node;
  }
  if (token.kind != TokenKind::CONDITION_KEYWORD) return std::nullopt;
  node.keyword = keywordOf(token, query);
  node.form = findConditionKeyword(node.keyword);
  if (node.form == nullptr) return std::nullopt;
  node.keywordEnd = token.last;
  if (at >= tokens.size() || tokens[at++].kind != TokenKind::OPEN) return std::nullopt;
  for (;;) {
    std::optional<ConditionSpan> operand = conditionFrom(tokens, at, query, depth + 1);
    if (!operand) return std::nullopt;
    node.operands.push_back(std::move(*operand));
    if (at >= tokens.size()) return std::nullopt;
    const Token& next = tokens[at++];
    if (next.kind == TokenKind::CLOSE) {
      node.end = next.last;
      break;
    }
    if (next.kind != TokenKind::COMMA) return std::nullopt;
  }
  if (node.operands.size() != static_cast<std::size_t>(node.form->arguments)) return std::nullopt;
  return node;
}

// The index of the first token that begins at or after column.
std::size_t firstTokenFrom(const std::vector<Token>& tokens, std::size_t column) {
  const auto found =
      std::lower_bound(tokens.begin(), tokens.end(), column,
                       [](const Token& token, std::size_t at) { return token.first < at; });
  return static_cast<std::size_t>(found - tokens.begin());
}

class MutantMaker {
 public:
  explicit MutantMaker(std::string_view query) : query_(query) {}

  std::vector<Mutant> take() { return std::move(mutants_); }

  // The query with [begin, end) replaced by text.
  void splice(std::size_t begin, std::size_t end, const std::string& text, std::string change) {
    std::string mutated =
        std::string(query_.substr(0, begin)) + text + std::string(query_.substr(end));
    add(std::move(mutated), std::move(change), begin, end);
  }

  void add(std::string mutated, std::string change, std::size_t begin, std::size_t end) {
    if (mutated == query_) return;
    for (const Mutant& other : mutants_) {
      if (other.query == mutated) return;
    }
    mutants_.push_back(
        {std::move(mutated), std::move(change), begin + 1, std::max(begin + 1, end)});
  }

  std::string text(std::size_t begin, std::size_t end) const {
    return std::string(query_.substr(begin, end - begin));
  }

  // The mutants of one condition and each of its parts. join is whether the
  // SELECT reads a PRODUCT; dropSelect is the text that stands for the
  // whole SELECT without its condition (its operand).
  void condition(const ConditionSpan& node, bool join, bool root, std::size_t selectBegin,
                 std::size_t selectEnd, const std::string& operand) {
    if (node.form == nullptr) return;
    static const std::vector<std::pair<std::string, std::string>> kNeighbours = {
        {"GT", "GTE"}, {"GTE", "GT"}, {"LT", "LTE"}, {"LTE", "LT"},
        {"EQ", "NEQ"}, {"NEQ", "EQ"}, {"AND", "OR"}, {"OR", "AND"}};
    for (const auto& [from, to] : kNeighbours) {
      if (node.keyword != from) continue;
      std::string change = from;
      change += " -> ";
      change += to;
      splice(node.begin, node.keywordEnd, to, std::move(change));
    }
    const bool comparison = !node.form->argumentsAreConditions;
    if (node.form->kind == ConditionKind::AND) {
      for (std::size_t k = 0; k < 2; ++k) {
        const ConditionSpan& kept = node.operands[1 - k];
        const ConditionSpan& dropped = node.operands[k];
        const bool joinCondition = join && isJoinCondition(dropped);
        splice(node.begin, node.end, text(kept.begin, kept.end),
               joinCondition ? "join condition dropped" : "AND operand dropped");
      }
    }
    if (root && join && isJoinCondition(node)) {
      splice(selectBegin, selectEnd, operand, "join condition dropped");
    }
    if (node.form->kind == ConditionKind::NOT) {
      const ConditionSpan& inner = node.operands[0];
      splice(node.begin, node.end, text(inner.begin, inner.end), "NOT removed");
    } else if (comparison || root) {
      splice(node.begin, node.end, "NOT(" + text(node.begin, node.end) + ")", "NOT added");
    }
    for (const ConditionSpan& part : node.operands) {
      condition(part, join, false, selectBegin, selectEnd, operand);
    }
  }

  static bool isJoinCondition(const ConditionSpan& node) {
    return node.form != nullptr && node.form->kind == ConditionKind::EQ &&
           node.operands.size() == 2 && node.operands[0].form == nullptr &&
           node.operands[1].form == nullptr && !node.operands[0].literal &&
           !node.operands[1].literal;
  }

 private:
  std::string_view query_;
  std::vector<Mutant> mutants_;
};

// Offsets of a node's span in the query (its columns count from 1).
std::size_t beginOf(const TraceNode& node) { return node.first - 1; }
std::size_t endOf(const TraceNode& node) { return node.last; }

std::string joinNames(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) text += (i > 0 ? ", " : "") + names[i];
  return text;
}

void formMutants(std::string_view query, const QueryTrace& trace, const TraceNode& node,
                 MutantMaker& maker) {
  const std::vector<TraceNode>& nodes = trace.nodes();
  const std::vector<Token>& tokens = trace.tokens();
  if (node.children.empty()) return;
  const TraceNode& first = nodes[node.children.front()];
  // The keyword's token opens the node.
  const std::size_t keyword = firstTokenFrom(tokens, node.first);
  if (keyword >= tokens.size() || tokens[keyword].kind != TokenKind::KEYWORD) return;
  const std::size_t keywordEnd = tokens[keyword].last;
  if (node.label == "PROJECT") {
    maker.splice(beginOf(node), endOf(node), maker.text(beginOf(first), endOf(first)),
                 "PROJECT left out");
    if (node.arguments.empty()) return;
    const std::size_t listBegin = node.arguments.front().first - 1;
    const std::size_t listEnd = node.arguments.back().last;
    std::vector<std::string> names;
    for (const TraceArgument& argument : node.arguments) names.push_back(argument.text);
    if (names.size() > 1) {
      for (std::size_t i = 0; i < names.size(); ++i) {
        std::vector<std::string> fewer = names;
        fewer.erase(fewer.begin() + static_cast<std::ptrdiff_t>(i));
        maker.splice(listBegin, listEnd, joinNames(fewer), "PROJECT without " + names[i]);
      }
    }
    for (const Attribute& attribute : first.table.schema) {
      if (std::find(names.begin(), names.end(), attribute.name()) != names.end()) continue;
      std::vector<std::string> more = names;
      more.push_back(attribute.name());
      maker.splice(listBegin, listEnd, joinNames(more),
                   "PROJECT with " + attribute.name() + " too");
    }
  } else if ((node.label == "MINUS" || node.label == "UNION") && node.children.size() == 2) {
    const TraceNode& second = nodes[node.children[1]];
    if (node.label == "MINUS") {
      maker.splice(beginOf(first), endOf(second),
                   maker.text(beginOf(second), endOf(second)) +
                       maker.text(endOf(first), beginOf(second)) +
                       maker.text(beginOf(first), endOf(first)),
                   "MINUS operands swapped");
    }
    const std::string other = node.label == "MINUS" ? "UNION" : "MINUS";
    maker.splice(beginOf(node), keywordEnd, other, node.label + " -> " + other);
  } else if (node.label == "SELECT") {
    if (node.arguments.empty()) return;
    std::size_t at = firstTokenFrom(tokens, node.arguments.front().first);
    const std::optional<ConditionSpan> condition = conditionFrom(tokens, at, query);
    if (!condition) return;
    maker.condition(*condition, first.label == "PRODUCT", true, beginOf(node), endOf(node),
                    maker.text(beginOf(first), endOf(first)));
  }
}

// The values a column of the tables holds on any instance, and a few
// neighbours, to draw random rows from.
struct ColumnValues {
  std::vector<Value> values;
};

std::uint64_t draw(std::mt19937_64& random, std::uint64_t bound) {
  return bound == 0 ? 0 : random() % bound;
}

// A random instance of the tables' schemas: up to four rows a table, each
// value drawn from those its column holds on the sheet's instances.
TableRegistry randomInstance(const std::vector<Table>& shapes,
                             const std::vector<std::vector<ColumnValues>>& columns,
                             std::mt19937_64& random) {
  TableRegistry registry;
  for (std::size_t t = 0; t < shapes.size(); ++t) {
    Table table(shapes[t].name);
    table.schema = shapes[t].schema;
    const std::uint64_t rows = draw(random, 5);
    for (std::uint64_t r = 0; r < rows; ++r) {
      Row row;
      for (const ColumnValues& column : columns[t]) {
        row.push_back(column.values[draw(random, column.values.size())]);
      }
      table.rows.push_back(std::move(row));
    }
    registry.registerTable(std::move(table));
  }
  return registry;
}

std::vector<std::vector<ColumnValues>> columnValues(const Sheet& sheet, const Exercise& exercise,
                                                    const std::vector<Table>& shapes) {
  std::vector<std::vector<ColumnValues>> columns(shapes.size());
  for (std::size_t t = 0; t < shapes.size(); ++t) {
    const Table& shape = shapes[t];
    columns[t].resize(shape.schema.size());
    for (std::size_t c = 0; c < shape.schema.size(); ++c) {
      std::vector<Value>& values = columns[t][c].values;
      auto addValue = [&](const Value& value) {
        for (const Value& known : values) {
          if (valueEquals(known, value)) return;
        }
        values.push_back(value);
      };
      for (const std::size_t index : exercise.instances) {
        const Table* table = sheet.instances[index].registry.findTable(shape.name);
        if (table == nullptr) continue;
        const Relation stored(*table);  // holds the rows it unpacks for the loop
        for (const Row& row : stored.rows()) {
          if (c < row.size() && values.size() < 12) addValue(row[c]);
        }
      }
      if (shape.schema[c].isChar()) {
        addValue(Value(std::string_view("a")));
      } else {
        for (const std::int32_t n : {0, 1, 2}) addValue(Value(n));
      }
    }
  }
  return columns;
}

}  // namespace

std::vector<Mutant> mutantsOf(std::string_view query, const TableRegistry& tables) {
  QueryTrace trace;
  const Outcome outcome = runQuery(query, tables, Limits{}, &trace);
  if (outcome.kind != OutcomeKind::RESULT) return {};
  MutantMaker maker(query);
  for (const TraceNode& node : trace.nodes()) {
    if (node.done) formMutants(query, trace, node, maker);
  }
  return maker.take();
}

std::vector<ReferenceAudit> auditSheet(const Sheet& sheet, const AuditOptions& options) {
  std::vector<ReferenceAudit> audits;
  for (const Exercise& exercise : sheet.exercises) {
    const Instance& first = sheet.instances[exercise.instances.front()];
    const std::vector<Table> shapes = tablesNamed(first.registry, first.tableNames);
    const std::vector<std::vector<ColumnValues>> columns = columnValues(sheet, exercise, shapes);
    for (std::size_t r = 0; r < exercise.references.size(); ++r) {
      ReferenceAudit audit;
      audit.exercise = exercise.id;
      audit.reference = r;
      audit.query = exercise.references[r].query;
      for (Mutant& mutant : mutantsOf(audit.query, first.registry)) {
        MutantAudit result;
        result.mutant = std::move(mutant);
        for (const std::size_t index : exercise.instances) {
          const Instance& instance = sheet.instances[index];
          const Outcome ran = runQuery(result.mutant.query, instance.registry, options.limits);
          if (ran.kind != OutcomeKind::RESULT ||
              resultsDiffer(result.mutant.query, audit.query, instance.registry, exercise.rows,
                            exercise.columns, options.limits)) {
            result.caughtBy.push_back(instance.name);
          }
        }
        if (result.caughtBy.empty()) {
          result.survival = Survival::POSSIBLY_EQUIVALENT;
          std::mt19937_64 random(options.seed);
          for (std::size_t k = 0; k < options.randomInstances; ++k) {
            const TableRegistry tables = randomInstance(shapes, columns, random);
            if (!resultsDiffer(result.mutant.query, audit.query, tables, exercise.rows,
                               exercise.columns, options.limits)) {
              continue;
            }
            const std::vector<Table> drawn = tablesNamed(tables, first.tableNames);
            const RowSelection selection = shrinkDifference(
                drawn, result.mutant.query, audit.query, exercise.rows, exercise.columns,
                options.limits, std::chrono::steady_clock::now() + std::chrono::seconds(2));
            result.survival = Survival::SURVIVED;
            result.catchingInput = result.mutant.query +
                                   "\n# rows on which this mutant and the reference differ\n" +
                                   tablesText(selectRows(drawn, selection), first.tableNames);
            break;
          }
        }
        audit.mutants.push_back(std::move(result));
      }
      audits.push_back(std::move(audit));
    }
  }
  return audits;
}
