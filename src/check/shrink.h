// Shrinking an instance to the smallest tables that still show a
// difference: ddmin over the rows of all its tables together.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "check/limits.h"
#include "check/sheet.h"
#include "model/table.h"

// For each table, the positions (ascending) of the rows kept.
using RowSelection = std::vector<std::vector<std::size_t>>;

// Starting from every row of tables of the given sizes, on which differs
// holds, removes chunks of rows, halving their size down to single rows,
// keeping each removal after which differs still holds. The result is a
// selection on which differs holds and from which no single row can be
// removed with differs still holding, unless the deadline came first (the
// smallest selection found by then is returned). differs is never called on
// the full selection.
RowSelection shrinkRows(const std::vector<std::size_t>& tableSizes,
                        const std::function<bool(const RowSelection&)>& differs,
                        std::chrono::steady_clock::time_point deadline);

// The tables of names in registry, in that order; every name must be there.
std::vector<const Table*> tablesNamed(const TableRegistry& registry,
                                      const std::vector<std::string>& names);

// A registry of the tables, each keeping the rows selection names, in order.
TableRegistry selectRows(const std::vector<const Table*>& tables, const RowSelection& selection);

// The tables as an input file holds them from line 3 on: each header line
// and its rows as raeval prints them, an empty line between tables.
std::string tablesText(const TableRegistry& registry, const std::vector<std::string>& names);

// Whether queries a and b both run on tables and give results that disagree
// under the policies.
bool resultsDiffer(std::string_view a, std::string_view b, const TableRegistry& tables,
                   RowPolicy rows, ColumnPolicy columns, const Limits& limits);

// shrinkRows over the rows of tables, on which a and b must differ.
RowSelection shrinkDifference(const std::vector<const Table*>& tables, std::string_view a,
                              std::string_view b, RowPolicy rows, ColumnPolicy columns,
                              const Limits& limits, std::chrono::steady_clock::time_point deadline);
