#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "ops/operators.h"
#include "query/condition.h"

namespace {

// The fewest values a row of the relation has.
std::size_t shortestRow(const Relation& source) {
  if (source.isPacked()) return source.packedRows().shortestRow();
  std::size_t shortest = SIZE_MAX;
  for (const Row& row : source.rows()) shortest = std::min(shortest, row.size());
  return source.rows().empty() ? 0 : shortest;
}

}  // namespace

bool writeSelection(const Relation& source, const Condition& condition, RowWriter& writer) {
  if (source.rowCount() > 0 && shortestRow(source) < condition.valuesNeeded()) return false;
  std::vector<ValueView> views;
  views.reserve(widestRow(source));
  writer.begin(source.name(), source.schema(), longestLine(source));
  forEachRowViews(source, views, [&](const void*, const std::vector<ValueView>& values) {
    if (condition.evaluate(values)) writer.row(values.data(), values.size());
  });
  writer.end();
  return true;
}

Table tableSelect(const Relation& source, const Condition& condition, RowWriter* writer) {
  Table result = emptyTableLike(source);
  if (writer != nullptr && writeSelection(source, condition, *writer)) return result;
  std::vector<ValueView> views;
  forEachRowViews(source, views, [&](const void*, const std::vector<ValueView>& values) {
    if (!condition.evaluate(values)) return;
    Row row;
    row.reserve(values.size());
    for (const ValueView& value : values) row.push_back(valueOf(value));
    result.addRow(std::move(row));
  });
  return result;
}
