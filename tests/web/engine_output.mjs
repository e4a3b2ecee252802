// The page's engine hands the output file over in pieces as it is written:
// files whose output spans many pieces, ends in an error after them, or holds
// a line longer than a piece give the native command line's bytes.
//
//   node engine_output.mjs WEB_DIR RAEVAL
//
// Exits 77 (skipped) when WEB_DIR has no engine, unless RAEVAL_WEB_REQUIRED is set.
import {execFileSync} from 'node:child_process';
import {existsSync, mkdtempSync, readFileSync, rmSync, writeFileSync} from 'node:fs';
import {createRequire} from 'node:module';
import {tmpdir} from 'node:os';
import {join, resolve} from 'node:path';

const [webDir, raeval] = process.argv.slice(2).map((a) => resolve(a));
if (!existsSync(join(webDir, 'raeval.js'))) {
  console.log(`skipped: ${webDir}/raeval.js is missing (make web)`);
  process.exit(process.env.RAEVAL_WEB_REQUIRED ? 1 : 77);
}
const createRaevalEngine = createRequire(import.meta.url)(join(webDir, 'raeval.js'));
const engine = await createRaevalEngine({wasmBinary: readFileSync(join(webDir, 'raeval.wasm'))});
const work = mkdtempSync(join(tmpdir(), 'raeval-pieces-'));

function nativeOutput(input) {
  writeFileSync(join(work, 'in'), input);
  try {
    execFileSync(raeval, [join(work, 'in'), join(work, 'out')]);
  } catch {
    // An input that raises an error still writes its output file.
  }
  return readFileSync(join(work, 'out'));
}

const header = 'Emp(id int, name char(40), age int, dept char(8))\n';
const rows = (count, from = 1) => Array.from({length: count}, (_, i) =>
  `${from + i}, '${'n'.repeat((from + i) % 37)}${from + i}', ${20 + (i % 45)}, 'IT'`).join('\n') + '\n';
const cases = [
  ['an output of many pieces', `Emp\nall rows\n${header}${rows(30000)}`],
  ['a result written as found across pieces', `SELECT(Emp, GT(age, 40))\nsome rows\n${header}${rows(30000)}`],
  ['an error after many pieces of echo', `PROJECT(Emp, nome)\nno such attribute\n${header}${rows(30000)}`],
  ['a loading error after many pieces', `Emp\nrow 20001 is wrong\n${header}${rows(20000)}20001, 'x'\n${rows(10, 20002)}`],
  ['a comment line longer than a piece', `PROJECT(Emp, name)\n${'c'.repeat(200000)}\n${header}${rows(3)}`],
  ['a query line longer than a piece', `PROJECT(Emp, ${'name, '.repeat(20000)}name)\nlong\n${header}${rows(3)}`],
  ['a small output in one piece', `Emp\nthree rows\n${header}${rows(3)}`],
];
let failures = 0;
for (const [what, text] of cases) {
  const input = Buffer.from(text, 'latin1');
  const expected = nativeOutput(input);
  const result = engine.evaluate(new Uint8Array(input));
  const same = result.output !== null && Buffer.from(result.output).equals(expected);
  console.log(`${same ? 'ok  ' : 'FAIL'} ${what} (${expected.length} bytes)`);
  if (!same) ++failures;
}
rmSync(work, {recursive: true, force: true});
process.exit(failures ? 1 : 0);
