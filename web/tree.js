// The operator tree of the last run, as the engine read the query: one row
// per expression, indented by its depth, that folds, points at its span in
// the editor and, when chosen, shows its table in the output pane.
//
// The trace (engine_api.js, trace_json.h) is {nodes, tokens, tracedRows,
// stopped}: nodes in the order their reading ended, children before their
// form; after an error the forms still being read follow, outermost first,
// and stopped is the index of the last, the one in which reading stopped (-1
// without an error). Each node is {label, args, first, last, parent,
// children, rows, table, done}: first and last are the 1-based columns of its
// span in the query line, table is its result as the command line prints it
// (its first tracedRows rows), one character per byte.

// Rows are indented for at most this many levels; a deeper row says its depth.
const TREE_INDENTED_LEVELS = 40;

export class OperatorTree {
  // element: the #tree list; handlers: {point(node|null), choose(node)}.
  constructor(element, handlers) {
    this.element = element;
    this.handlers = handlers;
    this.trace = null;
    this.rows = [];  // the row elements, in display order (a form before its operands)
    element.addEventListener('keydown', (event) => this.onKey(event));
    element.addEventListener('click', (event) => this.onClick(event));
    element.addEventListener('mouseover', (event) => {
      const row = event.target.closest('.node');
      if (row) this.handlers.point(this.nodeOf(row));
    });
    element.addEventListener('mouseleave', () => this.handlers.point(null));
  }

  nodeOf(row) {
    return this.trace.nodes[Number(row.dataset.index)];
  }

  // What a student reads for a node: the keyword and its arguments as written.
  static label(node) {
    return node.args ? node.label + '  ' + node.args : node.label;
  }

  clear(message = '') {
    this.trace = null;
    this.rows = [];
    this.element.textContent = '';
    if (message) {
      const note = document.createElement('p');
      note.className = 'tree-note';
      note.textContent = message;
      this.element.append(note);
    }
  }

  show(trace) {
    this.clear();
    this.trace = trace;
    const roots = trace.nodes.map((node, i) => i).filter((i) => trace.nodes[i].parent < 0);
    // The deeper the tree, the narrower each level's step, so that a query
    // nested 30 deep still fits the pane.
    let deepest = 0;
    for (const node of trace.nodes) if (node.children.length === 0) deepest = Math.max(deepest, this.depth(node));
    const levels = Math.min(deepest, TREE_INDENTED_LEVELS);
    const step = Math.max(0.3, Math.min(0.9, 10 / Math.max(levels, 1)));
    this.element.style.setProperty('--step', step.toFixed(2) + 'rem');
    const fragment = document.createDocumentFragment();
    // Depth first, a form before its operands, without recursion: a query
    // may nest a thousand deep.
    const stack = roots.reverse().map((index) => [index, 1]);
    while (stack.length) {
      const [index, level] = stack.pop();
      const node = trace.nodes[index];
      fragment.append(this.makeRow(node, index, level));
      for (let k = node.children.length - 1; k >= 0; --k) stack.push([node.children[k], level + 1]);
    }
    this.element.append(fragment);
    this.rows = [...this.element.querySelectorAll('.node')];
    if (this.rows.length) this.rows[0].tabIndex = 0;
  }

  depth(node) {
    let depth = 0;
    for (let at = node; at.parent >= 0; at = this.trace.nodes[at.parent]) ++depth;
    return depth;
  }

