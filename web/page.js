// The page: an editor for the input file, the engine in Web Workers (one
// runs, one analyses the text as it is typed), the output file as the
// command line writes it, and the operator tree of the query's reading.
//
// Everything that comes from a file, a sheet or a link is put on the page as
// text (textContent, never as HTML).
import {examples as bundledExamples, sheets as bundledSheets} from 'raeval:examples';
import {bytesToText, latin1Bytes, textToBytes} from './codec.js';
import {InputEditor} from './editor.js';
import {firstWorker, newWorker} from './engine_workers.js';
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
// The longest text kept at each pause in typing. Keeping a longer one holds
// up the typing for a noticeable time; it is kept when the page is hidden or
// left (a reload, a closed tab, another tab or application in front) and
// when another file is opened.
const SAVED_AT_PAUSES = 1 << 18;
const ANALYSE_PAUSE_MS = 120;

// The file being edited: its source (the key its text is kept under), its
// name, its bytes and shown text as first opened, and the exercise open
// with it ({key, id} or null). While the editor holds that text, the opened
// bytes are what is run.
let current = {source: '', name: 'input.txt', bytes: new Uint8Array(0), text: '', exercise: null};
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
  const engine = started ?? newWorker();
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
  analyser = newWorker();
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
    if (explaining && explaining.text === text) explainError();
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
  if (text === current.text) {
    const input = current.bytes.slice();
    analyser.postMessage({type: 'analyse', id, input}, [input.buffer]);
  } else {
    // An edited text's bytes are made by the worker: for a large file that
    // takes long enough to hold up the typing.
    analyser.postMessage({type: 'analyse', id, text});
  }
}

let saveTimer = 0;
let analyseTimer = 0;
// True from an edit until its text is kept.
let edited = false;
function onEdit() {
  edited = true;
  clearTimeout(saveTimer);
  clearTimeout(analyseTimer);
  if (editor.length() <= SAVED_AT_PAUSES) saveTimer = setTimeout(saveText, SAVE_PAUSE_MS);
  analyseTimer = setTimeout(analyse, ANALYSE_PAUSE_MS);
}

// False while a file is going into the editor: its text is not yet whole.
let editorHoldsFile = false;

// Keeps the editor's text as the file's edits, or forgets them when the text
// is the file's as opened; only after an edit, so that edits kept from
// before stay kept until the text is changed.
function saveText() {
  clearTimeout(saveTimer);
  if (!editorHoldsFile || !edited) return;
  edited = false;
  const text = editor.text();
  if (text === current.text) store.forgetText(current.source);
  else if (!store.saveText(current.source, text)) {
    showNotice('This browser would not keep the text (its storage is full or switched off): ' +
        'download the input to keep it.');
  }
}
addEventListener('pagehide', saveText);
document.addEventListener('visibilitychange', () => {
  if (document.visibilityState === 'hidden') saveText();
});

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
  // The last output file is not this run's: it cannot be downloaded meanwhile.
  downloadButton.disabled = true;
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
  explanation.replaceChildren(...explain(errorLineText(), result, analysis, trace, query, editor.keywords));
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
  const rowsKept = tree.trace.tracedRows;
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
// kept under. The editor gets options.text when given, else the text kept
// for the source, else the file's own; a text given that is not the file's
// own is kept as its edits, and one that is forgets them. The file is
// opened with the exercise open now.
let opening = 0;
let loadedText = '';  // the text the editor was last given, while it goes in
async function open(source, name, bytes, options = {}) {
  const opened = ++opening;
  const exercise = exercises.current;
  if (current.source && current.source !== source) saveText();
  if (running) stop();
  clearTimeout(saveTimer);
  edited = false;
  const text = await decode(bytes);
  if (opened !== opening) return;
  current = {source, name, bytes, text, exercise};
  linkField.hidden = true;
  store.setCurrent(source);
  showInMenu(source, name);
  loadedText = options.text ?? store.text(source) ?? text;
  editorHoldsFile = false;
  if (!await editor.load(loadedText) || opened !== opening) return;
  editorHoldsFile = true;
  if (options.text !== undefined) {
    edited = true;
    saveText();
  }
  resetButton.disabled = false;
  analyse();
  run();
}

// What Back restores: the file, the editor's text, and the exercise open
// with it.
function snapshot() {
  return {source: current.source, name: current.name, bytes: current.bytes, original: current.text,
    text: editorHoldsFile ? editor.text() : loadedText, exercise: current.exercise};
}

// The edits kept for source, when it is not the file open, as Back restores
// them; null when none are kept.
function keptEdits(source, name) {
  const text = store.text(source);
  const original = store.original(source);
  if (text === null || original === null || text === original) return null;
  return {source, name, bytes: textToBytes(original), original, text, exercise: exercises.current};
}

// Opens what a snapshot holds; where it leaves behind another text of the
// same file, which nothing else keeps, offers Back to that.
function goBack(to) {
  const left = current.source ? snapshot() : null;
  hideNotice();
  exercises.restore(to.exercise);
  if (store.original(to.source) !== null) store.saveOriginal(to.source, to.original);
  open(to.source, to.name, to.bytes, {text: to.text});
  if (left && left.source === to.source && left.text !== to.text) {
    showNotice(`Back to ${describe(to)}.`, backButton('back-to-edits', left));
  }
}

const describe = (state) => (state.text === state.original ? `${state.name} as opened` : `your edits of ${state.name}`);

function backButton(id, to) {
  const button = document.createElement('button');
  button.type = 'button';
  button.id = id;
  button.textContent = 'Back to ' + (id === 'undo-open' ? to.name : describe(to));
  button.addEventListener('click', () => goBack(to));
  return button;
}

