// The page: an editor for the input file, the engine in Web Workers (one
// runs, one analyses the text as it is typed), the output file as the
// command line writes it, and the operator tree of the query's reading.
//
// Everything that comes from a file, a sheet or a link is put on the page as
// text (textContent, never as HTML).
import {bytesToText, latin1Bytes, textToBytes} from './codec.js';
import {InputEditor} from './editor.js';
import {Exercises} from './exercises.js';
import {explain} from './explain.js';
import {LINK_LIMIT, makeLink, readLink} from './link.js';
import {OutputView} from './output.js';
import {store} from './store.js';
import {OperatorTree} from './tree.js';

const $ = (id) => document.getElementById(id);
const examplesMenu = $('examples');
const runButton = $('run');
const stopButton = $('stop');
const downloadButton = $('download');
const output = $('output');
const place = $('place');
const explanation = $('explanation');
const treeElement = $('tree');
const showFileButton = $('show-file');
const notice = $('notice');
const linkField = $('link');

const SAVE_PAUSE_MS = 300;
const ANALYSE_PAUSE_MS = 120;

// The file being edited: its source (the key its text is kept under), its
// name, and its bytes and shown text as first opened. While the editor holds
// that text, the opened bytes are what is run.
let current = {source: '', name: 'input.txt', bytes: new Uint8Array(0), text: ''};
let worker = null;
let running = null;  // {input, text, started, untraced} while a run is going on
let lastOutput = null;  // the output file's bytes of the last finished run
let lastRun = null;  // {result, input, elapsed} of the last finished run
// When the first result appeared, in milliseconds since the page began to load.
window.raevalFirstResult = null;

const editor = new InputEditor($('editor-host'), {changed: onEdit, run});
const outputView = new OutputView(output);
const tree = new OperatorTree(treeElement, {
  point: (node) => editor.point(node),
  choose: (node) => showNodeTable(node),
});

// The engine: the first worker is started by engine.js; each Stop starts a
// new one. A second worker analyses the text as it is typed, so that a long
// run never holds up the colours.
function startWorker(started) {
  const engine = started ?? new Worker(raevalWorkerUrl);
  worker = engine;
  // A stopped worker's last messages may still arrive: they are dropped.
  engine.onmessage = (event) => {
    if (engine === worker) onRunMessage(event.data);
  };
  engine.onerror = (event) => {
    event.preventDefault();
    if (engine === worker) failRun('The engine could not run here: ' + (event.message || 'unknown error') + '.');
  };
}

let analyser = null;
let analysisAsked = 0;
const analysisTexts = new Map();
function startAnalyser() {
  analyser = new Worker(raevalWorkerUrl);
  analyser.onmessage = (event) => {
    const message = event.data;
    if (message.type === 'decoded') {
      decodings.get(message.id)?.(message.text);
      decodings.delete(message.id);
      return;
    }
    if (message.type !== 'analysis') return;
    const text = analysisTexts.get(message.id);
    analysisTexts.delete(message.id);
    if (message.analysis === null) {
      analyser.terminate();
      startAnalyser();
    } else if (message.id === analysisAsked) {
      editor.setAnalysis(message.analysis, text);
    }
    if (explaining?.text === text) explainError();
  };
}
startAnalyser();

// The text shown for a file's bytes; a large file's is made by the worker.
const DECODED_HERE = 1 << 18;
const decodings = new Map();
let decodingsAsked = 0;
function decode(bytes) {
  if (bytes.length <= DECODED_HERE) return Promise.resolve(bytesToText(bytes));
  const id = ++decodingsAsked;
  return new Promise((done) => {
    decodings.set(id, done);
    analyser.postMessage({type: 'decode', id, input: bytes.slice()});
  });
}

function analyse() {
  const text = editor.text();
  const id = ++analysisAsked;
  analysisTexts.clear();
  analysisTexts.set(id, text);
  const input = text === current.text ? current.bytes.slice() : textToBytes(text);
  analyser.postMessage({type: 'analyse', id, input}, [input.buffer]);
}

