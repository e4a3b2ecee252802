// help.html, the page's own copy of README's list of the messages of the
// output file: one entry per message, with what raises it, an example, what
// to do about it, and the rows of README's troubleshooting table that name
// it. The page's explanations link to these entries, which open from the
// page's folder with no network.
//
// README is the one source of the advice: each row of its message table
// says what to do. helpPage refuses to make a page in which a message of the
// engine (messages.h) has no entry, or an entry no advice.
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

// Every message messages.h defines, as written there.
function engineMessages(header) {
  return [...header.matchAll(/inline constexpr const char\* k\w+ = "((?:[^"\\]|\\.)*)";/g)].map((m) => m[1]);
}

// Throws unless each message of the header is one of the command line's own
// texts or has an entry, and each entry has advice.
function checkCoverage(entries, ownTexts, header) {
  const faults = [];
  for (const entry of entries) {
    if (!entry.advice) faults.push(`"${entry.message}" has no advice (README, "What to do")`);
  }
  const messages = engineMessages(header);
  if (!messages.length) faults.push('messages.h defines no message that this reader finds');
  for (const message of messages) {
    const text = message.trim();
    // ": Wrong parameter" follows the word read: its entry is "WORD: Wrong parameter".
    const entry = entries.some((e) => e.message === text || e.message === 'WORD' + text);
    const own = ownTexts.some((own) => own.startsWith(text));
    if (!entry && !own) faults.push(`"${text}" of messages.h has no entry in README's message table`);
  }
  if (faults.length) throw new Error('help.mjs: ' + faults.join('; '));
}

// readme: README's text; header: src/model/messages.h's.
export function helpPage(readme, header) {
  const troubles = tableAfter(readme, '## Troubleshooting');
  const ownTexts = tableAfter(readme, '### On standard output and standard error').map(([text]) => text.replace(/^`|`$/g, ''));
  const entries = tableAfter(readme, '### In the output file').map(([message, when, example, advice]) => ({
    message: message.replace(/^`|`$/g, ''), when, example, advice,
  }));
  checkCoverage(entries, ownTexts, header);
  const sections = entries.map(({message, when, example, advice}) => {
    const related = troubles.filter(([seen]) => seen.includes(message.replace(/^WORD/, '')));
    return `<section id="${messageAnchor(message.replace(/^WORD: /, ''))}">
<h2><code>ERROR: ${escape(message)}</code></h2>
<p>Raised when ${inline(when)}.${example ? ` For example: ${inline(example)}.` : ''}</p>
<p class="advice"><strong>What to do:</strong> ${inline(advice)}.</p>
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
${sections.join('\n')}
</main>
</body>
</html>
`;
}
