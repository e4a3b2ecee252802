#include <cstddef>

#include "model/query_error.h"
#include "ops/operators.h"

namespace {

void checkCompatible(const Relation& left, const Relation& right, const char* typeMismatch,
                     const char* countMismatch) {
  const Schema& a = left.schema();
  const Schema& b = right.schema();
  std::size_t i = 0;
  for (; i < a.size() && i < b.size(); ++i) {
    if (!attributesCompatible(a[i], b[i])) throw QueryError(typeMismatch);
  }
  if (i < a.size() || i < b.size()) throw QueryError(countMismatch);
}

}  // namespace

Table tableUnion(const Relation& left, const Relation& right) {
  checkCompatible(left, right, msg::kUnionMismatch1, msg::kUnionMismatch2);
  Table result = emptyTableLike(left);
  const Rows& leftRows = left.rows();
  const Rows& rightRows = right.rows();
  auto i = leftRows.begin();
  auto j = rightRows.begin();
  while (i != leftRows.end() || j != rightRows.end()) {
    // A left row goes first when it is less than the right one or the
    // right rows are exhausted; an equal pair gives one row.
    const bool leftFirst = i != leftRows.end() && (j == rightRows.end() || rowLess(*i, *j));
    const bool equal = !leftFirst && i != leftRows.end() && rowEquals(*i, *j);
    if (leftFirst || equal) {
      result.addRow(*i++);
      if (equal) ++j;
    } else {
      result.addRow(*j++);
    }
  }
  return result;
}

Table tableMinus(const Relation& left, const Relation& right) {
  checkCompatible(left, right, msg::kMinusMismatch1, msg::kMinusMismatch2);
  Table result = emptyTableLike(left);
  const Rows& leftRows = left.rows();
  const Rows& rightRows = right.rows();
  auto i = leftRows.begin();
  auto j = rightRows.begin();
  // Once the left rows are exhausted the remaining right rows change nothing.
  while (i != leftRows.end()) {
    if (j == rightRows.end() || rowLess(*i, *j)) {
      result.addRow(*i++);
    } else if (rowEquals(*i, *j)) {
      ++i;
      ++j;
    } else {
      ++j;
    }
  }
  return result;
}
