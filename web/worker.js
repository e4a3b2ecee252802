// The engine's Web Worker. bundle.mjs puts emscripten's loader
// (createRaevalEngine) and the .wasm bytes (raevalWasmBytes) in front of this
// module's bundle. Every message, both ways, names its type:
//
//   {type: 'run', input, trace}   an input file's bytes (a Uint8Array), and
//                                 whether to record the trace of the query's
//                                 reading; answered by
//     {type: 'result', result}    what Module.evaluate returns, its trace
//                                 parsed, with text: the output file as the
//                                 page shows it (its first 16 MB, shownBytes);
//     {type: 'stack-exceeded'}    the trace overran the browser's stack;
//     {type: 'too-deep'}          the run overran it without the trace too;
//   {type: 'analyse', id, input}  answered by {type: 'analysis', id,
//                                 analysis}: the engine's tokens and tables
//                                 of the file, without evaluating any row
//                                 (null when it failed: the worker is then
//                                 replaced);
//   {type: 'analyse', id, text}   the same for the file the editor's text
//                                 shows (codec.js), its bytes made here;
//   {type: 'decode', id, input}   answered by {type: 'decoded', id, text}:
//                                 the text the page shows for the bytes;
//   {type: 'sheet', ask, sheet}   an exercise sheet's bytes, answered by
//                                 {type: 'sheet', ask, sheet}: what the page
//                                 shows of it, or {error};
//   {type: 'check', ask, sheet, exercise, query}  answered by {type:
//                                 'checked', ask, report}: the checker's
//                                 report on the query as the answer;
//   {type: 'failed', reason}      the engine cannot start in this browser,
//                                 the answer to any message;
//   {type: 'failed', ask, reason} a sheet or a check that failed (a query
//                                 past the browser's stack, the heap
//                                 exhausted): this worker is done with.
import {bytesToText, textToBytes} from './codec.js';

const engineReady = createRaevalEngine({wasmBinary: raevalWasmBytes()});

// The most of an output file the page shows; Download output saves it whole.
const SHOWN_OUTPUT_BYTES = 16 << 20;

// The bytes the page shows: the whole output file when it is small enough;
// otherwise its first lines, and its error line when it ends in one.
function shownPart(result) {
  const bytes = result.output;
  if (bytes.length <= SHOWN_OUTPUT_BYTES) return bytes;
  const head = bytes.subarray(0, bytes.lastIndexOf(0x0a, SHOWN_OUTPUT_BYTES) + 1);
  if (!(result.line > 0 || result.column > 0 || result.status !== 0)) return head;
  const errorLine = bytes.subarray(bytes.lastIndexOf(0x0a, bytes.length - 2) + 1);
  const shown = new Uint8Array(head.length + errorLine.length);
  shown.set(head);
  shown.set(errorLine, head.length);
  return shown;
}

onmessage = async (event) => {
  let engine;
  try {
    engine = await engineReady;
  } catch (error) {
    postMessage({type: 'failed', reason: String(error)});
    return;
  }
  const message = event.data;
  if (message.type === 'analyse') {
    try {
      postMessage({type: 'analysis', id: message.id, analysis: engine.analyse(message.input ?? textToBytes(message.text))});
    } catch (error) {
      // A query nested past the browser's stack leaves the engine's own
      // stack where the overrun found it: this worker is done with.
      postMessage({type: 'analysis', id: message.id, analysis: null, reason: String(error)});
    }
    return;
  }
  if (message.type === 'decode') {
    postMessage({type: 'decoded', id: message.id, text: bytesToText(message.input)});
    return;
  }
  if (message.type === 'sheet' || message.type === 'check') {
    try {
      postMessage(message.type === 'sheet'
        ? {type: 'sheet', ask: message.ask, sheet: engine.readSheet(message.sheet)}
        : {type: 'checked', ask: message.ask, report: engine.check(message.sheet, message.exercise, message.query)});
    } catch (error) {
      postMessage({type: 'failed', ask: message.ask, reason: error instanceof RangeError
        ? 'the query nests too deeply for the stack this browser gives the checker (raeval-check checks it)'
        : String(error)});
    }
    return;
  }
  if (message.type !== 'run') return;
  const {input, trace} = message;
  let result;
  try {
    result = engine.evaluate(input, {trace});
  } catch (error) {
    // Recording the trace takes stack; a query nested deeply enough for the
    // browser's short stack is run again without it, by a fresh worker. One
    // that overruns it even so is said to be too deep for this browser.
    if (error instanceof RangeError) {
      postMessage({type: trace ? 'stack-exceeded' : 'too-deep'});
      return;
    }
    postMessage({type: 'failed', reason: String(error)});
    return;
  }
  // The output's text and the trace's objects are made here, so that a large
  // output costs the page's main thread nothing but drawing what is on screen.
  const shown = result.output ? shownPart(result) : null;
  result.text = shown ? bytesToText(shown) : null;
  result.shownBytes = shown ? shown.length : 0;
  result.trace = result.trace ? JSON.parse(result.trace) : null;
  postMessage({type: 'result', result}, result.output ? [result.output.buffer] : []);
};
