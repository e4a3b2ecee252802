// The engine's entry points for the page. raevalRun: the input file's bytes in, the output
// file's bytes out (handed over in pieces as they are written, see page_output.h), through the
// function the command line runs, where reading stopped when an error was raised, and, when
// asked, the trace of the query's reading. raevalAnalyse: the query's tokens, the table headers
// and the first error, without evaluating the query on any row, for the editor on every
// keystroke. raevalSheet and raevalCheck: an exercise sheet read, and an answer checked by the
// checker's own core, for the page's exercises. The caller owns the input; what a call leaves
// stays valid until the next call of the same entry.
#include <emscripten/emscripten.h>

#include <cstddef>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "check/checker.h"
#include "check/json_writer.h"
#include "check/report.h"
#include "check/sheet.h"
#include "io/analysis.h"
#include "io/driver.h"
#include "io/output.h"
#include "io/trace_json.h"
#include "page_output.h"
#include "query/trace.h"

namespace {

// What the last run left for the caller to read.
struct LastRun {
  std::unique_ptr<PageOutput> output;
  ErrorPlace place;
  std::string trace;  // JSON; empty when none was asked for or memory ran out
};

LastRun& lastRun() {
  static LastRun run;
  return run;
}

std::string& lastAnalysis() {
  static std::string json;
  return json;
}

}  // namespace

extern "C" {

// Runs the engine on size bytes at input, recording the query's reading when
// wantTrace is not 0. Returns the command line's exit status for the same
// input: 0, or 1 when memory ran out (the output then ends with
// "ERROR: Out of memory", as the command line's does).
EMSCRIPTEN_KEEPALIVE int raevalRun(const char* input, std::size_t size, int wantTrace) {
  LastRun& run = lastRun();
  run.output.reset();
  run.place = ErrorPlace();
  run.trace = std::string();
  run.output = std::make_unique<PageOutput>();
  if (wantTrace == 0) {
    const bool ran =
        evaluateInputWithinMemory(std::string_view(input, size), *run.output, &run.place);
    run.output->finish();
    return ran ? 0 : 1;
  }
  auto trace = std::make_unique<QueryTrace>();
  const bool ran = evaluateInputWithinMemory(std::string_view(input, size), *run.output, &run.place,
                                             trace.get());
  run.output->finish();
  if (ran) {
    try {
      run.trace = traceToJson(*trace);
    } catch (const std::bad_alloc&) {
      run.trace = std::string();
    }
  }
  return ran ? 0 : 1;
}

EMSCRIPTEN_KEEPALIVE std::size_t raevalErrorLine() { return lastRun().place.line; }
EMSCRIPTEN_KEEPALIVE std::size_t raevalErrorColumn() { return lastRun().place.column; }
EMSCRIPTEN_KEEPALIVE const char* raevalTrace() { return lastRun().trace.data(); }
EMSCRIPTEN_KEEPALIVE std::size_t raevalTraceSize() { return lastRun().trace.size(); }

// Analyses size bytes at input (see io/analysis.h); the JSON is then at
// raevalAnalysis() (analysisToJson in io/trace_json.h). Returns 0, or 1 when
// memory ran out (the JSON is then empty).
EMSCRIPTEN_KEEPALIVE int raevalAnalyse(const char* input, std::size_t size) {
  std::string& json = lastAnalysis();
  json = std::string();
  try {
    json = analysisToJson(analyseInput(std::string_view(input, size)));
  } catch (const std::bad_alloc&) {
    json = std::string();
    return 1;
  }
  return 0;
}

EMSCRIPTEN_KEEPALIVE const char* raevalAnalysis() { return lastAnalysis().data(); }
EMSCRIPTEN_KEEPALIVE std::size_t raevalAnalysisSize() { return lastAnalysis().size(); }

}  // extern "C"

