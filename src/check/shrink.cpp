#include "check/shrink.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "check/compare.h"
#include "check/run.h"
#include "model/relation.h"

namespace {

struct Item {
  std::size_t table;
  std::size_t row;
};

RowSelection selectionOf(const std::vector<Item>& items, std::size_t tables) {
  RowSelection selection(tables);
  for (const Item& item : items) selection[item.table].push_back(item.row);
  return selection;
}

}  // namespace

RowSelection shrinkRows(const std::vector<std::size_t>& tableSizes,
                        const std::function<bool(const RowSelection&)>& differs,
                        std::chrono::steady_clock::time_point deadline) {
  std::vector<Item> items;
  for (std::size_t t = 0; t < tableSizes.size(); ++t) {
    for (std::size_t r = 0; r < tableSizes[t]; ++r) items.push_back({t, r});
  }
  // Chunks of half the rows, then of a quarter, ... down to single rows;
  // a pass of single rows is repeated until it removes nothing, since a
  // removal can make another row removable.
  std::size_t chunk = std::max<std::size_t>(items.size() / 2, 1);
  std::vector<Item> candidate;
  while (!items.empty()) {
    bool removed = false;
    std::size_t start = 0;
    while (start < items.size()) {
      if (std::chrono::steady_clock::now() >= deadline)
        return selectionOf(items, tableSizes.size());
      const std::size_t end = std::min(start + chunk, items.size());
      candidate.clear();
      candidate.insert(candidate.end(), items.begin(),
                       items.begin() + static_cast<std::ptrdiff_t>(start));
      candidate.insert(candidate.end(), items.begin() + static_cast<std::ptrdiff_t>(end),
                       items.end());
      if (differs(selectionOf(candidate, tableSizes.size()))) {
        items.swap(candidate);
        removed = true;
      } else {
        start = end;
      }
    }
    if (chunk == 1) {
      if (!removed) break;
    } else {
      chunk = std::max<std::size_t>(chunk / 2, 1);
    }
  }
  return selectionOf(items, tableSizes.size());
}

std::vector<Table> tablesNamed(const TableRegistry& registry,
                               const std::vector<std::string>& names) {
  std::vector<Table> tables;
  tables.reserve(names.size());
  for (const std::string& name : names) {
    const Relation stored(*registry.findTable(name));
    Table copy = emptyTableLike(stored);
    copy.rows = stored.rows();
    tables.push_back(std::move(copy));
  }
  return tables;
}

TableRegistry selectRows(const std::vector<Table>& tables, const RowSelection& selection) {
  TableRegistry registry;
  for (std::size_t t = 0; t < tables.size(); ++t) {
    const Table& whole = tables[t];
    Table part(whole.name);
    part.schema = whole.schema;
    part.rows.reserve(selection[t].size());
    for (const std::size_t r : selection[t]) part.rows.push_back(whole.rows[r]);
    registry.registerTable(std::move(part));
  }
  return registry;
}

std::string tablesText(const TableRegistry& registry, const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t t = 0; t < names.size(); ++t) {
    const Table& table = *registry.findTable(names[t]);
    if (t > 0) text += "\n";
    text += printedSchema(table.name, table.schema) + "\n";
    const Relation relation(
        table);  // packed rows are unpacked into it, so it must outlive the loop
    for (const Row& row : relation.rows()) text += printedRow(row) + "\n";
  }
  return text;
}

bool resultsDiffer(std::string_view a, std::string_view b, const TableRegistry& tables,
                   RowPolicy rows, ColumnPolicy columns, const Limits& limits) {
  const Outcome first = runQuery(a, tables, limits);
  if (first.kind != OutcomeKind::RESULT) return false;
  const Outcome second = runQuery(b, tables, limits);
  if (second.kind != OutcomeKind::RESULT) return false;
  return !schemasAgree(first.result->schema(), second.result->schema(), columns) ||
         !rowsAgree(*first.result, *second.result, rows);
}

RowSelection shrinkDifference(const std::vector<Table>& tables, std::string_view a,
                              std::string_view b, RowPolicy rows, ColumnPolicy columns,
                              const Limits& limits,
                              std::chrono::steady_clock::time_point deadline) {
  std::vector<std::size_t> sizes;
  sizes.reserve(tables.size());
  for (const Table& table : tables) sizes.push_back(table.rows.size());
  return shrinkRows(
      sizes,
      [&](const RowSelection& selection) {
        return resultsDiffer(a, b, selectRows(tables, selection), rows, columns, limits);
      },
      deadline);
}
