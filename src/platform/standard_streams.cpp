#include "platform/standard_streams.h"

#ifdef _WIN32
// The C runtime of Windows opens the standard streams in text mode, which
// writes "\r\n".
#include <fcntl.h>
#include <io.h>

void useBinaryStandardStreams() {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

bool isTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }
#else
#include <unistd.h>

void useBinaryStandardStreams() {}

bool isTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }
#endif
