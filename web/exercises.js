// Exercises in the page: the bundled sheets (examples/sheets/*.sheet) and
// sheets a teacher hands out as files, read and checked by the checker's
// own core in a worker of their own. A sheet in the page is for practice:
// anyone who opens it can read its references. Hidden instances are checked
// too, but their tables and rows never reach the page's view unless the
// sheet says "counterexample shown" for them; grading stays with
// raeval-check.
//
// Everything from a sheet is put on the page as text.
import {latin1Bytes, textToBytes} from './codec.js';
import {store} from './store.js';

const $ = (id) => document.getElementById(id);

const VERDICT_WORDS = {
  'right': 'Right', 'wrong-result': 'Wrong result', 'wrong-schema': 'Wrong columns', 'error': 'Error',
  'not-allowed': 'Not allowed', 'limit': 'Too slow or too big', 'missing': 'No answer',
};

export class Exercises {
  // handlers: {newWorker(), open(source, name, bytes, label, quiet), queryBytes(),
  // run(), openCounterexample(name, bytes)}.
  constructor(handlers) {
    this.handlers = handlers;
    this.menu = $('exercise');
    this.panel = $('exercise-panel');
    this.verdict = $('verdict');
    this.checkButton = $('check');
    this.sheets = new Map();  // key: {name, bytes, described}
    this.bundled = [];  // the bundled sheets, [{name, text}]
    this.current = null;  // {key, id}
    this.worker = null;
    this.asked = 0;
    this.pending = new Map();  // ask: {done, failed}
    this.checking = false;
    this.menu.addEventListener('change', () => {
      const [key, id] = this.menu.value.split('\n');
      if (key && id) this.choose(key, id);
    });
    this.checkButton.addEventListener('click', () => this.check());
    $('upload-sheet').addEventListener('change', async (event) => {
      const file = event.target.files[0];
      if (!file) return;
      const bytes = new Uint8Array(await file.arrayBuffer());
      event.target.value = '';
      const key = 'file:' + file.name;
      let described;
      try {
        described = await this.read(key, file.name, bytes);
      } catch (error) {
        this.showPanel(file.name, null);
        this.say(`The sheet ${file.name} could not be read: ${error.message}`, 'refused');
        return;
      }
      if (described.error) {
        this.showPanel(file.name, null);
        this.say(`The sheet ${file.name} is refused: line ${described.error}`, 'refused');
        return;
      }
      this.fillMenu();
      const first = described.exercises[0];
      if (first) this.choose(key, first.id);
    });
  }

  // Asks the checker's worker (worker.js): resolves to its answer, of the
  // type it names; rejects with an Error when the worker failed to answer,
  // after which a new worker takes the next question.
  ask(message) {
    if (!this.worker) {
      const worker = this.handlers.newWorker();
      this.worker = worker;
      worker.onmessage = (event) => {
        const answer = event.data;
        if (answer.type === 'sheet' || answer.type === 'checked') {
          this.pending.get(answer.ask)?.done(answer);
          this.pending.delete(answer.ask);
        } else if (answer.type === 'failed') {
          this.fail(worker, answer.reason);
        }
      };
      worker.onerror = (event) => {
        event.preventDefault();
        this.fail(worker, event.message || 'the checker stopped');
      };
    }
    const ask = ++this.asked;
    return new Promise((done, failed) => {
      this.pending.set(ask, {done, failed});
      this.worker.postMessage({...message, ask});
    });
  }

  // The worker could not answer: every question waiting fails with the
  // reason, and the worker is replaced.
  fail(worker, reason) {
    if (worker !== this.worker) return;
    worker.terminate();
    this.worker = null;
    const waiting = [...this.pending.values()];
    this.pending.clear();
    for (const {failed} of waiting) failed(new Error(reason));
  }

  async read(key, name, bytes) {
    const answer = await this.ask({type: 'sheet', sheet: bytes});
    const described = answer.sheet;
    if (!described.error) this.sheets.set(key, {name, bytes, described});
    return described;
  }

