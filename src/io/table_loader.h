// Loading the input file's tables: the lines after the query and its
// following line, table by table.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "io/line_reader.h"
#include "io/output.h"
#include "model/table.h"
#include "model/value.h"

// A table header as the loader read it: the table's name and schema, the
// input file's line (from 1) it stands on, and whether the table is the one
// stored under its name (the first of that name) or dropped.
struct HeaderRead {
  std::string name;
  Schema schema;
  std::size_t line = 0;
  bool stored = false;
};

// Loads every table definition into the registry, echoing each line as it
// is read. Empty lines are counted and written before the next non-empty one.
// When headers is given, each header read is appended to it. Raises the
// readers' messages; the line read last is the one that raised.
void loadTables(LineReader& input, LineOutput& out, TableRegistry& registry,
                std::vector<HeaderRead>* headers = nullptr);
