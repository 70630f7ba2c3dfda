// The studio page in headless Chromium, driven through the DevTools protocol:
// pick a factory sound, draw on the arc-to-tone curve with real pointer
// events, change Tone, play and save; then the saved document must hold the
// drawing and the value, and fennrow-render must play it sample for sample as
// the page did.
//
// node --experimental-websocket page_test.mjs STUDIO RENDER WORK_DIR BROWSER
// Exits 77 (skipped) when this Node has no WebSocket client.
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import readline from 'node:readline';

const [studioProgram, renderProgram, work, browser] = process.argv.slice(2);
if (typeof WebSocket === 'undefined') {
  console.log('this Node has no WebSocket client; skipping the page test');
  process.exit(77);
}

const FACTORY = 'Rising Tension';  // its arc-to-tone curve is the rising ramp
const TONE = 0.8;
const DRAWN_VALUE = 0.5;           // a quarter of the way down the editor
const FIRST = 10, LAST = 40;       // the points the drag crosses
const SAVED_NAME = 'drawn/bass.json';

const children = [];
function finish(code) {
  for (const child of children) if (child.exitCode === null) child.kill('SIGTERM');
  process.exit(code);
}
function fail(message) {
  console.error('FAIL: ' + message);
  finish(1);
}
process.on('unhandledRejection', (e) => fail(e && e.stack ? e.stack : String(e)));
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

fs.rmSync(work, { recursive: true, force: true });
const sounds = path.join(work, 'sounds');
fs.mkdirSync(path.join(sounds, 'drawn'), { recursive: true });

// The studio prints its address as its first line.
const studio = spawn(studioProgram, ['--port', '0', sounds], { stdio: ['ignore', 'pipe', 'inherit'] });
children.push(studio);
const address = await new Promise((resolve, reject) => {
  readline.createInterface({ input: studio.stdout }).once('line', resolve);
  studio.once('exit', (code) => reject(new Error('the studio ended with ' + code)));
});
if (!/^http:\/\/127\.0\.0\.1:\d+\/\?token=[0-9a-f]{64}$/.test(address)) fail('unexpected first line: ' + address);
const origin = new URL(address).origin;
const token = new URL(address).searchParams.get('token');

// The browser keeps its profile in the build folder and tells its port in DevToolsActivePort.
const profile = path.join(work, 'profile');
const home = path.join(work, 'home');
fs.mkdirSync(home, { recursive: true });
const chromium = spawn(browser, [
  '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--disable-dev-shm-usage', '--autoplay-policy=no-user-gesture-required', '--hide-scrollbars',
  '--remote-debugging-port=0', `--user-data-dir=${profile}`, 'about:blank',
], { stdio: 'ignore', env: { ...process.env, HOME: home, XDG_CONFIG_HOME: home, XDG_CACHE_HOME: home } });
children.push(chromium);
let devtools = null;
for (let i = 0; i < 300 && !devtools; ++i) {
  try {
    const [port, wsPath] = fs.readFileSync(path.join(profile, 'DevToolsActivePort'), 'utf8').split('\n');
    if (port && wsPath) devtools = `ws://127.0.0.1:${port}${wsPath}`;
  } catch (e) { /* not yet */ }
  if (!devtools) await sleep(100);
}
if (!devtools) fail('Chromium did not open its DevTools port');

