// What the editor knows of the language: colours for the query line and the
// tables' names, marks (the error's place, the span pointed at in the tree,
// matched parentheses), and completion of table names, attributes and
// keywords on the query line.
//
// The text area stays the editor; behind it sit two layers holding the same
// text: one with the marks, one with the coloured text (the text area's own
// is transparent while the file is small enough to colour as it is typed).
'use strict';

const FORM_KEYWORDS = ['UNION', 'MINUS', 'PRODUCT', 'PROJECT', 'RENAME', 'SELECT'];
const CONDITION_KEYWORDS = ['EQ', 'NEQ', 'LT', 'LTE', 'GT', 'GTE', 'AND', 'OR', 'NOT'];
// Past this many characters the editor shows plain text: colouring would cost
// every keystroke too much.
const COLOURED_TEXT_LIMIT = 200000;

function isFormKeyword(word) {
  return FORM_KEYWORDS.includes(word.toUpperCase());
}

function isConditionKeyword(word) {
  return CONDITION_KEYWORDS.includes(word.toUpperCase());
}

// The names of the tables a file defines: the word before "(" on the first
// line of each table (after the comment line, and after each empty line).
function definedTables(text) {
  const tables = [];
  const lines = text.split('\n');
  let atHeader = true;
  for (let n = 2; n < lines.length; ++n) {
    const line = lines[n].replace(/↵$/, '');
    if (line === '') {
      atHeader = true;
      continue;
    }
    if (atHeader) {
      const open = line.indexOf('(');
      tables.push({name: (open < 0 ? line : line.slice(0, open)).replaceAll(' ', ''), line: n});
      atHeader = false;
    }
  }
  return tables;
}

// The attribute names of a schema line "Name(a int, b char(8))".
function schemaAttributes(schemaLine) {
  const open = schemaLine.indexOf('(');
  if (open < 0) return [];
  return schemaLine.slice(open + 1, -1).split(/, (?=[^,]* (?:int|char\(\d+\))(?:,|$))/)
    .map((part) => part.replace(/ (int|char\(\d+\))$/, ''))
    .filter((name) => name !== '');
}

// The query line's tokens: [start, end, class] in text units. Table names
// come from the engine's reading (tableSpans, [start, end] pairs) when it
// read this very line, else from the names the file defines.
function queryTokens(line, tableNames, tableSpans) {
  const tokens = [];
  const names = new Set(tableNames);
  let i = 0;
  while (i < line.length) {
    const c = line[i];
    if (c === ' ' || c === '(' || c === ')' || c === ',') {
      ++i;
      continue;
    }
    if (c === "'") {
      const close = line.indexOf("'", i + 1);
      const end = close < 0 ? line.length : close + 1;
      tokens.push([i, end, 'literal']);
      i = end;
      continue;
    }
    let end = i;
    while (end < line.length && !' (),'.includes(line[end])) ++end;
    const word = line.slice(i, end);
    let after = end;
    while (line[after] === ' ') ++after;
    if (line[after] === '(' && isFormKeyword(word)) tokens.push([i, end, 'keyword']);
    else if (line[after] === '(' && isConditionKeyword(word)) tokens.push([i, end, 'condition']);
    else if (/^[+-]?\d+$/.test(word)) tokens.push([i, end, 'literal']);
    else if (!tableSpans && names.has(word)) tokens.push([i, end, 'table']);
    i = end;
  }
  if (tableSpans) {
    for (const [start, end] of tableSpans) tokens.push([start, end, 'table']);
    tokens.sort((a, b) => a[0] - b[0]);
  }
  return tokens;
}

