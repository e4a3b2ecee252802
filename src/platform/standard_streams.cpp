#include "platform/standard_streams.h"

#ifdef _WIN32
// The C runtime of Windows opens the standard streams in text mode, which
// writes "\r\n".
#include <fcntl.h>
#include <io.h>

#include <cstdio>

void useBinaryStandardStreams() {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}
#else
void useBinaryStandardStreams() {}
#endif
