// The largest table the page's engine loads and prints, in rows, under its
// heap bound (the page's own build, its own evaluate):
//
//   node bench/web_largest.mjs WEB_DIR [QUERY]
//
// The file is Emp(id int, name char(20), age int, dept char(8)) with N rows
// and the query (Emp by default) runs on it; N doubles until the engine runs
// out of memory, then is bisected to within 2 %. Each try loads the engine
// afresh, so that no heap grown by one try counts against the next. Prints
// one line per try and, last, the largest N that ran.
import {readFileSync} from 'node:fs';
import {createRequire} from 'node:module';
import {join, resolve} from 'node:path';

const [webDir, query = 'Emp'] = process.argv.slice(2);
// Each engine loaded adds its handlers to the process.
process.setMaxListeners(0);
const createRaevalEngine = createRequire(import.meta.url)(resolve(webDir, 'raeval.js'));
const wasmBinary = readFileSync(join(webDir, 'raeval.wasm'));

function input(rows) {
  const head = Buffer.from(`${query}\nthe largest table\nEmp(id int, name char(20), age int, dept char(8))\n`);
  const depts = ['IT', 'Sales', 'HR', 'Ops'];
  const lines = [];
  const parts = [head];
  for (let i = 1; i <= rows; ++i) {
    lines.push(`${i}, 'Name${i % 99991}', ${20 + (i * 7) % 45}, '${depts[i % 4]}'`);
    if (lines.length === 100000 || i === rows) {
      parts.push(Buffer.from(lines.join('\n') + '\n'));
      lines.length = 0;
    }
  }
  return new Uint8Array(Buffer.concat(parts));
}

async function runs(rows) {
  const engine = await createRaevalEngine({wasmBinary});
  const bytes = input(rows);
  const start = performance.now();
  let result;
  try {
    result = engine.evaluate(bytes);
  } catch (error) {
    console.log(`${rows} rows (${bytes.length} bytes): ${error}`);
    return false;
  }
  const text = result.output ? Buffer.from(result.output.subarray(Math.max(0, result.output.length - 40))).toString('latin1') : '';
  const ok = result.status === 0 && result.output !== null && !text.includes('ERROR');
  console.log(`${rows} rows (${bytes.length} bytes): ${ok ? 'ran' : 'did not run'} in ` +
    `${(performance.now() - start).toFixed(0)} ms`);
  return ok;
}

let low = 0;
let high = 1000000;
while (await runs(high)) {
  low = high;
  high *= 2;
}
while (high - low > low / 50) {
  const middle = Math.round((low + high) / 2);
  if (await runs(middle)) low = middle;
  else high = middle;
}
console.log(`largest: ${low} rows`);
