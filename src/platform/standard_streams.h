// The standard streams' line ends.
#pragma once

// Makes standard output and standard error write each newline as the one
// byte it is, so that their bytes are the same on every platform. Where the
// C library writes newlines as they are anyway, this does nothing; on
// Windows it takes the two streams out of text mode. Call it before anything
// is written to either.
void useBinaryStandardStreams();
