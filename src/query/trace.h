// The record of one query's reading, for the page's operator tree and its
// editor: the tokens read, and one node per expression the evaluator reads,
// with where it stands in the query, its arguments as read, and its result's
// schema, row count and first rows. Nothing is recorded unless a Query is
// given a QueryTrace. Everything is recorded by the readers themselves at the
// moment they read: the evaluator opens a node where it begins an expression,
// names it when it has read its word and closes it with the result; the forms
// and the condition reader add the tokens and arguments they read;
// evaluateQuery stops the trace where an error was raised.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/operand.h"
#include "model/table.h"
#include "query/token.h"

// How many of a node's rows the trace keeps.
inline constexpr std::size_t kTracedRows = 100;

// An argument of a form besides its operands: a name of a PROJECT list, the
// new name or a list name of RENAME, the condition of SELECT. Its span in the
// query line (columns from 1, inclusive) and its text as read: a name without
// blanks, the condition as written.
struct TraceArgument {
  std::size_t first = 0;
  std::size_t last = 0;
  std::string text;
};

struct TraceNode {
  // The form's keyword as the keyword table knows it, or the table name as
  // the evaluator read it (blanks dropped); for a word before "(" that is no
  // keyword, the word.
  std::string label;
  // The arguments as one text, as written: the query from the first
  // argument's first column through the last one read (for RENAME, through
  // its list's ")").
  std::string args;
  std::vector<TraceArgument> arguments;
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
  // The tokens in reading order; their spans never overlap and ascend.
  const std::vector<Token>& tokens() const { return tokens_; }
  // The node in which reading stopped when an error was raised; -1 if none.
  std::ptrdiff_t stopped() const { return stopped_; }

  // Reading an expression of queryText begins after column (where the
  // stream stands); returns its node's index.
  std::size_t open(std::string_view queryText, std::size_t column);
  // The expression being read begins at column: its first non-blank
  // character, or the last blank where only blanks were left.
  void begin(std::size_t column);
  // The expression being read is called label.
  void label(std::string label);
  // A token was read; false when it adds nothing: a character read again
  // after the text ended, or a delimiter given back and read again.
  bool token(TokenKind kind, std::size_t first, std::size_t last);
  // The character c at column was read as a delimiter, or where one belongs.
  void delimiter(char c, std::size_t column);
  // The expression being read has this argument.
  void argument(std::size_t first, std::size_t last, std::string text);
  // The arguments' text of the expression being read reaches column.
  void argumentsReach(std::size_t column);
  // The expression of node index was read to its last token; result is
  // what it gave: its rows are counted, and only its first ones are made (a
  // product's rows are not built for this).
  void close(std::size_t index, const Operand& result);
  // An error was raised at column: the innermost node being read is where
  // reading stopped, and it and every node around it end there unfinished.
  void stop(std::size_t column);

 private:
  TraceNode& reading() { return nodes_[open_.back()]; }

  std::string_view query_;
  std::vector<TraceNode> nodes_;
  std::vector<Token> tokens_;
  std::vector<std::size_t> open_;
  std::vector<std::size_t> argsFirst_;  // of each node, 0 until it has one
  std::ptrdiff_t stopped_ = -1;
};

// The keyword that a KEYWORD or CONDITION_KEYWORD token spans in the query
// line, as the keyword tables spell it: in capitals, without the blanks the
// reader dropped. Empty for a span that is not within line.
std::string keywordOf(const Token& token, std::string_view line);

// The recording steps for readers that hold a trace only when one is asked
// for: each does nothing when trace is null.
inline void recordToken(QueryTrace* trace, TokenKind kind, std::size_t first, std::size_t last) {
  if (trace != nullptr) trace->token(kind, first, last);
}
inline void recordDelimiter(QueryTrace* trace, char c, std::size_t column) {
  if (trace != nullptr) trace->delimiter(c, column);
}
