// The engine's Web Worker. Each message is {input, trace}: an input file's
// bytes (a Uint8Array) and whether to record the trace of the query's
// reading; each answer is what Module.evaluate returns for it, {stackExceeded}
// when the trace overran the stack, or
// {failed: reason} when the engine cannot start in this browser. bundle.mjs
// puts emscripten's loader and the .wasm bytes (raevalWasmBytes) in front of
// this file.
const engineReady = createRaevalEngine({wasmBinary: raevalWasmBytes()});

onmessage = async (event) => {
  let engine;
  try {
    engine = await engineReady;
  } catch (error) {
    postMessage({failed: String(error)});
    return;
  }
  const {input, trace} = event.data;
  let result;
  try {
    result = engine.evaluate(input, {trace});
  } catch (error) {
    // Recording the trace takes stack; a query nested deeply enough for the
    // browser's short stack is run again without it, by a fresh worker.
    if (trace && error instanceof RangeError) {
      postMessage({stackExceeded: true});
      return;
    }
    throw error;
  }
  postMessage(result, result.output ? [result.output.buffer] : []);
};
