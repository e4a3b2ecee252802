// Plain words below the ERROR line, from what the engine knew where reading
// stopped: the trace's node in which it stopped, its operands' schemas, the
// tokens it read, the tables the file defines, and its keyword tables. The
// output file keeps its exact line; this only explains it, and links to the
// message's entry in help.html. Names from the file are put on the page as
// text.
import {messageAnchor} from './anchor.mjs';
import {bytesToText, latin1Bytes} from './codec.js';

const LARGEST = '2147483647';
const WRONG_PARAMETER = ': Wrong parameter';

const shown = (latin1) => bytesToText(latin1Bytes(latin1));
const code = (text) => ({code: text});
const list = (names) => names.join(', ');

// What is known where reading stopped.
class Place {
  constructor(result, analysis, trace, queryBytes, keywords) {
    this.result = result;
    this.analysis = analysis;
    this.keywords = keywords;  // the engine's {forms, conditions}, or null
    this.trace = trace;
    this.query = queryBytes;  // the query line's bytes after a byte-order mark
    this.node = trace && trace.stopped >= 0 ? trace.nodes[trace.stopped] : null;
  }

  tables() {
    const names = [];
    for (const table of this.analysis?.tables ?? []) if (!names.includes(table.name)) names.push(table.name);
    return names.map(shown);
  }

  operand(index = 0) {
    const child = this.node?.children[index];
    return child === undefined ? null : this.trace.nodes[child];
  }

  // A node as a student names it: a table's name, or the form's result.
  static nameOf(node) {
    return node.children.length || node.args ? `the result of ${node.label}` : shown(node.label);
  }

  static attributesOf(node) {
    return (node.schema ?? []).map((attribute) => shown(attribute.name));
  }

  static schemaOf(node) {
    return (node.schema ?? []).map((a) =>
      `${shown(a.name)} ${a.type === 'char' ? `char(${a.length})` : a.type}`).join(', ');
  }

  // The word the engine read where it stopped, as its tokens give it: the
  // last token of one of kinds that holds the error's column or ends just
  // before it (the reader then stands on the "(" after the word). Null when
  // the engine read no such word there, as where a name is empty.
  word(kinds) {
    const column = this.result.column;
    const tokens = (this.trace?.tokens ?? []).filter((t) =>
      kinds.includes(t.kind) && t.first <= column && column <= t.last + 1);
    const token = tokens[tokens.length - 1];
    return token ? bytesToText(this.query.subarray(token.first - 1, token.last)) : null;
  }

  // The first name of a PROJECT that is no attribute of its operand, as the
  // engine read the names (an empty one is not among them): null when each
  // is one, and so the empty name is at fault.
  unknownArgument() {
    const operand = this.operand();
    if (!this.node || !operand) return null;
    const attributes = (operand.schema ?? []).map((attribute) => attribute.name);
    const unknown = this.node.arguments.find((argument) => !attributes.includes(argument.text));
    return unknown ? shown(unknown.text) : null;
  }
}

const QUOTES = ['"', '\u201c', '\u201d', '\u2018', '\u2019'];

// word: the name at fault, or null for an empty one.
function missingAttribute(place, what, word) {
  const operand = place.operand();
  const quoted = word !== null && QUOTES.includes(word[0]) ?
    [' A string takes straight single quotes, as in ', code('\'Ann\''), '; other quotes make a name.'] : [];
  if (!operand) {
    return [...(word === null ? ['A name is empty: two commas in a row, or none before a ")".'] :
      [code(word), ` is no attribute of ${what}.`]), ...quoted];
  }
  const name = Place.nameOf(operand);
  const attributes = Place.attributesOf(operand);
  const subject = name.startsWith('the ') ? name[0].toUpperCase() + name.slice(1) : code(name);
  if (word === null) {
    return ['A name is empty where an attribute of ', name.startsWith('the ') ? name : code(name),
      ` should come; its attributes are ${list(attributes)}.`];
  }
  return [subject, ' has no attribute ', code(word), `; its attributes are ${list(attributes)}.`,
    ' Letter case counts, and names in conditions are read up to the next blank, comma or parenthesis.', ...quoted];
}

function mismatch(place, form, byType) {
  const [left, right] = [place.operand(0), place.operand(1)];
  if (!left || !right) return [`${form} needs two tables with the same types, position by position.`];
  const side = (node) => (node.children.length ? [`the result of ${node.label}`] : [code(shown(node.label))]);
  return [`${form} needs two tables with the same types, position by position. The first is `,
    ...side(left), ` (${Place.schemaOf(left)}) and the second `, ...side(right), ` (${Place.schemaOf(right)}): `,
    byType ? 'at some position the types differ.' : 'they have different numbers of attributes.'];
}

function endsInside(what) {
  return [`The query ends inside ${what}. Often a ")" is missing further in, so that an inner form ` +
    'takes what follows as its own: count the parentheses from the innermost form out.'];
}

const LINE = (place) => `line ${place.result.line}`;

