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
#include "query/trace.h"

namespace {

// A condition as its text stands in the query: a keyword form with its
// operands, or an operand (an attribute name or a literal). Spans are
// offsets into the query, end excluded; a form's keyword ends at keywordEnd.
struct ConditionSpan {
  std::string keyword;  // in capitals; empty for an operand
  bool literal = false;
  std::size_t begin = 0;
  std::size_t keywordEnd = 0;
  std::size_t end = 0;
  std::vector<ConditionSpan> operands;
};

bool isBlankChar(char c) { return c == ' '; }

// Reads the condition text the engine read whole at query[at...]: the
// places of its keywords and operands. Returns nothing where the text is
// not of the plain shape KEYWORD(operand, ...) all through.
class ConditionScanner {
 public:
  explicit ConditionScanner(std::string_view query) : query_(query) {}

  std::optional<ConditionSpan> scan(std::size_t& at, int depth = 0) {
    if (depth > 200) return std::nullopt;
    skipBlanks(at);
    if (at >= query_.size()) return std::nullopt;
    ConditionSpan node;
    node.begin = at;
    if (query_[at] == '\'') {
      const std::size_t close = query_.find('\'', at + 1);
      if (close == std::string_view::npos) return std::nullopt;
      at = close + 1;
      node.literal = true;
      node.end = at;
      return node;
    }
    while (at < query_.size() && query_[at] != '(' && query_[at] != ',' && query_[at] != ')') {
      ++at;
    }
    std::size_t wordEnd = at;
    while (wordEnd > node.begin && isBlankChar(query_[wordEnd - 1])) --wordEnd;
    if (wordEnd == node.begin) return std::nullopt;
    const std::string_view word = query_.substr(node.begin, wordEnd - node.begin);
    if (at >= query_.size() || query_[at] != '(') {
      node.literal =
          std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
      node.end = wordEnd;
      return node;
    }
    for (const char c : word)
      node.keyword += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    node.keywordEnd = wordEnd;
    ++at;  // "("
    for (;;) {
      std::optional<ConditionSpan> operand = scan(at, depth + 1);
      if (!operand) return std::nullopt;
      node.operands.push_back(std::move(*operand));
      skipBlanks(at);
      if (at >= query_.size()) return std::nullopt;
      if (query_[at] == ')') break;
      if (query_[at] != ',') return std::nullopt;
      ++at;
    }
    node.end = ++at;
    const std::size_t expected = node.keyword == "NOT" ? 1 : 2;
    if (node.operands.size() != expected) return std::nullopt;
    return node;
  }

 private:
  void skipBlanks(std::size_t& at) const {
    while (at < query_.size() && isBlankChar(query_[at])) ++at;
  }

  std::string_view query_;
};

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
    if (node.keyword.empty()) return;
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
    const bool comparison = node.keyword != "AND" && node.keyword != "OR" && node.keyword != "NOT";
    if (node.keyword == "AND") {
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
    if (node.keyword == "NOT") {
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
    return node.keyword == "EQ" && node.operands.size() == 2 && node.operands[0].keyword.empty() &&
           node.operands[1].keyword.empty() && !node.operands[0].literal &&
           !node.operands[1].literal;
  }

 private:
  std::string_view query_;
  std::vector<Mutant> mutants_;
};

// Offsets of a node's span in the query (its columns count from 1).
std::size_t beginOf(const TraceNode& node) { return node.first - 1; }
std::size_t endOf(const TraceNode& node) { return node.last; }

// Where a form's arguments stand: the text after its last operand's
// separator up to its closing ")", the offsets of its first and last
// character.
std::optional<std::pair<std::size_t, std::size_t>> argumentsOf(std::string_view query,
                                                               const TraceNode& node,
                                                               const TraceNode& operand) {
  if (node.args.empty()) return std::nullopt;
  const std::size_t at = query.find(node.args, endOf(operand));
  if (at == std::string_view::npos || at + node.args.size() > endOf(node)) return std::nullopt;
  return std::make_pair(at, at + node.args.size());
}

std::vector<std::string> splitNames(std::string_view list) {
  std::vector<std::string> names;
  std::string name;
  for (const char c : list) {
    if (c == ',') {
      names.push_back(std::move(name));
      name.clear();
    } else if (c != ' ') {
      name += c;
    }
  }
  names.push_back(std::move(name));
  return names;
}

std::string joinNames(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) text += (i > 0 ? ", " : "") + names[i];
  return text;
}

void formMutants(std::string_view query, const QueryTrace& trace, const TraceNode& node,
                 MutantMaker& maker) {
  const std::vector<TraceNode>& nodes = trace.nodes();
  if (node.children.empty()) return;
  const TraceNode& first = nodes[node.children.front()];
  const std::size_t open = query.find('(', beginOf(node));
  if (node.label == "PROJECT") {
    maker.splice(beginOf(node), endOf(node), maker.text(beginOf(first), endOf(first)),
                 "PROJECT left out");
    const auto args = argumentsOf(query, node, first);
    if (!args) return;
    const std::vector<std::string> names =
        splitNames(query.substr(args->first, args->second - args->first));
    if (names.size() > 1) {
      for (std::size_t i = 0; i < names.size(); ++i) {
        std::vector<std::string> fewer = names;
        fewer.erase(fewer.begin() + static_cast<std::ptrdiff_t>(i));
        maker.splice(args->first, args->second, joinNames(fewer), "PROJECT without " + names[i]);
      }
    }
    for (const Attribute& attribute : first.table.schema) {
      if (std::find(names.begin(), names.end(), attribute.name()) != names.end()) continue;
      std::vector<std::string> more = names;
      more.push_back(attribute.name());
      maker.splice(args->first, args->second, joinNames(more),
                   "PROJECT with " + attribute.name() + " too");
    }
  } else if ((node.label == "MINUS" || node.label == "UNION") && node.children.size() == 2 &&
             open != std::string_view::npos) {
    const TraceNode& second = nodes[node.children[1]];
    if (node.label == "MINUS") {
      maker.splice(beginOf(first), endOf(second),
                   maker.text(beginOf(second), endOf(second)) +
                       maker.text(endOf(first), beginOf(second)) +
                       maker.text(beginOf(first), endOf(first)),
                   "MINUS operands swapped");
    }
    const std::string other = node.label == "MINUS" ? "UNION" : "MINUS";
    maker.splice(beginOf(node), open, other, node.label + " -> " + other);
  } else if (node.label == "SELECT") {
    const auto args = argumentsOf(query, node, first);
    if (!args) return;
    std::size_t at = args->first;
    ConditionScanner scanner(query.substr(0, args->second));
    const std::optional<ConditionSpan> condition = scanner.scan(at);
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
TableRegistry randomInstance(const std::vector<const Table*>& shapes,
                             const std::vector<std::vector<ColumnValues>>& columns,
                             std::mt19937_64& random) {
  TableRegistry registry;
  for (std::size_t t = 0; t < shapes.size(); ++t) {
    Table table(shapes[t]->name);
    table.schema = shapes[t]->schema;
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
                                                    const std::vector<const Table*>& shapes) {
  std::vector<std::vector<ColumnValues>> columns(shapes.size());
  for (std::size_t t = 0; t < shapes.size(); ++t) {
    const Table& shape = *shapes[t];
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
        for (const Row& row : table->rows) {
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
    const std::vector<const Table*> shapes = tablesNamed(first.registry, first.tableNames);
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
            const std::vector<const Table*> drawn = tablesNamed(tables, first.tableNames);
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