const socket = new WebSocket(devtools);
await new Promise((resolve, reject) => { socket.onopen = resolve; socket.onerror = reject; });
let nextId = 1;
const pending = new Map();
socket.onmessage = (message) => {
  const data = JSON.parse(message.data);
  if (data.id && pending.has(data.id)) {
    const { resolve, reject } = pending.get(data.id);
    pending.delete(data.id);
    if (data.error) reject(new Error(JSON.stringify(data.error))); else resolve(data.result);
  }
};
let sessionId;
function send(method, params = {}) {
  const id = nextId++;
  socket.send(JSON.stringify({ id, method, params, sessionId }));
  return new Promise((resolve, reject) => pending.set(id, { resolve, reject }));
}
async function evaluate(expression) {
  const result = await send('Runtime.evaluate', { expression, awaitPromise: true, returnByValue: true });
  if (result.exceptionDetails) throw new Error(expression + ': ' + JSON.stringify(result.exceptionDetails));
  return result.result.value;
}
async function waitFor(expression, what) {
  for (let i = 0; i < 600; ++i) {
    if (await evaluate(expression)) return;
    await sleep(100);
  }
  fail('timed out waiting for ' + what);
}
const mouse = (type, x, y) => send('Input.dispatchMouseEvent', { type, x, y, button: 'left', buttons: type === 'mouseReleased' ? 0 : 1, clickCount: 1 });
async function click(selector) {
  const r = await evaluate(`(() => { const e = document.querySelector(${JSON.stringify(selector)}); e.scrollIntoView({block: 'center'}); const r = e.getBoundingClientRect(); return {x: r.left + r.width / 2, y: r.top + r.height / 2}; })()`);
  await mouse('mousePressed', r.x, r.y);
  await mouse('mouseReleased', r.x, r.y);
}

const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
({ sessionId } = await send('Target.attachToTarget', { targetId, flatten: true }));
await send('Page.enable');
await send('Runtime.enable');
await send('Emulation.setDeviceMetricsOverride', { width: 1280, height: 1000, deviceScaleFactor: 1, mobile: false });
await send('Page.navigate', { url: address });
await waitFor(`document.body && document.body.dataset.state === 'ready'`, 'the page to load');

// Pick the factory sound as a user does: the select's value and its change event.
await evaluate(`(() => { const s = document.getElementById('factory'); s.value = ${JSON.stringify(FACTORY)}; s.dispatchEvent(new Event('change')); })()`);
await waitFor(`document.body.dataset.sound === ${JSON.stringify(FACTORY)}`, 'the factory sound');

// Drag across the arc-to-tone editor in a few large steps; every point
// between must be set, not only those under the pointer's stops.
const box = await evaluate(`(() => { const c = document.getElementById('curve-Tone'); c.scrollIntoView({block: 'center'}); const r = c.getBoundingClientRect(); return {left: r.left, top: r.top, width: r.width, height: r.height}; })()`);
const xOf = (i) => box.left + ((i + 0.5) / 64) * box.width;
const y = box.top + ((1 - DRAWN_VALUE) / 2) * box.height;
await mouse('mousePressed', xOf(FIRST), y);
for (const i of [17, 23, 31, 36, LAST]) await mouse('mouseMoved', xOf(i), y);
await mouse('mouseReleased', xOf(LAST), y);
const pagePoints = await evaluate(`page.sound.curves[4].slice()`);

// Tone: the slider moved and its input event, as a drag on it would give.
await evaluate(`(() => { const t = document.getElementById('param-3'); t.value = ${TONE}; t.dispatchEvent(new Event('input')); })()`);
await waitFor(`document.querySelector('#param-3 ~ output').textContent === '0.800'`, "the plugin's value text of Tone");

await click('#play');
await waitFor(`document.body.dataset.played !== undefined`, 'the render');
await waitFor(`document.getElementById('picture').complete && document.getElementById('picture').naturalWidth > 0`, 'the picture');
const played = await evaluate(`page.lastPlay`);

await evaluate(`document.getElementById('save-name').value = ${JSON.stringify(SAVED_NAME)}`);
await click('#save');
await waitFor(`document.body.dataset.saved === ${JSON.stringify(SAVED_NAME)}`, 'the save');

await evaluate(`window.scrollTo(0, 0)`);
const shot = await send('Page.captureScreenshot', { format: 'png', captureBeyondViewport: true,
  clip: { x: 0, y: 0, width: 1280, height: await evaluate('document.documentElement.scrollHeight'), scale: 1 } });
