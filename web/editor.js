// The input file's editor: CodeMirror, with what the engine itself read of
// the file. The editor reads nothing of the language on its own: colours come
// from the engine's tokens of the query line and its table headers (the
// analysis, made in a worker on every pause in typing), completion from the
// engine's keyword tables, the tables and attributes it found and the trace
// of the last run, and the error's place from where the engine stopped
// reading.
//
// The editor's text is the file's bytes as codec.js shows them (a NUL byte
// as ␀, a carriage return as ↵), one line per "\n". Engine columns count the
// query line's bytes after a leading byte-order mark; columnOffsets turns
// them into the editor's positions, so a mark shifts nothing.
import {Annotation, EditorState, StateEffect, StateField, Transaction} from '@codemirror/state';
import {Decoration, EditorView, drawSelection, highlightActiveLine, highlightSpecialChars,
  keymap, lineNumbers} from '@codemirror/view';
import {defaultKeymap, history, historyKeymap} from '@codemirror/commands';
import {bracketMatching} from '@codemirror/language';
import {highlightSelectionMatches, search, searchKeymap} from '@codemirror/search';
import {autocompletion, completionKeymap} from '@codemirror/autocomplete';
import {lintKeymap, setDiagnostics} from '@codemirror/lint';
import {isShownSpecially} from './codec.js';

const BOM = '\ufeff';
// A long file goes into the editor this many characters at a time, a task
// each, so that opening it never holds the page up for long.
const LOAD_CHUNK = 1 << 18;
// Marks the transactions that put a file in, which are no edits.
const loading = Annotation.define();

// The editor position of each byte of the query line after its byte-order
// mark: offsets[k] is where byte k (from 0) starts, offsets[size] the line's
// end. A column c (from 1) starts at offsets[c - 1].
export function columnOffsets(lineText) {
  const offsets = [];
  for (let i = lineText.startsWith(BOM) ? 1 : 0; i < lineText.length;) {
    const code = lineText.codePointAt(i);
    const size = isShownSpecially(code) || code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    for (let k = 0; k < size; ++k) offsets.push(i);
    i += code > 0xffff ? 2 : 1;
  }
  offsets.push(lineText.length);
  return offsets;
}

// The editor range [from, to) of the inclusive byte columns first..last.
function spanRange(offsets, first, last) {
  const end = offsets.length - 1;
  const from = offsets[Math.min(Math.max(first - 1, 0), end)];
  let to = offsets[Math.min(Math.max(last, first), end)];
  if (to <= from) to = Math.min(from + 1, offsets[end]);
  return [from, to];
}

const TOKEN_CLASSES = {
  'keyword': 'tok-keyword', 'condition-keyword': 'tok-condition', 'table': 'tok-table',
  'attribute': 'tok-attribute', 'name': 'tok-name', 'number': 'tok-literal', 'string': 'tok-literal',
  'unknown': 'tok-unknown',
};

const setTokens = StateEffect.define();
const tokenField = StateField.define({
  create: () => Decoration.none,
  update(decorations, transaction) {
    for (const effect of transaction.effects) if (effect.is(setTokens)) return effect.value;
    return decorations.map(transaction.changes);
  },
  provide: (field) => EditorView.decorations.from(field),
});

const setPoint = StateEffect.define();
const pointField = StateField.define({
  create: () => Decoration.none,
  update(decorations, transaction) {
    for (const effect of transaction.effects) if (effect.is(setPoint)) return effect.value;
    return transaction.docChanged ? Decoration.none : decorations;
  },
  provide: (field) => EditorView.decorations.from(field),
});

export class InputEditor {
  // parent: the element the editor goes in; handlers: {changed(), run()}.
  constructor(parent, handlers) {
    this.handlers = handlers;
    this.analysis = null;  // the engine's analysis of the text it was made for
    this.analysedText = null;  // that text
    // The engine's keyword tables, {forms, conditions}, from its first analysis.
    this.keywords = null;
    this.ranText = null;  // the text of the last run
    this.loads = 0;  // loads begun
    this.trace = null;  // {trace, query}: the last run's trace and its query line
    const run = () => {
      handlers.run();
      return true;
    };
    this.view = new EditorView({
      parent,
      state: EditorState.create({doc: '', extensions: this.extensions(run)}),
    });
  }

