// Key to frame on the page, in Debian's headless chromium: from an arrow key's
// event to the end of the frame's pixels being put on the canvas, at
// 1920x1080 and 3840x2160, against a floor measured in the same run: a
// minimal page that puts a whole white canvas for each key.
// usage: node bench/web_timing.mjs PAGE.html [OTHER_PAGE.html] [KEYS]
// (after scripts/install-deps --tests and scripts/build-web; a second page,
// say an older build, is measured the same way for comparison)
import {mkdtempSync, rmSync, writeFileSync} from 'node:fs';
import {createRequire} from 'node:module';
import {tmpdir} from 'node:os';
import {join, resolve} from 'node:path';
import {pathToFileURL} from 'node:url';

const here = new URL('.', import.meta.url).pathname;
const {chromium} = createRequire(join(here, '../tests/web/package.json'))('playwright-core');
const {chromiumOptions} = await import(pathToFileURL(join(here, '../tests/web/lib.mjs')).href);

const args = process.argv.slice(2);
const keys = args.length > 1 && /^\d+$/.test(args[args.length - 1]) ? Number(args.pop()) : 31;
const tmp = mkdtempSync(join(tmpdir(), 'web-timing-'));
const floor = join(tmp, 'floor.html');
writeFileSync(floor, `<!doctype html><html><head><meta charset="utf-8"><style>
html, body { margin: 0; height: 100%; overflow: hidden; }
canvas { display: block; width: 100vw; height: 100vh; }</style></head><body><canvas id="canvas"></canvas>
<script>
const c = document.getElementById('canvas'), g = c.getContext('2d');
c.width = innerWidth;
c.height = innerHeight;
const white = new ImageData(c.width, c.height);
new Uint32Array(white.data.buffer).fill(0xffffffff);
g.putImageData(white, 0, 0);
window.hypercubeFrames = 1;
addEventListener('keydown', (e) => {
  e.preventDefault();
  g.putImageData(white, 0, 0);
  window.hypercubeFrames++;
});
</script></body></html>`);

const median = (a) => [...a].sort((x, y) => x - y)[a.length >> 1];
const browser = await chromium.launch(chromiumOptions);
const pages = [['floor', floor], ...args.map((p) => [p, resolve(p)])];
try {
  for (const [width, height] of [[1920, 1080], [3840, 2160]]) {
    const results = [];
    for (const [name, file] of pages) {
      const context = await browser.newContext({viewport: {width, height}});
      // When each key came and when each frame was done, from inside the page.
      await context.addInitScript(() => {
        window.keyAt = [];
        window.frameAt = [];
        addEventListener('keydown', (e) => window.keyAt.push(e.timeStamp), true);
        let frames = 0;
        Object.defineProperty(window, 'hypercubeFrames', {
          get: () => frames,
          set: (n) => {
            frames = n;
            window.frameAt.push(performance.now());
          },
        });
      });
      const tab = await context.newPage();
      await tab.goto(pathToFileURL(file).href);
      await tab.waitForFunction(() => window.hypercubeFrames > 0, null, {polling: 20});
      const times = [];
      for (let i = 0; i < keys; i++) {
        const n = await tab.evaluate(() => window.frameAt.length);
        await tab.keyboard.press(i % 2 ? 'ArrowDown' : 'ArrowUp');
        await tab.waitForFunction((k) => window.frameAt.length > k, n, {polling: 20});
        times.push(await tab.evaluate(() => window.frameAt[window.frameAt.length - 1] -
            window.keyAt[window.keyAt.length - 1]));
        await tab.waitForTimeout(50);
      }
      results.push([name, median(times)]);
      await context.close();
    }
    const base = results[0][1];
    for (const [name, ms] of results) {
      console.log(`${width}x${height} ${name}: key to frame ${ms.toFixed(2)} ms (median of ${keys}), ` +
          `${(ms / base).toFixed(2)} x the floor`);
    }
  }
} finally {
  await browser.close();
  rmSync(tmp, {recursive: true, force: true});
}
