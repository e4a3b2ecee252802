// The engine's entry point for the page and cli.mjs: the input file's bytes
// in, the output file's bytes out, through the same function the command
// line runs. The caller owns the input buffer; the output stays valid until
// the next run.
#include <emscripten/emscripten.h>

#include <cstddef>
#include <new>
#include <string>

#include "io/driver.h"

namespace {

// What the last run left for the caller to read.
struct LastRun {
  std::string output;
  int status = 0;
};

LastRun& lastRun() {
  static LastRun run;
  return run;
}

}  // namespace

extern "C" {

// Runs the engine on size bytes at input. Returns the command line's exit
// status for the same input: 0, or 1 when memory ran out (the output then
// ends with the command line's "ERROR: " line for it).
EMSCRIPTEN_KEEPALIVE int raevalRun(const char* input, std::size_t size) {
  LastRun& run = lastRun();
  run.output = std::string();
  StringOutput out;
  run.status = 0;
  try {
    evaluateInput(std::string_view(input, size), out);
  } catch (const std::bad_alloc&) {
    out.discardLine();
    out.put("ERROR: Out of memory");
    out.endLine();
    run.status = 1;
  }
  run.output = out.text();
  return run.status;
}

EMSCRIPTEN_KEEPALIVE const char* raevalOutput() { return lastRun().output.data(); }
EMSCRIPTEN_KEEPALIVE std::size_t raevalOutputSize() { return lastRun().output.size(); }
EMSCRIPTEN_KEEPALIVE std::size_t raevalErrorLine() { return 0; }
EMSCRIPTEN_KEEPALIVE std::size_t raevalErrorColumn() { return 0; }

}  // extern "C"