  // The bundled sheets: [{name, text}] with each byte one character. A
  // sheet the worker could not read is left out of the menu.
  async addBundled(sheets) {
    this.bundled = sheets;
    for (const sheet of sheets) {
      try {
        await this.read('bundled:' + sheet.name, sheet.name, latin1Bytes(sheet.text));
      } catch {
        // the menu goes without it
      }
    }
    this.fillMenu();
  }

  fillMenu() {
    const chosen = this.menu.value;
    this.menu.replaceChildren();
    const none = document.createElement('option');
    none.value = '';
    none.textContent = 'None: free practice';
    this.menu.append(none);
    for (const [key, sheet] of this.sheets) {
      const group = document.createElement('optgroup');
      group.label = sheet.described.title || sheet.name;
      const progress = store.progress(key);
      for (const exercise of sheet.described.exercises) {
        const option = document.createElement('option');
        option.value = key + '\n' + exercise.id;
        option.textContent = (progress[exercise.id] === 'right' ? '✓ ' : '') + exercise.id;
        group.append(option);
      }
      this.menu.append(group);
    }
    this.menu.value = chosen;
    if (this.menu.selectedIndex < 0) this.menu.value = '';
  }

  // The exercise's file to start from: an empty query line, a comment, and
  // the tables of its first visible instance.
  static startingFile(described, exercise) {
    const instance = exercise.instances.map((i) => described.instances[i]).find((i) => i.visible);
    const comment = `Exercise ${exercise.id}` + (instance ? `, on the tables of ${instance.name}` : '');
    return '\n' + comment + '\n' + (instance ? instance.tables : '');
  }

  // Opens the exercise: its panel, and (with openFile) its starting file.
  choose(key, id, quiet = false, openFile = true) {
    const sheet = this.sheets.get(key);
    const exercise = sheet?.described.exercises.find((e) => e.id === id);
    if (!exercise) return false;
    this.current = {key, id};
    this.menu.value = key + '\n' + id;
    this.showPanel(sheet.described.title || sheet.name, exercise);
    if (!openFile) return true;
    const file = Exercises.startingFile(sheet.described, exercise);
    this.handlers.open(`exercise:${key}/${id}`, `${id}.txt`, textToBytes(file), `the exercise ${id}`, quiet);
    return true;
  }

  // The open exercise, as a link names it: {exercise: "SHEET/ID"} of a
  // bundled sheet; {exercise: ID, sheet: {name, bytes}} of any other.
  linked() {
    if (!this.current) return {exercise: null, sheet: null};
    const {key, id} = this.current;
    if (key.startsWith('bundled:')) return {exercise: key.slice('bundled:'.length) + '/' + id, sheet: null};
    const {name, bytes} = this.sheets.get(key);
    return {exercise: id, sheet: {name, bytes}};
  }

  // The exercise a link names, its panel opened for the link's own file;
  // sheet: the sheet the link brings, {name, bytes}, or null for a bundled one.
  async chooseLinked(name, sheet) {
    if (!sheet) {
      const at = name.lastIndexOf('/');
      const key = 'bundled:' + name.slice(0, at);
      // A bundled sheet whose reading failed (its worker stopped) is read
      // again, by a new worker, when a link asks for it.
      const bundled = this.bundled.find((b) => 'bundled:' + b.name === key);
      if (!this.sheets.has(key) && bundled) {
        try {
          await this.read(key, bundled.name, latin1Bytes(bundled.text));
        } catch {
          return false;
        }
        this.fillMenu();
      }
      return this.choose(key, name.slice(at + 1), true, false);
    }
    const key = 'file:' + sheet.name;
    let described;
    try {
      described = await this.read(key, sheet.name, sheet.bytes);
    } catch {
      return false;
    }
    if (described.error) return false;
    this.fillMenu();
    return this.choose(key, name, true, false);
  }

  leave() {
    this.current = null;
    this.menu.value = '';
    this.panel.hidden = true;
  }

  // Shows the exercise ({key, id}, or null for none) without opening its
  // file, as it was when a file the page goes back to was open.
  restore(exercise) {
    if (!exercise || !this.choose(exercise.key, exercise.id, true, false)) this.leave();
  }

