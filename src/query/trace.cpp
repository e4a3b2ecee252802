#include "query/trace.h"

#include <algorithm>
#include <utility>

#include "text/chars.h"

namespace {

// The forms that take arguments besides their operands.
bool hasArguments(std::string_view keyword) {
  return keyword == "PROJECT" || keyword == "RENAME" || keyword == "SELECT";
}

// text without the blanks at either end.
std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::size_t QueryTrace::open(std::string_view queryText, std::size_t column) {
  query_ = queryText;
  TraceNode node;
  // The expression begins at its first non-blank character; with none left,
  // where the text ends.
  std::size_t at = column;
  while (at < query_.size() && isBlank(query_[at])) ++at;
  node.first = std::min(at + 1, query_.size());
  if (!open_.empty()) {
    node.parent = static_cast<std::ptrdiff_t>(open_.back());
    nodes_[open_.back()].children.push_back(nodes_.size());
  }
  open_.push_back(nodes_.size());
  nodes_.push_back(std::move(node));
  return nodes_.size() - 1;
}

void QueryTrace::close(std::size_t index, std::size_t column, const Relation& result) {
  TraceNode& node = nodes_[index];
  // A name that is one delimiter gives the delimiter back: it ends where it
  // begins.
  node.last = std::max(column, node.first);
  node.done = true;
  node.rows = result.rowCount();
  node.table.name = result.name();
  node.table.schema = result.schema();
  for (Row& row : firstRows(result, kTracedRows)) node.table.addRow(std::move(row));
  describe(node);
  open_.pop_back();
}

void QueryTrace::stop(std::size_t column) {
  if (!open_.empty()) stopped_ = static_cast<std::ptrdiff_t>(open_.back());
  for (; !open_.empty(); open_.pop_back()) {
    TraceNode& node = nodes_[open_.back()];
    node.first = std::min(node.first, column);
    node.last = std::max(node.first, column);
    describe(node);
    // Blanks or not, the span reaches the column where reading stopped.
    node.last = std::max(node.last, column);
  }
}

// Sets the label and the arguments from the node's span, and takes the
// blanks at its end off the span.
void QueryTrace::describe(TraceNode& node) const {
  while (node.last > node.first && node.last <= query_.size() && isBlank(query_[node.last - 1])) {
    --node.last;
  }
  if (node.first == 0 || node.first > query_.size() || node.last > query_.size()) return;
  const std::string_view span = query_.substr(node.first - 1, node.last - node.first + 1);
  if (isBlank(span[0])) return;  // no character was left to read

  // The leading word, as the evaluator collects it: the first character,
  // whatever it is, then every non-blank one up to a delimiter.
  std::string word(1, span[0]);
  bool form = span[0] == '(';
  if (!isDelimiter(span[0])) {
    std::size_t at = 1;
    for (; at < span.size() && !isDelimiter(span[at]); ++at) {
      if (!isBlank(span[at])) word += span[at];
    }
    form = at < span.size() && span[at] == '(';
  }
  if (!form) {
    node.label = word;
    return;
  }
  std::string keyword = word;
  for (char& c : keyword) c = toUpperAscii(c);
  const bool known =
      keyword == "UNION" || keyword == "MINUS" || keyword == "PRODUCT" || hasArguments(keyword);
  node.label = known ? keyword : word;
  if (!hasArguments(keyword) || node.children.empty()) return;

  // The arguments follow the operand and its separator; the form's own ")"
  // closes them.
  const TraceNode& operand = nodes_[node.children.back()];
  if (operand.last < node.first || operand.last >= node.last) return;
  std::string_view args = trimBlanks(query_.substr(operand.last, node.last - operand.last));
  if (!args.empty()) args.remove_prefix(1);
  if (node.done && !args.empty() && args.back() == ')') args.remove_suffix(1);
  node.args = trimBlanks(args);
}
