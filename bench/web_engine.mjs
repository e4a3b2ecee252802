// The WebAssembly engine's own time on one input, without node's start:
//
//   node bench/web_engine.mjs WEB_DIR INPUT RUNS
//
// loads WEB_DIR/raeval.js and raeval.wasm once, runs the engine RUNS times on
// INPUT and prints each run's milliseconds, one a line.
import {readFileSync} from 'node:fs';
import {createRequire} from 'node:module';
import {join, resolve} from 'node:path';

const [webDir, inputPath, runs] = process.argv.slice(2);
const createRaevalEngine = createRequire(import.meta.url)(resolve(webDir, 'raeval.js'));
const engine = await createRaevalEngine({wasmBinary: readFileSync(join(webDir, 'raeval.wasm'))});
const input = new Uint8Array(readFileSync(inputPath));
for (let i = 0; i < Number(runs); ++i) {
  const start = performance.now();
  const result = engine.evaluate(input);
  const ms = performance.now() - start;
  if (result.status !== 0) throw new Error('the engine failed on ' + inputPath);
  console.log(ms.toFixed(2));
}
