#include "check/compare.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "check/run.h"

namespace {

// A total order on rows, kinds counting: position by position an integer
// before a string, integers by value, strings by unsigned bytes; a row
// that is a prefix of the other first. (rowLess is no total order on rows of
// mixed kinds, which a table's rows may hold.)
int compareRows(const Row& a, const Row& b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const Value& x = a[i];
    const Value& y = b[i];
    if (x.isString() != y.isString()) return x.isString() ? 1 : -1;
    if (x.isString()) {
      const int order = x.text().compare(y.text());
      if (order != 0) return order < 0 ? -1 : 1;
    } else if (x.number() != y.number()) {
      return x.number() < y.number() ? -1 : 1;
    }
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

// A row and how many times it stands in a result.
struct Counted {
  const Row* row;
  std::uint64_t count;
};

// The distinct rows of rows in ascending order, each with its count.
std::vector<Counted> countedRows(const Rows& rows) {
  std::vector<const Row*> sorted;
  sorted.reserve(rows.size());
  for (const Row& row : rows) sorted.push_back(&row);
  std::sort(sorted.begin(), sorted.end(),
            [](const Row* a, const Row* b) { return compareRows(*a, *b) < 0; });
  std::vector<Counted> counted;
  for (const Row* row : sorted) {
    if (!counted.empty() && compareRows(*counted.back().row, *row) == 0) {
      ++counted.back().count;
    } else {
      counted.push_back({row, 1});
    }
  }
  return counted;
}

RowDifference difference(const Row& row, std::uint64_t count) {
  return RowDifference{row, count, printedRow(row)};
}

// Merges the two counted lists: a row the reference has more often than the
// answer is missing, one the answer has more often is in excess. With
// counts false, only whether a row stands on a side at all counts.
void differences(const std::vector<Counted>& answer, const std::vector<Counted>& reference,
                 bool counts, InstanceResult& result) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < answer.size() || j < reference.size()) {
    const int order = i == answer.size()      ? 1
                      : j == reference.size() ? -1
                                              : compareRows(*answer[i].row, *reference[j].row);
    if (order < 0) {
      result.excess.push_back(difference(*answer[i].row, counts ? answer[i].count : 1));
      ++i;
    } else if (order > 0) {
      result.missing.push_back(difference(*reference[j].row, counts ? reference[j].count : 1));
      ++j;
    } else {
      if (counts && answer[i].count > reference[j].count) {
        result.excess.push_back(difference(*answer[i].row, answer[i].count - reference[j].count));
      } else if (counts && answer[i].count < reference[j].count) {
        result.missing.push_back(
            difference(*reference[j].row, reference[j].count - answer[i].count));
      }
      ++i;
      ++j;
    }
  }
}

bool sameCounted(const std::vector<Counted>& a, const std::vector<Counted>& b, bool counts) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (compareRows(*a[i].row, *b[i].row) != 0) return false;
    if (counts && a[i].count != b[i].count) return false;
  }
  return true;
}

// The first position where the two lists differ, or none.
std::optional<OrderDifference> firstOrderDifference(const Rows& answer,
                                                    const Rows& reference) {
  const std::size_t common = std::min(answer.size(), reference.size());
  std::size_t at = 0;
  while (at < common && compareRows(answer[at], reference[at]) == 0) ++at;
  if (at == common && answer.size() == reference.size()) return std::nullopt;
  OrderDifference order;
  order.position = at + 1;
  order.answerHasRow = at < answer.size();
  order.referenceHasRow = at < reference.size();
  if (order.answerHasRow) order.answerRow = printedRow(answer[at]);
  if (order.referenceHasRow) order.referenceRow = printedRow(reference[at]);
  return order;
}

}  // namespace

bool schemasAgree(const Schema& answer, const Schema& reference, ColumnPolicy columns) {
  if (answer.size() != reference.size()) return false;
  for (std::size_t i = 0; i < answer.size(); ++i) {
    if (!attributesCompatible(answer[i], reference[i])) return false;
    if (columns == ColumnPolicy::NAMES && answer[i].name() != reference[i].name()) return false;
  }
  return true;
}

bool rowsAgree(const Relation& answer, const Relation& reference, RowPolicy rows) {
  if (rows == RowPolicy::LIST) return !firstOrderDifference(answer.rows(), reference.rows());
  if (rows == RowPolicy::BAG && answer.rows().size() != reference.rows().size()) return false;
  return sameCounted(countedRows(answer.rows()), countedRows(reference.rows()),
                     rows == RowPolicy::BAG);
}

void compareResults(const Relation& answer, const Relation& reference, RowPolicy rows,
                    ColumnPolicy columns, InstanceResult& result) {
  result.answerSchema = printedSchema(answer.name(), answer.schema());
  result.referenceSchema = printedSchema(reference.name(), reference.schema());
  result.answerRows = answer.rows().size();
  result.referenceRows = reference.rows().size();
  if (!schemasAgree(answer.schema(), reference.schema(), columns)) {
    result.verdict = Verdict::WRONG_SCHEMA;
    return;
  }
  if (rowsAgree(answer, reference, rows)) {
    result.verdict = Verdict::RIGHT;
    return;
  }
  result.verdict = Verdict::WRONG_RESULT;
  const std::vector<Counted> answerRows = countedRows(answer.rows());
  const std::vector<Counted> referenceRows = countedRows(reference.rows());
  differences(answerRows, referenceRows, rows != RowPolicy::SET, result);
  if (rows == RowPolicy::LIST) result.order = firstOrderDifference(answer.rows(), reference.rows());
}
