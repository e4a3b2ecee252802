// The page: an editor for the input file, the engine in a Web Worker, and the
// output file as the command line writes it.
'use strict';

const editor = document.getElementById('editor');
const marks = document.getElementById('editor-marks');
const examples = document.getElementById('examples');
const upload = document.getElementById('upload');
const runButton = document.getElementById('run');
const stopButton = document.getElementById('stop');
const downloadButton = document.getElementById('download');
const output = document.getElementById('output');
const place = document.getElementById('place');
const treeElement = document.getElementById('tree');
const showFileButton = document.getElementById('show-file');
const language = new LanguageEditor(editor, document.getElementById('editor-colours'), marks,
    document.getElementById('completion'));
const tree = new OperatorTree(treeElement, {
  point: (node) => language.point(node),
  choose: (node) => showNodeTable(node),
});

// The file in the editor: its name, and its bytes and shown text as loaded.
// While the editor holds that text, the loaded bytes are what is run.
let loaded = {name: 'input.txt', bytes: new Uint8Array(0), text: ''};
let worker = null;
let running = null;  // {input, started} while a run is going on
let lastOutput = null;  // the output file's bytes of the last finished run
let lastRun = null;  // {result, input, elapsed} of the last finished run
// When the first result appeared, in milliseconds since the page began to load.
window.raevalFirstResult = null;

// The first worker is started by engine.js; each Stop starts a new one.
function startWorker(started) {
  worker = started ?? new Worker(raevalWorkerUrl);
  worker.onmessage = (event) => finishRun(event.data);
  worker.onerror = (event) => {
    event.preventDefault();
    failRun('The engine could not run here: ' + (event.message || 'unknown error') + '.');
  };
}

function inputBytes() {
  return editor.value === loaded.text ? loaded.bytes : textToBytes(editor.value);
}

function setRunning(on) {
  runButton.disabled = on;
  stopButton.disabled = !on;
  output.dataset.state = on ? 'running' : 'done';
}

function run() {
  if (running) return;
  const input = inputBytes();
  running = {input, started: performance.now()};
  clearMarks();
  output.textContent = '';
  tree.clear('Running…');
  showFileButton.disabled = true;
  setRunning(true);
  place.className = 'place';
  place.textContent = 'Running…';
  worker.postMessage({input: input.slice(), trace: true});
}

function stop() {
  if (!running) return;
  worker.terminate();
  startWorker();
  running = null;
  lastOutput = null;
  downloadButton.disabled = true;
  output.textContent = '';
  tree.clear('Stopped.');
  setRunning(false);
  output.dataset.state = 'stopped';
  place.className = 'place';
  place.textContent = 'Stopped. Nothing was written.';
}

function failRun(message) {
  running = null;
  output.textContent = '';
  tree.clear();
  setRunning(false);
  place.className = 'place error';
  place.textContent = message;
}

// result: {status, output, line, column}, as Module.evaluate (engine_api.js)
// returns it, or {failed} from the worker.
function finishRun(result) {
  if (!running) return;
  if (result.failed) {
    failRun('The engine could not start in this browser: ' + result.failed);
    return;
  }
  if (result.stackExceeded) {
    worker.terminate();
    startWorker();
    running.untraced = true;
    worker.postMessage({input: running.input.slice(), trace: false});
    return;
  }
  const {input, started, untraced} = running;
  running = null;
  lastOutput = result.output ?? textToBytes('ERROR: Out of memory\n');
  lastRun = {result, input, elapsed: performance.now() - started};
  downloadButton.disabled = false;
  showOutputFile();
  const query = input.subarray(0, input.indexOf(0x0a) < 0 ? input.length : input.indexOf(0x0a));
  const trace = result.trace ? JSON.parse(result.trace) : null;
  language.setTrace(trace, query);
  if (trace && trace.nodes.length) tree.show(trace);
  else if (untraced) tree.clear('This query nests too deeply for this browser to keep its tree.');
  else tree.clear(result.line > 0 ? 'The tables could not be read: no query was run.' : '');
  setRunning(false);
  if (window.raevalFirstResult === null) window.raevalFirstResult = performance.now();
}

// Shows the last run's whole output file, its error's place and the time it took.
function showOutputFile() {
  const {result, input, elapsed} = lastRun;
  const bytes = lastOutput;
  const endsInError = result.line > 0 || result.column > 0 || result.status !== 0;
  const shown = shownPart(bytes, endsInError);
  showOutput(bytesToText(shown), endsInError);
  output.setAttribute('aria-label', 'Output file');
  describePlace(result, input, elapsed);
  if (shown.length < bytes.length) {
    place.textContent += ` The output file has ${bytes.length.toLocaleString('en')} bytes: shown are ` +
        `its first lines${endsInError ? ' and its error line' : ''}; Download output saves it whole.`;
  }
  showFileButton.disabled = true;
  for (const row of treeElement.querySelectorAll('.node[aria-selected="true"]')) {
    row.setAttribute('aria-selected', 'false');
  }
}

// Shows a traced node's table as the command line prints a result.
function showNodeTable(node) {
  if (running) return;
  output.dataset.state = 'running';
  output.textContent = '';
  if (node.done) {
    output.append(bytesToText(latin1Bytes(node.table)));
    output.scrollTop = 0;
    place.className = 'place';
    const what = node.args ? `${node.label}  ${node.args}` : node.label;
    place.textContent = node.rows > TRACE_ROWS_SHOWN
      ? `The table of ${what}: its first ${TRACE_ROWS_SHOWN} rows of ${node.rows.toLocaleString('en')}.`
      : `The table of ${what}, as the command line prints it.`;
  } else {
    place.className = 'place error';
    place.textContent = lastRun && node === tree.trace.nodes[tree.trace.stopped]
      ? `Reading stopped in ${node.label}: ${bytesToText(errorLineOf(lastOutput))}`
      : `${node.label} was not finished: reading stopped inside it.`;
  }
  output.setAttribute('aria-label', 'Table of ' + node.label);
  showFileButton.disabled = false;
  output.dataset.state = 'done';
}

