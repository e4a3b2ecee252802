#include "query/evaluator.h"

#include <string>

#include "model/query_error.h"
#include "query/trace.h"
#include "text/chars.h"

namespace {

Operand lookUp(const TableRegistry& registry, const std::string& name) {
  const Table* stored = registry.findTable(name);
  if (stored == nullptr) throw QueryError(msg::kTableNotFound);
  return Relation(*stored);
}

// Keeps the count of enclosing forms right however the form ends.
class DepthGuard {
 public:
  explicit DepthGuard(int& depth) : depth_(depth) { ++depth_; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;
  ~DepthGuard() { --depth_; }

 private:
  int& depth_;
};

// The "(" after word has been consumed: run the form the word names. The
// word spans the columns first to last.
Operand evaluateForm(Query& query, const std::string& word, std::size_t first, std::size_t last,
                     RowUse use) {
  QueryTrace* const trace = query.trace;
  const std::size_t open = query.text.column();
  for (const OperatorForm& form : query.forms) {
    if (compareIgnoreCase(word, form.keyword) != 0) continue;
    if (trace != nullptr) {
      trace->label(std::string(form.keyword));
      trace->token(TokenKind::KEYWORD, first, last);
      trace->token(TokenKind::OPEN, open, open);
    }
    if (query.depth >= kMaxFormDepth) throw QueryError(msg::kNestedTooDeeply);
    const DepthGuard guard(query.depth);
    return form.read(query, '(', use);
  }
  if (trace != nullptr) {
    trace->label(word);
    trace->token(TokenKind::UNKNOWN, first, last);
    trace->token(TokenKind::OPEN, open, open);
  }
  throw QueryError(word + msg::kWrongParameter);
}

}  // namespace

int compareIgnoreCase(std::string_view a, std::string_view b) {
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
    const unsigned char x = static_cast<unsigned char>(toUpperAscii(a[i]));
    const unsigned char y = static_cast<unsigned char>(toUpperAscii(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

Operand evaluateExpression(Query& query, RowUse use) {
  // Recorded in place, not through a wrapper: the recursion's frames stay as
  // small as a browser's short stack needs for a thousand nested forms.
  QueryTrace* const trace = query.trace;
  const std::size_t node = trace == nullptr ? 0 : trace->open(query.line, query.text.column());
  CharStream& text = query.text;
  char current = '\0';
  if (!nextNonBlank(text, current)) throw QueryError(msg::kTableNotFound);

  // The leading word: the first non-blank character, whatever it is, then
  // every non-blank character up to the next delimiter or the end of the text.
  const std::size_t first = text.column();
  std::size_t last = first;
  if (trace != nullptr) trace->begin(first);
  std::string word(1, current);
  bool endedAtDelimiter = isDelimiter(current);
  if (!endedAtDelimiter && text.get(current)) {
    endedAtDelimiter = collectNonBlanksUntil(text, current, word, isDelimiter, &last);
  }

  const bool isForm = endedAtDelimiter && current == '(';
  if (!isForm) {
    if (endedAtDelimiter) text.unget();
    if (trace != nullptr && !isBlank(word[0])) {
      // A lone delimiter is a table's name here, though it is given back
      // for the enclosing form to read again as its separator.
      trace->label(word);
      trace->token(TokenKind::TABLE, first, last);
    }
  }
  Operand result =
      isForm ? evaluateForm(query, word, first, last, use) : lookUp(query.registry, word);
  if (trace != nullptr) trace->close(node, result);
  return result;
}

Operand evaluateQuery(std::string_view queryText, const TableRegistry& registry,
                      OperatorForms forms, std::size_t* stoppedAt, QueryTrace* trace) {
  Query query(queryText, registry, forms);
  query.trace = trace;
  try {
    return evaluateExpression(query, RowUse::TABLE);
  } catch (const QueryError&) {
    const std::size_t column =
        query.stoppedInCondition != 0 ? query.stoppedInCondition : query.text.column();
    if (stoppedAt != nullptr) *stoppedAt = column;
    if (trace != nullptr) trace->stop(column);
    throw;
  }
}
