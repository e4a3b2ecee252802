// The progress of a batch, on standard error when it is a terminal.
#pragma once

#include <cstddef>

// Shows "checked N of TOTAL submissions" on standard error, rewriting one
// line, only when standard error is a terminal; nothing otherwise, so that
// the bytes of a run never depend on where it runs.
class Progress {
 public:
  explicit Progress(std::size_t total);
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;
  // Clears the line it wrote.
  ~Progress();

  void done(std::size_t count);

 private:
  std::size_t total_;
  bool shown_;
};
