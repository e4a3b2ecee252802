#include "checktool/progress.h"

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <io.h>
#define RAEVAL_ISATTY _isatty
#define RAEVAL_FILENO _fileno
#else
#include <unistd.h>
#define RAEVAL_ISATTY isatty
#define RAEVAL_FILENO fileno
#endif

Progress::Progress(std::size_t total)
    : total_(total), shown_(total > 1 && RAEVAL_ISATTY(RAEVAL_FILENO(stderr)) != 0) {}

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
