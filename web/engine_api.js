// Added to emscripten's loader: the one call through which the page's worker
// runs the engine.

// Runs the engine on the input file's bytes (a Uint8Array) and returns
// {status, output, line, column}: the command line's exit status (0, or 1
// when memory ran out), the output file's bytes (a Uint8Array; null when
// memory ran out before the input could be handed over), and where reading
// stopped when an error was raised: line, the input file's line (1-based),
// for an error while loading; column, the query's column (1-based), for an
// error in the query or a condition; 0 where it does not apply.
//
// With options.trace, the result also holds trace: the engine's reading of
// the query as JSON text (trace_json.h describes it; null when the tables
// could not be read or memory ran out), each byte of the query and of the
// tables' text as one character.
// The output file's pieces (page_output.h) as one array.
function joinPieces(pieces) {
  if (pieces.length === 1) return pieces[0];
  let size = 0;
  for (const piece of pieces) size += piece.length;
  const joined = new Uint8Array(size);
  let at = 0;
  for (const piece of pieces) {
    joined.set(piece, at);
    at += piece.length;
  }
  return joined;
}

Module['evaluate'] = function (input, options = {}) {
  const wantTrace = options.trace ? 1 : 0;
  const at = _malloc(Math.max(input.length, 1));
  if (at === 0) return {status: 1, output: null, line: 0, column: 0, trace: null};
  HEAPU8.set(input, at);
  let status;
  Module['outputPieces'] = [];
  try {
    status = _raevalRun(at, input.length, wantTrace);
  } finally {
    _free(at);
  }
  const output = joinPieces(Module['outputPieces']);
  Module['outputPieces'] = [];
  let trace = null;
  if (wantTrace && _raevalTraceSize() > 0) {
    const from = _raevalTrace();
    trace = new TextDecoder('latin1').decode(HEAPU8.subarray(from, from + _raevalTraceSize()));
  }
  return {
    status: status,
    output: output,
    line: _raevalErrorLine(),
    column: _raevalErrorColumn(),
    trace: trace,
  };
};

// The engine's analysis of the input file's bytes without evaluating a row:
// {bom, tokens, tables, error}, as engine.cpp describes it.
Module['analyse'] = function (input) {
  const at = _malloc(Math.max(input.length, 1));
  if (at === 0) return {bom: false, tokens: [], tables: [], error: null};
  HEAPU8.set(input, at);
  try {
    _raevalAnalyse(at, input.length);
  } finally {
    _free(at);
  }
  const from = _raevalAnalysis();
  return JSON.parse(new TextDecoder('latin1').decode(HEAPU8.subarray(from, from + _raevalAnalysisSize())));
};

// The bytes of a string as UTF-8 in the engine's heap, for the call of f
// with their place and size.
function withBytes(bytes, f) {
  const at = _malloc(Math.max(bytes.length, 1));
  if (at === 0) throw new RangeError('out of memory');
  HEAPU8.set(bytes, at);
  try {
    return f(at, bytes.length);
  } finally {
    _free(at);
  }
}

function sheetJson() {
  const from = _raevalSheetJson();
  const size = _raevalSheetJsonSize();
  if (size === 0) return {error: 'Out of memory'};
  return JSON.parse(new TextDecoder().decode(HEAPU8.subarray(from, from + size)));
}

// An exercise sheet's text (a Uint8Array) read: what the page shows of it,
// or {error: "LINE: message"} (engine.cpp describes both).
Module['readSheet'] = function (sheet) {
  withBytes(sheet, (at, size) => _raevalSheet(at, size));
  return sheetJson();
};

// The checker's JSON report on query (a Uint8Array) as the answer to the
// exercise id (a string) of the sheet, or {error}.
Module['check'] = function (sheet, id, query) {
  const idBytes = new TextEncoder().encode(id);
  withBytes(sheet, (sheetAt, sheetSize) => withBytes(idBytes, (idAt, idSize) =>
    withBytes(query, (queryAt, querySize) => _raevalCheck(sheetAt, sheetSize, idAt, idSize, queryAt, querySize))));
  return sheetJson();
};
