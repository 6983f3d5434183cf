// What the browser tests share: Debian's chromium, the canvas read back, and
// its comparison with the frame tool's picture.
import {execFileSync} from 'node:child_process';
import {join} from 'node:path';

export const chromiumOptions = {
  executablePath: '/usr/bin/chromium',
  headless: true,
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'],
};

// The canvas's size and RGBA bytes.
export async function readCanvas(tab) {
  const c = await tab.evaluate(() => {
    const c = document.getElementById('canvas');
    const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    let s = '';
    for (let i = 0; i < d.length; i += 32768) s += String.fromCharCode(...d.subarray(i, i + 32768));
    return {width: c.width, height: c.height, data: btoa(s)};
  });
  return {...c, data: Buffer.from(c.data, 'base64')};
}

// Why the canvas is not the frame tool's picture of that size after `keys`,
// or '' when it is.
export function differences(render, tmp, canvas, width, height, keys) {
  const file = join(tmp, 'want.png');
  execFileSync(render, ['--size', `${width}x${height}`, '--keys', keys, '--format', 'png',
    '--output', file]);
  const want = execFileSync('convert', [file, 'rgb:-'], {maxBuffer: 1 << 30});
  if (want.length !== width * height * 3 || canvas.width !== width || canvas.height !== height) {
    return `sizes: canvas ${canvas.width}x${canvas.height}, wanted ${width}x${height}`;
  }
  let count = 0;
  let first = '';
  const d = canvas.data;
  for (let i = 0, n = width * height; i < n; i++) {
    if (d[i * 4] !== want[i * 3] || d[i * 4 + 1] !== want[i * 3 + 1] ||
        d[i * 4 + 2] !== want[i * 3 + 2] || d[i * 4 + 3] !== 255) {
      if (!count) first = ` (first at ${i % width},${Math.floor(i / width)})`;
      count++;
    }
  }
  return count ? `${count} pixels differ${first}` : '';
}

// Counts passes and failures, and says each failure.
export class Tally {
  constructor() {
    this.passed = 0;
    this.failed = 0;
  }
  check(good, what) {
    if (good) {
      this.passed++;
    } else {
      this.failed++;
      console.log(`FAIL: ${what}`);
    }
  }
  finish() {
    console.log(`${this.passed} passed, ${this.failed} failed`);
    process.exit(this.failed ? 1 : 0);
  }
}