class LanguageEditor {
  // editor: the text area; colours, marks: its layers; list: the completion
  // list element.
  constructor(editor, colours, marks, list) {
    this.editor = editor;
    this.colours = colours;
    this.marks = marks;
    this.list = list;
    this.trace = null;  // {query, trace}: the engine's reading of a query line
    this.errorMark = null;  // [start, end, className]
    this.pointMark = null;
    this.parenMarks = [];
    this.choices = [];
    this.chosen = 0;
    editor.addEventListener('input', () => {
      this.errorMark = null;
      this.pointMark = null;
      this.recolour();
      this.matchParens();
      this.offerCompletion(false);
    });
    editor.addEventListener('scroll', () => this.syncScroll());
    editor.addEventListener('keydown', (event) => this.onKey(event));
    editor.addEventListener('keyup', (event) => {
      if (event.key.startsWith('Arrow') || event.key === 'Home' || event.key === 'End') this.matchParens();
    });
    editor.addEventListener('click', () => {
      this.closeCompletion();
      this.matchParens();
    });
    editor.addEventListener('blur', () => setTimeout(() => this.closeCompletion(), 150));
    list.addEventListener('mousedown', (event) => {
      const item = event.target.closest('li');
      if (!item) return;
      event.preventDefault();
      this.chosen = Number(item.dataset.index);
      this.acceptCompletion();
    });
  }

  queryLine() {
    const text = this.editor.value;
    const newline = text.indexOf('\n');
    return newline < 0 ? text : text.slice(0, newline);
  }

  // The engine's reading of the query line, as text positions: trace with the
  // query's bytes, to map byte columns to the editor's text.
  setTrace(trace, queryBytes) {
    this.trace = trace ? {trace, query: bytesToText(queryBytes), queryBytes} : null;
    this.recolour();
  }

  // The editor's text positions of the 1-based inclusive byte columns first
  // to last of the traced query.
  spanRange(first, last) {
    const bytes = this.trace.queryBytes;
    const start = bytesToText(bytes.subarray(0, Math.max(first - 1, 0))).length;
    const end = bytesToText(bytes.subarray(0, Math.max(last, first))).length;
    return [start, Math.max(end, start + 1)];
  }

  traceIsCurrent() {
    return this.trace !== null && this.trace.query === this.queryLine();
  }

  recolour() {
    const text = this.editor.value;
    const colourable = text.length <= COLOURED_TEXT_LIMIT;
    this.editor.classList.toggle('coloured', colourable);
    this.colours.textContent = '';
    if (!colourable) return;
    const line = this.queryLine();
    const tables = definedTables(text);
    let tableSpans = null;
    if (this.traceIsCurrent()) {
      tableSpans = this.trace.trace.nodes.filter((node) => node.done && !node.children.length && !node.args)
        .map((node) => this.spanRange(node.first, node.last))
        .map(([start, end]) => [start, start + line.slice(start, end).trimEnd().length]);
    }
    const fragment = document.createDocumentFragment();
    let at = 0;
    for (const [start, end, className] of queryTokens(line, tables.map((t) => t.name), tableSpans)) {
      if (start < at) continue;
      fragment.append(line.slice(at, start));
      const span = document.createElement('span');
      span.className = 'tok-' + className;
      span.textContent = line.slice(start, end);
      fragment.append(span);
      at = end;
    }
    fragment.append(line.slice(at));
    // The rest of the file: each table's name coloured on its first line.
    let offset = line.length;
    const lines = text.split('\n');
    let lineStart = 0;
    const starts = lines.map((l) => {
      const s = lineStart;
      lineStart += l.length + 1;
      return s;
    });
    for (const table of tables) {
      const start = starts[table.line];
      const nameEnd = start + lines[table.line].indexOf(table.name.slice(0, 1)) + table.name.length;
      const nameStart = nameEnd - table.name.length;
      if (nameStart < start || table.name === '') continue;
      fragment.append(text.slice(offset, nameStart));
      const span = document.createElement('span');
      span.className = 'tok-table';
      span.textContent = text.slice(nameStart, nameEnd);
      fragment.append(span);
      offset = nameEnd;
    }
    fragment.append(text.slice(offset));
    this.colours.append(fragment);
    this.syncScroll();
  }