function errorLineOf(bytes) {
  return bytes.subarray(bytes.lastIndexOf(0x0a, bytes.length - 2) + 1, bytes.length - 1);
}

// The most of an output file the pane shows, so that a huge result cannot
// freeze the page.
const SHOWN_OUTPUT_BYTES = 4 << 20;

// The bytes the pane shows: the whole output file when it is small enough;
// otherwise its first lines, and its error line when it ends in one.
function shownPart(bytes, endsInError) {
  if (bytes.length <= SHOWN_OUTPUT_BYTES) return bytes;
  const head = bytes.subarray(0, bytes.lastIndexOf(0x0a, SHOWN_OUTPUT_BYTES) + 1);
  if (!endsInError) return head;
  const errorLine = bytes.subarray(bytes.lastIndexOf(0x0a, bytes.length - 2) + 1);
  const shown = new Uint8Array(head.length + errorLine.length);
  shown.set(head);
  shown.set(errorLine, head.length);
  return shown;
}

// Shows the output file's text; when the run ended in an error, its last
// line is the error line and stands out.
function showOutput(text, endsInError) {
  output.textContent = '';
  let errorStart = text.length;
  if (endsInError) errorStart = text.lastIndexOf('\n', text.length - 2) + 1;
  output.append(text.slice(0, errorStart));
  if (errorStart < text.length) {
    const line = document.createElement('span');
    line.className = 'error-line';
    line.textContent = text.slice(errorStart, text.length - 1);
    output.append(line, '\n');
    output.scrollTop = output.scrollHeight;
  } else {
    output.scrollTop = 0;
  }
}

function describePlace(result, input, elapsed) {
  place.className = 'place';
  if (result.line > 0) {
    place.className = 'place error';
    place.textContent = `Reading stopped at line ${result.line} of the input file.`;
    markLine(result.line);
  } else if (result.column > 0) {
    place.className = 'place error';
    place.textContent = `Reading stopped at column ${result.column} of the query.`;
    markQueryColumn(input, result.column);
  } else if (result.status !== 0) {
    place.className = 'place error';
    place.textContent = 'The engine ran out of memory.';
  } else {
    place.textContent = `Done in ${Math.round(elapsed)} ms.`;
  }
}

// The marks sit in a layer behind the editor's text that holds the same text
// up to the mark, so the mark lands under the marked characters.
function clearMarks() {
  language.clearMarks();
}

function showMark(start, end, className) {
  language.markError(start, end, className);
}

function markLine(line) {
  const text = editor.value;
  let start = 0;
  for (let n = 1; n < line && start >= 0; ++n) start = text.indexOf('\n', start) + 1 || -1;
  if (start < 0) return;
  const end = text.indexOf('\n', start);
  showMark(start, end < 0 ? text.length : end, 'line');
}

// column counts the query's bytes; the editor counts UTF-16 units.
function markQueryColumn(input, column) {
  const newline = input.indexOf(0x0a);
  const query = newline < 0 ? input : input.subarray(0, newline);
  const start = bytesToText(query.subarray(0, column - 1)).length;
  const upTo = bytesToText(query.subarray(0, column)).length;
  showMark(start, Math.max(upTo, start + 1), 'column');
}

function load(name, bytes) {
  loaded = {name, bytes, text: bytesToText(bytes)};
  editor.value = loaded.text;
  // A new value puts the caret, and so the view, at its end.
  editor.setSelectionRange(0, 0);
  editor.scrollTop = 0;
  editor.scrollLeft = 0;
  language.setTrace(null);
  clearMarks();
  if (running) stop();
  run();
}

function download() {
  if (!lastOutput) return;
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([lastOutput], {type: 'application/octet-stream'}));
  link.download = loaded.name.replace(/\.[^.]*$/, '') + '.out';
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
}

function latin1Bytes(text) {
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
  return bytes;
}

const ownFile = document.createElement('option');
ownFile.value = '';
ownFile.hidden = true;
examples.append(ownFile);
for (const example of raevalExamples) {
  const option = document.createElement('option');
  option.value = example.name;
  option.textContent = example.name.replace(/\.txt$/, '');
  examples.append(option);
}
examples.addEventListener('change', () => {
  const example = raevalExamples.find((e) => e.name === examples.value);
  if (example) load(example.name, latin1Bytes(example.input));
});
upload.addEventListener('change', async () => {
  const file = upload.files[0];
  if (!file) return;
  ownFile.textContent = file.name + ' (your file)';
  examples.value = '';
  load(file.name, new Uint8Array(await file.arrayBuffer()));
  upload.value = '';
});
runButton.addEventListener('click', run);
stopButton.addEventListener('click', stop);
downloadButton.addEventListener('click', download);
showFileButton.addEventListener('click', () => {
  if (lastRun && !running) showOutputFile();
});
document.addEventListener('keydown', (event) => {
  if (event.key === 'Enter' && (event.ctrlKey || event.metaKey)) {
    event.preventDefault();
    run();
  } else if (event.key === 'Escape' && running) {
    stop();
  }
});

startWorker(raevalFirstWorker);
const first = raevalExamples.find((e) => e.name === 'employees.txt') ?? raevalExamples[0];
if (first) {
  examples.value = first.name;
  load(first.name, latin1Bytes(first.input));
}