let saveTimer = 0;
let analyseTimer = 0;
function onEdit() {
  clearTimeout(saveTimer);
  clearTimeout(analyseTimer);
  saveTimer = setTimeout(saveText, SAVE_PAUSE_MS);
  analyseTimer = setTimeout(analyse, ANALYSE_PAUSE_MS);
}

// False while a file is going into the editor: its text is not yet whole.
let editorHoldsFile = false;

function saveText() {
  clearTimeout(saveTimer);
  if (!editorHoldsFile) return;
  const text = editor.text();
  if (text === current.text) store.forgetText(current.source);
  else if (!store.saveText(current.source, text)) {
    showNotice('This browser would not keep the text (its storage is full or switched off): ' +
        'download the input to keep it.');
  }
}
addEventListener('pagehide', saveText);

function inputBytes() {
  const text = editor.text();
  return text === current.text ? current.bytes : textToBytes(text);
}

function setRunning(on) {
  runButton.disabled = on;
  stopButton.disabled = !on;
  output.dataset.state = on ? 'running' : 'done';
}

function setPlace(text, isError = false) {
  place.className = isError ? 'place error' : 'place';
  place.textContent = text;
}

function run() {
  if (running) return;
  const input = inputBytes();
  running = {input, text: editor.text(), started: performance.now(), untraced: false};
  editor.markError(null);
  outputView.clear();
  explanation.replaceChildren();
  explanation.removeAttribute('aria-busy');
  explaining = null;
  tree.clear('Running…');
  showFileButton.disabled = true;
  setRunning(true);
  setPlace('Running…');
  worker.postMessage({type: 'run', input: input.slice(), trace: true});
}

function stop() {
  if (!running) return;
  worker.terminate();
  startWorker();
  running = null;
  lastOutput = null;
  downloadButton.disabled = true;
  outputView.clear();
  tree.clear('Stopped.');
  setRunning(false);
  output.dataset.state = 'stopped';
  setPlace('Stopped. Nothing was written.');
}

function failRun(message) {
  running = null;
  outputView.clear();
  tree.clear();
  setRunning(false);
  setPlace(message, true);
}

function onRunMessage(message) {
  if (!running) return;
  if (message.type === 'failed') {
    failRun('The engine could not start in this browser: ' + message.reason);
  } else if (message.type === 'stack-exceeded') {
    worker.terminate();
    startWorker();
    running.untraced = true;
    worker.postMessage({type: 'run', input: running.input.slice(), trace: false});
  } else if (message.type === 'too-deep') {
    // The engine's own stack was left where the overrun found it: a fresh
    // worker takes the next run.
    worker.terminate();
    startWorker();
    failRun('This query nests too deeply for the stack this browser gives the engine: the command ' +
        'line (raeval INPUT OUTPUT) runs it.');
    output.dataset.state = 'too-deep';
    ++window.raevalPage.runs;
  } else if (message.type === 'result') {
    finishRun(message.result);
  }
}

// result: what Module.evaluate (engine_api.js) returns, with the trace
// parsed and the output's text, from the worker.
function finishRun(result) {
  const {input, text, started, untraced} = running;
  running = null;
  lastOutput = result.output ?? textToBytes('ERROR: Out of memory\n');
  if (result.text === null) result.text = 'ERROR: Out of memory\n';
  lastRun = {result, input, elapsed: performance.now() - started};
  downloadButton.disabled = false;
  showOutputFile();
  const trace = result.trace;
  const queryEnd = input.indexOf(0x0a);
  editor.setTrace(trace, bytesToText(input.subarray(0, queryEnd < 0 ? input.length : queryEnd)), editor.text());
  if (trace && trace.nodes.length) tree.show(trace);
  else if (untraced) tree.clear('This query nests too deeply for this browser to keep its tree.');
  else tree.clear(result.line > 0 ? 'The tables could not be read: no query was run.' : '');
  if (endsInError(result)) {
    const query = input.subarray(0, queryEnd < 0 ? input.length : queryEnd);
    const bom = query[0] === 0xef && query[1] === 0xbb && query[2] === 0xbf;
    explaining = {result, trace, query: bom ? query.subarray(3) : query, text};
    if (editor.analysedText === text) {
      explainError();
    } else {
      // The tables the file defines come with the analysis, asked for now.
      explanation.setAttribute('aria-busy', 'true');
      clearTimeout(analyseTimer);
      if (editor.text() === text) analyse();
      else explainError();
    }
  }
  setRunning(false);
  ++window.raevalPage.runs;
  if (window.raevalFirstResult === null) window.raevalFirstResult = performance.now();
}

