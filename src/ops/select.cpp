#include "ops/join.h"
#include "ops/operators.h"
#include "query/condition.h"

Table tableSelect(const Relation& source, const Condition& condition) {
  if (source.isProduct()) return selectFromProduct(source, condition);
  Table result(source.name());
  result.schema = source.schema();
  for (const Row& row : source.rows()) {
    if (condition.evaluate(row)) result.addRow(row);
  }
  return result;
}
