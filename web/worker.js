// The engine's Web Worker. Each message is an input file's bytes (a
// Uint8Array); each answer is what Module.evaluate returns for it. bundle.mjs
// puts emscripten's loader and the .wasm bytes (raevalWasmBytes) in front of
// this file.
const engineReady = createRaevalEngine({wasmBinary: raevalWasmBytes()});

onmessage = async (event) => {
  const engine = await engineReady;
  const result = engine.evaluate(event.data);
  postMessage(result, result.output ? [result.output.buffer] : []);
};
