// The cost of writing a file one flushed line at a time, which raeval must
// pay on every line of its output: floor SOURCE TARGET reads SOURCE, writes its
// lines to TARGET with one write(2) each (what a flushed line costs at least),
// and prints what the writing took (opening TARGET included, reading SOURCE
// not): wall seconds, user and system CPU seconds, and the number of lines.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace {

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: floor SOURCE TARGET\n", stderr);
    return 2;
  }
  std::FILE* in = std::fopen(argv[1], "rb");
  if (in == nullptr) return 1;
  std::string text;
  char buffer[1 << 16];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
    text.append(buffer, got);
  std::fclose(in);

  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  const auto start = std::chrono::steady_clock::now();
  const int out = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out < 0) return 1;
  std::size_t lines = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t end = text.find('\n', pos);
    end = end == std::string::npos ? text.size() : end + 1;
    if (write(out, text.data() + pos, end - pos) != static_cast<ssize_t>(end - pos)) return 1;
    pos = end;
    ++lines;
  }
  close(out);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  std::printf("%.6f %.6f %.6f %zu\n", took.count(),
              seconds(after.ru_utime) - seconds(before.ru_utime),
              seconds(after.ru_stime) - seconds(before.ru_stime), lines);
  return 0;
}
