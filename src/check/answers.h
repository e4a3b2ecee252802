// Answers to a sheet's exercises, as students hand them in.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The query of a student's raeval input file: its first line, after a
// leading UTF-8 byte-order mark and without a final carriage return. The
// file's own tables are not read: each instance's tables are used instead.
std::string queryOfInputFile(std::string_view inputFileText);

// The exercise id an input file answers, by its file name: the name less a
// final ".txt", and less any folders before it.
std::string exerciseOfFileName(std::string_view fileName);

struct Answer {
  std::string exercise;
  std::string query;
  std::size_t line = 0;  // the answers file's line of the query (0: not from one)
};

// Reads an answers file: "#" comment lines (and empty lines) anywhere
// outside an answer, then for each exercise a line "=== ID" followed by
// exactly one line, the query. Raises SheetError (sheet.h) with the file's
// line for a line that is neither, an "=== ID" without its query line, or
// an id given twice.
std::vector<Answer> readAnswers(std::string_view text, const std::string& path);
