// The file's tokens and table headers for an engine built without its
// analysis entry (engine_api.js's Module.analyse), in the same form: a
// coarse reading of the query line by its words, kept only so that such a
// build still colours and completes. The engine's own analysis replaces it
// wherever it is present.
const FORMS = new Set(['UNION', 'MINUS', 'PRODUCT', 'PROJECT', 'RENAME', 'SELECT']);
const CONDITIONS = new Set(['EQ', 'NEQ', 'LT', 'LTE', 'GT', 'GTE', 'AND', 'OR', 'NOT']);

// input: the file's bytes. Columns count the query line's bytes from 1,
// after a leading byte-order mark.
export function analyseWithoutEngine(input) {
  const text = new TextDecoder('latin1').decode(input);
  const bom = text.startsWith('\xef\xbb\xbf');
  const lines = text.slice(bom ? 3 : 0).split('\n').map((line) => line.replace(/\r$/, ''));
  const tables = [];
  let atHeader = true;
  for (let n = 2; n < lines.length; ++n) {
    if (lines[n] === '') {
      atHeader = true;
      continue;
    }
    if (!atHeader) continue;
    atHeader = false;
    const open = lines[n].indexOf('(');
    const name = (open < 0 ? lines[n] : lines[n].slice(0, open)).trim();
    const inside = open < 0 ? '' : lines[n].slice(open + 1, lines[n].lastIndexOf(')'));
    const attributes = inside.split(',').map((part) => part.trim().split(/\s+/)[0]).filter(Boolean)
      .map((attribute) => ({name: attribute}));
    tables.push({name, line: n + 1, attributes, stored: !tables.some((t) => t.name === name)});
  }
  const names = new Set(tables.map((t) => t.name));
  const query = lines[0];
  const tokens = [];
  for (let i = 0; i < query.length;) {
    const c = query[i];
    if (c === ' ') {
      ++i;
    } else if ('(),'.includes(c)) {
      tokens.push({kind: c === '(' ? 'open' : c === ')' ? 'close' : 'comma', first: i + 1, last: i + 1});
      ++i;
    } else if (c === "'") {
      const close = query.indexOf("'", i + 1);
      const end = close < 0 ? query.length : close + 1;
      tokens.push({kind: 'string', first: i + 1, last: end});
      i = end;
    } else {
      let end = i;
      while (end < query.length && !" (),'".includes(query[end])) ++end;
      const word = query.slice(i, end);
      let after = end;
      while (query[after] === ' ') ++after;
      const kind = query[after] === '(' && FORMS.has(word.toUpperCase()) ? 'keyword'
        : query[after] === '(' && CONDITIONS.has(word.toUpperCase()) ? 'condition-keyword'
          : /^[+-]?\d+$/.test(word) ? 'number' : names.has(word) ? 'table' : null;
      if (kind) tokens.push({kind, first: i + 1, last: end});
      i = end;
    }
  }
  return {bom, tokens, tables, error: null};
}

// Gives each traced node its schema from its printed table's first line,
// for an engine whose trace does not carry schemas as data.
export function addSchemas(trace) {
  for (const node of trace.nodes) {
    if (node.schema || !node.table) continue;
    const header = node.table.slice(0, node.table.indexOf('\n'));
    const open = header.indexOf('(');
    node.schema = open < 0 ? [] : header.slice(open + 1, -1)
      .split(/, (?=[^,]* (?:int|char\(\d+\))(?:,|$))/)
      .map((part) => ({name: part.replace(/ (int|char\(\d+\))$/, '')}))
      .filter((attribute) => attribute.name !== '');
  }
  return trace;
}