// The last run's error, explained with the analysis of the text it ran,
// which may come after the run.
let explaining = null;
function explainError() {
  const {result, trace, query, text} = explaining;
  explaining = null;
  const analysis = editor.analysedText === text ? editor.analysis : null;
  explanation.replaceChildren(...explain(errorLineText(), result, analysis, trace, query));
  explanation.removeAttribute('aria-busy');
}

const endsInError = (result) => result.line > 0 || result.column > 0 || result.status !== 0;

function errorLineText() {
  const bytes = lastOutput;
  return bytesToText(bytes.subarray(bytes.lastIndexOf(0x0a, bytes.length - 2) + 1, bytes.length - 1));
}

// Shows the last run's whole output file, its error's place and the time it took.
function showOutputFile() {
  const {result, input, elapsed} = lastRun;
  outputView.show(result.text, endsInError(result));
  output.setAttribute('aria-label', 'Output file');
  describePlace(result, input, elapsed);
  if (result.shownBytes < lastOutput.length) {
    place.textContent += ` The output file has ${lastOutput.length.toLocaleString('en')} bytes: shown ` +
        `are its first lines${endsInError(result) ? ' and its error line' : ''}; Download output saves it whole.`;
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
  const rowsKept = tree.trace.tracedRows ?? 100;
  if (node.done) {
    outputView.show(bytesToText(latin1Bytes(node.table)), false);
    const what = node.args ? `${node.label}  ${node.args}` : node.label;
    setPlace(node.rows > rowsKept
      ? `The table of ${what}: its first ${rowsKept} rows of ${node.rows.toLocaleString('en')}.`
      : `The table of ${what}, as the command line prints it.`);
  } else {
    outputView.clear();
    setPlace(lastRun && node === tree.trace.nodes[tree.trace.stopped]
      ? `Reading stopped in ${node.label}: ${errorLineText()}`
      : `${node.label} was not finished: reading stopped inside it.`, true);
  }
  output.setAttribute('aria-label', 'Table of ' + node.label);
  showFileButton.disabled = false;
  output.dataset.state = 'done';
}

function describePlace(result, input, elapsed) {
  if (result.line > 0) {
    setPlace(`Reading stopped at line ${result.line} of the input file.`, true);
    editor.markError(editor.lineRange(result.line), errorLineText());
  } else if (result.column > 0) {
    setPlace(`Reading stopped at column ${result.column} of the query.`, true);
    editor.markError(editor.queryRange(result.column, result.column), errorLineText());
  } else if (result.status !== 0) {
    setPlace('The engine ran out of memory.', true);
  } else {
    setPlace(`Done in ${Math.round(elapsed)} ms.`);
  }
}

// Opens a file in the editor and runs it: source is the key its text is
// kept under; the text kept there, if any, comes back instead of bytes.
let opening = 0;
async function open(source, name, bytes) {
  const opened = ++opening;
  if (current.source) saveText();
  if (running) stop();
  const text = await decode(bytes);
  if (opened !== opening) return;
  current = {source, name, bytes, text};
  linkField.hidden = true;
  store.setCurrent(source);
  const kept = store.text(source);
  editorHoldsFile = false;
  if (!await editor.load(kept ?? current.text) || opened !== opening) return;
  editorHoldsFile = true;
  resetButton.disabled = false;
  analyse();
  run();
}

// What opening another file leaves behind can be had back in one click.
function openAnother(source, name, bytes, label) {
  const before = {...current, edited: editor.text() !== current.text, menu: examplesMenu.value};
  open(source, name, bytes);
  if (!before.source || before.source === source) return;
  const undo = document.createElement('button');
  undo.type = 'button';
  undo.id = 'undo-open';
  undo.textContent = 'Back to ' + before.name;
  undo.addEventListener('click', () => {
    hideNotice();
    examplesMenu.value = before.menu;
    open(before.source, before.name, before.bytes);
  });
  showNotice(`Opened ${label}.` + (before.edited ? ` Your edits of ${before.name} are kept.` : ''), undo);
}

function showNotice(text, ...controls) {
  notice.replaceChildren(text, ...controls.flatMap((control) => [' ', control]));
  notice.hidden = false;
}

function hideNotice() {
  notice.replaceChildren();
  notice.hidden = true;
}

// Reset: the file's text as first opened; undo in the editor brings the
// edits back.
const resetButton = $('reset');
resetButton.addEventListener('click', () => {
  const view = editor.view;
  view.dispatch({changes: {from: 0, to: view.state.doc.length, insert: current.text}});
  saveText();
  editor.focus();
});

function saveBytes(bytes, name) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([bytes], {type: 'application/octet-stream'}));
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
}

