// The output file handed to the page a piece at a time: lines gather in a
// buffer of kPiece bytes, and each full buffer is copied out of the engine's
// heap into the page's memory. The engine's heap then holds the tables and
// one piece, never the whole output file beside them, and writing the last
// line (an "ERROR: Out of memory" too) needs no memory that may be gone.
#pragma once

#include <emscripten/emscripten.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "io/output.h"

// Appends size bytes at data to the pieces the page collects
// (engine_api.js joins them).
EM_JS(void, raevalDeliverPiece, (const char* data, std::size_t size),
      { Module['outputPieces'].push(HEAPU8.slice(data, data + size)); });

class PageOutput : public LineOutput {
 public:
  static constexpr std::size_t kPiece = std::size_t{1} << 16;

  PageOutput() { buffer_.reserve(kPiece); }

  // Hands over what is still buffered; the output file is then complete.
  void finish() {
    if (!buffer_.empty()) raevalDeliverPiece(buffer_.data(), buffer_.size());
    buffer_.clear();
  }

 protected:
  void deliver(std::string_view line) override {
    if (buffer_.size() + line.size() > kPiece) finish();
    if (line.size() > kPiece) {
      raevalDeliverPiece(line.data(), line.size());
    } else {
      buffer_.append(line);
    }
  }

 private:
  std::string buffer_;
};
