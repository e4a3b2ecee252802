#include "io/table_loader.h"

#include <string_view>
#include <utility>

#include "io/input_reader.h"

void loadTables(LineReader& input, LineOutput& out, TableRegistry& registry,
                std::vector<HeaderRead>* headers) {
  std::size_t pendingEmptyLines = 0;
  while (!input.atEnd()) {
    std::string_view line = input.readLine();
    if (line.empty()) {
      ++pendingEmptyLines;
      continue;
    }
    for (; pendingEmptyLines > 0; --pendingEmptyLines) out.endLine();
    input.echo(line, out);
    Table table = readTableHeader(line);
    if (headers != nullptr) {
      headers->push_back(HeaderRead{table.name, table.schema, input.lastLineNumber(),
                                    registry.findTable(table.name) == nullptr});
    }
    while (!input.atEnd()) {
      line = input.readLine();
      if (line.empty()) {
        ++pendingEmptyLines;
        break;
      }
      input.echo(line, out);
      readDataRow(line, table);
    }
    registry.registerTable(std::move(table));
  }
}
