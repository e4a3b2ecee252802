// The character tests every reader shares, and the reading steps built from
// them on a character stream. Only the space is a blank: a tab, a carriage
// return and every other byte are ordinary characters. The steps differ in
// what they do at the end of the text, and are named for it.
#pragma once

#include <cstddef>
#include <string>

#include "text/char_stream.h"

inline constexpr char kBlank = ' ';

constexpr bool isBlank(char c) { return c == kBlank; }

constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The parentheses and the comma, which end names in a query.
constexpr bool isDelimiter(char c) { return c == '(' || c == ',' || c == ')'; }

// The letters a to z in upper case; every other byte unchanged, whatever the
// locale.
constexpr char toUpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// While c is a blank, reads the next character into c. At the end of the
// text c keeps the last blank read.
inline void skipBlanksKeepingLast(CharStream& in, char& c) {
  while (isBlank(c) && in.get(c)) {
  }
}

// Reads one character into c, then skips blanks. At the end of the text c
// keeps the last character read; false only when the first read found the
// end.
inline bool nextNonBlank(CharStream& in, char& c) {
  if (!in.get(c)) return false;
  skipBlanksKeepingLast(in, c);
  return true;
}

// Reads characters into c until one is not a blank. False when the text ends
// first.
inline bool nextNonBlankOrFail(CharStream& in, char& c) {
  do {
    if (!in.get(c)) return false;
  } while (isBlank(c));
  return true;
}

// Appends to word every non-blank character from c on, reading on, until c
// is one that stop accepts; that one stays current and is not appended.
// False when the text ends first; word then holds what was collected. When
// lastColumn is given, it is set to the column of each character appended,
// so that it ends on the last.
template <class Stop>
bool collectNonBlanksUntil(CharStream& in, char& c, std::string& word, Stop stop,
                           std::size_t* lastColumn = nullptr) {
  while (!stop(c)) {
    if (!isBlank(c)) {
      word += c;
      if (lastColumn != nullptr) *lastColumn = in.column();
    }
    if (!in.get(c)) return false;
  }
  return true;
}
