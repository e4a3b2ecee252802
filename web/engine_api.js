// Added to emscripten's loader: the one call through which the page's worker
// and cli.mjs run the engine.

// Runs the engine on the input file's bytes (a Uint8Array) and returns
// {status, output, line, column}: the command line's exit status (0, or 1
// when memory ran out), the output file's bytes (a Uint8Array; null when
// memory ran out before the input could be handed over), and where reading
// stopped when an error was raised: line, the input file's line (1-based),
// for an error while loading; column, the query's column (1-based), for an
// error in the query or a condition; 0 where it does not apply.
Module['evaluate'] = function (input) {
  const at = _malloc(Math.max(input.length, 1));
  if (at === 0) return {status: 1, output: null, line: 0, column: 0};
  HEAPU8.set(input, at);
  let status;
  try {
    status = _raevalRun(at, input.length);
  } finally {
    _free(at);
  }
  const begin = _raevalOutput();
  return {
    status: status,
    output: HEAPU8.slice(begin, begin + _raevalOutputSize()),
    line: _raevalErrorLine(),
    column: _raevalErrorColumn(),
  };
};
