// The frame tool built for the browser's runtime, run by node over the
// reference frames: every integer (hidden vertices, points, edges) must equal
// the desktop build's. The eye is printed with 21 digits; there long double is
// binary128, wider than x87's 80 bits, so its last digits may differ: how many
// agree is reported, and fewer than 18 fails, as it would if anything went
// through double.
// usage: node frames_test.mjs TOOL.js FRAMES_DIR
import {execFileSync} from 'node:child_process';
import {readFileSync} from 'node:fs';
import {join} from 'node:path';

const [tool, frames] = process.argv.slice(2);
let passed = 0;
let failed = 0;
const bad = (what) => {
  failed++;
  console.log(`FAIL: ${what}`);
};

// A decimal string as m * 10^e with m a BigInt.
function decimal(s) {
  const match = /^(-?)(\d+)(?:\.(\d*))?(?:e([-+]?\d+))?$/.exec(s);
  if (!match) throw new Error(`not a number: ${s}`);
  const fraction = match[3] || '';
  const m = BigInt(match[1] + match[2] + fraction);
  return {m, e: Number(match[4] || 0) - fraction.length};
}

// Digits on which two eyes agree, relative to the larger component: a
// component near zero says little on its own. 21, all printed, when equal.
function agreeingDigits(a, b) {
  const all = [...a, ...b].map(decimal);
  const e = Math.min(...all.map((d) => d.e));
  const scaled = all.map((d) => d.m * 10n ** BigInt(d.e - e));
  const abs = (v) => (v < 0n ? -v : v);
  let largest = 0n;
  let diff = 0n;
  for (let i = 0; i < a.length; i++) {
    if (abs(scaled[i]) > largest) largest = abs(scaled[i]);
    const d = abs(scaled[i] - scaled[i + a.length]);
    if (d > diff) diff = d;
  }
  if (diff === 0n) return 21;
  return Math.min(21, largest.toString().length - diff.toString().length);
}

let fewest = 21;
for (const line of readFileSync(join(frames, 'cases.txt'), 'utf8').split('\n')) {
  const [rawName, argLine = ''] = line.split('|');
  const name = rawName.trim();
  if (!name || name.startsWith('#')) continue;
  const args = argLine.trim() ? argLine.trim().split(/\s+/) : [];
  const want = JSON.parse(readFileSync(join(frames, `${name}.json`), 'utf8'));
  let got;
  try {
    got = JSON.parse(execFileSync(process.execPath, [tool, ...args], {encoding: 'utf8'}));
  } catch (e) {
    bad(`frame '${name}': ${e.message.split('\n')[0]}`);
    continue;
  }
  const integers = (f) => JSON.stringify([f.size, f.keys, f.hidden, f.points, f.edges]);
  if (integers(got) !== integers(want)) {
    bad(`frame '${name}' (${argLine.trim()}): the integers differ from ${name}.json`);
    continue;
  }
  const digits = agreeingDigits(want.eye, got.eye);
  fewest = Math.min(fewest, digits);
  if (digits < 18) {
    bad(`frame '${name}': the eye agrees in only ${digits} digits: ${got.eye} / ${want.eye}`);
    continue;
  }
  passed++;
}
console.log(`the eye agrees in at least ${fewest} of 21 printed digits in every frame`);
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
