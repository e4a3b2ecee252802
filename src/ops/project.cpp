#include <cstddef>
#include <vector>

#include "model/query_error.h"
#include "ops/operators.h"

Table tableProject(const Table& source, const std::vector<std::string>& names) {
  std::vector<std::size_t> positions;
  positions.reserve(names.size());
  for (const std::string& name : names) {
    const int position = findAttribute(source.schema, name);
    if (position < 0) throw QueryError(msg::kProjectMismatch);
    positions.push_back(static_cast<std::size_t>(position));
  }

  Table result(source.name);
  result.schema.reserve(positions.size());
  for (const std::size_t position : positions) result.addAttribute(source.schema[position]);
  for (const Row& row : source.rows) {
    Row projected;
    projected.reserve(positions.size());
    for (const std::size_t position : positions) {
      if (position >= row.size()) throw QueryError(msg::kProjectShortRow);
      projected.push_back(row[position]);
    }
    result.addRow(std::move(projected));
  }
  result.sortRows();
  result.removeAdjacentDuplicateRows();
  return result;
}
