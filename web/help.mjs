// help.html, the page's own copy of README's message list and
// troubleshooting table: one entry per message of the output file, with
// what raises it, an example, and the troubleshooting rows that name it.
// The page's explanations link to these entries, which open from the page's
// folder with no network.
import {messageAnchor} from './anchor.mjs';

const escape = (text) => text.replaceAll('&', '&amp;').replaceAll('<', '&lt;').replaceAll('>', '&gt;');

// A table cell's Markdown as HTML: code spans, and links as their text.
function inline(cell) {
  return escape(cell.replaceAll('\\|', '|'))
    .replace(/\[([^\]]*)\]\([^)]*\)/g, '$1')
    .replace(/`([^`]*)`/g, '<code>$1</code>');
}

// The rows of the first Markdown table after the heading, as cell lists.
function tableAfter(readme, heading) {
  const lines = readme.split('\n');
  let at = lines.indexOf(heading);
  if (at < 0) throw new Error(`help.mjs: README has no "${heading}"`);
  while (!lines[at].startsWith('|')) ++at;
  const rows = [];
  for (at += 2; at < lines.length && lines[at].startsWith('|'); ++at) {
    rows.push(lines[at].slice(1, -1).split(/(?<!\\)\|/).map((cell) => cell.trim()));
  }
  return rows;
}

export function helpPage(readme) {
  const messages = tableAfter(readme, '### In the output file');
  const troubles = tableAfter(readme, '## Troubleshooting');
  const entries = messages.map(([message, when, example]) => {
    const text = message.replace(/^`|`$/g, '');
    const related = troubles.filter(([seen]) => seen.includes(text.replace(/^WORD/, '')));
    return `<section id="${messageAnchor(text.replace(/^WORD: /, ''))}">
<h2><code>ERROR: ${escape(text)}</code></h2>
<p>Raised when ${inline(when)}.${example ? ` For example: ${inline(example)}.` : ''}</p>
${related.map(([seen, causes, fix]) => `<p><strong>When you see ${inline(seen)}:</strong> ${inline(causes)}.
<strong>What to fix:</strong> ${inline(fix)}.</p>`).join('\n')}
</section>`;
  });
  return `<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; style-src 'self'">
<title>raeval: the messages and what to do about them</title>
<link rel="stylesheet" href="page.css">
</head>
<body class="help">
<main>
<h1>The messages of the output file, and what to do about them</h1>
<p>The first fault ends a run with the line <code>ERROR: </code> and one of these messages.
<a href="index.html">Back to the page</a>.</p>
${entries.join('\n')}
</main>
</body>
</html>
`;
}