// Each message: the words that explain it.
const EXPLAIN = {
  'Table name error': (p) => [`A table's header was expected on ${LINE(p)}, as Name(attribute type, ...), ` +
    'and the line has no "(". Line 2 is only copied, so the first header goes on line 3; and a line of ' +
    'spaces between tables is read as a header.'],
  'Table scheme error': (p) => [`The header on ${LINE(p)} is not of the form `, code('Emp(id int, name char(20))'),
    ': one space between a name and its type, int or char(N), none before "," or ")", and a ")" at the end.'],
  'Input> Not int or string': (p) => [`A value on ${LINE(p)} is neither an integer nor a string in single ` +
    'quotes. If the line is the next table\'s header, an empty line must come before it.'],
  'Input> End of string': (p) => [`A string on ${LINE(p)} is not closed by a ' on its line (a string cannot hold ').`],
  'Input> Integer out of range': (p) => [`An integer on ${LINE(p)} is larger than ${LARGEST}, the largest ` +
    'an int holds; store it as a string.'],
  'Table not found': (p) => {
    const word = p.node ? shown(p.node.label) : p.word(['table', 'unknown']);
    const tables = p.tables();
    if (!word) return [`The query stops where a table's name should come; the tables are ${list(tables)}.`];
    return [code(word), ` is not a table of this file; the tables are ${list(tables)}. Letter case counts.`];
  },
  [WRONG_PARAMETER]: (p, message) => [code(message.slice(0, -WRONG_PARAMETER.length)),
    ` is not an operator before "("${p.keywords ? `; the operators are ${list(p.keywords.forms)}` : ''}.`],
  'Query nested too deeply': () => ['The query nests more than 1000 operators inside one another.'],
  'Construct error: end of string reached': () => ['The condition ends where an operand should come: ' +
    'a comparison takes an attribute or a value on each side, as in GT(age, 30).'],
  'Construct error: end of string reached 2': () => ['The condition ends inside an attribute\'s name.'],
  'Construct error: end of string reached 3': () => ['SELECT needs a condition after its table, as in ',
    code('SELECT(Emp, GT(age, 30))'), '.'],
  'Construct error: end of string reached 4': (p) => {
    const word = p.word(['unknown']);
    return [...(word === null ? ['A word'] : [code(word)]), ' is read as a condition keyword, and the query ends ' +
      'before its "(".'];
  },
  'Construct error: scheme mismatch': (p) => missingAttribute(p, 'the table SELECT reads', p.word(['attribute'])),
  'Construct error: invalid token': (p) => {
    const word = p.word(['unknown']);
    const keywords = p.keywords ? `; they are ${list(p.keywords.conditions)}` : '';
    return [...(word === null ? ['Nothing stands before a "(" where a condition keyword should come'] :
      [code(word), ' is not a condition keyword']), `${keywords}. A missing comma between two conditions ` +
      'gives this too.'];
  },
  'Construct error: integer out of range': (p) => [`The integer at column ${p.result.column} is larger ` +
    `than ${LARGEST}, the largest an int holds.`],
  'Construct error: nested too deeply': () => ['The condition nests more than 1000 keywords inside one another.'],
  'Scheme Mismatch_1 at union': (p) => mismatch(p, 'UNION', true),
  'Scheme Mismatch_2 at union': (p) => mismatch(p, 'UNION', false),
  'Scheme Mismatch_1 at minus': (p) => mismatch(p, 'MINUS', true),
  'Scheme Mismatch_2 at minus': (p) => mismatch(p, 'MINUS', false),
  'End of string reached': () => endsInside('PROJECT\'s list of names, before its ")"'),
  'End of string reached 1': () => endsInside('RENAME\'s new table name, before its "("'),
  'End of string reached 2': () => endsInside('RENAME\'s list of names, before its ")"'),
  'End of string reached 3': () => endsInside('SELECT\'s condition, before the ")" that closes the SELECT'),
  'Scheme Mismatch at project': (p) => missingAttribute(p, 'the table PROJECT reads', p.unknownArgument()),
  'Scheme Mismatch at rename': (p) => {
    const operand = p.operand();
    if (!operand) return ['RENAME must give as many names as the table has attributes.'];
    const attributes = Place.attributesOf(operand);
    return [`RENAME must give as many names as the table has attributes: `,
      operand.children.length ? `the result of ${operand.label}` : code(shown(operand.label)),
      ` has ${attributes.length} (${list(attributes)}).`];
  },
  'Row too short at project': () => ['A row has fewer values than its table has attributes, and PROJECT ' +
    'keeps a column that the row lacks.'],
  'Row too short at select': () => ['A row has fewer values than its table has attributes, and the ' +
    'condition needs one that the row lacks.'],
  'Out of memory': () => ['The result does not fit in the memory the page gives the engine (1 GiB). ' +
    'A PRODUCT of large tables is the usual cause: SELECT or PROJECT each side first.'],
};

// The explanation of errorLine ("ERROR: message"), as elements; keywords:
// the engine's keyword tables ({forms, conditions}), or null.
export function explain(errorLine, result, analysis, trace, queryBytes, keywords) {
  const message = errorLine.replace(/^ERROR: /, '');
  const key = message.endsWith(WRONG_PARAMETER) ? WRONG_PARAMETER : message;
  const words = EXPLAIN[key];
  if (!words) return [];
  const paragraph = document.createElement('p');
  paragraph.className = 'explained';
  paragraph.dataset.message = key;
  for (const part of words(new Place(result, analysis, trace, queryBytes, keywords), message)) {
    if (typeof part === 'string') {
      paragraph.append(part);
    } else {
      const element = document.createElement('code');
      element.textContent = part.code;
      paragraph.append(element);
    }
  }
  const link = document.createElement('a');
  link.href = 'help.html#' + messageAnchor(key === WRONG_PARAMETER ? 'Wrong parameter' : key);
  link.target = '_blank';
  link.rel = 'noopener';
  link.textContent = 'What to do about this message';
  paragraph.append(' ', link);
  return [paragraph];
}

// Every message explained, for the tests.
export const EXPLAINED = Object.keys(EXPLAIN);
