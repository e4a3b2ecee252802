#include "io/analysis.h"

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
  QueryTrace trace;
  try {
    DiscardedOutput out;
    TableRegistry loaded;
    loadTables(lines, out, loaded, &analysis.headers);
  } catch (const QueryError& error) {
    analysis.message = error.message();
    analysis.line = lines.lastLineNumber();
    return analysis;
  }
  TableRegistry schemas;
  for (const HeaderRead& header : analysis.headers) {
    Table table(header.name);
    table.schema = header.schema;
    schemas.registerTable(std::move(table));
  }
  try {
    evaluateQuery(query, schemas, kOperatorForms, &analysis.column, &trace);
  } catch (const QueryError& error) {
    analysis.message = error.message();
  }
  analysis.tokens = trace.tokens();
  return analysis;
}
