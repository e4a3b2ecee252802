#include "io/table_loader.h"

#include <utility>

#include "io/input_reader.h"

void loadTableLines(const std::vector<std::string_view>& lines, TableRegistry& registry,
                    std::vector<std::string>& names, std::size_t& failedLine) {
  std::size_t at = 0;
  while (at < lines.size()) {
    if (lines[at].empty()) {
      ++at;
      continue;
    }
    failedLine = at;
    Table table = readTableHeader(lines[at++]);
    for (; at < lines.size() && !lines[at].empty(); ++at) {
      failedLine = at;
      readDataRow(lines[at], table);
    }
    if (registry.findTable(table.name) == nullptr) names.push_back(table.name);
    registry.registerTable(std::move(table));
  }
}