  extensions(run) {
    return [
      EditorState.lineSeparator.of('\n'),
      lineNumbers(),
      highlightSpecialChars(),
      history(),
      drawSelection(),
      highlightActiveLine(),
      bracketMatching(),
      search({top: true}),
      highlightSelectionMatches(),
      autocompletion({override: [(context) => this.complete(context)], activateOnTyping: true}),
      keymap.of([{key: 'Mod-Enter', run}, ...completionKeymap, ...searchKeymap, ...historyKeymap,
        ...lintKeymap, ...defaultKeymap]),
      tokenField,
      pointField,
      EditorView.contentAttributes.of({'id': 'editor', 'tabindex': '0', 'aria-labelledby': 'editor-label',
        'aria-describedby': 'editor-hint place', 'spellcheck': 'false', 'autocapitalize': 'off',
        'autocorrect': 'off'}),
      EditorView.updateListener.of((update) => {
        if (update.docChanged && !update.transactions.some((t) => t.annotation(loading))) this.handlers.changed();
      }),
    ];
  }

  // The editor's text, made once for each state of the document: a large
  // file's text is asked for by the analysis, the keeping of edits and the
  // run after the same pause, and making it is not free.
  text() {
    const doc = this.view.state.doc;
    if (this.textOf?.doc !== doc) this.textOf = {doc, text: doc.toString()};
    return this.textOf.text;
  }

  length() {
    return this.view.state.doc.length;
  }

  // Puts text in the editor as a new file, with a fresh history; a long
  // text goes in a part per task. Resolves to false when another load took
  // its place before it was done.
  async load(text) {
    const load = ++this.loads;
    this.analysis = null;
    this.analysedText = null;
    this.trace = null;
    const cut = (from) => {
      if (from + LOAD_CHUNK >= text.length) return text.length;
      const newline = text.lastIndexOf('\n', from + LOAD_CHUNK);
      return newline >= from ? newline + 1 : from + LOAD_CHUNK;
    };
    let at = cut(0);
    this.view.setState(EditorState.create({doc: text.slice(0, at), extensions: this.extensions(() => {
      this.handlers.run();
      return true;
    })}));
    // The document as the last part left it, null once it was typed into
    // meanwhile; while it is not, its text is the text given.
    let built = this.view.state.doc;
    while (at < text.length) {
      await new Promise((next) => setTimeout(next, 0));
      if (load !== this.loads) return false;
      if (this.view.state.doc !== built) built = null;
      const end = cut(at);
      this.view.dispatch({changes: {from: this.view.state.doc.length, insert: text.slice(at, end)},
        annotations: [Transaction.addToHistory.of(false), loading.of(true)]});
      if (built) built = this.view.state.doc;
      at = end;
    }
    if (built) this.textOf = {doc: built, text};
    return load === this.loads;
  }

  queryLine() {
    return this.view.state.doc.line(1).text;
  }

  // The engine's analysis (tokens, tables, error) of text; dropped when the
  // text has changed since.
  setAnalysis(analysis, text) {
    this.keywords = analysis.keywords;
    if (text !== this.text()) return;
    this.analysis = analysis;
    this.analysedText = text;
    const doc = this.view.state.doc;
    const ranges = [];
    const offsets = columnOffsets(doc.line(1).text);
    for (const token of analysis.tokens) {
      const className = TOKEN_CLASSES[token.kind];
      if (!className) continue;
      const [from, to] = spanRange(offsets, token.first, token.last);
      if (to > from) ranges.push(Decoration.mark({class: className}).range(from, to));
    }
    for (const table of analysis.tables) {
      if (table.line < 1 || table.line > doc.lines) continue;
      const line = doc.line(table.line);
      const at = line.text.indexOf(table.name);
      if (at >= 0 && table.name) {
        ranges.push(Decoration.mark({class: 'tok-table'}).range(line.from + at, line.from + at + table.name.length));
      }
    }
    ranges.sort((a, b) => a.from - b.from);
    this.view.dispatch({effects: setTokens.of(Decoration.set(ranges, true))});
    // The error the engine finds without evaluating rows is marked as it is
    // typed; a run's own error mark stays until the text changes.
    const error = analysis.error;
    if (error) {
      const range = error.line > 0 ? this.lineRange(error.line) : this.queryRange(error.column, error.column);
      this.markError(range, 'ERROR: ' + error.message);
    } else if (text !== this.ranText) {
      this.markError(null);
    }
  }

