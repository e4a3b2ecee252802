// The page's longest main-thread tasks with a large file, in headless
// Chromium: opens WEB_DIR/index.html from disk, uploads FILE, and prints one
// line per step, "STEP LONGEST_MS ENGINE_MS": the longest task the browser
// reports (PerformanceObserver 'longtask': tasks over 50 ms; 0 when none
// was) while loading the file and showing its output, typing at its end and
// in its middle, scrolling the output, choosing a tree node, and showing the
// whole output file again (Show the output file); beside it, the engine's own
// time for the run ("Done in N ms").
//
//   node bench/web_longtasks.mjs WEB_DIR FILE
import {mkdtempSync, rmSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {join, resolve} from 'node:path';
import {pathToFileURL} from 'node:url';
import {chromium} from 'playwright-core';

const [webDir, file] = process.argv.slice(2);
const profile = mkdtempSync(join(tmpdir(), 'raeval-bench-'));
const context = await chromium.launchPersistentContext(profile, {
  executablePath: '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', '--no-first-run'],
});
const page = context.pages()[0] ?? await context.newPage();
await page.addInitScript(() => {
  window.raevalLongest = 0;
  new PerformanceObserver((list) => {
    for (const entry of list.getEntries()) window.raevalLongest = Math.max(window.raevalLongest, entry.duration);
  }).observe({type: 'longtask', buffered: true});
});
await page.goto(pathToFileURL(resolve(webDir, 'index.html')).href);
await page.waitForFunction(() => window.raevalPage?.runs > 0);
const settle = () => page.waitForTimeout(600);
// The engine's time for the file's run, as the page said it when the run
// ended; a chosen node's table puts other words there.
let engineMs = 0;
async function step(name, action) {
  await settle();
  await page.evaluate(() => { window.raevalLongest = 0; });
  await action();
  await settle();
  const longest = await page.evaluate(() => window.raevalLongest);
  const done = (await page.locator('#place').textContent()).match(/Done in (\d+) ms/);
  if (done) engineMs = Number(done[1]);
  console.log(`${name} ${longest.toFixed(0)} ${engineMs}`);
}

await step('load-and-show', async () => {
  const runs = await page.evaluate(() => window.raevalPage.runs);
  // By its path, as a file dialog hands it over: a buffer would be turned
  // into a file by a script on the page's own thread, which would count.
  await page.locator('#upload').setInputFiles(resolve(file));
  await page.waitForFunction((before) => window.raevalPage.runs > before, runs, {timeout: 120000});
});
const typeAt = async (where) => {
  await page.locator('#editor').focus();
  await page.evaluate((at) => {
    const view = window.raevalPage.view;
    const position = at === 'end' ? view.state.doc.length : view.state.doc.line(Math.floor(view.state.doc.lines / 2)).to;
    view.dispatch({selection: {anchor: position}, scrollIntoView: true});
  }, where);
  await page.keyboard.type(' 12', {delay: 30});
};
await step('type-at-end', () => typeAt('end'));
await step('type-in-middle', () => typeAt('middle'));
await step('scroll-output', async () => {
  await page.locator('#output').hover();
  for (let i = 0; i < 10; ++i) await page.mouse.wheel(0, 4000);
});
await step('choose-tree-node', async () => {
  await page.locator('#tree .node').last().click();
  await page.waitForSelector('#output[data-state="done"]');
});
await step('show-output-file', async () => {
  await page.locator('#show-file').click();
  await page.waitForSelector('#show-file:disabled');
});
await context.close();
rmSync(profile, {recursive: true, force: true});
