#include "query/trace.h"

#include <algorithm>
#include <utility>

#include "text/chars.h"

std::size_t QueryTrace::open(std::string_view queryText, std::size_t column) {
  query_ = queryText;
  TraceNode node;
  // Until the expression's first character is read: the next column, or
  // the last one when the text has ended.
  node.first = std::min(column + 1, query_.size());
  if (!open_.empty()) {
    node.parent = static_cast<std::ptrdiff_t>(open_.back());
    reading().children.push_back(nodes_.size());
  }
  open_.push_back(nodes_.size());
  nodes_.push_back(std::move(node));
  argsFirst_.push_back(0);
  return nodes_.size() - 1;
}

void QueryTrace::begin(std::size_t column) { reading().first = column; }

void QueryTrace::label(std::string label) { reading().label = std::move(label); }

bool QueryTrace::token(TokenKind kind, std::size_t first, std::size_t last) {
  if (!tokens_.empty() && first <= tokens_.back().last) return false;
  tokens_.push_back(Token{kind, first, last});
  return true;
}

void QueryTrace::delimiter(char c, std::size_t column) {
  TokenKind kind = TokenKind::UNKNOWN;
  if (c == '(') {
    kind = TokenKind::OPEN;
  } else if (c == ')') {
    kind = TokenKind::CLOSE;
  } else if (c == ',') {
    kind = TokenKind::COMMA;
  }
  token(kind, column, column);
}

void QueryTrace::argument(std::size_t first, std::size_t last, std::string text) {
  reading().arguments.push_back(TraceArgument{first, last, std::move(text)});
  argumentsReach(last);
}

void QueryTrace::argumentsReach(std::size_t column) {
  std::size_t& from = argsFirst_[open_.back()];
  if (from == 0) from = reading().arguments.empty() ? column : reading().arguments.front().first;
  if (column < from || column > query_.size()) return;
  reading().args = std::string(query_.substr(from - 1, column - from + 1));
}

void QueryTrace::close(std::size_t index, const Operand& result) {
  TraceNode& node = nodes_[index];
  node.last = tokens_.empty() ? node.first : std::max(tokens_.back().last, node.first);
  node.done = true;
  node.rows = result.rowCount();
  node.table.name = result.name();
  node.table.schema = result.schema();
  for (Row& row : firstRows(result, kTracedRows)) node.table.addRow(std::move(row));
  open_.pop_back();
}

void QueryTrace::stop(std::size_t column) {
  if (!open_.empty()) stopped_ = static_cast<std::ptrdiff_t>(open_.back());
  for (; !open_.empty(); open_.pop_back()) {
    TraceNode& node = reading();
    node.first = std::min(node.first, column);
    node.last = std::max(node.first, column);
  }
}

std::string keywordOf(const Token& token, std::string_view line) {
  std::string keyword;
  if (token.first == 0 || token.first > token.last || token.last > line.size()) return keyword;
  for (const char c : line.substr(token.first - 1, token.last - token.first + 1)) {
    if (!isBlank(c)) keyword += toUpperAscii(c);
  }
  return keyword;
}
