// The frame tool built for the browser's runtime, run by node over the
// reference frames: its JSON must equal the desktop build's byte for byte,
// the eye's 21 digits included (WebAssembly has no x87; the geometry's
// extended arithmetic is our software one there).
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

for (const line of readFileSync(join(frames, 'cases.txt'), 'utf8').split('\n')) {
  const [rawName, argLine = ''] = line.split('|');
  const name = rawName.trim();
  if (!name || name.startsWith('#')) continue;
  const args = argLine.trim() ? argLine.trim().split(/\s+/) : [];
  const want = readFileSync(join(frames, `${name}.json`), 'utf8');
  let got;
  try {
    got = execFileSync(process.execPath, [tool, ...args], {encoding: 'utf8'});
  } catch (e) {
    bad(`frame '${name}': ${e.message.split('\n')[0]}`);
    continue;
  }
  if (got !== want) {
    bad(`frame '${name}' (${argLine.trim()}): differs from ${name}.json: ${got.slice(0, 300)}`);
    continue;
  }
  passed++;
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
