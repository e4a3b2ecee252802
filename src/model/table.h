// Tables and the registry of the tables read from the input file.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/evaluation_budget.h"
#include "model/value.h"

// The rows of a table in order. A Row is a handle on its block of values, so
// reordering or dropping rows moves handles and never copies a value.
using Rows = std::vector<Row>;

// A named relation: rows in the order they were appended, and a schema. No
// invariant ties the rows to the schema. Copies are deep.
struct Table {
  explicit Table(std::string tableName) : name(std::move(tableName)) {}

  // Appends at the end; nothing is checked.
  void addAttribute(Attribute attribute) { schema.push_back(std::move(attribute)); }
  // Counts the row's values against the evaluation budget, if one is set.
  void addRow(Row row) {
    spendBudget(row.size());
    rows.push_back(std::move(row));
  }

  // Ascending by rowLess, stable: a merge sort that relinks row handles and
  // copies no row. Where rowLess is no strict weak order on the rows present
  // (rows of different lengths, or kinds mixed in a column), the order is
  // the one its fixed merge pattern gives: runs of 1, 2, 4, ... rows aligned
  // from the first row merged pairwise, then the leftover runs merged from
  // the last one back, each merge taking the right row only when it is less.
  void sortRows();

  // Removes every row equal to the row kept just before it: on sorted rows,
  // one row of each distinct content stays, the first of its run.
  void removeAdjacentDuplicateRows();

  Rows rows;
  Schema schema;
  std::string name;
};

// The tables of the input file by name, ordered by bytes. Filled while the
// input is read, then only looked up.
class TableRegistry {
 public:
  // Keeps the table under its own name unless that name is already taken:
  // the first table of a name stays and a later one is dropped silently.
  void registerTable(Table table);

  // The table stored under exactly this name (case-sensitive), or nullptr.
  const Table* findTable(std::string_view name) const;

 private:
  std::map<std::string, Table, std::less<>> tables_;
};
