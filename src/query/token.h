// The tokens of the query line, as the evaluator and the condition reader
// read them: what each read word or character was taken for, and where it
// stands. The page colours and completes from them; nothing else reads the
// query line again.
#pragma once

#include <cstddef>

enum class TokenKind {
  KEYWORD,            // an operator keyword the keyword table matched
  CONDITION_KEYWORD,  // EQ ... NOT
  TABLE,              // a table name read as an expression
  ATTRIBUTE,          // a name in a PROJECT or RENAME list, or in a condition
  NAME,               // RENAME's new table name
  NUMBER,             // a condition's integer literal
  STRING,             // a condition's string literal, its quotes included
  OPEN,               // "("
  CLOSE,              // ")"
  COMMA,              // ","
  UNKNOWN,            // a word before "(" that is no keyword, or where reading stopped
};

// first and last are query-line columns, from 1, both inclusive, counted
// from the line's first byte after a byte-order mark (the columns of the
// ERROR place). A word read with blanks inside spans them.
struct Token {
  TokenKind kind;
  std::size_t first;
  std::size_t last;
};

// The kind's name in the page's data: keyword, condition-keyword, table,
// attribute, name, number, string, open, close, comma, unknown.
constexpr const char* tokenKindName(TokenKind kind) {
  switch (kind) {
    case TokenKind::KEYWORD:
      return "keyword";
    case TokenKind::CONDITION_KEYWORD:
      return "condition-keyword";
    case TokenKind::TABLE:
      return "table";
    case TokenKind::ATTRIBUTE:
      return "attribute";
    case TokenKind::NAME:
      return "name";
    case TokenKind::NUMBER:
      return "number";
    case TokenKind::STRING:
      return "string";
    case TokenKind::OPEN:
      return "open";
    case TokenKind::CLOSE:
      return "close";
    case TokenKind::COMMA:
      return "comma";
    case TokenKind::UNKNOWN:
      break;
  }
  return "unknown";
}
