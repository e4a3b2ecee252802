// A query's trace as JSON, for the page.
#pragma once

#include <string>

#include "query/trace.h"

// Writes {"nodes": [...], "stopped": N}. The nodes come in the order their
// reading ended, a form after its operands; after an error, the nodes still
// being read follow, outermost first, and stopped is the index of the last
// of them, the one in which reading stopped (-1 without an error). Each node
// is {"label", "args", "first", "last", "parent", "children", "done", "rows",
// "table"}: first and last are the columns (from 1, inclusive) of its span
// in the query line; parent and children are indexes (-1: none); table is
// its result as printTable prints it, cut to its first rows. In every
// string, each byte of the text is one character: bytes outside printable
// ASCII are written as \u0000 to \u00ff, so the JSON is ASCII.
std::string traceToJson(const QueryTrace& trace);
