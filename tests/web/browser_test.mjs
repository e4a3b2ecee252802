// The page as a person uses it, in headless Chromium (the system's browser,
// driven by playwright-core; no browser is downloaded). Each step keeps a
// screenshot under ARTEFACTS.
//
//   node browser_test.mjs WEB_DIR SOURCE_DIR RAEVAL E2E_RUNNER ARTEFACTS
//
// RAEVAL is the native command line: the page's output must be its output,
// byte for byte. Exits 77 (skipped) when Chromium or playwright-core is
// missing, unless RAEVAL_WEB_REQUIRED is set.
import {execFileSync} from 'node:child_process';
import {existsSync, mkdirSync, mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync}
  from 'node:fs';
import {tmpdir} from 'node:os';
import {join, resolve} from 'node:path';
import {pathToFileURL} from 'node:url';

const [webDir, sourceDir, raeval, e2eRunner, artefacts] = process.argv.slice(2).map((a) => resolve(a));
const chromiumPath = '/usr/bin/chromium';

function skip(why) {
  console.log('skipped: ' + why);
  process.exit(process.env.RAEVAL_WEB_REQUIRED ? 1 : 77);
}

let chromium;
try {
  ({chromium} = await import('playwright-core'));
} catch {
  skip('playwright-core is not installed (npm ci)');
}
if (!existsSync(chromiumPath)) skip(chromiumPath + ' is missing');
if (!existsSync(join(webDir, 'index.html'))) skip(webDir + '/index.html is missing (make web)');

const work = mkdtempSync(join(tmpdir(), 'raeval-browser-'));
mkdirSync(artefacts, {recursive: true});
let failures = 0;

