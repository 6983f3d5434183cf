// The page beyond the desktop's keys: by touch on a phone and a tablet, for a
// screen reader, on a huge page, and as an app served from a web server that
// works offline. Every frame is compared with the frame tool's picture.
// usage: node app_test.mjs SITE_DIR RENDER SCRATCH_DIR
// SITE_DIR is the folder scripts/package hands out (index.html, sw.js, ...).
import {cpSync, mkdtempSync, readFileSync, rmSync, writeFileSync} from 'node:fs';
import {createServer} from 'node:http';
import {createRequire} from 'node:module';
import {extname, join, normalize, resolve} from 'node:path';
import {pathToFileURL} from 'node:url';

import {chromium} from 'playwright-core';

import {chromiumOptions, differences, readCanvas, Tally} from './lib.mjs';

const [site, render, scratch] = process.argv.slice(2);
const t = new Tally();
const tmp = mkdtempSync(join(scratch, 'app-'));
const axeSource = readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');
const pageFile = pathToFileURL(resolve(site, 'index.html')).href;

const frames = (tab) => tab.evaluate(() => window.hypercubeFrames || 0);
// Waits until the page has painted after frame `after` and then stayed still.
// Polled from here: a page far larger than the screen may starve its own
// timers.
async function settled(tab, after, timeout = 10000) {
  const end = Date.now() + timeout;
  let n = await frames(tab);
  while (n <= after) {
    if (Date.now() > end) {
      const state = await tab.evaluate(() => [innerWidth, innerHeight,
        document.getElementById('canvas').width, document.getElementById('canvas').height]);
      throw new Error(`no frame after frame ${after} in ${timeout} ms: page and canvas sizes ${state}`);
    }
    await new Promise((ok) => setTimeout(ok, 50));
    n = await frames(tab);
  }
  for (;;) {
    await new Promise((ok) => setTimeout(ok, 300));
    const m = await frames(tab);
    if (m === n) return;
    n = m;
  }
}
async function expectFrame(tab, what, keys) {
  const c = await readCanvas(tab);
  const why = differences(render, tmp, c, c.width, c.height, keys);
  t.check(!why, `${what}: the canvas is not the frame tool's ${c.width}x${c.height} '${keys}' frame: ${why}`);
}
const said = (tab) => tab.evaluate(() => document.getElementById('status').textContent);

// Axe's whole default rule set on the page as it stands.
async function axe(tab, what) {
  await tab.evaluate(axeSource);
  const found = await tab.evaluate(() => window.axe.run(document).then((r) => r.violations.map(
      (v) => `${v.id} (${v.nodes.map((n) => n.target.join(' ')).join(', ')})`)));
  t.check(found.length === 0, `${what}: the accessibility check found ${found.join('; ')}`);
}

// A one-finger swipe from the middle of the canvas, by real touch events.
async function swipe(tab, cdp, dx, dy) {
  const {width, height} = tab.viewportSize();
  const x = width / 2, y = height / 3;
  await cdp.send('Input.dispatchTouchEvent', {type: 'touchStart', touchPoints: [{x, y}]});
  for (let i = 1; i <= 5; i++) {
    await cdp.send('Input.dispatchTouchEvent',
        {type: 'touchMove', touchPoints: [{x: x + dx * i / 5, y: y + dy * i / 5}]});
  }
  await cdp.send('Input.dispatchTouchEvent', {type: 'touchEnd', touchPoints: []});
}