  showPanel(title, exercise) {
    this.panel.hidden = false;
    $('exercise-title').textContent = exercise ? `${title}: ${exercise.id}` : title;
    $('exercise-text').textContent = exercise ? exercise.text : '';
    this.checkButton.disabled = !exercise;
    this.verdict.replaceChildren();
    delete this.verdict.dataset.verdict;
  }

  say(text, verdict) {
    this.verdict.replaceChildren(text);
    this.verdict.dataset.verdict = verdict;
  }

  // Checks the query, and runs the file, so that the output and the tree
  // are those of the query checked. The Check button keeps the focus while
  // it checks, and a press meanwhile is ignored.
  async check() {
    if (!this.current || this.checking) return;
    this.handlers.run();
    const {key, id} = this.current;
    const sheet = this.sheets.get(key);
    this.checking = true;
    this.checkButton.setAttribute('aria-disabled', 'true');
    this.verdict.dataset.verdict = 'checking';
    this.verdict.replaceChildren('Checking…');
    let answer;
    try {
      answer = await this.ask({type: 'check', sheet: sheet.bytes, exercise: id, query: this.handlers.queryBytes()});
    } catch (error) {
      answer = {report: {error: error.message}};
    } finally {
      this.checking = false;
      this.checkButton.removeAttribute('aria-disabled');
    }
    if (this.current?.key !== key || this.current?.id !== id) return;
    const report = answer.report;
    if (report.error) {
      this.say('The check could not be made: ' + report.error, 'refused');
      return;
    }
    const result = report.submissions[0].answers[0];
    const progress = store.progress(key);
    if (progress[id] !== 'right') progress[id] = result.verdict;
    store.saveProgress(key, progress);
    this.fillMenu();
    this.showVerdict(result);
  }

  showVerdict(result) {
    const box = this.verdict;
    box.replaceChildren();
    box.dataset.verdict = result.verdict;
    const head = document.createElement('p');
    head.className = 'verdict-head';
    head.textContent = `${VERDICT_WORDS[result.verdict] ?? result.verdict}: ${result.points} of ` +
      `${result.pointsPossible} points.`;
    box.append(head);
    const list = document.createElement('ul');
    for (const instance of result.instances) {
      const item = document.createElement('li');
      item.append(`${instance.visible ? 'Instance' : 'Hidden instance'} ${instance.instance}: ` +
        `${VERDICT_WORDS[instance.verdict] ?? instance.verdict}. `);
      item.append(this.details(instance));
      list.append(item);
    }
    box.append(list);
  }

  details(instance) {
    const part = document.createDocumentFragment();
    if (instance.verdict === 'wrong-result') {
      const rows = (n) => (n === 1 ? '1 row' : `${n} rows`);
      const counts = `Your query gives ${rows(instance.answerRows)}, the expected result ${rows(instance.referenceRows)}. `;
      part.append(counts);
      for (const [rows, what] of [[instance.missing, 'Missing from your result'], [instance.excess, 'In excess in your result']]) {
        if (!rows || !rows.length) continue;
        const label = document.createElement('span');
        label.textContent = what + ': ';
        const shown = document.createElement('code');
        shown.className = 'rows';
        shown.textContent = rows.map((r) => r.row + (r.count > 1 ? ` (${r.count} times)` : '')).join('\n');
        part.append(label, shown, ' ');
      }
      if (instance.counterexample) {
        const c = instance.counterexample;
        const button = document.createElement('button');
        button.type = 'button';
        button.className = 'open-counterexample';
        button.textContent = `Open the smallest tables that show it (${c.rows} of ${c.instanceRows} rows)`;
        button.addEventListener('click', () =>
          this.handlers.openCounterexample(`counterexample-${instance.instance}.txt`, new TextEncoder().encode(c.input)));
        part.append(button);
      }
    } else if (instance.verdict === 'wrong-schema') {
      part.append(`Your columns: ${instance.answerSchema}; expected: ${instance.referenceSchema}.`);
    } else if (instance.verdict === 'error' && instance.error) {
      part.append(`${instance.error.line} (column ${instance.error.column}).`);
    } else if (instance.verdict === 'not-allowed') {
      part.append(instance.rule + '.');
    } else if (instance.verdict === 'limit') {
      part.append(`It passed the ${instance.limit} limit.`);
    }
    return part;
  }
}
