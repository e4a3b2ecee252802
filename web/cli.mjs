// raeval INPUT OUTPUT on the WebAssembly engine, for node:
//
//   node cli.mjs INPUT OUTPUT
//
// Writes the output file the command line writes for the same input, with
// the same standard output, standard error and exit status.
import {closeSync, openSync, readFileSync, realpathSync, writeSync} from 'node:fs';
import {createRequire} from 'node:module';
import {dirname, join} from 'node:path';
import {fileURLToPath} from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const createRaevalEngine = createRequire(import.meta.url)('./raeval.js');

function fail(message) {
  process.stderr.write(message + '\n');
  process.exit(1);
}

function sameFile(a, b) {
  try {
    return realpathSync(a) === realpathSync(b);
  } catch {
    return false;
  }
}

const [inputPath, outputPath] = process.argv.slice(2);
if (outputPath === undefined) {
  process.stdout.write('Not enough arguments!\n');
  process.exit(255);
}
let input;
try {
  input = readFileSync(inputPath);
} catch {
  fail('Cannot open input file: ' + inputPath);
}
if (sameFile(inputPath, outputPath)) fail('Input and output are the same file: ' + outputPath);

const engine = await createRaevalEngine({wasmBinary: readFileSync(join(here, 'raeval.wasm'))});
const result = engine.evaluate(new Uint8Array(input.buffer, input.byteOffset, input.length));
if (result.output === null) fail('ERROR: Out of memory');
let file;
try {
  file = openSync(outputPath, 'w');
} catch {
  fail('Cannot open output file: ' + outputPath);
}
try {
  for (let done = 0; done < result.output.length;) {
    done += writeSync(file, result.output, done);
  }
  closeSync(file);
} catch {
  fail('Cannot write output file: ' + outputPath);
}
if (result.status !== 0) process.stderr.write('ERROR: Out of memory\n');
process.exit(result.status);
