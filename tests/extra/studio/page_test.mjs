// The studio page in headless Chromium, driven through the DevTools protocol:
// pick a factory sound, draw on the arc-to-tone curve with real pointer
// events, change Tone, play and save; then the saved document must hold the
// drawing and the value, and fennrow-render must play it sample for sample as
// the page did. Then, with real key and pointer events: undo and redo, the
// replace question after the name was edited, a change of Tone while the
// line loops, and notes from the computer keyboard.
//
// node --experimental-websocket page_test.mjs STUDIO RENDER WORK_DIR BROWSER
// Exits 77 (skipped) when this Node has no WebSocket client.
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { startStudio, openPage, finish, fail, sleep, CTRL, SHIFT } from './studio_browser.mjs';

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

fs.rmSync(work, { recursive: true, force: true });
const sounds = path.join(work, 'sounds');
fs.mkdirSync(path.join(sounds, 'drawn'), { recursive: true });

const { address, origin, token } = await startStudio(studioProgram, sounds);
const { send, evaluate, waitFor, mouse, key, click } = await openPage(browser, work, address);
// With the web build the page plays with its own engine; without it the studio renders.
const live = await evaluate('!!page.info.engine');
if (live) await waitFor('engine.live', "the page's engine to start");

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

const factoryTone = await evaluate(`page.sound.params[3]`);
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

// Undo and redo from the keyboard: Tone, then the drawing, and back.
await evaluate(`document.activeElement.blur()`);
await key('z', 'KeyZ', 90, CTRL);
await waitFor(`page.sound.params[3] === ${factoryTone} && Number(document.getElementById('param-3').value) === ${factoryTone} && page.sound.curves[4][${FIRST}] === ${DRAWN_VALUE}`, 'Tone undone');
await key('z', 'KeyZ', 90, CTRL);
await waitFor(`Math.abs(page.sound.curves[4][${FIRST}] - (${2 * FIRST / 63 - 1})) < 1e-6`, 'the drawing undone');
await key('Z', 'KeyZ', 90, CTRL | SHIFT);
await key('Z', 'KeyZ', 90, CTRL | SHIFT);
await waitFor(`page.sound.params[3] === ${TONE} && page.sound.curves[4][${FIRST}] === ${DRAWN_VALUE}`, 'both redone');

// "Replace it?" belongs to the name it was asked for: after the name is
// edited, nothing may replace the file under the new name.
const other = path.join(sounds, 'other.json');
const otherText = fs.readFileSync(path.join(sounds, SAVED_NAME), 'utf8').replace('"tone":', '"tone" :');
fs.writeFileSync(other, otherText);
await click('#save');
await waitFor(`!!document.querySelector('#status button')`, 'the replace question');
await evaluate(`(() => { const b = document.getElementById('save-name'); b.focus(); b.select(); })()`);
await send('Input.insertText', { text: 'other.json' });
if (await evaluate(`!!document.querySelector('#status button')`)) {
  await click('#status button');
  await sleep(1000);
}
if (fs.readFileSync(other, 'utf8') !== otherText) fail('other.json was replaced though only drawn/bass.json was confirmed');

const ANALYSE = `(() => {
  const rate = serverLoop.context.sampleRate, fade = Math.round(0.004 * rate), span = Math.round(0.2 * rate);
  const now = serverLoop.swaps.at(-1), before = serverLoop.swaps.at(-2);
  const out = new Map();
  for (const block of window.tapped) {
    const first = Math.round(block.t * rate);
    block.d.forEach((v, k) => out.set(first + k, v));
  }
  const at = (swap, frame) => {
    const frames = Math.round(swap.loopSeconds * rate), start = Math.round((swap.when - swap.offset) * rate);
    return swap.buffer.getChannelData(0)[(((frame - start) % frames) + frames) % frames];
  };
  const swapFrame = Math.round(now.when * rate);
  // The tap may lag the schedule by a fixed number of frames: find it.
  const error = (lag, from, to, swap) => {
    let worst = 0;
    for (let f = from; f < to; ++f) {
      const v = out.get(f + lag);
      if (v === undefined) return Infinity;
      worst = Math.max(worst, Math.abs(v - at(swap, f)));
    }
    return worst;
  };
  let lag = null;
  for (let l = -16384; l <= 16384 && lag === null; ++l) {
    if (error(l, swapFrame + fade, swapFrame + fade + 64, now) < 1e-6) lag = l;
  }
  if (lag === null) return { lag };
  // Before the swap, back to the swap before it, only the old render plays.
  const beforeFrom = Math.max(swapFrame - span, Math.round(before.when * rate) + fade);
  if (swapFrame - fade - beforeFrom < 64) return { lag, before: NaN };
  let louder = 0, differ = 0;
  for (let f = swapFrame; f < swapFrame + fade; ++f) louder = Math.max(louder, Math.abs(out.get(f + lag)) - Math.abs(at(now, f)));
  for (let f = swapFrame; f < swapFrame + span; ++f) differ = Math.max(differ, Math.abs(at(now, f) - at(before, f)));
  return { lag, after: error(lag, swapFrame + fade, swapFrame + span, now),
           before: error(lag, beforeFrom, swapFrame - fade, before), louder, differ };
})()`;

