// Build step for the page's folder:
//
//   node bundle.mjs WEB_DIR SOURCE_WEB_DIR EXAMPLES_DIR README MESSAGES_H
//
// The page's scripts are ES modules (SOURCE_WEB_DIR/*.js); esbuild bundles
// them into classic scripts, so that the page also opens from disk, where
// module scripts cannot load:
// - WEB_DIR/page.js, from page.js and what it imports (CodeMirror included),
//   with every EXAMPLES_DIR/*.txt and every exercise sheet
//   EXAMPLES_DIR/sheets/*.sheet as the module "raeval:examples" (examples
//   and sheets, each byte of a file as one character of a string);
// - WEB_DIR/engine.js, the worker's whole code as one function, and the
//   start of the first worker from that function's text (through a Blob URL,
//   which a page opened from disk may use, where fetching a file fails):
//   emscripten's loader (WEB_DIR/raeval.js), the .wasm bytes
//   (WEB_DIR/raeval.wasm) in base64, and the bundle of worker.js;
// - WEB_DIR/help.html, from README: every message of the output file with
//   what causes it and what to do, and the troubleshooting rows that name
//   it, each with an anchor that the page's explanations link to; the build
//   fails when a message of MESSAGES_H has no entry or an entry no advice;
// - WEB_DIR/sw.js, the service worker that keeps the page for offline use
//   when it is served over HTTP(S) (sw_template.js).
import {createHash} from 'node:crypto';
import {readFileSync, readdirSync, writeFileSync} from 'node:fs';
import {join} from 'node:path';
import {build, buildSync} from 'esbuild';
import {helpPage} from './help.mjs';

const [webDir, sourceDir, examplesDir, readme, messagesHeader] = process.argv.slice(2);

const examples = readdirSync(examplesDir)
  .filter((name) => name.endsWith('.txt'))
  .sort()
  .map((name) => ({name, input: readFileSync(join(examplesDir, name)).toString('latin1')}));
const sheetsDir = join(examplesDir, 'sheets');
const sheets = readdirSync(sheetsDir)
  .filter((name) => name.endsWith('.sheet'))
  .sort()
  .map((name) => ({name: name.replace(/\.sheet$/, ''), text: readFileSync(join(sheetsDir, name)).toString('latin1')}));
const examplesModule = {
  name: 'raeval-examples',
  setup(on) {
    on.onResolve({filter: /^raeval:examples$/}, () => ({path: 'examples', namespace: 'raeval-examples'}));
    on.onLoad({filter: /.*/, namespace: 'raeval-examples'}, () => ({loader: 'js', contents:
      `export const examples = ${JSON.stringify(examples)};\nexport const sheets = ${JSON.stringify(sheets)};\n`}));
  },
};

const common = {bundle: true, format: 'iife', target: 'es2022', minify: !process.env.RAEVAL_WEB_DEBUG, write: false,
  legalComments: 'none', charset: 'utf8'};
const pageBundle = await build({...common, entryPoints: [join(sourceDir, 'page.js')], plugins: [examplesModule]});
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

writeFileSync(join(webDir, 'help.html'), helpPage(readFileSync(readme, 'utf8'), readFileSync(messagesHeader, 'utf8')));

// The service worker, with the files it keeps: the page's own, and the
// examples' files. Its version changes with any of their bytes.
const kept = ['./', 'index.html', 'page.css', 'page.js', 'engine.js', 'help.html',
  'manifest.webmanifest', 'icon.svg'];
const version = createHash('sha256');
for (const file of kept.slice(1)) version.update(readFileSync(join(webDir, file)));
writeFileSync(join(webDir, 'sw.js'), readFileSync(join(sourceDir, 'sw_template.js'), 'utf8')
  .replace('@VERSION@', 'raeval-' + version.digest('hex').slice(0, 16))
  .replace('@FILES@', JSON.stringify(kept)));
