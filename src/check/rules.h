// The operator rules of an exercise (keywords forbidden or required),
// decided on what the engine read of a query: its trace.
#pragma once

#include <string>
#include <vector>

#include "check/sheet.h"
#include "query/trace.h"

// The keywords in capitals the engine read, in reading order: the operator
// forms it began (a word before "(" that is no keyword is none), and the
// condition keywords of each SELECT it read whole. A keyword written as a
// name (a table, an attribute) is no keyword read.
std::vector<std::string> keywordsRead(const QueryTrace& trace);

// The first rule of exercise that the traced reading breaks, as
// "MINUS is not allowed" or "PRODUCT is required"; empty when none. A
// forbidden keyword counts wherever it was read, even before an error; a
// required one is missing only from a query read whole (readWhole).
std::string brokenRule(const Exercise& exercise, const QueryTrace& trace, bool readWhole);
