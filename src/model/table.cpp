#include "model/table.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

#include "model/evaluation_budget.h"

namespace {

// Merges the adjacent runs [first, middle) and [middle, last) in place: the
// left row goes first unless the right one is less, so equal rows keep their
// order. buffer holds at least the left run.
void mergeRuns(Rows::iterator first, Rows::iterator middle, Rows::iterator last,
               std::vector<Row>& buffer) {
  spendBudget(0);
  if (first == middle || middle == last) return;
  buffer.clear();
  std::move(first, middle, std::back_inserter(buffer));
  auto left = buffer.begin();
  auto right = middle;
  auto out = first;
  while (left != buffer.end() && right != last) {
    if (rowLess(*right, *left)) {
      *out++ = std::move(*right++);
    } else {
      *out++ = std::move(*left++);
    }
  }
  std::move(left, buffer.end(), out);
}

}  // namespace

void Table::sortRows() {
  const std::size_t n = rows.size();
  std::vector<Row> buffer;
  // Runs of width rows, aligned from the first row, merged in pairs.
  std::size_t width = 1;
  for (; 2 * width <= n; width *= 2) {
    const auto begin = rows.begin();
    for (std::size_t at = 0; at + 2 * width <= n; at += 2 * width) {
      const auto from = begin + static_cast<std::ptrdiff_t>(at);
      mergeRuns(from, from + static_cast<std::ptrdiff_t>(width),
                from + static_cast<std::ptrdiff_t>(2 * width), buffer);
    }
  }
  // What is left is one sorted run per set bit of n, the longest first; they
  // are merged from the last, shortest, run back to the first.
  std::size_t tail = n;  // where the runs merged so far begin
  for (std::size_t run = 1; run <= n; run *= 2) {
    if ((n & run) == 0) continue;
    const std::size_t start = tail - run;
    if (tail != n) {
      mergeRuns(rows.begin() + static_cast<std::ptrdiff_t>(start),
                rows.begin() + static_cast<std::ptrdiff_t>(tail), rows.end(), buffer);
    }
    tail = start;
  }
}

void Table::removeAdjacentDuplicateRows() {
  rows.erase(std::unique(rows.begin(), rows.end(), rowEquals), rows.end());
}

void TableRegistry::registerTable(Table table) {
  if (tables_.find(table.name) != tables_.end()) return;
  std::string key = table.name;
  tables_.emplace(std::move(key), std::move(table));
}

const Table* TableRegistry::findTable(std::string_view name) const {
  const auto found = tables_.find(name);
  return found == tables_.end() ? nullptr : &found->second;
}
