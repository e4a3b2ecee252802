// The standard streams: their line ends, and whether one is a terminal.
#pragma once

#include <cstdio>

// Makes standard output and standard error write each newline as the one
// byte it is, so that their bytes are the same on every platform. Where the
// C library writes newlines as they are anyway, this does nothing; on
// Windows it takes the two streams out of text mode. Call it before anything
// is written to either.
void useBinaryStandardStreams();

// Whether stream writes to a terminal (a console on Windows), where a
// person watches it, rather than to a file or a pipe.
bool isTerminal(std::FILE* stream);
