// The whole run of raeval-check.
#pragma once

// Runs raeval-check as the command line asks (see checkUsage()): reads the
// sheet, checks the answers or audits the sheet, and writes the report on
// standard output. Returns the exit status: 0 when every answer is right
// (an audit: no mutant survives), 1 when some answer is not, 2 for a bad
// command line, a file that cannot be read or a refused sheet (a message
// on standard error).
int runRaevalCheck(int argc, const char* const* argv);
