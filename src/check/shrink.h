// Shrinking an instance to the smallest tables that still show a
// difference: ddmin over the rows of all its tables together.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <vector>

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
