// How soon the page shows its first result: opens WEB_DIR/index.html from
// disk RUNS times in headless Chromium (through playwright-core) and prints
// each load's milliseconds from the start of the page's loading to the first
// example's output, one a line.
//
//   node bench/web_first_result.mjs WEB_DIR RUNS
import {mkdtempSync, rmSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {join, resolve} from 'node:path';
import {pathToFileURL} from 'node:url';
import {chromium} from 'playwright-core';

const [webDir, runs] = process.argv.slice(2);
const profile = mkdtempSync(join(tmpdir(), 'raeval-bench-'));
const context = await chromium.launchPersistentContext(profile, {
  executablePath: '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', '--no-first-run'],
});
const url = pathToFileURL(resolve(webDir, 'index.html')).href;
for (let i = 0; i < Number(runs); ++i) {
  const page = await context.newPage();
  await page.goto(url);
  await page.waitForFunction(() => window.raevalFirstResult !== null);
  console.log((await page.evaluate(() => window.raevalFirstResult)).toFixed(1));
  await page.close();
}
await context.close();
rmSync(profile, {recursive: true, force: true});
