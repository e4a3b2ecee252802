#include "io/printer.h"

#include <cstddef>

void printTable(const Table& table, LineOutput& out) {
  out.put(table.name);
  out.put('(');
  for (std::size_t i = 0; i < table.schema.size(); ++i) {
    const Attribute& attribute = table.schema[i];
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

  for (const Row& row : table.rows) {
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
  out.endLine();
}