  // The last run's trace, its query line, and the text it ran.
  setTrace(trace, queryText, ranText) {
    this.trace = trace ? {trace, query: queryText} : null;
    this.ranText = ranText;
  }

  traceIsCurrent() {
    return this.trace !== null && this.trace.query === this.queryLine();
  }

  // The error's place as a diagnostic: [from, to) in the editor, or null.
  markError(range, message) {
    const diagnostics = range
      ? [{from: range[0], to: range[1], severity: 'error', message, markClass: 'error-place'}]
      : [];
    this.view.dispatch(setDiagnostics(this.view.state, diagnostics));
  }

  // The editor range of the query's inclusive byte columns first..last.
  queryRange(first, last) {
    return spanRange(columnOffsets(this.queryLine()), first, last);
  }

  lineRange(number) {
    const doc = this.view.state.doc;
    if (number < 1 || number > doc.lines) return null;
    const line = doc.line(number);
    return [line.from, Math.max(line.to, line.from)];
  }

  // Highlights a traced node's span; null takes the highlight away.
  point(node) {
    let decorations = Decoration.none;
    if (node && this.traceIsCurrent()) {
      const [from, to] = this.queryRange(node.first, node.last);
      decorations = Decoration.set([Decoration.mark({class: 'span-mark'}).range(from, to)]);
      this.view.dispatch({effects: [setPoint.of(decorations), EditorView.scrollIntoView(from)]});
      return;
    }
    this.view.dispatch({effects: setPoint.of(decorations)});
  }

  focus() {
    this.view.focus();
  }

  // The attribute names of a traced node's result.
  static attributesOf(node) {
    if (node.schema) return node.schema.map((attribute) => attribute.name);
    return [];
  }

  // The attributes of the operands of the innermost traced form whose
  // arguments the position stands in.
  attributesInScope(position) {
    if (!this.traceIsCurrent()) return [];
    const nodes = this.trace.trace.nodes;
    const offsets = columnOffsets(this.queryLine());
    let best = null;
    for (const node of nodes) {
      if (!node.children.length) continue;
      const [start, end] = spanRange(offsets, node.first, node.last);
      const operand = nodes[node.children[0]];
      const [, operandEnd] = spanRange(offsets, operand.first, operand.last);
      if (position < operandEnd || position > end || position < start) continue;
      if (!best || start >= best.start) best = {start, node};
    }
    if (!best) return [];
    const names = new Set();
    for (const child of best.node.children) {
      for (const name of InputEditor.attributesOf(nodes[child])) names.add(name);
    }
    return [...names];
  }

  complete(context) {
    const line = context.state.doc.line(1);
    if (context.pos > line.to) return null;
    const word = context.matchBefore(/[^\s(),']*/);
    if (!word || (word.from === word.to && !context.explicit)) return null;
    const options = [];
    const seen = new Set();
    const offer = (label, type, detail) => {
      if (seen.has(label)) return;
      seen.add(label);
      options.push({label, type, detail, boost: type === 'variable' ? 2 : type === 'class' ? 1 : 0});
    };
    for (const name of this.attributesInScope(context.pos)) offer(name, 'variable', 'attribute');
    for (const table of this.analysis?.tables ?? []) offer(table.name, 'class', 'table');
    for (const keyword of this.keywords?.forms ?? []) offer(keyword, 'keyword', 'keyword');
    for (const keyword of this.keywords?.conditions ?? []) offer(keyword, 'keyword', 'condition');
    return {from: word.from, options, validFor: /^[^\s(),']*$/};
  }
}
