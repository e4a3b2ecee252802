// The result printer.
#pragma once

#include "io/output.h"
#include "model/table.h"

// Writes the schema line "Name(a int, b char(8))", one line per row with its
// values separated by "," alone (strings between single quotes, nothing
// escaped, each value by its own kind), and one empty line. Raises nothing.
void printTable(const Table& table, LineOutput& out);