// Loop mode without the page's engine: Tone changes from the keyboard while
// the line loops; the next render takes over at the same place in the loop,
// and after the swap only the new render is heard. The page's output is
// tapped to check it. (The engine's own loop is checked by live_page_test.)
if (!live) {
await evaluate(`document.activeElement.blur()`);
await click('#loop');
await waitFor(`document.body.dataset.loopRender !== undefined && serverLoop.context.currentTime > 0`, 'the loop to start');
await evaluate(`(() => {
  const c = serverLoop.context, tap = c.createScriptProcessor(4096, 2, 2);
  window.tapped = [];
  tap.onaudioprocess = (e) => window.tapped.push({ t: e.playbackTime, d: Float32Array.from(e.inputBuffer.getChannelData(0)) });
  serverLoop.out.connect(tap);
  tap.connect(c.destination);
  window.keepTap = tap;
})()`);
// The tap's blocks carry their own times; a block the browser dropped under
// load leaves a gap, and the check is then made again on the next change.
let swap = null;
const whole = (r) => r && r.lag !== null && [r.after, r.before, r.louder].every(Number.isFinite);
for (let attempt = 0; attempt < 3 && !whole(swap); ++attempt) {
  await sleep(500);
  await evaluate(`document.getElementById('param-3').focus()`);
  const arrow = attempt % 2 ? 'ArrowRight' : 'ArrowLeft';
  for (let i = 0; i < 30; ++i) await key(arrow, arrow, attempt % 2 ? 39 : 37);
  const tone = await evaluate(`page.sound.params[3]`);
  const swaps = await evaluate(`serverLoop.swaps.length`);
  await waitFor(`page.sound.params[3] === ${tone} && !serverLoop.busy && !serverLoop.again && serverLoop.swaps.length > ${swaps} && serverLoop.context.currentTime > serverLoop.swaps.at(-1).when + 0.5`, 'the new render to loop');
  swap = await evaluate(ANALYSE);
}
if (swap.lag === null) fail('the output after the swap is not the new render (or the tap dropped blocks three times)');
if (!(swap.after < 1e-6)) fail(`after the swap the output differs from the new render by ${swap.after}`);
if (!(swap.before < 1e-6)) fail(`before the swap the output differs from the old render by ${swap.before}`);
if (!(swap.louder <= 1e-6)) fail(`the old render is heard after the swap (${swap.louder} louder than the new one)`);
if (!(swap.differ > 0.01)) fail(`the two renders hardly differ (${swap.differ}); the check says nothing`);
await click('#loop');
console.log(`loop swap: the new render takes over at the same place; the tap lags by ${swap.lag} frames`);
}

// Notes from the computer keyboard: played by the page's engine, or
// rendered on demand through the plugin without it.
await evaluate(`document.activeElement.blur()`);
await key('a', 'KeyA', 65, 0, 'a');
if (live) await waitFor(`notes.heard.some((n) => n.key === 36 && n.on)`, 'the note of A');
else await waitFor(`document.body.dataset.note === '36' && notes.rendered && notes.rendered.notes.startsWith('36:0:2:')`, 'the note of A');
await key('x', 'KeyX', 88, 0, 'x');
await key('j', 'KeyJ', 74, 0, 'j');
if (live) await waitFor(`notes.heard.some((n) => n.key === 59 && n.on)`, 'the note of J an octave up');
else await waitFor(`document.body.dataset.note === '59' && notes.last.buffer.getChannelData(0).some((v) => Math.abs(v) > 0.01)`, 'the note of J an octave up');

finish(0);
