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

// Counts one more enclosing form while a form is read, however it ends.
class DepthGuard {
 public:
  DepthGuard(int& depth, bool counts) : depth_(counts ? &depth : nullptr) {
    if (depth_ != nullptr) ++*depth_;
  }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;
  ~DepthGuard() {
    if (depth_ != nullptr) --*depth_;
  }

 private:
  int* depth_;
};

// The recording of what evaluateExpression read, kept out of its frame: the
// recursion's frames stay as small as a browser's short stack needs for a
// thousand nested forms.
[[gnu::noinline]] void recordWord(QueryTrace& trace, std::string_view label, TokenKind kind,
                                  std::size_t first, std::size_t last, std::size_t open) {
  trace.label(std::string(label));
  trace.token(kind, first, last);
  if (open != 0) trace.token(TokenKind::OPEN, open, open);
}

// The "(" after word has been consumed: the form the word names (the word
// spans the columns first to last). Raises for a word that is no keyword,
// and for a form inside kMaxFormDepth others. It returns before the form is
// read, so that it takes no frame in the recursion.
[[gnu::noinline]] const OperatorForm& findForm(const Query& query, const std::string& word,
                                               std::size_t first, std::size_t last) {
  QueryTrace* const trace = query.trace;
  const std::size_t open = query.text.column();
  for (const OperatorForm& form : query.forms) {
    if (compareIgnoreCase(word, form.keyword) != 0) continue;
    if (trace != nullptr) recordWord(*trace, form.keyword, TokenKind::KEYWORD, first, last, open);
    if (query.depth >= kMaxFormDepth) throw QueryError(msg::kNestedTooDeeply);
    return form;
  }
  if (trace != nullptr) recordWord(*trace, word, TokenKind::UNKNOWN, first, last, open);
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
  const OperatorForm* const form = isForm ? &findForm(query, word, first, last) : nullptr;
  if (!isForm) {
    if (endedAtDelimiter) text.unget();
    if (trace != nullptr && !isBlank(word[0])) {
      // A lone delimiter is a table's name here, though it is given back
      // for the enclosing form to read again as its separator.
      recordWord(*trace, word, TokenKind::TABLE, first, last, 0);
    }
  }
  const DepthGuard guard(query.depth, isForm);
  Operand result = isForm ? form->read(query, '(', use) : lookUp(query.registry, word);
  if (trace != nullptr) trace->close(node, result);
  return result;
}

Operand evaluateQuery(std::string_view queryText, const TableRegistry& registry,
                      OperatorForms forms, std::size_t* stoppedAt, QueryTrace* trace,
                      RowWriter* writer) {
  Query query(queryText, registry, forms);
  query.trace = trace;
  query.writer = writer;
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
