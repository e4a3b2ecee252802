// The engine's entry points for the page. raevalRun: the input file's bytes
// in, the output file's bytes out, through the function the command line
// runs, where reading stopped when an error was raised, and, when asked,
// the trace of the query's reading. raevalAnalyse: the query's tokens, the
// table headers and the first error, without evaluating the query on any
// row, for the editor on every keystroke. The caller owns the input; what
// a call leaves stays valid until the next call of the same entry.
#include <emscripten/emscripten.h>

#include <cstddef>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "io/analysis.h"
#include "io/driver.h"
#include "io/output.h"
#include "io/trace_json.h"
#include "query/trace.h"

namespace {

// What the last run left for the caller to read.
struct LastRun {
  std::unique_ptr<StringOutput> output;
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
  run.output = std::make_unique<StringOutput>();
  if (wantTrace == 0) {
    return evaluateInputWithinMemory(std::string_view(input, size), *run.output, &run.place) ? 0
                                                                                             : 1;
  }
  auto trace = std::make_unique<QueryTrace>();
  const bool ran = evaluateInputWithinMemory(std::string_view(input, size), *run.output, &run.place,
                                             trace.get());
  if (ran) {
    try {
      run.trace = traceToJson(*trace);
    } catch (const std::bad_alloc&) {
      run.trace = std::string();
    }
  }
  return ran ? 0 : 1;
}

EMSCRIPTEN_KEEPALIVE const char* raevalOutput() { return lastRun().output->text().data(); }
EMSCRIPTEN_KEEPALIVE std::size_t raevalOutputSize() { return lastRun().output->text().size(); }
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
