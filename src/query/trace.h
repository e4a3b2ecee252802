// The record of one query's reading, for the page's operator tree: one node
// per expression the evaluator reads, with where it stands in the query, the
// arguments as written, and its result's schema, row count and first rows.
// Nothing is recorded unless a Query is given a QueryTrace: the evaluator
// opens a node where it begins an expression and closes it with the result;
// evaluateQuery stops the trace where an error was raised.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/relation.h"
#include "model/table.h"

// How many of a node's rows the trace keeps.
inline constexpr std::size_t kTracedRows = 100;

struct TraceNode {
  // The form's keyword in capitals, or the table name as the evaluator read
  // it (blanks dropped); for a word before "(" that is no keyword, the word.
  std::string label;
  // A form's arguments besides its operands, as written: the attribute list
  // of PROJECT, the new name and list of RENAME, the condition of SELECT.
  std::string args;
  // The span in the query line: the columns (from 1) of its first and last
  // non-blank characters. A node in which reading stopped ends at the
  // column where it stopped.
  std::size_t first = 0;
  std::size_t last = 0;
  // Indexes into QueryTrace::nodes(); parent is -1 for the query's root.
  std::ptrdiff_t parent = -1;
  std::vector<std::size_t> children;
  // Whether the expression was read to its end; only then are rows and
  // table set: the result's row count, and its name, schema and first
  // kTracedRows rows.
  bool done = false;
  std::uint64_t rows = 0;
  Table table{""};
};

class QueryTrace {
 public:
  // The nodes in the order reading began, a form before its operands.
  const std::vector<TraceNode>& nodes() const { return nodes_; }
  // The node in which reading stopped when an error was raised; -1 if none.
  std::ptrdiff_t stopped() const { return stopped_; }

  // Reading an expression begins after column (where the stream stands);
  // returns its node's index.
  std::size_t open(std::string_view queryText, std::size_t column);
  // The expression of node index was read to column (its last character);
  // result is what it gave: its rows are counted, and only its first ones
  // are made (a product's rows are not built for this).
  void close(std::size_t index, std::size_t column, const Relation& result);
  // An error was raised at column: the innermost node being read is where
  // reading stopped, and it and every node around it end there unfinished.
  void stop(std::size_t column);

 private:
  void describe(TraceNode& node) const;

  std::string_view query_;
  std::vector<TraceNode> nodes_;
  std::vector<std::size_t> open_;
  std::ptrdiff_t stopped_ = -1;
};