function download() {
  if (lastOutput) saveBytes(lastOutput, current.name.replace(/\.[^.]*$/, '') + '.out');
}

const downloadInputButton = $('download-input');
downloadInputButton.addEventListener('click', () => saveBytes(inputBytes(), current.name));

const instead = document.createElement('button');
instead.type = 'button';
instead.id = 'download-instead';
instead.textContent = 'Download input';
instead.addEventListener('click', () => saveBytes(inputBytes(), current.name));

async function copyLink() {
  const {exercise, sheet} = exercises.linked();
  const link = await makeLink(location.href.split('#')[0], inputBytes(), exercise, sheet);
  if (link.length > LINK_LIMIT) {
    linkField.value = '';
    linkField.hidden = true;
    showNotice(`This file makes a link of ${link.length.toLocaleString('en')} characters, longer than ` +
        `browsers and mail reliably carry (${LINK_LIMIT.toLocaleString('en')}). Send the file itself instead:`,
    instead);
    instead.focus();
    return;
  }
  linkField.value = link;
  linkField.hidden = false;
  linkField.focus();
  linkField.select();
  try {
    await navigator.clipboard.writeText(link);
    showNotice('The link is copied: it holds the whole file, which opens exactly as it is here.');
  } catch {
    showNotice('The link holds the whole file: copy it from the field below the toolbar.');
  }
}

// A short name for a link's fragment, to keep its edits under.
function fragmentKey(fragment) {
  let hash = 0x811c9dc5;
  for (let i = 0; i < fragment.length; ++i) hash = Math.imul(hash ^ fragment.charCodeAt(i), 0x01000193);
  return (hash >>> 0).toString(16);
}

const exercises = new Exercises({
  open: (source, name, bytes, label, quiet) => (quiet ? openOwn(source, name, bytes, true, label)
    : openOwn(source, name, bytes, false, label)),
  queryBytes: () => {
    const input = inputBytes();
    const end = input.indexOf(0x0a);
    return input.slice(0, end < 0 ? input.length : end);
  },
  openCounterexample: (name, bytes) => {
    const source = 'counterexample:' + name;
    store.forgetText(source);
    store.saveOriginal(source, bytesToText(bytes));
    openOwn(source, name, bytes, false);
  },
});