function check(ok, what, detail = '') {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}${ok || !detail ? '' : '\n' + detail}`);
  if (!ok) ++failures;
}

// The native command line's output file for input.
function nativeOutput(input) {
  const inPath = join(work, 'native.in');
  const outPath = join(work, 'native.out');
  writeFileSync(inPath, input);
  execFileSync(raeval, [inPath, outPath]);
  return readFileSync(outPath);
}

// The text the page shows for a file's bytes (the page's own mapping).
const shownText = (page, bytes) => page.evaluate((b) => window.raevalPage.bytesToText(b), [...bytes]);
// The editor's whole text.
const editorText = (page) => page.evaluate(() => window.raevalPage.text());

const context = await chromium.launchPersistentContext(mkdtempSync(join(work, 'profile-')), {
  executablePath: chromiumPath,
  headless: true,
  acceptDownloads: true,
  viewport: {width: 1280, height: 800},
  args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', '--no-first-run'],
});
const page = context.pages()[0] ?? await context.newPage();
const pageErrors = [];
page.on('pageerror', (error) => pageErrors.push(String(error)));
// Nothing may be fetched from elsewhere: every request stays in the folder.
const foreign = [];
page.on('request', (request) => {
  const url = request.url();
  if (!url.startsWith('file://') && !url.startsWith('blob:') && !url.startsWith('data:')) foreign.push(url);
});

const output = page.locator('#output');
const waitDone = (timeout = 30000) =>
  page.waitForSelector('#output[data-state="done"]', {timeout});
async function screenshot(name) {
  await page.screenshot({path: join(artefacts, name + '.png')});
}
// Opens a file through #upload; with wait, until its run has finished.
async function uploadFile(name, buffer, wait = true) {
  const runs = await page.evaluate(() => window.raevalPage.runs);
  await page.locator('#upload').setInputFiles({name, mimeType: 'text/plain', buffer});
  if (wait) {
    await page.waitForFunction((before) => window.raevalPage.runs > before ||
      document.querySelector('#output').dataset.state === 'too-deep', runs, {timeout: 180000});
  }
}
async function runAndWait() {
  await page.locator('#editor').focus();
  await page.keyboard.press('Control+Enter');
  await page.waitForSelector('#output[data-state="running"], #output[data-state="done"]');
  await waitDone();
}

try {
  // 1. The page opens from disk with the first example already run.
  await page.goto(pathToFileURL(join(webDir, 'index.html')).href);
  await waitDone();
  const firstResult = await page.evaluate(() => window.raevalFirstResult);
  console.log(`first result ${firstResult.toFixed(0)} ms after the page began to load`);
  const employees = readFileSync(join(sourceDir, 'examples/employees.expected'), 'utf8');
  check(await output.textContent() === employees, 'the first example shows examples/employees.expected');
  await screenshot('1-example');

  // 1b. The operator tree of the example: labels, row counts and spans as the
  // engine read the query (Emp has 5 rows, 4 of them over thirty, 3 distinct
  // name and department pairs among those).
  const employeesQuery = 'PROJECT(SELECT(Emp, GT(age, 30)), name, dept)';
  const nodes = page.locator('#tree .node');
  const treeRows = await nodes.evaluateAll((all) => all.map((n) =>
    [n.querySelector('.label').textContent, n.dataset.rows, n.dataset.span]));
  const selectFirst = employeesQuery.indexOf('SELECT') + 1;
  const selectLast = employeesQuery.indexOf('))') + 2;
  check(JSON.stringify(treeRows) === JSON.stringify([
    ['PROJECT  name, dept', '3', `1-${employeesQuery.length}`],
    ['SELECT  GT(age, 30)', '4', `${selectFirst}-${selectLast}`],
    ['Emp', '5', `${employeesQuery.indexOf('Emp') + 1}-${employeesQuery.indexOf('Emp') + 3}`]]),
  'the tree: PROJECT, SELECT and Emp with their counts and spans', JSON.stringify(treeRows));
  // Pointing at a node marks its span in the editor.
  await nodes.nth(1).hover();
  check(await page.locator('#editor .span-mark').textContent() === 'SELECT(Emp, GT(age, 30))',
    'pointing at SELECT marks its span');
  // Choosing it shows its table as the command line prints the span's result.
  await nodes.nth(1).click();
  await waitDone();
  const spanInput = readFileSync(join(sourceDir, 'examples/employees.txt'), 'utf8')
    .replace(employeesQuery, 'SELECT(Emp, GT(age, 30))');
  const selectTable = 'Emp(id int, name char(20), age int, dept char(8))\n1,\'Ann\',34,\'Sales\'\n' +
    '3,\'Carla\',45,\'IT\'\n4,\'Dan\',31,\'Sales\'\n5,\'Ann\',34,\'Sales\'\n\n';
  check(nativeOutput(spanInput).toString('utf8').endsWith('\n\n' + selectTable),
    'the hand-derived table is the command line\'s for the span');
  check(await output.textContent() === selectTable, 'choosing SELECT shows its table',
    await output.textContent());
  await screenshot('1b-tree-node-chosen');
  // By keyboard: down to Emp, Enter.
  await page.keyboard.press('ArrowDown');
  await page.keyboard.press('Enter');
  await waitDone();
  check((await output.textContent()).split('\n').length === 8 &&
    (await output.textContent()).startsWith('Emp(id int, name char(20), age int, dept char(8))\n1,\'Ann\',34'),
  'Enter on Emp shows the stored table', await output.textContent());
  await page.locator('#show-file').click();
  check(await output.textContent() === employees, 'the output file comes back');

  // 2. Another example chosen from the menu, by keyboard.
  await page.locator('#examples').focus();
  await page.locator('#examples').selectOption('select.txt');
  await waitDone();
  const select = readFileSync(join(sourceDir, 'examples/select.expected'), 'utf8');
  check(await output.textContent() === select, 'the select example shows examples/select.expected');

  // 3. A misspelled table: the error line, and the place marked in the editor.
  await page.locator('#examples').selectOption('employees.txt');
  await waitDone();
  const typo = readFileSync(join(sourceDir, 'examples/employees.txt'), 'utf8')
    .replace('SELECT(Emp,', 'SELECT(Epm,');
  await page.locator('#editor').fill(typo);
  await runAndWait();
  const text = await output.textContent();
  check(text === nativeOutput(typo).toString('utf8'), 'a misspelled table: the command line\'s output');
  check(await page.locator('#output .error-line').textContent() === 'ERROR: Table not found',
    'the error line stands out');
  // PROJECT(SELECT(Epm, ...: reading stops after the name, at its last letter, column 18.
  check(await page.locator('#place').textContent() === 'Reading stopped at column 18 of the query.',
    'the query column is named', await page.locator('#place').textContent());
  check(await page.locator('#editor .error-place').textContent() === 'm', 'the column is marked');
  const stopped = await page.locator('#tree .node.stopped').evaluateAll((all) => all.map((n) =>
    [n.querySelector('.label').textContent, n.dataset.span]));
  check(JSON.stringify(stopped) === JSON.stringify([['Epm', '16-18']]),
    'the tree marks the name where reading stopped', JSON.stringify(stopped));
  await screenshot('2-misspelled-table');

  // 3b. Completion offers the operand's attributes, and parentheses match.
  const base = readFileSync(join(sourceDir, 'examples/employees.txt'), 'utf8');
  const partial = base.replace(employeesQuery, 'PROJECT(Emp, na');
  await page.locator('#editor').fill(partial);
  await runAndWait();
  await page.locator('#editor').focus();
  await page.evaluate(() => window.raevalPage.view.dispatch({selection: {anchor: 15}}));
  await page.keyboard.press('Control+Space');
  await page.waitForSelector('.cm-tooltip-autocomplete li');
  const offered = await page.locator('.cm-tooltip-autocomplete li').evaluateAll((all) => all.map((li) => li.textContent));
  check(offered[0] === 'nameattribute', 'completion offers the operand\'s attribute first', offered.join(' '));
  await screenshot('2b-completion');
  // The list takes Enter once it has been open a moment, as it does a person's.
  await page.waitForTimeout(150);
  await page.keyboard.press('Enter');
  // Undo takes the completion back, and redo brings it again.
  check((await editorText(page)).startsWith('PROJECT(Emp, name\n'), 'the completion is inserted');
  await page.keyboard.press('Control+z');
  check((await editorText(page)).startsWith('PROJECT(Emp, na\n'), 'undo takes the completion back',
    (await editorText(page)).split('\n')[0]);
  await page.keyboard.press('Control+y');
  await page.keyboard.type(')');
  check((await editorText(page)).startsWith('PROJECT(Emp, name)\n'),
    'the completion is taken', (await editorText(page)).split('\n')[0]);
  const parens = await page.locator('#editor .cm-matchingBracket').evaluateAll((all) => all.map((m) => m.textContent));
  check(parens.join('') === '()', 'the parentheses are matched', parens.join(''));
  await page.waitForSelector('#editor .tok-keyword');
  const keywordColour = await page.locator('#editor .tok-keyword').first().textContent();
  check(keywordColour === 'PROJECT', 'the keyword is coloured');

  // 3c. A query nested 30 deep stays readable; one nested 1000 deep folds.
  const nested = (depth) => {
    let query = 'Emp';
    for (let d = 0; d < depth; ++d) {
      query = [`SELECT(${query}, GT(age, ${d}))`, `RENAME(${query}, E${d}(id, name, age, dept))`,
        `PROJECT(${query}, id, name, age, dept)`][d % 3];
    }
    return Buffer.from(base.replace(employeesQuery, query));
  };
  await uploadFile('nested-30.txt', nested(30));
  check(await nodes.count() === 31, 'a query nested 30 deep: 31 nodes', String(await nodes.count()));
  await nodes.nth(20).click();
  await waitDone();
  await screenshot('2c-nested-30');
  await uploadFile('nested-1000.txt', nested(1000));
  check(await nodes.count() === 1001, 'a query nested 1000 deep: 1001 nodes', String(await nodes.count()));
  await nodes.nth(999).scrollIntoViewIfNeeded();
  await screenshot('2d-nested-1000');
  await nodes.first().focus();
  await page.keyboard.press('ArrowLeft');
  check(await page.locator('#tree .node:not([hidden])').count() === 1, 'folding the root hides the rest');
  await page.keyboard.press('ArrowRight');
  check(await page.locator('#tree .node:not([hidden])').count() === 1001, 'unfolding shows them again');

  // 4. A file of one's own with CRLF line ends and a NUL byte, uploaded.
  const upload = Buffer.from('SELECT(T, EQ(s, \'a\0b\'))\r\nCRLF and NUL\r\nT(n int, s char(5))\r\n' +
    '1, \'a\0b\'\r\n2, \'ab\'\r\n');
  await uploadFile('crlf.txt', upload);
  // Carriage returns that end lines are dropped when lines are read; the NUL stays.
  const expected = Buffer.from('SELECT(T, EQ(s, \'a\0b\'))\nCRLF and NUL\nT(n int, s char(5))\n' +
    '1, \'a\0b\'\n2, \'ab\'\n\nT(n int, s char(5))\n1,\'a\0b\'\n\n');
  check(expected.equals(nativeOutput(upload)), 'the hand-derived output is the command line\'s');
  check(await output.textContent() === await shownText(page, expected), 'CRLF and NUL: the output shown');
  const [download] = await Promise.all([page.waitForEvent('download'), page.locator('#download').click()]);
  const downloaded = readFileSync(await download.path());
  check(downloaded.equals(expected), 'CRLF and NUL: the downloaded output file', JSON.stringify(String(downloaded)));
  check(await editorText(page) === await shownText(page, upload),
    'the editor shows the carriage returns and the NUL byte');
  await screenshot('3-crlf-nul-upload');

  // 5. The nesting cases of the end-to-end suite, each uploaded and run.
  const nestDir = join(work, 'nesting');
  execFileSync(e2eRunner, ['--extract', nestDir, join(sourceDir, 'tests/e2e/nesting.test')]);
  let nestFailures = 0;
  const cases = readdirSync(nestDir).sort((a, b) => a.localeCompare(b, 'en', {numeric: true}));
  for (const name of cases) {
    const input = readFileSync(join(nestDir, name));
    await uploadFile(name, input);
    if (await output.getAttribute('data-state') === 'too-deep') {
      // The browser's stack, not the engine, sets this limit; the page says so.
      console.log(`  ${name}: too deep for this browser's stack: ${await page.locator('#place').textContent()}`);
      continue;
    }
    const shown = await output.textContent();
    if (shown !== await shownText(page, nativeOutput(input))) {
      ++nestFailures;
      console.log(`  ${name} differs: ${shown.slice(-200)}`);
    }
    if (name === 'nesting-8') await screenshot('4-nesting-1000-conditions');
  }
  check(cases.length > 0 && nestFailures === 0, `the ${cases.length} nesting cases give the command line's output`);

  // 6. A runaway query: Stop ends it, and the page runs again at once. A
  // SELECT over a product of three 3,000-row tables whose condition ties the
  // first and the last and never holds reads all 2.7e10 triples, one at a
  // time, without building anything. (Large inputs are uploaded: typing them
  // is too slow for the test.)
  const rows = Array.from({length: 3000}, (_, i) => String(i)).join('\n');
  const highRows = Array.from({length: 3000}, (_, i) => String(5000 + i)).join('\n');
  const endless = Buffer.from('SELECT(PRODUCT(PRODUCT(A, RENAME(A, W(w))), B), LT(y, x))\nendless\n' +
    `A(x int)\n${rows}\n\nB(y int)\n${highRows}\n`);
  const runaway = Buffer.from(`PRODUCT(PRODUCT(A, A), PRODUCT(A, A))\nrunaway\nA(x int)\n${rows}\n`);
  await uploadFile('endless.txt', endless, false);
  await page.waitForSelector('#output[data-state="running"]');
  await page.waitForTimeout(700);
  check(await output.getAttribute('data-state') === 'running', 'the runaway query is still running');
  check(await page.evaluate(() => new Promise((done) => {
    const t = performance.now();
    setTimeout(() => done(performance.now() - t < 500), 0);
  })), 'the page stays responsive during the run');
  await screenshot('5-runaway-running');
  await page.locator('#stop').focus();
  await page.keyboard.press('Enter');
  await page.waitForSelector('#output[data-state="stopped"]', {timeout: 2000});
  check(await page.locator('#run').isEnabled(), 'after Stop the page can run again');
  await screenshot('6-runaway-stopped');
  await page.locator('#examples').selectOption('select.txt');
  await waitDone(5000);
  check(await output.textContent() === select, 'after Stop a new run gives its output');

  // 7. Memory running out in the wasm heap: the command line's error line.
  await uploadFile('runaway.txt', runaway);
  const oom = await output.textContent();
  check(oom.endsWith('\nERROR: Out of memory\n'), 'memory running out ends with ERROR: Out of memory',
    oom.slice(-100));
  await screenshot('7-out-of-memory');

  check(pageErrors.length === 0, 'no script errors', pageErrors.join('\n'));
  check(foreign.length === 0, 'nothing fetched from outside the folder', foreign.join('\n'));
} catch (error) {
  check(false, 'the browser steps ran to their end', String(error.stack ?? error).split('\n').slice(0, 3).join('\n').slice(0, 500));
  await screenshot('failure').catch(() => {});
} finally {
  await context.close();
  rmSync(work, {recursive: true, force: true});
}
console.log(failures === 0 ? 'all browser checks passed' : `${failures} browser checks failed`);
process.exit(failures === 0 ? 0 : 1);