const browser = await chromium.launch(chromiumOptions);
try {
  // Touch: swipes and the on-screen arrows each step, a held arrow repeats,
  // and the page neither scrolls nor loses its pinch-zoom.
  for (const [device, viewport, deviceScaleFactor] of [
    ['phone', {width: 390, height: 844}, 3], ['tablet', {width: 820, height: 1180}, 2]]) {
    const context = await browser.newContext({viewport, deviceScaleFactor, isMobile: true, hasTouch: true});
    // Counts the held arrow's repeats, whose timer is the page's only interval.
    await context.addInitScript(() => {
      const every = window.setInterval;
      window.repeats = 0;
      window.setInterval = (f, ms) => every(() => {
        window.repeats++;
        f();
      }, ms);
    });
    const tab = await context.newPage();
    const cdp = await context.newCDPSession(tab);
    await tab.goto(pageFile);
    await settled(tab, 0);
    let keys = '';
    await expectFrame(tab, `${device}: opened`, keys);
    const shown = await tab.evaluate(() => [...document.querySelectorAll('#arrows button')]
        .map((b) => b.getBoundingClientRect()).every((r) => r.width >= 44 && r.height >= 44));
    t.check(shown, `${device}: the arrow buttons are not shown at a finger's size`);
    t.check(await tab.isHidden('#legend'), `${device}: the keys' legend shows on a touch screen`);

    for (const [key, dx, dy] of [['U', 10, -80], ['L', -90, 30], ['D', -5, 70], ['R', 60, 0]]) {
      const n = await frames(tab);
      await swipe(tab, cdp, dx, dy);
      await settled(tab, n);
      keys += key;
      await expectFrame(tab, `${device}: after a swipe ${key}`, keys);
    }
    // Too short to be a swipe: nothing happens.
    let n = await frames(tab);
    await swipe(tab, cdp, 8, -10);
    await tab.waitForTimeout(300);
    t.check(await frames(tab) === n, `${device}: a touch that hardly moved stepped the figure`);

    for (const [key, id] of [['L', 'left'], ['U', 'up'], ['R', 'right'], ['D', 'down'], ['L', 'left']]) {
      n = await frames(tab);
      await tab.tap(`#${id}`);
      await settled(tab, n);
      keys += key;
      await expectFrame(tab, `${device}: after a tap on ${id}`, keys);
    }

    // Held for a second: one step, then repeats after the delay.
    const box = await tab.locator('#down').boundingBox();
    const at = [{x: box.x + box.width / 2, y: box.y + box.height / 2}];
    n = await frames(tab);
    await cdp.send('Input.dispatchTouchEvent', {type: 'touchStart', touchPoints: at});
    await tab.waitForTimeout(1000);
    await cdp.send('Input.dispatchTouchEvent', {type: 'touchEnd', touchPoints: []});
    await settled(tab, n);
    const repeats = await tab.evaluate(() => window.repeats);
    t.check(repeats >= 5, `${device}: a held arrow repeated ${repeats} times in a second`);
    keys += 'D'.repeat(1 + repeats);
    await expectFrame(tab, `${device}: after a held Down`, keys);
    await tab.waitForTimeout(300);
    t.check(await tab.evaluate(() => window.repeats) === repeats,
        `${device}: the arrow went on repeating after it was let go`);

    const still = await tab.evaluate(() => [window.scrollX, window.scrollY,
      document.scrollingElement.scrollTop, visualViewport.scale]);
    t.check(still.join() === '0,0,0,1', `${device}: the page scrolled or zoomed: ${still}`);
    const zoom = await tab.evaluate(() => [
      document.querySelector('meta[name=viewport]').content,
      getComputedStyle(document.getElementById('canvas')).touchAction,
      getComputedStyle(document.body).touchAction, getComputedStyle(document.documentElement).touchAction]);
    t.check(!/user-scalable\s*=\s*(no|0)|maximum-scale/.test(zoom[0]) && zoom[1] === 'pinch-zoom' &&
        zoom[2] === 'auto' && zoom[3] === 'auto', `${device}: pinch-zoom is disabled: ${zoom}`);
    await axe(tab, device);
    await context.close();
  }

  // A desktop: the legend until the first arrow, the live region's words,
  // the accessibility check, and a huge page.
  {
    const context = await browser.newContext({viewport: {width: 1000, height: 700}});
    const tab = await context.newPage();
    const messages = [];
    tab.on('console', (m) => messages.push(m.text()));
    tab.on('pageerror', (e) => messages.push(e.message));
    await tab.goto(pageFile);
    await settled(tab, 0);
    t.check(await tab.isVisible('#legend') && await tab.isHidden('#arrows'),
        'desktop: the legend is not shown, or the arrow buttons are');
    await axe(tab, 'desktop with the legend');
    const role = await tab.evaluate(() => [document.getElementById('canvas').getAttribute('role'),
      document.getElementById('canvas').getAttribute('aria-label'),
      document.getElementById('status').getAttribute('role')]);
    t.check(role[0] === 'img' && role[1] && role[2] === 'status', `desktop: the canvas's role and name, the live region: ${role}`);
    let words = await said(tab);
    t.check(words === 'Vertex 2 hidden, 15 visible; 28 solid red edges, 4 dotted green edges, none blue',
        `desktop: the start frame is said as '${words}'`);

    // A step that hides no other vertex changes no word, and nothing is said
    // again; nor after a resize.
    await tab.evaluate(() => {
      window.changes = 0;
      new MutationObserver(() => window.changes++).observe(document.getElementById('status'),
          {childList: true, characterData: true, subtree: true});
    });
    let n = await frames(tab);
    await tab.keyboard.press('ArrowDown');
    await settled(tab, n);
    t.check(await tab.isHidden('#legend'), 'desktop: the legend stayed after an arrow');
    n = await frames(tab);
    await tab.setViewportSize({width: 900, height: 650});
    await settled(tab, n);
    words = await said(tab);
    const changes = await tab.evaluate(() => window.changes);
    t.check(changes === 0 && words.startsWith('Vertex 2 hidden, 15 visible;'),
        `desktop: after Down and a resize the frame is said as '${words}', ${changes} times`);

    // Half the vertices hidden.
    const keys = 'DDDDDDDDRRRRRRRR';
    n = await frames(tab);
    for (const k of keys.slice(1)) await tab.keyboard.press(k === 'D' ? 'ArrowDown' : 'ArrowRight');
    await settled(tab, n);
    words = await said(tab);
    t.check(words === 'Vertices 0, 1, 2, 3, 4, 5, 6 and 7 hidden, 8 visible; ' +
        '12 solid red edges, 8 dotted green edges, 12 dotted blue edges',
        `desktop: the frame with eight hidden vertices is said as '${words}'`);
    await expectFrame(tab, `desktop: after ${keys}`, keys);
    await axe(tab, 'desktop after the first arrow');

    // A page far larger than any screen is drawn at a capped size and stays
    // exact; the memory it takes stays bounded; shrinking brings the page's
    // own size back.
    n = await frames(tab);
    await tab.setViewportSize({width: 20480, height: 11520});
    await settled(tab, n, 30000);
    const big = await tab.evaluate(() => {
      const c = document.getElementById('canvas');
      return {width: c.width, height: c.height, memory: HEAPU8.length};
    });
    t.check(big.width * big.height <= 1 << 25 && big.width > 7000 && Math.abs(big.width / big.height - 16 / 9) < 0.01,
        `desktop: the huge page's canvas is ${big.width}x${big.height}`);
    t.check(big.memory <= 300 << 20, `desktop: the huge page takes ${big.memory} bytes of memory`);
    await expectFrame(tab, 'desktop: at 20480x11520', keys);
    n = await frames(tab);
    await tab.setViewportSize({width: 700, height: 500});
    await settled(tab, n);
    await expectFrame(tab, 'desktop: shrunk again to 700x500', keys);

    // With no memory to be had, a new size keeps the last frame and says so
    // once; given memory again, the next size is painted.
    const held = await tab.evaluate(() => {
      window.held = [];
      for (let size = 256 << 20; size >= 4 << 20; size >>= 1) {
        for (let p; (p = Module._malloc(size));) window.held.push(p);
      }
      return window.held.length;
    });
    n = await frames(tab);
    await tab.setViewportSize({width: 1600, height: 1000});
    await tab.waitForTimeout(500);
    await tab.keyboard.press('ArrowUp');
    await tab.setViewportSize({width: 1700, height: 1000});
    await tab.waitForTimeout(500);
    const starved = messages.filter((m) => m.startsWith('hypercube: no memory for a '));
    t.check(held > 0 && starved.length === 1 && await frames(tab) === n,
        `desktop: out of memory (${held} blocks held): frames ${n} -> ${await frames(tab)}, said ${starved.join(' / ')}`);
    await expectFrame(tab, 'desktop: the last frame kept while out of memory', keys);
    await tab.evaluate(() => window.held.forEach((p) => Module._free(p)));
    await tab.setViewportSize({width: 1000, height: 700});
    await settled(tab, n);
    await expectFrame(tab, 'desktop: painted again with memory back', keys + 'U');
    const aborted = messages.filter((m) => /abort/i.test(m));
    t.check(aborted.length === 0, `desktop: the page aborted: ${aborted.join(' / ')}`);
    await context.close();
  }

  // A page zoomed out has more CSS pixels than the display has pixels: it
  // gets a frame of the display's pixels.
  {
    const context = await browser.newContext({viewport: {width: 1600, height: 1000}, deviceScaleFactor: 0.5});
    const tab = await context.newPage();
    await tab.goto(pageFile);
    await settled(tab, 0);
    await expectFrame(tab, 'zoomed out to half', '');
    const size = await tab.evaluate(() => [document.getElementById('canvas').width, document.getElementById('canvas').height]);
    t.check(size.join() === '800,500', `zoomed out to half: the frame is ${size.join('x')}`);
    await context.close();
  }
} catch (e) {
  t.check(false, e.stack || String(e));
} finally {
  await browser.close();
}

