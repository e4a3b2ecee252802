#include <cstddef>
#include <utility>

#include "model/query_error.h"
#include "ops/operators.h"

Relation tableRename(Relation source, std::string newName,
                     const std::vector<std::string>& newAttributeNames) {
  if (newAttributeNames.size() != source.schema().size()) throw QueryError(msg::kRenameMismatch);
  source.setName(std::move(newName));
  for (std::size_t i = 0; i < newAttributeNames.size(); ++i) {
    source.setAttributeName(i, newAttributeNames[i]);
  }
  return source;
}
