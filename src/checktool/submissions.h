// The answers handed in, read from the files and folders on the command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "check/answers.h"

// One submission: the answers of one student (or one group).
struct Submission {
  std::string name;
  // In the order they were found: files in the order given, a folder's
  // files by name.
  std::vector<Answer> answers;
  // What was wrong with its files, a line each, for the report.
  std::vector<std::string> notes;
};

// Reads the ANSWER paths of a run as one submission: a raeval input file
// (.txt, or any file that is not .answers) answers the exercise of its file
// name, or exercise when one is given; an .answers file answers the
// exercises it names; a folder adds its *.txt and *.answers files (not its
// subfolders), by name. An answers file that does not read becomes a note,
// and so does a second answer to one exercise (the first stays). Raises
// QueryError for a path that does not exist or cannot be read.
Submission readSubmission(const std::vector<std::string>& paths,
                          const std::optional<std::string>& exercise);

// Reads the FOLDERs of a batch: each subfolder, and each .answers file, of
// each folder is one submission (named by its path), in name order; the
// folders in the order given.
std::vector<Submission> readBatch(const std::vector<std::string>& folders,
                                  const std::optional<std::string>& exercise);
