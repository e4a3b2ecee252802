#include "io/printer.h"

#include <charconv>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace {

// Formats a row that fits a small buffer there, newline included, and writes
// it as a whole line, which saves the per-piece bookkeeping of the line;
// false for a longer row, of which nothing is written.
bool writeRowQuickly(const Row& row, LineOutput& out) {
  char line[512];
  char* at = line;
  char* const end = line + sizeof line;
  for (std::size_t i = 0; i < row.size(); ++i) {
    const Value& value = row[i];
    // Room for the comma and the widest int, or the comma and the quotes,
    // and for the newline.
    if (end - at < 16) return false;
    if (i > 0) *at++ = ',';
    if (value.isString()) {
      const std::string& text = value.text();
      if (static_cast<std::size_t>(end - at) < text.size() + 2) return false;
      *at++ = '\'';
      std::memcpy(at, text.data(), text.size());
      at += text.size();
      *at++ = '\'';
    } else {
      at = std::to_chars(at, end, value.number()).ptr;
    }
  }
  if (at == end) return false;
  *at++ = '\n';
  out.writeWholeLine(std::string_view(line, static_cast<std::size_t>(at - line)));
  return true;
}

void writeRow(const Row& row, LineOutput& out) {
  if (writeRowQuickly(row, out)) return;
  for (std::size_t i = 0; i < row.size(); ++i) {
    if (i > 0) out.put(',');
    const Value& value = row[i];
    if (value.isString()) {
      out.put('\'');
      out.put(value.text());
      out.put('\'');
    } else {
      out.putInt(value.number());
    }
  }
  out.endLine();
}

}  // namespace

void printTable(const Relation& table, LineOutput& out) {
  out.put(table.name());
  out.put('(');
  for (std::size_t i = 0; i < table.schema().size(); ++i) {
    const Attribute& attribute = table.schema()[i];
    if (i > 0) out.put(", ");
    out.put(attribute.name());
    if (attribute.isChar()) {
      out.put(" char(");
      out.putInt(attribute.length());
      out.put(')');
    } else {
      out.put(" int");
    }
  }
  out.put(')');
  out.endLine();

  if (table.isProduct()) {
    ProductCursor cursor(table);
    Row row;
    while (cursor.next()) {
      row.clear();
      for (const Row* part : cursor.parts()) row.insert(row.end(), part->begin(), part->end());
      writeRow(row, out);
    }
  } else {
    for (const Row& row : table.rows()) writeRow(row, out);
  }
  out.endLine();
}
