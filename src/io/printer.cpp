#include "io/printer.h"

#include <cstddef>

namespace {

// One row line: the values of parts one after the other, each by its own
// kind, separated by "," alone.
void writeRow(const Row* const* parts, std::size_t count, LineOutput& out) {
  bool first = true;
  for (std::size_t p = 0; p < count; ++p) {
    for (const Value& value : *parts[p]) {
      if (!first) out.put(',');
      first = false;
      if (value.isString()) {
        out.put('\'');
        out.put(value.text());
        out.put('\'');
      } else {
        out.putInt(value.number());
      }
    }
  }
  out.endLine();
}

}  // namespace

void printTable(const Operand& table, LineOutput& out) {
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

  if (const Product* product = table.product()) {
    ProductCursor cursor(*product);
    while (cursor.next()) writeRow(cursor.parts().data(), cursor.parts().size(), out);
  } else {
    for (const Row& row : table.relation()->rows()) {
      const Row* part = &row;
      writeRow(&part, 1, out);
    }
  }
  out.endLine();
}
