// The result printer.
#pragma once

#include <cstddef>
#include <string>

#include "io/output.h"
#include "model/operand.h"
#include "model/row_writer.h"

// Writes the schema line "Name(a int, b char(8))", one line per row with its
// values separated by "," alone (strings between single quotes, nothing
// escaped, each value by its own kind), and one empty line. The room for the
// longest line is taken before the schema line, so that once a row is
// written, no allocation is left that could fail.
class TablePrinter final : public RowWriter {
 public:
  explicit TablePrinter(LineOutput& out) : out_(out) {}

  void row(const ValueView* values, std::size_t count) override;
  void end() override;

 protected:
  void start(const std::string& name, const Schema& schema, std::size_t longestLine) override;

 private:
  LineOutput& out_;
};

// A whole operand through a TablePrinter. A product's rows are written in
// product order as they are made, one at a time. Raises nothing.
void printTable(const Operand& table, LineOutput& out);