const ownFile = document.createElement('option');
ownFile.value = '';
ownFile.hidden = true;
examplesMenu.append(ownFile);
for (const example of raevalExamples) {
  const option = document.createElement('option');
  option.value = example.name;
  option.textContent = example.name.replace(/\.txt$/, '');
  examplesMenu.append(option);
}
function openExample(name, quiet) {
  const example = raevalExamples.find((e) => e.name === name);
  if (!example) return false;
  examplesMenu.value = name;
  if (quiet) open('example:' + name, name, latin1Bytes(example.input));
  else openAnother('example:' + name, name, latin1Bytes(example.input), name);
  return true;
}
function openOwn(source, name, bytes, quiet, label = name) {
  ownFile.textContent = source.startsWith('exercise:') ? label : name + ' (your file)';
  examplesMenu.value = '';
  if (quiet) open(source, name, bytes);
  else openAnother(source, name, bytes, label);
}
examplesMenu.addEventListener('change', () => {
  exercises.leave();
  openExample(examplesMenu.value, false);
});
$('upload').addEventListener('change', async (event) => {
  const file = event.target.files[0];
  if (!file) return;
  const bytes = new Uint8Array(await file.arrayBuffer());
  const source = 'upload:' + file.name;
  store.forgetText(source);  // a file opened anew is the file's own text
  if (!store.saveOriginal(source, await decode(bytes))) store.forgetText(source);
  openOwn(source, file.name, bytes, false);
  event.target.value = '';
});
runButton.addEventListener('click', run);
stopButton.addEventListener('click', stop);
downloadButton.addEventListener('click', download);
$('copy-link').addEventListener('click', copyLink);
showFileButton.addEventListener('click', () => {
  if (lastRun && !running) showOutputFile();
});
document.addEventListener('keydown', (event) => {
  if (event.key === 'Enter' && (event.ctrlKey || event.metaKey) && !event.defaultPrevented) {
    event.preventDefault();
    run();
  } else if (event.key === 'Escape' && running) {
    stop();
  }
});

// What the browser tests reach: the page's own mapping of bytes and text,
// and the editor's text.
window.raevalPage = {bytesToText: (bytes) => bytesToText(new Uint8Array(bytes)),
  text: () => editor.text(), view: editor.view, runs: 0};

// The start: a link's file; else the file open when the page was last left;
// else the first example.
async function start() {
  startWorker(raevalFirstWorker);
  // The bundled sheets are read by the checker's worker while the first
  // file runs; only a link to an exercise, or one left open, waits for them.
  const sheetsRead = exercises.addBundled(raevalSheets);
  if (location.hash.length > 1) {
    try {
      const linked = await readLink(location.hash);
      if (linked) {
        const source = 'link:' + fragmentKey(location.hash);
        store.saveOriginal(source, bytesToText(linked.bytes));
        if (linked.exercise) {
          await sheetsRead;
          if (!await exercises.chooseLinked(linked.exercise, linked.sheet)) {
            showNotice('The exercise this link names could not be opened; its file is open.');
          }
        }
        openOwn(source, 'linked.txt', linked.bytes, true);
        return;
      }
    } catch {
      showNotice('This link is damaged: its file could not be read. The page opened without it.');
    }
  }
  const last = store.current();
  if (last?.startsWith('example:') && openExample(last.slice('example:'.length), true)) return;
  if (last?.startsWith('exercise:')) {
    await sheetsRead;
    const [key, id] = [last.slice('exercise:'.length, last.lastIndexOf('/')), last.slice(last.lastIndexOf('/') + 1)];
    if (exercises.choose(key, id, true)) return;
  }
  if (last && !last.startsWith('example:')) {
    const original = store.original(last);
    if (original !== null) {
      openOwn(last, last.slice(last.indexOf(':') + 1), textToBytes(original), true);
      if (last.startsWith('link:')) ownFile.textContent = 'linked.txt (from a link)';
      return;
    }
  }
  openExample(raevalExamples.some((e) => e.name === 'employees.txt') ? 'employees.txt' : raevalExamples[0]?.name, true);
}
start();

// Served over HTTP(S), the page keeps itself for offline use (sw.js); opened
// from disk, it has nothing to keep.
if ('serviceWorker' in navigator && location.protocol.startsWith('http')) {
  navigator.serviceWorker.register('sw.js').catch(() => {});
}
