#include "query/evaluator.h"

#include <string>

#include "model/query_error.h"
#include "ops/forms.h"
#include "query/trace.h"
#include "text/chars.h"

namespace {

Relation lookUp(const TableRegistry& registry, const std::string& name) {
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

// The "(" after word has been consumed: run the form the word names.
Relation evaluateForm(Query& query, const std::string& word, RowUse use) {
  for (const OperatorForm& form : kOperatorForms) {
    if (compareIgnoreCase(word, form.keyword) != 0) continue;
    if (query.depth >= kMaxFormDepth) throw QueryError(msg::kNestedTooDeeply);
    const DepthGuard guard(query.depth);
    return form.read(query, '(', use);
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

Relation evaluateExpression(Query& query, RowUse use) {
  // Recorded in place, not through a wrapper: the recursion's frames stay as
  // small as a browser's short stack needs for a thousand nested forms.
  const std::size_t node =
      query.trace == nullptr ? 0 : query.trace->open(query.line, query.text.column());
  CharStream& text = query.text;
  char current = '\0';
  if (!nextNonBlank(text, current)) throw QueryError(msg::kTableNotFound);

  // The leading word: the first non-blank character, whatever it is, then
  // every non-blank character up to the next delimiter or the end of the text.
  std::string word(1, current);
  bool endedAtDelimiter = isDelimiter(current);
  if (!endedAtDelimiter && text.get(current)) {
    endedAtDelimiter = collectNonBlanksUntil(text, current, word, isDelimiter);
  }

  const bool isForm = endedAtDelimiter && current == '(';
  if (endedAtDelimiter && !isForm) text.unget();
  Relation result = isForm ? evaluateForm(query, word, use) : lookUp(query.registry, word);
  if (query.trace != nullptr) query.trace->close(node, query.text.column(), result);
  return result;
}

Relation evaluateQuery(std::string_view queryText, const TableRegistry& registry,
                       std::size_t* stoppedAt, QueryTrace* trace, RowWriter* writer) {
  Query query(queryText, registry);
  query.trace = trace;
  query.writer = writer;
  try {
    return evaluateExpression(query, RowUse::TABLE);
  } catch (const QueryError&) {
    if (stoppedAt != nullptr) *stoppedAt = query.text.column();
    if (trace != nullptr) trace->stop(query.text.column());
    throw;
  }
}