  // Marks: the error's place, the span pointed at, matched parentheses.
  renderMarks(reveal = null) {
    const text = this.editor.value;
    const wanted = [this.errorMark, this.pointMark, ...this.parenMarks].filter(Boolean)
      .sort((a, b) => a[0] - b[0]);
    this.marks.textContent = '';
    let at = 0;
    let revealed = null;
    for (const mark of wanted) {
      const [start, end, className] = mark;
      if (start < at) continue;
      this.marks.append(text.slice(at, start));
      const element = document.createElement('mark');
      element.className = className;
      // A place past the end of a line is marked as one blank cell there.
      element.textContent = end > start && text[start] !== '\n' ? text.slice(start, end) : ' ';
      this.marks.append(element);
      if (mark === reveal) revealed = element;
      at = end > start && text[start] !== '\n' ? end : start;
    }
    this.marks.append(text.slice(at));
    if (revealed) this.reveal(revealed);
    this.syncScroll();
  }

  reveal(mark) {
    const editor = this.editor;
    const top = mark.offsetTop;
    const left = mark.offsetLeft;
    if (top < editor.scrollTop || top + mark.offsetHeight > editor.scrollTop + editor.clientHeight) {
      editor.scrollTop = Math.max(0, top - editor.clientHeight / 3);
    }
    if (left < editor.scrollLeft || left > editor.scrollLeft + editor.clientWidth - 40) {
      editor.scrollLeft = Math.max(0, left - editor.clientWidth / 3);
    }
  }

  clearMarks() {
    this.errorMark = null;
    this.pointMark = null;
    this.parenMarks = [];
    this.renderMarks();
  }

  markError(start, end, className) {
    this.errorMark = [start, end, className];
    this.renderMarks(this.errorMark);
  }

  // Highlights a traced node's span; null takes the highlight away.
  point(node) {
    if (!node || !this.traceIsCurrent()) {
      if (this.pointMark) {
        this.pointMark = null;
        this.renderMarks();
      }
      return;
    }
    const [start, end] = this.spanRange(node.first, node.last);
    this.pointMark = [start, end, 'span'];
    this.renderMarks(this.pointMark);
  }

  // The parenthesis at or just before the caret on the query line and the one
  // that matches it (quotes do not protect parentheses, as the engine reads).
  matchParens() {
    const line = this.queryLine();
    const caret = this.editor.selectionStart;
    this.parenMarks = [];
    let at = -1;
    if (caret <= line.length && '()'.includes(line[caret])) at = caret;
    else if (caret > 0 && caret <= line.length && '()'.includes(line[caret - 1])) at = caret - 1;
    if (at >= 0) {
      const step = line[at] === '(' ? 1 : -1;
      let depth = 0;
      let match = -1;
      for (let k = at; k >= 0 && k < line.length; k += step) {
        if (line[k] === '(') depth += step;
        else if (line[k] === ')') depth -= step;
        if (depth === 0) {
          match = k;
          break;
        }
      }
      this.parenMarks.push([at, at + 1, match < 0 ? 'paren unmatched' : 'paren']);
      if (match >= 0) this.parenMarks.push([match, match + 1, 'paren']);
      this.parenMarks.sort((a, b) => a[0] - b[0]);
    }
    this.renderMarks();
  }

  syncScroll() {
    for (const layer of [this.marks, this.colours]) {
      layer.scrollTop = this.editor.scrollTop;
      layer.scrollLeft = this.editor.scrollLeft;
    }
    this.closeCompletion();
  }

  // The attributes of the operand of the innermost traced form whose
  // arguments the caret stands in.
  attributesInScope(caret) {
    if (!this.trace) return [];
    let best = null;
    for (const node of this.trace.trace.nodes) {
      if (!node.children.length) continue;
      const [start, end] = this.spanRange(node.first, node.last);
      const [, operandEnd] = this.spanRange(this.trace.trace.nodes[node.children[0]].first,
          this.trace.trace.nodes[node.children[0]].last);
      if (caret < operandEnd || caret > end || caret < start) continue;
      if (!best || start >= best.start) best = {start, node};
    }
    if (!best) return [];
    const names = new Set();
    for (const child of best.node.children) {
      const table = this.trace.trace.nodes[child].table;
      if (table) for (const name of schemaAttributes(table.slice(0, table.indexOf('\n')))) names.add(name);
    }
    return [...names];
  }

