#include "io/input_reader.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "model/query_error.h"
#include "text/char_stream.h"
#include "text/chars.h"

namespace {

// Reads n characters; only the last one read stays current.
void skip(CharStream& in, char& c, int n) {
  for (int i = 0; i < n; ++i) in.get(c);
}

}  // namespace

Table readTableHeader(std::string_view line) {
  CharStream in(line);
  char c = '\0';
  std::string name;
  in.get(c);
  if (!collectNonBlanksUntil(in, c, name, [](char k) { return k == '('; })) {
    throw QueryError(msg::kTableName);
  }
  Table table(std::move(name));

  // Only the read after each attribute is checked: a read that fails earlier
  // spends the stream, so that this one fails too.
  while (c != ')') {
    std::string attributeName;
    in.readWord(attributeName);
    in.get(c);
    skipBlanksKeepingLast(in, c);
    if (toUpperAscii(c) == 'I') {
      skip(in, c, 2);  // "nt"
      skipBlanksKeepingLast(in, c);
      table.addAttribute(Attribute(std::move(attributeName)));
    } else {
      skip(in, c, 3);  // "har"
      skipBlanksKeepingLast(in, c);
      in.get(c);  // "("
      std::int32_t length = 0;
      in.readInt(length);
      in.get(c);  // ")"
      table.addAttribute(Attribute(std::move(attributeName), length));
    }
    if (!in.get(c)) throw QueryError(msg::kTableScheme);
  }
  return table;
}

void readDataRow(std::string_view line, Table& table) {
  CharStream in(line);
  PackedRows& rows = table.packed;
  rows.discardRow();
  char c = '\0';
  while (in.get(c)) {
    bool ended = false;
    while (isBlank(c) && !ended) ended = !in.get(c);
    if (ended) continue;  // the next read fails too and ends the row
    if (c == ',') {
      in.get(c);
      skipBlanksKeepingLast(in, c);
    }
    if (isDigit(c)) {
      std::int32_t number = 0;
      if (!in.readIntAfter(c, number)) throw QueryError(msg::kIntegerOutOfRange);
      rows.addNumber(number);
    } else if (c != '\'') {
      throw QueryError(msg::kNotIntOrString);
    } else {
      std::string_view text;
      if (!in.readUntil('\'', text)) throw QueryError(msg::kEndOfString);
      rows.addText(text);
    }
  }
  rows.endRow();
}
