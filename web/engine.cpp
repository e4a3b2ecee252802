// The engine's entry point for the page and cli.mjs: the input file's bytes
// in, the output file's bytes out, through the function the command line
// runs, and where reading stopped when an error was raised. The caller owns
// the input; the output stays valid until the next run.
#include <emscripten/emscripten.h>

#include <cstddef>
#include <memory>
#include <string_view>

#include "io/driver.h"
#include "io/output.h"

namespace {

// What the last run left for the caller to read.
struct LastRun {
  std::unique_ptr<StringOutput> output;
  ErrorPlace place;
};

LastRun& lastRun() {
  static LastRun run;
  return run;
}

}  // namespace

extern "C" {

// Runs the engine on size bytes at input. Returns the command line's exit
// status for the same input: 0, or 1 when memory ran out (the output then
// ends with "ERROR: Out of memory", as the command line's does).
EMSCRIPTEN_KEEPALIVE int raevalRun(const char* input, std::size_t size) {
  LastRun& run = lastRun();
  run.output.reset();
  run.place = ErrorPlace();
  run.output = std::make_unique<StringOutput>();
  return evaluateInputWithinMemory(std::string_view(input, size), *run.output, &run.place) ? 0 : 1;
}

EMSCRIPTEN_KEEPALIVE const char* raevalOutput() { return lastRun().output->text().data(); }
EMSCRIPTEN_KEEPALIVE std::size_t raevalOutputSize() { return lastRun().output->text().size(); }
EMSCRIPTEN_KEEPALIVE std::size_t raevalErrorLine() { return lastRun().place.line; }
EMSCRIPTEN_KEEPALIVE std::size_t raevalErrorColumn() { return lastRun().place.column; }

}  // extern "C"
