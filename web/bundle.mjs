// Build step for the page's folder:
//
//   node bundle.mjs WEB_DIR SOURCE_WEB_DIR EXAMPLES_DIR README
//
// The page's scripts are ES modules (SOURCE_WEB_DIR/*.js); esbuild bundles
// them into classic scripts, so that the page also opens from disk, where
// module scripts cannot load:
// - WEB_DIR/page.js, from page.js and what it imports (CodeMirror included);
// - WEB_DIR/engine.js, the worker's whole code as one function, and the
//   start of the first worker from that function's text (through a Blob URL,
//   which a page opened from disk may use, where fetching a file fails):
//   emscripten's loader (WEB_DIR/raeval.js), the .wasm bytes
//   (WEB_DIR/raeval.wasm) in base64, and the bundle of worker.js;
// - WEB_DIR/examples.js, every EXAMPLES_DIR/*.txt and every exercise sheet
//   EXAMPLES_DIR/sheets/*.sheet, with each byte as one character of a string;
// - WEB_DIR/help.html, the messages and troubleshooting entries of README,
//   each with an anchor that the page's explanations link to;
// - WEB_DIR/sw.js, the service worker that keeps the page for offline use
//   when it is served over HTTP(S) (sw_template.js).
import {createHash} from 'node:crypto';
import {readFileSync, readdirSync, writeFileSync} from 'node:fs';
import {join} from 'node:path';
import {buildSync} from 'esbuild';
import {helpPage} from './help.mjs';

const [webDir, sourceDir, examplesDir, readme] = process.argv.slice(2);

const common = {bundle: true, format: 'iife', target: 'es2022', minify: !process.env.RAEVAL_WEB_DEBUG, write: false,
  legalComments: 'none', charset: 'utf8'};
const pageBundle = buildSync({...common, entryPoints: [join(sourceDir, 'page.js')]});
writeFileSync(join(webDir, 'page.js'), pageBundle.outputFiles[0].contents);
const workerBundle = buildSync({...common, entryPoints: [join(sourceDir, 'worker.js')]});

const wasm = readFileSync(join(webDir, 'raeval.wasm')).toString('base64');
const engine = `// Made by web/bundle.mjs from raeval.js, raeval.wasm and web/worker.js.
function raevalWorker() {
function raevalWasmBytes() {
  const text = atob('${wasm}');
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
  return bytes;
}
${readFileSync(join(webDir, 'raeval.js'), 'utf8')}
${workerBundle.outputFiles[0].text}
}

// The worker runs from a Blob URL, which works from any static host and from a
// page opened from disk alike. The first one starts as soon as this script has
// run, so that the engine loads while the rest of the page does.
const raevalWorkerUrl = URL.createObjectURL(
    new Blob(['(' + raevalWorker.toString() + ')()'], {type: 'text/javascript'}));
const raevalFirstWorker = new Worker(raevalWorkerUrl);
`;
writeFileSync(join(webDir, 'engine.js'), engine);

const examples = readdirSync(examplesDir)
  .filter((name) => name.endsWith('.txt'))
  .sort()
  .map((name) => ({name, input: readFileSync(join(examplesDir, name)).toString('latin1')}));
const sheetsDir = join(examplesDir, 'sheets');
const sheets = readdirSync(sheetsDir)
  .filter((name) => name.endsWith('.sheet'))
  .sort()
  .map((name) => ({name: name.replace(/\.sheet$/, ''), text: readFileSync(join(sheetsDir, name)).toString('latin1')}));
writeFileSync(join(webDir, 'examples.js'),
  `// Made by web/bundle.mjs from examples/: each file's bytes, one character per byte.\n` +
  `const raevalExamples = ${JSON.stringify(examples, null, 1)};\n` +
  `const raevalSheets = ${JSON.stringify(sheets, null, 1)};\n`);

writeFileSync(join(webDir, 'help.html'), helpPage(readFileSync(readme, 'utf8')));

// The service worker, with the files it keeps: the page's own, and the
// examples' files. Its version changes with any of their bytes.
const kept = ['./', 'index.html', 'page.css', 'page.js', 'engine.js', 'examples.js', 'help.html',
  'manifest.webmanifest', 'icon.svg'];
const version = createHash('sha256');
for (const file of kept.slice(1)) version.update(readFileSync(join(webDir, file)));
writeFileSync(join(webDir, 'sw.js'), readFileSync(join(sourceDir, 'sw_template.js'), 'utf8')
  .replace('@VERSION@', 'raeval-' + version.digest('hex').slice(0, 16))
  .replace('@FILES@', JSON.stringify(kept)));
