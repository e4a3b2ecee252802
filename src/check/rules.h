// The operator rules of an exercise (keywords forbidden or required),
// decided on what the engine read of a query: its trace.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "check/sheet.h"
#include "query/trace.h"

// The keywords in capitals that the engine read of query, in reading order:
// its keyword and condition-keyword tokens. A word before "(" that is no
// keyword, and a keyword written as a name (a table, an attribute), are no
// keyword read.
std::vector<std::string> keywordsRead(const QueryTrace& trace, std::string_view query);

// The first rule of exercise that the traced reading breaks, as
// "MINUS is not allowed" or "PRODUCT is required"; empty when none. A
// forbidden keyword counts wherever it was read, even before an error; a
// required one is missing only from a query read whole (readWhole).
std::string brokenRule(const Exercise& exercise, const QueryTrace& trace, std::string_view query,
                       bool readWhole);
