// Loading table definitions given as lines, as they stand in an input file
// from its line 3 on, without the echo: for programs that hold tables apart
// from an input file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "model/table.h"

// Reads the definitions in lines (each without its newline): a header line,
// then data-row lines up to an empty line or the last line; empty lines
// between definitions are passed over. Each table is registered in registry
// (the first table of a name stays) and the names of those registered are
// appended to names, in order. Raises what readTableHeader and readDataRow
// raise; failedLine is then the index in lines of the line that raised it.
void loadTableLines(const std::vector<std::string_view>& lines, TableRegistry& registry,
                    std::vector<std::string>& names, std::size_t& failedLine);