// Served over http from 127.0.0.1: the service worker caches the page, which
// then opens offline; Chromium finds it installable; a new version's worker
// replaces the old cache.
const served = join(tmp, 'site');
cpSync(site, served, {recursive: true});
const types = {'.html': 'text/html', '.js': 'text/javascript', '.png': 'image/png',
  '.webmanifest': 'application/manifest+json'};
const server = createServer((req, res) => {
  const path = new URL(req.url, 'http://127.0.0.1').pathname;
  const file = join(served, normalize(path === '/' ? '/index.html' : path));
  try {
    const body = readFileSync(file);
    res.writeHead(200, {'Content-Type': types[extname(file)] || 'application/octet-stream',
      'Cache-Control': 'no-cache'});
    res.end(body);
  } catch {
    res.writeHead(404);
    res.end();
  }
});
await new Promise((ok) => server.listen(0, '127.0.0.1', ok));
const origin = `http://127.0.0.1:${server.address().port}/`;
const cacheName = (text) => /const CACHE = '([^']+)'/.exec(text)[1];
const context = await chromium.launchPersistentContext(join(tmp, 'profile'),
    {...chromiumOptions, viewport: {width: 800, height: 600}});
try {
  const tab = context.pages()[0] || await context.newPage();
  const errors = [];
  tab.on('pageerror', (e) => errors.push(e.message));
  tab.on('console', (m) => m.type() === 'error' && errors.push(m.text()));
  await tab.goto(origin);
  await settled(tab, 0);
  await tab.evaluate(() => navigator.serviceWorker.ready);
  const first = cacheName(readFileSync(join(served, 'sw.js'), 'utf8'));
  const cachesNow = () => tab.evaluate(() => caches.keys());
  t.check(/^hypercube-\d+\.\d+\.\d+-[0-9a-f]{12}$/.test(first) && (await cachesNow()).join() === first,
      `served: the caches are ${await cachesNow()}, the worker's is ${first}`);

  const cdp = await context.newCDPSession(tab);
  const {installabilityErrors} = await cdp.send('Page.getInstallabilityErrors');
  t.check(installabilityErrors.length === 0,
      `served: not installable: ${JSON.stringify(installabilityErrors)}`);
  const {url: manifestUrl} = await cdp.send('Page.getAppManifest');
  t.check(manifestUrl === `${origin}manifest.webmanifest`, `served: the manifest is ${manifestUrl}`);

  await context.setOffline(true);
  await tab.reload();
  await settled(tab, 0);
  await expectFrame(tab, 'served: reloaded offline', '');
  await context.setOffline(false);

  // The next version: another cache name in the worker.
  const worker = readFileSync(join(served, 'sw.js'), 'utf8');
  writeFileSync(join(served, 'sw.js'), worker.replace(first, `${first}-next`));
  await tab.evaluate(() => navigator.serviceWorker.getRegistration().then((r) => r.update()));
  for (let i = 0; i < 100 && (await cachesNow()).join() !== `${first}-next`; i++) {
    await tab.waitForTimeout(100);
  }
  t.check((await cachesNow()).join() === `${first}-next`,
      `served: after a new version the caches are ${await cachesNow()}`);
  t.check(errors.length === 0, `served: the page reported errors: ${errors.join('; ')}`);
} catch (e) {
  t.check(false, e.stack || String(e));
} finally {
  await context.close();
  server.close();
  rmSync(tmp, {recursive: true, force: true});
}
t.finish();
