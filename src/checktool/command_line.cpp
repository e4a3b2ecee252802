#include "checktool/command_line.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "model/query_error.h"

namespace {

bool startsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// A positive decimal number, whole or with a fraction: "2", "0.5".
double positiveNumber(const std::string& option, const std::string& text) {
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(text.c_str(), &end);
  const bool digitsOnly = text.find_first_not_of("0123456789.") == std::string::npos;
  if (text.empty() || !digitsOnly || end != text.c_str() + text.size() || errno != 0 ||
      !std::isfinite(value) || value <= 0)
    throw QueryError(option + " needs a positive number, not '" + text + "'");
  return value;
}

long long positiveWholeNumber(const std::string& option, const std::string& text) {
  if (text.empty() || text.size() > 12 ||
      text.find_first_not_of("0123456789") != std::string::npos || std::atoll(text.c_str()) <= 0)
    throw QueryError(option + " needs a positive whole number, not '" + text + "'");
  return std::atoll(text.c_str());
}

}  // namespace

CheckCommand parseCheckCommand(const std::vector<std::string>& arguments) {
  CheckCommand command;
  std::vector<std::string> operands;
  bool formatGiven = false;
  auto setFormat = [&](ReportFormat format) {
    if (formatGiven && command.format != format)
      throw QueryError("--json and --gradescope exclude each other");
    formatGiven = true;
    command.format = format;
  };
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || !startsWith(argument, "-") || argument == "-") {
      operands.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = argument;
    std::optional<std::string> value;
    if (const std::size_t equals = argument.find('='); equals != std::string::npos) {
      name = argument.substr(0, equals);
      value = argument.substr(equals + 1);
    }
    const bool takesValue =
        name == "--time-limit" || name == "--memory-limit" || name == "--exercise";
    if (takesValue && !value) {
      if (i + 1 == arguments.size()) throw QueryError(name + " needs a value");
      value = arguments[++i];
    }
    if (!takesValue && value) throw QueryError(name + " takes no value");
    if (name == "--help" || name == "-h") {
      command.mode = CheckCommand::Mode::HELP;
      return command;
    } else if (name == "--version") {
      command.mode = CheckCommand::Mode::VERSION;
      return command;
    } else if (name == "--audit") {
      command.mode = CheckCommand::Mode::AUDIT;
    } else if (name == "--json") {
      setFormat(ReportFormat::JSON);
    } else if (name == "--gradescope") {
      setFormat(ReportFormat::GRADESCOPE);
    } else if (name == "--batch") {
      command.batch = true;
    } else if (name == "--exercise") {
      if (value->empty()) throw QueryError("--exercise needs an exercise id");
      command.exercise = *value;
    } else if (name == "--time-limit") {
      command.timeLimitSeconds = positiveNumber(name, *value);
    } else if (name == "--memory-limit") {
      command.memoryLimitMiB = positiveWholeNumber(name, *value);
    } else {
      throw QueryError("unknown option " + name);
    }
  }
  if (operands.empty()) throw QueryError("no SHEET given");
  command.sheetPath = operands.front();
  command.answerPaths.assign(operands.begin() + 1, operands.end());
  if (command.mode == CheckCommand::Mode::AUDIT) {
    if (!command.answerPaths.empty()) throw QueryError("--audit takes a SHEET and no ANSWER");
    if (command.batch || command.exercise || command.format == ReportFormat::GRADESCOPE)
      throw QueryError("--audit takes no --batch, --exercise or --gradescope");
  } else if (command.answerPaths.empty()) {
    throw QueryError("no ANSWER given");
  }
  return command;
}

std::string checkUsage() {
  return R"(Usage: raeval-check [OPTIONS] SHEET ANSWER...
       raeval-check --batch [OPTIONS] SHEET FOLDER...
       raeval-check --audit [--json] SHEET

Checks answers to the exercises of a sheet: each answer runs on every
instance of its exercise beside the exercise's reference, and gets one
verdict per instance: right, wrong-result, wrong-schema, error,
not-allowed, limit or missing.

An ANSWER is a raeval input file (its first line is the query; its
exercise is its file name less .txt), an .answers file (a line "=== ID"
and the query below it, for each exercise), or a folder holding such
files. All the ANSWERs of a run make one submission; with --batch, each
FOLDER holds submissions, one per folder or .answers file in it.

Options:
  --audit              check the sheet itself: make the usual mistakes in
                       each reference and list those no instance catches
  --batch              each FOLDER holds one submission per entry
  --exercise ID        check exercise ID only; a .txt answer answers it
  --json               write the report as JSON
  --gradescope         write Gradescope's results.json
  --time-limit SECONDS for one evaluation (default 2)
  --memory-limit MIB   for one evaluation (default 320)
  --help               print this help and exit
  --version            print the version and exit

Exit status: 0 when every answer is right (or the audit found no mutant
that every instance accepts), 1 when some answer is not right (or some
mutant escapes), 2 for a bad command line, a file that cannot be read or
a refused sheet.
)";
}