fs.writeFileSync(path.join(work, 'studio-page.png'), Buffer.from(shot.data, 'base64'));
const top = await send('Page.captureScreenshot', { format: 'png', captureBeyondViewport: true, clip: { x: 0, y: 0, width: 1280, height: 1100, scale: 0.6 } });
fs.writeFileSync(path.join(work, 'studio-page-top.png'), Buffer.from(top.data, 'base64'));
console.log('screenshots: ' + path.join(work, 'studio-page.png') + ', studio-page-top.png');

// The saved document: the drawing and the value, as 32-bit floats.
const saved = JSON.parse(fs.readFileSync(path.join(sounds, SAVED_NAME), 'utf8'));
const tone = saved.state.arcs.Tone;
for (let i = 0; i < 64; ++i) {
  // Points off the drag keep the factory's ramp (computed there in 32-bit steps).
  const drawn = i >= FIRST && i <= LAST;
  const expected = drawn ? DRAWN_VALUE : (2 * i) / 63 - 1;
  const off = Math.abs(tone[i] - expected);
  if (drawn ? Math.fround(tone[i]) !== Math.fround(expected) : off > 1e-6) {
    fail(`saved Tone arc point ${i} is ${tone[i]}, not ${expected}`);
  }
  if (Math.fround(pagePoints[i]) !== Math.fround(tone[i])) fail(`the page shows point ${i} as ${pagePoints[i]}`);
}
if (Math.fround(saved.params.tone) !== Math.fround(TONE)) fail(`saved tone is ${saved.params.tone}`);
if (saved.plugin !== 'fennrow' || saved.kind !== 'instance') fail('the saved text is not a fennrow instance document');

// The same notes through fennrow-render's preset-file path.
const cliWav = path.join(work, 'cli.wav');
const render = spawnSync(renderProgram, ['--preset-file', path.join(sounds, SAVED_NAME), '--notes', played.notes,
  '--tempo', String(played.tempo), '--length', played.lengthBeats, '-o', cliWav, '--quiet'], { stdio: 'inherit' });
if (render.status !== 0) fail('fennrow-render failed on the saved document');

function samples(bytes) {
  let at = 12, format = 0, bits = 0, data = null;
  while (at + 8 <= bytes.length) {
    const id = bytes.toString('ascii', at, at + 4), size = bytes.readUInt32LE(at + 4);
    if (id === 'fmt ') { format = bytes.readUInt16LE(at + 8); bits = bytes.readUInt16LE(at + 22); if (format === 0xFFFE) format = bytes.readUInt16LE(at + 32); }
    if (id === 'data') data = bytes.subarray(at + 8, at + 8 + size);
    at += 8 + size + (size & 1);
  }
  if (format !== 3 || bits !== 32 || !data) fail('expected a 32-bit float WAV');
  return new Float32Array(data.buffer.slice(data.byteOffset, data.byteOffset + data.length));
}
const pageWav = Buffer.from(await (await fetch(origin + played.wav, { headers: { 'X-Studio-Token': token } })).arrayBuffer());
const a = samples(pageWav), b = samples(fs.readFileSync(cliWav));
if (a.length !== b.length) fail(`the page played ${a.length} samples, fennrow-render ${b.length}`);
let differing = 0, loudest = 0;
for (let i = 0; i < a.length; ++i) {
  if (a[i] !== b[i]) ++differing;
  loudest = Math.max(loudest, Math.abs(a[i]));
}
if (loudest < 0.01) fail('the page played silence');
if (differing) fail(`${differing} of ${a.length} samples differ between the page and fennrow-render`);
console.log(`page and fennrow-render agree on all ${a.length} samples; ${played.audioSeconds.toFixed(2)} s rendered in ` +
  `${(played.renderSeconds * 1000).toFixed(0)} ms, answered in ${(played.totalSeconds * 1000).toFixed(0)} ms`);
finish(0);
