// The command line of raeval-check.
#pragma once

#include <optional>
#include <string>
#include <vector>

enum class ReportFormat { TEXT, JSON, GRADESCOPE };

// What one run is asked to do. A run checks one submission made of every
// ANSWER argument, or, with batch, one submission per entry of each ANSWER
// folder; or audits the sheet; or prints the help or the version.
struct CheckCommand {
  enum class Mode { CHECK, AUDIT, HELP, VERSION } mode = Mode::CHECK;
  ReportFormat format = ReportFormat::TEXT;
  bool batch = false;
  std::string sheetPath;
  std::vector<std::string> answerPaths;
  std::optional<std::string> exercise;
  // For one evaluation of an answer on one instance.
  double timeLimitSeconds = 2;
  long long memoryLimitMiB = 320;
};

// Reads the arguments after the program's name. Options and operands may
// come in any order; "--" ends the options; an option's value is the next
// argument or follows "=" ("--time-limit=2"). Raises QueryError with the
// message to print for a bad command line (an unknown option, a missing or
// malformed value, a missing SHEET or ANSWER, two formats).
CheckCommand parseCheckCommand(const std::vector<std::string>& arguments);

// The text of --help.
std::string checkUsage();
