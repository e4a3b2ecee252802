#include "ops/operators.h"
#include "query/condition.h"

Table tableSelect(const Relation& source, const Condition& condition) {
  Table result = emptyTableLike(source);
  for (const Row& row : source.rows()) {
    if (condition.evaluate(row)) result.addRow(row);
  }
  return result;
}
