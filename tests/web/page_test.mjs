// The page as a person opens it: hypercube.html from disk in Debian's
// chromium, headless. Its canvas must hold exactly the frame tool's picture of
// the same size, follow the arrow keys (with repeat) and resizes of the page,
// leave the browser's own keys alone, show the caption as the title, fetch
// nothing, and run no code while idle.
// usage: node page_test.mjs PAGE.html RENDER SCRATCH_DIR
import {mkdtempSync, rmSync} from 'node:fs';
import {join, resolve} from 'node:path';
import {pathToFileURL} from 'node:url';

import {chromium} from 'playwright-core';
import {differences} from './lib.mjs';

const [page, render, scratch] = process.argv.slice(2);
let passed = 0;
let failed = 0;
const ok = () => passed++;
const bad = (what) => {
  failed++;
  console.log(`FAIL: ${what}`);
};

const tmp = mkdtempSync(join(scratch, 'page-'));

const context = await chromium.launchPersistentContext(join(tmp, 'profile'), {
  executablePath: '/usr/bin/chromium',
  headless: true,
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  viewport: {width: 1000, height: 700},
});

try {
  const tab = context.pages()[0] || await context.newPage();
  const requests = [];
  tab.on('request', (r) => requests.push(r.url()));
  const errors = [];
  tab.on('pageerror', (e) => errors.push(e.message));
  tab.on('console', (m) => m.type() === 'error' && errors.push(m.text()));

  const frames = () => tab.evaluate(() => window.hypercubeFrames || 0);
  const canvas = () => tab.evaluate(() => {
    const c = document.getElementById('canvas');
    const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    let s = '';
    for (let i = 0; i < d.length; i += 32768) s += String.fromCharCode(...d.subarray(i, i + 32768));
    return {width: c.width, height: c.height, data: btoa(s)};
  }).then((c) => ({...c, data: Buffer.from(c.data, 'base64')}));
  // Waits for the paint after frame number `after`, at the given size.
  const painted = (after, width, height) => tab.waitForFunction(
      ([n, w, h]) => window.hypercubeFrames > n && document.getElementById('canvas').width === w &&
          document.getElementById('canvas').height === h,
      [after, width, height], {timeout: 10000});
  const expect = async (what, width, height, keys) => {
    const why = differences(render, tmp, await canvas(), width, height, keys);
    why ? bad(`${what}: the canvas is not the frame tool's ${width}x${height} '${keys}' frame: ${why}`)
        : ok();
  };

  const url = pathToFileURL(resolve(page)).href;
  for (const [width, height] of [[1000, 700], [641, 479]]) {
    await tab.setViewportSize({width, height});
    await tab.goto(url);
    await painted(0, width, height);
    await expect(`opened at ${width}x${height}`, width, height, '');
  }
  const firstFrame = await tab.evaluate(() => window.hypercubeFirstFrame);
  console.log(`first frame ${Math.round(firstFrame)} ms after the page began to load`);

  const title = await tab.title();
  title === 'Демонстрация проволочной модели 4-мерного куба' ? ok() : bad(`title: '${title}'`);

  // The arrows turn the figure and do not scroll; held, they repeat.
  await tab.evaluate(() => {
    window.prevented = [];
    window.addEventListener('keydown', (e) => window.prevented.push(e.defaultPrevented));
  });
  let n = await frames();
  await tab.keyboard.press('ArrowUp');
  await painted(n, 641, 479);
  await expect('after Up', 641, 479, 'U');
  n = await frames();
  await tab.keyboard.press('ArrowLeft');
  await painted(n, 641, 479);
  await expect('after Left', 641, 479, 'UL');
  n = await frames();
  await tab.keyboard.down('ArrowDown');
  await tab.keyboard.down('ArrowDown');  // held: a repeat
  await tab.keyboard.down('ArrowDown');
  await tab.keyboard.up('ArrowDown');
  await tab.waitForFunction((k) => window.hypercubeFrames >= k + 3, n, {timeout: 10000});
  await expect('after Down held for two repeats', 641, 479, 'ULDDD');
  const prevented = await tab.evaluate(() => window.prevented);
  prevented.length === 5 && prevented.every((p) => p) ? ok() :
      bad(`the arrows' default actions were not all prevented: ${prevented}`);

  // The browser's own keys stay the browser's: no default prevented, no frame.
  n = await frames();
  await tab.evaluate(() => (window.prevented = []));
  await tab.keyboard.press('Control+a');
  await tab.keyboard.press('Alt+ArrowLeft');
  await tab.waitForTimeout(300);
  const shortcuts = await tab.evaluate(() => window.prevented);
  shortcuts.length >= 2 && !shortcuts.some((p) => p) && await frames() === n ? ok() :
      bad(`browser shortcuts were taken: prevented ${shortcuts}, frames ${n} -> ${await frames()}`);

  // A resize of the page is WM_SIZE and a repaint at the new size.
  n = await frames();
  await tab.setViewportSize({width: 800, height: 601});
  await painted(n, 800, 601);
  await expect('after a resize to 800x601', 800, 601, 'ULDDD');

  // A canvas the browser dropped and gave back blank is painted again.
  n = await frames();
  await tab.evaluate(() => {
    const c = document.getElementById('canvas');
    c.getContext('2d').clearRect(0, 0, c.width, c.height);
    c.dispatchEvent(new Event('contextrestored'));
  });
  await painted(n, 800, 601);
  await expect('after the canvas was restored', 800, 601, 'ULDDD');

  // Idle, the page runs nothing: no timer, no animation frame, no busy loop.
  const cdp = await context.newCDPSession(tab);
  await cdp.send('Performance.enable');
  const metric = async (name) =>
      (await cdp.send('Performance.getMetrics')).metrics.find((m) => m.name === name).value;
  const before = {task: await metric('TaskDuration'), script: await metric('ScriptDuration')};
  n = await frames();
  await tab.waitForTimeout(2000);
  const task = await metric('TaskDuration') - before.task;
  const script = await metric('ScriptDuration') - before.script;
  console.log(`idle for 2 s: ${(task * 1000).toFixed(1)} ms of tasks, ` +
      `${(script * 1000).toFixed(1)} ms of script`);
  task < 0.05 && script < 0.005 && await frames() === n ? ok() :
      bad(`the idle page was busy: ${task} s of tasks, ${script} s of script in 2 s`);

  const fetched = requests.filter((u) => u !== url && !u.startsWith('data:'));
  fetched.length === 0 ? ok() : bad(`the page fetched ${fetched.join(', ')}`);
  errors.length === 0 ? ok() : bad(`the page reported errors: ${errors.join('; ')}`);
} catch (e) {
  bad(e.stack || String(e));
} finally {
  await context.close();
  rmSync(tmp, {recursive: true, force: true});
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
