// The engine's Web Worker. Each message is an input file's bytes (a
// Uint8Array); each answer is what Module.evaluate returns for it, or
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
  const result = engine.evaluate(event.data);
  postMessage(result, result.output ? [result.output.buffer] : []);
};
