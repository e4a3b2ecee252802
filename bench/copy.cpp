// The least a run on a small file costs: copy SOURCE TARGET copies SOURCE to
// TARGET and does nothing else. Linked statically, as raeval is, it is the
// peer raeval's start-up is set against.
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const int in = open(argv[1], O_RDONLY);
  if (in < 0) return 1;
  const int out = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out < 0) return 1;
  char buffer[1 << 16];
  for (ssize_t got; (got = read(in, buffer, sizeof buffer)) > 0;) {
    if (write(out, buffer, static_cast<size_t>(got)) != got) return 1;
  }
  close(in);
  return close(out) == 0 ? 0 : 1;
}
