// The result printer.
#pragma once

#include "io/output.h"
#include "model/operand.h"

// Writes the schema line "Name(a int, b char(8))", one line per row with its
// values separated by "," alone (strings between single quotes, nothing
// escaped, each value by its own kind), and one empty line. A product's rows
// are written in product order as they are made, one at a time. Raises
// nothing.
void printTable(const Operand& table, LineOutput& out);
