// The readers of the input file's table definitions. Each reads one line
// through its own character stream, so reading never runs on into the next.
#pragma once

#include <string_view>

#include "model/table.h"

// Reads a header line such as "Students(id int, name char(20))" into a new,
// empty table. The name is every character before the first "(", spaces
// left out. A type is told by its first letter (I: int, any other: char) and
// the rest of it is skipped by count, never compared. Raises "Table name
// error" when the line ends before "(", and "Table scheme error" when the
// attribute list runs past the end of the line. Text after ")" is ignored.
Table readTableHeader(std::string_view line);

// Reads a data-row line (values separated by spaces and at most one comma:
// unsigned decimal integers, or strings in single quotes without escapes)
// and appends the row, as written, to table's packed rows. Raises "Input> Not int or
// string", "Input> End of string" or "Input> Integer out of range".
void readDataRow(std::string_view line, Table& table);