// Opens another file, and offers Back to the one it replaces. earlier: the
// edits of this same file that opening it anew sets aside, which Back also
// offers.
function openAnother(source, name, bytes, label, earlier = null) {
  const before = current.source ? snapshot() : null;
  open(source, name, bytes);
  const controls = [];
  let text = `Opened ${label}.`;
  if (before && before.source !== source) {
    if (before.text !== before.original) text += ` Your edits of ${before.name} are kept.`;
    controls.push(backButton('undo-open', before));
  }
  if (earlier) {
    text += ` It replaces your earlier edits of ${earlier.name}, which Back brings back while this page is open.`;
    controls.push(backButton('back-to-edits', earlier));
  }
  if (controls.length) showNotice(text, ...controls);
  else hideNotice();
}

// Opens a file's bytes anew under source: the file's own text, never edits
// kept from an earlier opening, which are offered by Back instead.
async function openAnew(source, name, bytes, label) {
  const shown = source === current.source ? snapshot() : null;
  const earlier = shown ? (shown.text !== shown.original ? shown : null) : keptEdits(source, name);
  const text = await decode(bytes);
  store.forgetText(source);
  if (!store.saveOriginal(source, text)) store.forgetText(source);
  openAnother(source, name, bytes, label, earlier);
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

// The field never shows a link of an earlier text while the new one is made,
// and of two presses the later one's link is shown.
let linking = 0;
async function copyLink() {
  const made = ++linking;
  linkField.value = '';
  const {exercise, sheet} = exercises.linked();
  const link = await makeLink(location.href.split('#')[0], inputBytes(), exercise, sheet);
  if (made !== linking) return;
  if (link.length > LINK_LIMIT) {
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
  newWorker,
  open: (source, name, bytes, label, quiet) => (quiet ? open(source, name, bytes)
    : openAnother(source, name, bytes, label)),
  queryBytes: () => {
    const input = inputBytes();
    const end = input.indexOf(0x0a);
    return input.slice(0, end < 0 ? input.length : end);
  },
  run,
  openCounterexample: (name, bytes) => openAnew('counterexample:' + name, name, bytes, name),
});

// The example menu names the file open: an example as itself, any other
// file by an entry of its own.
const ownFile = document.createElement('option');
ownFile.value = '';
ownFile.hidden = true;
examplesMenu.append(ownFile);
for (const example of bundledExamples) {
  const option = document.createElement('option');
  option.value = example.name;
  option.textContent = example.name.replace(/\.txt$/, '');
  examplesMenu.append(option);
}
function showInMenu(source, name) {
  if (source.startsWith('example:')) {
    examplesMenu.value = source.slice('example:'.length);
    return;
  }
  ownFile.textContent = source.startsWith('exercise:') ? `exercise ${source.slice(source.lastIndexOf('/') + 1)}`
    : source.startsWith('link:') ? `${name} (from a link)`
      : source.startsWith('counterexample:') ? `${name} (the smallest tables)` : `${name} (your file)`;
  examplesMenu.value = '';
}
function openExample(name, quiet) {
  const example = bundledExamples.find((e) => e.name === name);
  if (!example) return false;
  if (quiet) open('example:' + name, name, latin1Bytes(example.input));
  else openAnother('example:' + name, name, latin1Bytes(example.input), name);
  return true;
}
examplesMenu.addEventListener('change', () => {
  exercises.leave();
  openExample(examplesMenu.value, false);
});
$('upload').addEventListener('change', async (event) => {
  const file = event.target.files[0];
  if (!file) return;
  const bytes = new Uint8Array(await file.arrayBuffer());
  event.target.value = '';
  openAnew('upload:' + file.name, file.name, bytes, file.name);
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
  } else if (event.key === 'Escape' && running && !event.defaultPrevented) {
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
  startWorker(firstWorker());
  // The bundled sheets are read by the checker's worker while the first
  // file runs; only a link to an exercise, or one left open, waits for them.
  const sheetsRead = exercises.addBundled(bundledSheets);
  if (location.hash.length > 1) {
    try {
      const linked = await readLink(location.hash);
      if (linked) {
        await openLink(linked, sheetsRead);
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
      open(last, last.startsWith('link:') ? 'linked.txt' : last.slice(last.indexOf(':') + 1), textToBytes(original));
      return;
    }
  }
  openExample(bundledExamples.some((e) => e.name === 'employees.txt') ? 'employees.txt' : bundledExamples[0]?.name, true);
}

// A link opens exactly the file it holds, with its exercise; edits of the
// same link kept from before are offered by Back.
async function openLink(linked, sheetsRead) {
  const source = 'link:' + fragmentKey(location.hash);
  if (linked.exercise) {
    await sheetsRead;
    if (!await exercises.chooseLinked(linked.exercise, linked.sheet)) {
      showNotice('The exercise this link names could not be opened; its file is open.');
    }
  }
  const earlier = keptEdits(source, 'linked.txt');
  const text = bytesToText(linked.bytes);
  store.saveOriginal(source, text);
  open(source, 'linked.txt', linked.bytes, {text});
  if (earlier) {
    showNotice('This link\'s file is open exactly as the link holds it. Your earlier edits of it are set ' +
        'aside, and Back brings them back while this page is open:',
      backButton('back-to-edits', earlier));
  }
}
start();

// Served over HTTP(S), the page keeps itself for offline use (sw.js); opened
// from disk, it has nothing to keep.
if ('serviceWorker' in navigator && location.protocol.startsWith('http')) {
  navigator.serviceWorker.register('sw.js').catch(() => {});
}
