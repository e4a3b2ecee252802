#include "io/analysis.h"

#include <cstddef>
#include <utility>

#include "io/line_reader.h"
#include "io/output.h"
#include "model/query_error.h"
#include "model/table.h"
#include "ops/forms.h"
#include "query/evaluator.h"
#include "query/trace.h"

namespace {

// An output that keeps nothing: the echo is not wanted here.
class DiscardedOutput : public LineOutput {
 private:
  void deliver(std::string_view /*line*/) override {}
};

}  // namespace

InputAnalysis analyseInput(std::string_view input) {
  InputAnalysis analysis;
  analysis.byteOrderMark = input.starts_with("\xEF\xBB\xBF");
  LineReader lines(input);
  const std::string_view query = lines.readLine();
  if (!lines.atEnd()) lines.readLine();
  try {
    DiscardedOutput out;
    TableRegistry loaded;
    loadTables(lines, out, loaded, &analysis.headers);
  } catch (const QueryError& error) {
    analysis.message = error.message();
    analysis.line = lines.lastLineNumber();
  }
  TableRegistry schemas;
  for (const HeaderRead& header : analysis.headers) {
    Table table(header.name);
    table.schema = header.schema;
    schemas.registerTable(std::move(table));
  }
  QueryTrace trace;
  std::size_t column = 0;
  try {
    evaluateQuery(query, schemas, kOperatorForms, &column, &trace);
  } catch (const QueryError& error) {
    // A loading error comes first: the command line stops there.
    if (analysis.message.empty()) {
      analysis.message = error.message();
      analysis.column = column;
    }
  }
  analysis.tokens = trace.tokens();
  return analysis;
}
