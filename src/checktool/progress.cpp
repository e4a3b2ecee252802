#include "checktool/progress.h"

#include <cstdio>
#include <string>

#include "platform/standard_streams.h"

Progress::Progress(std::size_t total) : total_(total), shown_(total > 1 && isTerminal(stderr)) {}

Progress::~Progress() {
  if (shown_) std::fputs("\r\033[K", stderr);
}

void Progress::done(std::size_t count) {
  if (!shown_) return;
  const std::string line =
      "\rchecked " + std::to_string(count) + " of " + std::to_string(total_) + " submissions";
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
}
