#include <utility>

#include "ops/operators.h"

Table tableProduct(const Table& left, const Table& right) {
  Table result(left.name);
  result.schema.reserve(left.schema.size() + right.schema.size());
  for (const Attribute& attribute : left.schema) result.addAttribute(attribute);
  for (const Attribute& attribute : right.schema) result.addAttribute(attribute);
  for (const Row& l : left.rows) {
    for (const Row& r : right.rows) {
      Row row;
      row.reserve(l.size() + r.size());
      row.append(l);
      row.append(r);
      result.addRow(std::move(row));
    }
  }
  return result;
}