  offerCompletion(always) {
    const caret = this.editor.selectionStart;
    const line = this.queryLine();
    if (caret !== this.editor.selectionEnd || caret > line.length) return this.closeCompletion();
    let from = caret;
    while (from > 0 && !" (),'".includes(line[from - 1])) --from;
    const prefix = line.slice(from, caret);
    if (!prefix && !always) return this.closeCompletion();
    const seen = new Set();
    const choices = [];
    const offer = (word, kind) => {
      if (seen.has(word) || !word.toUpperCase().startsWith(prefix.toUpperCase()) || word === prefix) return;
      seen.add(word);
      choices.push({word, kind});
    };
    for (const name of this.attributesInScope(caret)) offer(name, 'attribute');
    for (const table of definedTables(this.editor.value)) offer(table.name, 'table');
    for (const word of FORM_KEYWORDS) offer(word, 'keyword');
    for (const word of CONDITION_KEYWORDS) offer(word, 'condition');
    if (!choices.length) return this.closeCompletion();
    this.choices = choices.slice(0, 12);
    this.chosen = 0;
    this.from = from;
    this.showCompletion();
  }

  showCompletion() {
    const list = this.list;
    list.textContent = '';
    this.choices.forEach((choice, index) => {
      const item = document.createElement('li');
      item.id = 'completion-' + index;
      item.setAttribute('role', 'option');
      item.dataset.index = String(index);
      item.setAttribute('aria-selected', String(index === this.chosen));
      const word = document.createElement('span');
      word.className = 'tok-' + choice.kind;
      word.textContent = choice.word;
      const kind = document.createElement('small');
      kind.textContent = choice.kind;
      item.append(word, kind);
      list.append(item);
    });
    // The list opens under the word, on the query line.
    const style = getComputedStyle(this.editor);
    const probe = document.createElement('span');
    probe.textContent = 'M'.repeat(10);
    this.marks.append(probe);
    const cell = probe.offsetWidth / 10;
    probe.remove();
    const padding = parseFloat(style.paddingLeft);
    list.style.left = `${Math.max(0, padding + this.from * cell - this.editor.scrollLeft)}px`;
    list.style.top = `${parseFloat(style.paddingTop) + parseFloat(style.lineHeight) - this.editor.scrollTop}px`;
    list.hidden = false;
    this.editor.setAttribute('aria-expanded', 'true');
    this.editor.setAttribute('aria-activedescendant', 'completion-' + this.chosen);
  }

  closeCompletion() {
    if (this.list.hidden) return;
    this.list.hidden = true;
    this.choices = [];
    this.editor.setAttribute('aria-expanded', 'false');
    this.editor.removeAttribute('aria-activedescendant');
  }

  acceptCompletion() {
    const choice = this.choices[this.chosen];
    if (!choice) return;
    const caret = this.editor.selectionStart;
    this.editor.setSelectionRange(this.from, caret);
    // As typing it would: the editor's undo keeps the step.
    if (!document.execCommand('insertText', false, choice.word)) {
      this.editor.setRangeText(choice.word, this.from, caret, 'end');
      this.editor.dispatchEvent(new Event('input'));
    }
    this.closeCompletion();
  }

  onKey(event) {
    if (event.key === ' ' && event.ctrlKey) {
      event.preventDefault();
      this.offerCompletion(true);
      return;
    }
    if (this.list.hidden || event.ctrlKey || event.metaKey || event.altKey) return;
    if (event.key === 'ArrowDown' || event.key === 'ArrowUp') {
      const count = this.choices.length;
      this.chosen = (this.chosen + (event.key === 'ArrowDown' ? 1 : count - 1)) % count;
      this.showCompletion();
    } else if (event.key === 'Enter' || event.key === 'Tab') {
      this.acceptCompletion();
    } else if (event.key === 'Escape') {
      this.closeCompletion();
      event.stopPropagation();
    } else {
      return;
    }
    event.preventDefault();
  }
}
