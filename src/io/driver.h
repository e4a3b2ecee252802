// The program's whole run.
#pragma once

#include <cstddef>
#include <string_view>

#include "io/line_reader.h"
#include "io/output.h"
#include "query/trace.h"

// Runs raeval as the command line asks: raeval INPUT OUTPUT. Returns the exit
// status: 0 after a result or an "ERROR: " line alike; -1 with fewer than two
// arguments ("Not enough arguments!" on standard output); 1 when a file
// cannot be read or written, or memory runs out (a message on standard
// error). The input is read in pieces while the output is written; its first
// piece is read before the output file is opened.
int runRaeval(int argc, const char* const* argv);

// Where reading stopped when an error was raised: the input file's line for
// an error while loading, the query's column for an error in the query or a
// condition. Both count from 1; 0 where it does not apply.
struct ErrorPlace {
  std::size_t line = 0;
  std::size_t column = 0;
};

// Does the work of one run on the input file's content: echoes it to out
// while loading its tables, then writes one empty line and the query's
// result, or "ERROR: " and the message of the first failure, whose place
// goes to place when one is given. The query's reading is recorded in trace
// when one is given. Lets only std::bad_alloc escape.
void evaluateInput(LineReader& lines, LineOutput& out, ErrorPlace* place = nullptr,
                   QueryTrace* trace = nullptr);
// The same on an input held in memory.
void evaluateInput(std::string_view input, LineOutput& out, ErrorPlace* place = nullptr,
                   QueryTrace* trace = nullptr);

// evaluateInput, except that memory running out ends out with the
// "ERROR: Out of memory" line in place of the line being built, and returns
// false.
bool evaluateInputWithinMemory(LineReader& lines, LineOutput& out, ErrorPlace* place = nullptr,
                               QueryTrace* trace = nullptr);
bool evaluateInputWithinMemory(std::string_view input, LineOutput& out, ErrorPlace* place = nullptr,
                               QueryTrace* trace = nullptr);