namespace {

// The sheet last read, kept while the page checks answers to it.
struct LastSheet {
  std::string text;
  std::optional<Sheet> sheet;
  std::string json;  // what raevalSheet or raevalCheck returned last
};

LastSheet& lastSheet() {
  static LastSheet kept;
  return kept;
}

// The sheet with this text, read anew only when the text changed. Raises
// SheetError as readSheet does.
const Sheet& sheetOf(std::string_view text) {
  LastSheet& kept = lastSheet();
  if (!kept.sheet || kept.text != text) {
    kept.sheet.reset();
    kept.sheet = readSheet(text, "sheet");
    kept.text = std::string(text);
  }
  return *kept.sheet;
}

// What the page shows of a sheet: its title, introduction, exercises, and
// the tables of its visible instances only (a hidden one is named, its
// tables stay out of the page's view).
std::string describeSheet(const Sheet& sheet) {
  std::string json = "{\"title\":" + jsonString(sheet.title) +
                     ",\"text\":" + jsonString(sheet.text) + ",\"instances\":[";
  for (std::size_t i = 0; i < sheet.instances.size(); ++i) {
    const Instance& instance = sheet.instances[i];
    if (i > 0) json += ',';
    json += "{\"name\":" + jsonString(instance.name) +
            ",\"visible\":" + (instance.visible ? "true" : "false") +
            ",\"points\":" + std::to_string(instance.points) +
            ",\"tables\":" + (instance.visible ? jsonString(instance.tablesText) : "null") + "}";
  }
  json += "],\"exercises\":[";
  for (std::size_t e = 0; e < sheet.exercises.size(); ++e) {
    const Exercise& exercise = sheet.exercises[e];
    if (e > 0) json += ',';
    json += "{\"id\":" + jsonString(exercise.id) + ",\"text\":" + jsonString(exercise.text) +
            ",\"instances\":[";
    for (std::size_t k = 0; k < exercise.instances.size(); ++k) {
      if (k > 0) json += ',';
      json += std::to_string(exercise.instances[k]);
    }
    json += "]}";
  }
  return json + "],\"error\":null}";
}

std::string sheetErrorJson(const SheetError& error) {
  return "{\"error\":" + jsonString(std::to_string(error.line()) + ": " + error.message()) + "}";
}

}  // namespace

extern "C" {

// Reads the sheet of size bytes at text; the JSON at raevalSheetJson() is
// describeSheet's, or {"error": "LINE: message"} when the sheet is refused.
// Returns 0, or 1 when memory ran out (the JSON is then empty).
EMSCRIPTEN_KEEPALIVE int raevalSheet(const char* text, std::size_t size) {
  std::string& json = lastSheet().json;
  try {
    json = describeSheet(sheetOf(std::string_view(text, size)));
  } catch (const SheetError& error) {
    json = sheetErrorJson(error);
  } catch (const std::bad_alloc&) {
    lastSheet().sheet.reset();
    json = std::string();
    return 1;
  }
  return 0;
}

// Checks query as the answer to the exercise of that id in the sheet: the
// JSON at raevalSheetJson() is the checker's JSON report (check/report.h)
// of one submission that answers that exercise, with counterexamples, or
// {"error": ...} when the sheet is refused or has no such exercise.
// Returns 0, or 1 when memory ran out (the JSON is then empty).
EMSCRIPTEN_KEEPALIVE int raevalCheck(const char* text, std::size_t size, const char* id,
                                     std::size_t idSize, const char* query, std::size_t querySize) {
  std::string& json = lastSheet().json;
  try {
    const Sheet& sheet = sheetOf(std::string_view(text, size));
    const Exercise* exercise = sheet.findExercise(std::string_view(id, idSize));
    if (exercise == nullptr) {
      json = "{\"error\":" + jsonString("no exercise " + std::string(id, idSize)) + "}";
      return 0;
    }
    SubmissionResult submission;
    submission.name = "page";
    submission.answers.push_back(checkAnswer(sheet, *exercise, std::string_view(query, querySize)));
    json = jsonReport(sheet, {submission});
  } catch (const SheetError& error) {
    json = sheetErrorJson(error);
  } catch (const std::bad_alloc&) {
    lastSheet().sheet.reset();
    json = std::string();
    return 1;
  }
  return 0;
}

EMSCRIPTEN_KEEPALIVE const char* raevalSheetJson() { return lastSheet().json.data(); }
EMSCRIPTEN_KEEPALIVE std::size_t raevalSheetJsonSize() { return lastSheet().json.size(); }

}  // extern "C"
