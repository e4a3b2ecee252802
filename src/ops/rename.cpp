#include <cstddef>
#include <utility>

#include "model/query_error.h"
#include "ops/operators.h"

Table tableRename(const Table& source, std::string newName,
                  const std::vector<std::string>& newAttributeNames) {
  // Checked before the copy is made: a mismatch discards it anyway.
  if (newAttributeNames.size() != source.schema.size()) throw QueryError(msg::kRenameMismatch);
  Table result = source;
  result.name = std::move(newName);
  for (std::size_t i = 0; i < result.schema.size(); ++i) {
    result.schema[i].setName(newAttributeNames[i]);
  }
  return result;
}
