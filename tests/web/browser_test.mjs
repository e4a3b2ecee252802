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
const shownText = (page, bytes) => page.evaluate((b) => bytesToText(new Uint8Array(b)), [...bytes]);

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
  check(await page.locator('#editor-marks mark').textContent() === 'm', 'the column is marked');
  await screenshot('2-misspelled-table');

  // 4. A file of one's own with CRLF line ends and a NUL byte, uploaded.
  const upload = Buffer.from('SELECT(T, EQ(s, \'a\0b\'))\r\nCRLF and NUL\r\nT(n int, s char(5))\r\n' +
    '1, \'a\0b\'\r\n2, \'ab\'\r\n');
  await page.locator('#upload').setInputFiles({name: 'crlf.txt', mimeType: 'text/plain', buffer: upload});
  await page.waitForSelector('#output[data-state="running"], #output[data-state="done"]');
  await waitDone();
  // Carriage returns that end lines are dropped when lines are read; the NUL stays.
  const expected = Buffer.from('SELECT(T, EQ(s, \'a\0b\'))\nCRLF and NUL\nT(n int, s char(5))\n' +
    '1, \'a\0b\'\n2, \'ab\'\n\nT(n int, s char(5))\n1,\'a\0b\'\n\n');
  check(expected.equals(nativeOutput(upload)), 'the hand-derived output is the command line\'s');
  check(await output.textContent() === await shownText(page, expected), 'CRLF and NUL: the output shown');
  const [download] = await Promise.all([page.waitForEvent('download'), page.locator('#download').click()]);
  const downloaded = readFileSync(await download.path());
  check(downloaded.equals(expected), 'CRLF and NUL: the downloaded output file', JSON.stringify(String(downloaded)));
  check(await page.locator('#editor').inputValue() === await shownText(page, upload),
    'the editor shows the carriage returns and the NUL byte');
  await screenshot('3-crlf-nul-upload');

  // 5. The nesting cases of the end-to-end suite, each uploaded and run.
  const nestDir = join(work, 'nesting');
  execFileSync(e2eRunner, ['--extract', nestDir, join(sourceDir, 'tests/e2e/nesting.test')]);
  let nestFailures = 0;
  const cases = readdirSync(nestDir).sort((a, b) => a.localeCompare(b, 'en', {numeric: true}));
  for (const name of cases) {
    const input = readFileSync(join(nestDir, name));
    await page.locator('#upload').setInputFiles({name, mimeType: 'text/plain', buffer: input});
    await page.waitForSelector('#output[data-state="running"], #output[data-state="done"]');
    await waitDone();
    const shown = await output.textContent();
    if (shown !== await shownText(page, nativeOutput(input))) {
      ++nestFailures;
      console.log(`  ${name} differs: ${shown.slice(-200)}`);
    }
    if (name === 'nesting-8') await screenshot('4-nesting-1000-conditions');
  }
  check(cases.length > 0 && nestFailures === 0, `the ${cases.length} nesting cases give the command line's output`);

  // 6. A runaway PRODUCT: Stop ends it, and the page runs again at once.
  // (Large inputs are uploaded: typing them is too slow for the test.)
  const rows = Array.from({length: 3000}, (_, i) => String(i)).join('\n');
  const runaway = Buffer.from(`PRODUCT(PRODUCT(A, A), PRODUCT(A, A))\nrunaway\nA(x int)\n${rows}\n`);
  await page.locator('#upload').setInputFiles({name: 'runaway.txt', mimeType: 'text/plain', buffer: runaway});
  await page.waitForSelector('#output[data-state="running"]');
  await page.waitForTimeout(700);
  check(await output.getAttribute('data-state') === 'running', 'the runaway product is still running');
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
  await page.locator('#upload').setInputFiles({name: 'runaway.txt', mimeType: 'text/plain', buffer: runaway});
  await page.waitForSelector('#output[data-state="running"]');
  await waitDone(180000);
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