  makeRow(node, index, level) {
    const row = document.createElement('div');
    row.className = 'node';
    row.setAttribute('role', 'treeitem');
    row.setAttribute('aria-level', String(level));
    row.setAttribute('aria-selected', 'false');
    row.tabIndex = -1;
    row.dataset.index = String(index);
    row.dataset.span = `${node.first}-${node.last}`;
    row.dataset.level = String(level);
    row.style.setProperty('--level', String(Math.min(level - 1, TREE_INDENTED_LEVELS)));
    if (node.done) row.dataset.rows = String(node.rows);
    if (node.children.length) row.setAttribute('aria-expanded', 'true');
    if (index === this.trace.stopped) row.classList.add('stopped');
    else if (!node.done) row.classList.add('unfinished');

    const fold = document.createElement('span');
    fold.className = 'fold';
    fold.setAttribute('aria-hidden', 'true');
    const label = document.createElement('span');
    label.className = 'label';
    const keyword = document.createElement('span');
    keyword.className = node.children.length || node.args ? 'keyword' : 'table-name';
    keyword.textContent = node.label;
    label.append(keyword);
    if (node.args) {
      const args = document.createElement('span');
      args.className = 'args';
      args.textContent = '  ' + node.args;
      label.append(args);
    }
    const count = document.createElement('span');
    count.className = 'count';
    if (node.done) count.textContent = node.rows === 1 ? '1 row' : `${node.rows.toLocaleString('en')} rows`;
    else if (index === this.trace.stopped) count.textContent = 'reading stopped here';
    else count.textContent = 'not finished';
    row.append(fold, label, count);
    if (level - 1 > TREE_INDENTED_LEVELS) {
      const depth = document.createElement('span');
      depth.className = 'depth';
      depth.textContent = `level ${level}`;
      row.insertBefore(depth, label);
    }
    row.title = `columns ${node.first}–${node.last} of the query`;
    return row;
  }

  // The row's descendants end where a row of its level or less begins.
  descendants(row) {
    const level = Number(row.dataset.level);
    const found = [];
    for (let at = this.rows.indexOf(row) + 1; at < this.rows.length; ++at) {
      if (Number(this.rows[at].dataset.level) <= level) break;
      found.push(this.rows[at]);
    }
    return found;
  }

  setExpanded(row, expanded) {
    if (!row.hasAttribute('aria-expanded')) return;
    row.setAttribute('aria-expanded', String(expanded));
    // A folded row hides all below it; unfolding shows each row whose
    // enclosing rows are all unfolded.
    let hiddenBelow = Infinity;
    for (const below of this.descendants(row)) {
      const level = Number(below.dataset.level);
      if (level <= hiddenBelow) hiddenBelow = Infinity;
      below.hidden = !expanded || hiddenBelow < level;
      if (expanded && hiddenBelow === Infinity && below.getAttribute('aria-expanded') === 'false') {
        hiddenBelow = level;
      }
    }
  }

  focusRow(row) {
    for (const r of this.rows) r.tabIndex = -1;
    row.tabIndex = 0;
    row.focus();
    this.handlers.point(this.nodeOf(row));
  }

  choose(row) {
    for (const r of this.element.querySelectorAll('.node[aria-selected="true"]')) {
      r.setAttribute('aria-selected', 'false');
    }
    row.setAttribute('aria-selected', 'true');
    this.focusRow(row);
    this.handlers.choose(this.nodeOf(row));
  }

  onClick(event) {
    const row = event.target.closest('.node');
    if (!row) return;
    if (event.target.classList.contains('fold')) {
      this.setExpanded(row, row.getAttribute('aria-expanded') === 'false');
      this.focusRow(row);
      return;
    }
    this.choose(row);
  }

  onKey(event) {
    const row = event.target.closest('.node');
    if (!row) return;
    const visible = this.rows.filter((r) => !r.hidden);
    const at = visible.indexOf(row);
    const level = Number(row.dataset.level);
    const expanded = row.getAttribute('aria-expanded');
    let target = null;
    switch (event.key) {
      case 'ArrowDown': target = visible[at + 1]; break;
      case 'ArrowUp': target = visible[at - 1]; break;
      case 'Home': target = visible[0]; break;
      case 'End': target = visible[visible.length - 1]; break;
      case 'ArrowRight':
        if (expanded === 'false') this.setExpanded(row, true);
        else if (expanded === 'true') target = visible[at + 1];
        break;
      case 'ArrowLeft':
        if (expanded === 'true') {
          this.setExpanded(row, false);
        } else {
          for (let k = at - 1; k >= 0; --k) {
            if (Number(visible[k].dataset.level) < level) {
              target = visible[k];
              break;
            }
          }
        }
        break;
      case 'Enter':
      case ' ':
        this.choose(row);
        break;
      default:
        return;
    }
    event.preventDefault();
    if (target) this.focusRow(target);
  }
}
