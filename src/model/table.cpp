#include "model/table.h"

void Table::sortRows() { rows.sort(rowLess); }

void Table::removeAdjacentDuplicateRows() { rows.unique(rowEquals); }

void TableRegistry::registerTable(Table table) {
  if (tables_.find(table.name) != tables_.end()) return;
  std::string key = table.name;
  tables_.emplace(std::move(key), std::move(table));
}

const Table* TableRegistry::findTable(std::string_view name) const {
  const auto found = tables_.find(name);
  return found == tables_.end() ? nullptr : &found->second;
}
