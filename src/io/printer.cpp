#include "io/printer.h"

#include <cstddef>
#include <vector>

void TablePrinter::start(const std::string& name, const Schema& schema, std::size_t longestLine) {
  out_.reserveLine(longestLine);
  out_.put(name);
  out_.put('(');
  for (std::size_t i = 0; i < schema.size(); ++i) {
    const Attribute& attribute = schema[i];
    if (i > 0) out_.put(", ");
    out_.put(attribute.name());
    if (attribute.isChar()) {
      out_.put(" char(");
      out_.putInt(attribute.length());
      out_.put(')');
    } else {
      out_.put(" int");
    }
  }
  out_.put(')');
  out_.endLine();
}

void TablePrinter::row(const ValueView* values, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) out_.put(',');
    if (values[i].isString) {
      out_.put('\'');
      out_.put(values[i].text);
      out_.put('\'');
    } else {
      out_.putInt(values[i].number);
    }
  }
  out_.endLine();
}

void TablePrinter::end() { out_.endLine(); }

void printTable(const Operand& table, LineOutput& out) {
  TablePrinter printer(out);
  std::vector<ValueView> views;
  if (const Product* product = table.product()) {
    std::size_t widest = 0;
    for (const Relation& factor : product->factors()) widest += widestRow(factor);
    views.reserve(widest);
    printer.begin(table.name(), table.schema(), longestLine(*product));
    ProductCursor cursor(*product);
    while (cursor.next()) {
      viewsOfParts(cursor.parts().data(), cursor.parts().size(), views);
      printer.row(views.data(), views.size());
    }
  } else {
    const Relation& relation = *table.relation();
    views.reserve(widestRow(relation));
    printer.begin(table.name(), table.schema(), longestLine(relation));
    forEachRowViews(relation, views, [&printer](const void*, const std::vector<ValueView>& values) {
      printer.row(values.data(), values.size());
    });
  }
  printer.end();
}
