#include "checktool/run_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "check/audit.h"
#include "check/checker.h"
#include "check/report.h"
#include "check/sheet.h"
#include "checktool/command_line.h"
#include "checktool/progress.h"
#include "checktool/submissions.h"
#include "model/query_error.h"
#include "platform/standard_streams.h"

#ifndef RAEVAL_VERSION
#define RAEVAL_VERSION "0"
#endif

namespace {

void write(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

void fail(const std::string& message) {
  const std::string line = message + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
}

std::string readSheetFile(const std::string& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  if (!in) throw QueryError("cannot read " + path);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

Limits limitsOf(const CheckCommand& command) {
  Limits limits;
  // At least a millisecond, and at most what the limit can hold (some 49 days).
  const long long milliseconds = std::llround(command.timeLimitSeconds * 1000);
  limits.milliseconds = static_cast<std::uint32_t>(
      std::clamp<long long>(milliseconds, 1, std::numeric_limits<std::uint32_t>::max()));
  // A value takes 16 bytes; the rows and tables around them are left out.
  limits.values = static_cast<std::uint64_t>(command.memoryLimitMiB) * 1024 * 1024 / 16;
  return limits;
}

SubmissionResult checkSubmission(const Sheet& sheet, const Submission& submission,
                                 const CheckCommand& command, const CheckOptions& options) {
  SubmissionResult result;
  result.name = submission.name;
  result.notes = submission.notes;
  for (const Exercise& exercise : sheet.exercises) {
    if (command.exercise && exercise.id != *command.exercise) continue;
    const Answer* found = nullptr;
    for (const Answer& answer : submission.answers) {
      if (answer.exercise == exercise.id) found = &answer;
    }
    result.answers.push_back(found == nullptr
                                 ? missingAnswer(sheet, exercise)
                                 : checkAnswer(sheet, exercise, found->query, options));
  }
  for (const Answer& answer : submission.answers) {
    if (sheet.findExercise(answer.exercise) == nullptr)
      result.unknownExercises.push_back(answer.exercise);
  }
  return result;
}

int check(const Sheet& sheet, const CheckCommand& command) {
  if (command.exercise && sheet.findExercise(*command.exercise) == nullptr)
    throw QueryError("the sheet has no exercise " + *command.exercise);
  const std::vector<Submission> submissions =
      command.batch
          ? readBatch(command.answerPaths, command.exercise)
          : std::vector<Submission>{readSubmission(command.answerPaths, command.exercise)};
  if (command.format == ReportFormat::GRADESCOPE && submissions.size() != 1)
    throw QueryError("--gradescope reports one submission, not " +
                     std::to_string(submissions.size()));
  CheckOptions options;
  options.limits = limitsOf(command);
  std::vector<SubmissionResult> results;
  {
    Progress progress(submissions.size());
    for (const Submission& submission : submissions) {
      results.push_back(checkSubmission(sheet, submission, command, options));
      progress.done(results.size());
    }
  }
  switch (command.format) {
    case ReportFormat::TEXT:
      write(textReport(sheet, results));
      break;
    case ReportFormat::JSON:
      write(jsonReport(sheet, results));
      break;
    case ReportFormat::GRADESCOPE:
      write(gradescopeReport(sheet, results.front()));
      break;
  }
  return allRight(results) ? 0 : 1;
}

int audit(const Sheet& sheet, const CheckCommand& command) {
  AuditOptions options;
  options.limits = limitsOf(command);
  const std::vector<ReferenceAudit> audits = auditSheet(sheet, options);
  write(command.format == ReportFormat::JSON ? jsonAuditReport(sheet, audits)
                                             : textAuditReport(sheet, audits));
  return auditClean(audits) ? 0 : 1;
}

}  // namespace

int runRaevalCheck(int argc, const char* const* argv) {
  useBinaryStandardStreams();
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  CheckCommand command;
  try {
    command = parseCheckCommand(arguments);
  } catch (const QueryError& error) {
    fail("raeval-check: " + error.message() + "\nTry 'raeval-check --help'.");
    return 2;
  }
  if (command.mode == CheckCommand::Mode::HELP) {
    write(checkUsage());
    return 0;
  }
  if (command.mode == CheckCommand::Mode::VERSION) {
    write(std::string("raeval-check ") + RAEVAL_VERSION + "\n");
    return 0;
  }
  try {
    const Sheet sheet =
        readSheet(readSheetFile(command.sheetPath), command.sheetPath, limitsOf(command));
    return command.mode == CheckCommand::Mode::AUDIT ? audit(sheet, command)
                                                     : check(sheet, command);
  } catch (const SheetError& error) {
    fail(error.what());
  } catch (const QueryError& error) {
    fail("raeval-check: " + error.message());
  } catch (const std::bad_alloc&) {
    fail("raeval-check: out of memory");
  }
  return 2;
}
