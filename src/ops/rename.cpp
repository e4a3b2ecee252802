#include <utility>

#include "model/query_error.h"
#include "ops/operators.h"

Operand tableRename(Operand source, std::string newName,
                    const std::vector<std::string>& newAttributeNames) {
  if (newAttributeNames.size() != source.schema().size()) throw QueryError(msg::kRenameMismatch);
  source.rename(std::move(newName), newAttributeNames);
  return source;
}
