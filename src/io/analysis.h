// What the page's editor needs on every keystroke, without evaluating the
// query on any data row: the tokens of the query line, the table headers,
// and the first error.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "io/table_loader.h"
#include "query/evaluator.h"
#include "query/token.h"

struct InputAnalysis {
  bool byteOrderMark = false;  // the input opens with one; columns count after it
  std::vector<Token> tokens;   // of the query line, as the evaluator read them
  std::vector<HeaderRead> headers;
  // The first error: its message, and its place as the command line gives
  // it (a line while loading, a column in the query); message empty if none.
  std::string message;
  std::size_t line = 0;
  std::size_t column = 0;
};

// Loads the tables as the command line does, then reads the query against
// their schemas alone: tables without rows. So the tokens are those of the
// real run, and so is every error found while loading or in the query's
// text and schemas; an error only rows raise ("Row too short ...") is not
// found. Where loading fails, the command line never reads the query; its
// tokens are still given, read against the headers read before the error,
// and the error is the loading's. Lets only std::bad_alloc escape.
InputAnalysis analyseInput(std::string_view input);
