// A query's trace, and the analysis of an input, as JSON for the page. In
// every string, each byte of the text is one character: bytes outside
// printable ASCII are written as \u0000 to \u00ff, so the JSON is ASCII. A
// schema is [{"name":"id","type":"int"},{"name":"s","type":"char",
// "length":20}]; a token is {"kind":"keyword","first":1,"last":7}, its kind
// one of keyword, condition-keyword, table, attribute, name, number,
// string, open, close, comma, unknown. Columns count from 1 in the query
// line, after a byte-order mark, and spans include both ends.
#pragma once

#include <string>

#include "io/analysis.h"
#include "query/trace.h"

// Writes {"nodes": [...], "tokens": [...], "tracedRows": N, "stopped": N}.
// The nodes come in the order their reading ended, a form after its
// operands; after an error, the nodes still being read follow, outermost
// first, and stopped is the index of the last of them, the one in which
// reading stopped (-1 without an error). Each node is {"label", "args",
// "arguments", "first", "last", "parent", "children", "done", "rows",
// "table", "schema"}: first and last are its span; arguments are
// [{"first","last","text"}]; parent and children are indexes (-1: none);
// table is its result as printTable prints it, cut to its first tracedRows
// rows, and schema its result's schema (both empty while unfinished). The
// tokens are the query's, in reading order.
std::string traceToJson(const QueryTrace& trace);

// Writes {"bom": B, "tokens": [...], "tables": [{"name", "line", "stored",
// "attributes"}], "error": {"line", "column", "message"} or null,
// "keywords": {"forms": ["UNION", ...], "conditions": ["EQ", ...]}}: tables
// are the headers in the order read, stored true for the first table of its
// name; keywords are the engine's operator forms and condition keywords, in
// capitals, in the order they are tried.
std::string analysisToJson(const InputAnalysis& analysis);
