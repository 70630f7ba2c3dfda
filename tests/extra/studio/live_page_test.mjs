// The page as a live instrument, in headless Chromium with real input: its
// own engine (an AudioWorklet running the plugin) takes every change in the
// next audio block and loops without a seam; A and B keep their edits and
// the saved text is the engine's own; a failed request leaves the page
// working; typed values are read strictly; keys play notes after a sound is
// chosen; MIDI notes reach the engine; the layout holds on a laptop, on a
// phone and with the longest name.
//
// node --experimental-websocket live_page_test.mjs STUDIO WORK_DIR BROWSER
import fs from 'node:fs';
import path from 'node:path';
import { startStudio, openPage, finish, fail, sleep } from './studio_browser.mjs';

const [studioProgram, work, browser] = process.argv.slice(2);
if (typeof WebSocket === 'undefined') {
  console.log('this Node has no WebSocket client; skipping the live page test');
  process.exit(77);
}
const TONE = 3, DRIVE = 2, MOTION_RATE = 8, GLIDE = 9;
const LONG_NAME = 'n'.repeat(250) + '.json';  // 255 bytes, the most a file name may have

fs.rmSync(work, { recursive: true, force: true });
const sounds = path.join(work, 'sounds');
fs.mkdirSync(sounds, { recursive: true });
fs.writeFileSync(path.join(sounds, LONG_NAME), '{"kind":"instance","spec":"1.0","plugin":"fennrow","params":{}}');

// A MIDI keyboard the page is given in place of the browser's.
const FAKE_MIDI = `
  window.fakeKeys = { id: 'keys-1', name: 'Test Keys', state: 'connected', onmidimessage: null };
  Object.defineProperty(Navigator.prototype, 'requestMIDIAccess', { configurable: true,
    value: async () => ({ inputs: new Map([['keys-1', window.fakeKeys]]), onstatechange: null }) });`;

const studio = await startStudio(studioProgram, sounds);
const page = await openPage(browser, work, studio.address, { width: 1366, height: 768, beforeLoad: FAKE_MIDI });
const { send, evaluate, waitFor, key, click } = page;
const value = (id) => evaluate(`page.sound.params[${id}]`);

// Without the web build the page has the studio render; the checks of the
// engine itself are then left out, the rest hold all the same.
const live = await evaluate('!!page.info.engine');
if (live) {
  await waitFor('engine.live', "the page's engine to start", 600);
  console.log(`the page's engine started in ${(await evaluate('engine.timing.total')).toFixed(0)} ms`);
} else if (process.env.FENNROW_STUDIO_REQUIRE_ENGINE === '1') {
  throw new Error('this studio was built without the web build, and the test command requires its engine');
} else {
  console.log('this studio was built without the web build: the checks of the engine are left out');
}

// ----- a note after choosing a sound, with real keys -----
await evaluate(`document.getElementById('factory').focus()`);
await key('ArrowDown', 'ArrowDown', 40);
await waitFor(`document.body.dataset.sound && document.body.dataset.sound === document.getElementById('factory').value`, 'a factory sound chosen with the arrow key');
const chosen = await evaluate('document.body.dataset.sound');
// D is a note, and the first letter of factory sounds the menu would jump to.
await key('d', 'KeyD', 68, 0, 'd');
if (await evaluate(`document.activeElement === document.getElementById('factory')`)) fail('the focus stays on the menu');
const heard = (key, on, velocity = null) => `notes.heard.some((n) => n.key === ${key} && n.on === ${on}` +
  (velocity === null ? '' : ` && Math.abs(n.velocity - ${velocity}) < 1e-9`) + ')';
if (live) await waitFor(heard(40, true), 'the note of D in the engine');
else await sleep(500);
if (await evaluate('document.body.dataset.sound') !== chosen) fail('D chose another sound instead of playing a note');
await evaluate(`document.getElementById('factory').value`).then((v) => { if (v !== chosen) fail('the menu changed to ' + v); });

// ----- MIDI notes reach the engine, with velocity; a browser without MIDI is named -----
if (live) {
await waitFor(heard(40, false), 'the note of D ending with its key');
await evaluate('notes.heard = []');

await waitFor(`document.getElementById('midi-inputs').textContent.includes('Test Keys')`, 'the MIDI device list');
await evaluate(`window.fakeKeys.onmidimessage({ data: new Uint8Array([0x90, 40, 100]) })`);
await waitFor(heard(40, true, 100 / 127), 'the MIDI note on');
await evaluate(`window.fakeKeys.onmidimessage({ data: new Uint8Array([0x90, 40, 0]) })`);
await waitFor(heard(40, false), 'a MIDI note on with velocity 0 ending the note');
}
await evaluate(`(async () => { const kept = navigator.requestMIDIAccess; Object.defineProperty(Navigator.prototype, 'requestMIDIAccess', { configurable: true, value: undefined }); await midi.start(); })()`);
if (!/no MIDI/.test(await evaluate(`document.getElementById('midi-state').textContent`))) fail('the page does not say the browser gives no MIDI');

// ----- a change heard in the next audio block (the engine) -----
if (live) {
// One bar at 400 BPM: a loop of 0.6 s, so that a recording holds several passes.
await evaluate(`document.getElementById('bars').value = 1; document.getElementById('tempo').value = 400;`);
await click('#loop');
await waitFor(`engine.playing && engine.playing.loop && engine.applied.some((a) => a.kind === 'line')`, 'the loop');
await sleep(300);
await evaluate(`document.getElementById('param-${TONE}').focus()`);
const firstChange = await evaluate('engine.serial');
for (let i = 0; i < 20; ++i) {
  await key('ArrowRight', 'ArrowRight', 39);
  await sleep(30);
}
await waitFor(`engine.applied.filter((a) => a.kind === 'sound' && a.serial > ${firstChange}).length === 20`, 'the changes to reach the engine');
const changes = await evaluate(`engine.applied.filter((a) => a.kind === 'sound' && a.serial > ${firstChange})`);
const rate = await evaluate('engine.context.sampleRate');
let slowest = 0;
for (const c of changes) {
  // Taken at the start of the very block that followed its arrival, before that block was made.
  if (c.frame !== c.arrivedFrame) fail(`a change arrived before frame ${c.arrivedFrame} and was taken at ${c.frame}`);
  slowest = Math.max(slowest, c.frame - c.postedFrame);
}
const outputLatency = await evaluate('(engine.context.baseLatency || 0) + (engine.context.outputLatency || 0)');
console.log(`changes: 20 of 20 taken in the block after they arrived; from the page's audio clock to that block at most ` +
  `${slowest} frames (${(slowest / rate * 1000).toFixed(1)} ms), plus the output's ${(outputLatency * 1000).toFixed(1)} ms`);

// ----- the loop point is seamless -----
const recording = await evaluate(`new Promise((resolve) => {
  const serial = engine.post({ type: 'record', frames: Math.round(2 * engine.context.sampleRate) });
  engine.waiting.set(serial, (d) => resolve({ first: d.first, passes: d.passes, left: Array.from(d.left) }));
})`);
const { left } = recording;
const seams = recording.passes.map((f) => f - recording.first).filter((i) => i > 256 && i < left.length - 1);
if (seams.length < 2) fail(`the recording holds ${seams.length} loop points`);
let ownStep = 0, seamStep = 0;
for (let i = 1; i < left.length; ++i) {
  const step = Math.abs(left[i] - left[i - 1]);
  if (seams.includes(i)) seamStep = Math.max(seamStep, step); else ownStep = Math.max(ownStep, step);
}
// The tail of the pass sounds up to the loop point: no gap, no silence before it.
let before = 0;
for (const s of seams) for (let i = s - 240; i < s; ++i) before = Math.max(before, Math.abs(left[i]));
if (!(ownStep > 0.001)) fail('the loop plays silence');
if (seamStep > ownStep) fail(`the loop point steps by ${seamStep}, more than the signal's own ${ownStep}`);
if (!(before > 0.001)) fail('the output is silent just before the loop point');
console.log(`loop seam: ${seams.length} loop points, the largest step there ${seamStep.toFixed(4)} against the signal's own ${ownStep.toFixed(4)}`);
await click('#loop');
await waitFor(`engine.playing === null`, 'the loop to stop');
}

// ----- a failed request, then the page works again -----
await send('Fetch.enable', { patterns: [{ urlPattern: '*/api/line*' }, { urlPattern: '*/api/play*' }] });
const failing = new Promise((resolve) => page.listen((m) => {
  if (m.method === 'Fetch.requestPaused') send('Fetch.failRequest', { requestId: m.params.requestId, errorReason: 'ConnectionRefused' }).then(resolve);
}));
await click('#play');
await failing;
await waitFor(`document.getElementById('status').className === 'error' && !document.getElementById('play').disabled`, 'the failure to be shown');
if (await evaluate('engine.playing !== null || serverLoop.on')) fail('the page plays though its request failed: ' + await evaluate('JSON.stringify([engine.playing, document.getElementById("status").textContent])'));
await send('Fetch.disable');
await evaluate('delete document.body.dataset.played');
await click('#play');
await waitFor(live ? `engine.playing && !engine.playing.loop` : 'document.body.dataset.played', 'Play to work again');
if (live) await click('#play');

// ----- typed values: units the plugin writes, strictly, never snapped -----
async function typeInto(id, text, leave) {
  await click(`#param-${id} ~ output`);
  await waitFor(`document.activeElement.classList.contains('param-type')`, 'the value box');
  await evaluate(`document.activeElement.select()`);
  await send('Input.insertText', { text });
  if (leave === 'Tab') await key('Tab', 'Tab', 9);
  else await key('Enter', 'Enter', 13);
}
await typeInto(GLIDE, '0.3 ms', 'Enter');
await waitFor(`Math.abs(page.sound.params[${GLIDE}] - 0.0003) < 1e-9`, '0.3 ms read as 0.0003 s');
for (const junk of ['0,3 s', '0.3 s junk', '0.3 kHz']) {
  const kept = await value(GLIDE);
  await typeInto(GLIDE, junk, 'Tab');
  await waitFor(`document.getElementById('status').className === 'error' && /not a value of Glide/.test(document.getElementById('status').textContent)`, `"${junk}" refused`);
  await sleep(100);
  if (!(await evaluate(`document.activeElement.classList.contains('param-type')`))) fail(`the focus left the box after "${junk}"`);
  if (await value(GLIDE) !== kept) fail(`"${junk}" changed Glide`);
  await key('Escape', 'Escape', 27);
  await evaluate(`document.getElementById('status').className = ''`);
}
await typeInto(MOTION_RATE, '2 beats', 'Tab');
await waitFor(`page.sound.params[${MOTION_RATE}] === 2`, '2 beats kept as 2 after Tab');

// ----- A and B keep their edits; the saved text is the engine's own -----
await evaluate(`document.getElementById('param-${TONE}').focus()`);
for (let i = 0; i < 3; ++i) await key('ArrowRight', 'ArrowRight', 39);
const editedTone = await value(TONE);
await click('#compare');
await waitFor(`page.active === 1`, 'B');
if (await value(TONE) === editedTone) fail('B holds the edit made to A');
await evaluate(`document.getElementById('param-${DRIVE}').focus()`);
for (let i = 0; i < 5; ++i) await key('ArrowLeft', 'ArrowLeft', 37);
const editedDrive = await value(DRIVE);
await click('#compare');
await waitFor(`page.active === 0`, 'A again');
if (await value(TONE) !== editedTone) fail('A lost its edit of Tone after B was edited');
if (await value(DRIVE) === editedDrive) fail('A holds the edit made to B');
await evaluate(`document.activeElement.blur()`);
await key('z', 'KeyZ', 90, 2);
if (await value(TONE) === editedTone && await value(MOTION_RATE) === 2 && await value(GLIDE) === 0.0003) fail('undo on A undid nothing');
await key('Z', 'KeyZ', 90, 2 | 8);
await click('#compare');
await waitFor(`page.active === 1 && page.sound.params[${DRIVE}] === ${editedDrive}`, 'B with its edit');
await evaluate(`document.getElementById('save-name').value = 'b-sound.json'`);
await click('#save');
await waitFor(`document.body.dataset.saved === 'b-sound.json'`, 'the save of B');
const saved = fs.readFileSync(path.join(sounds, 'b-sound.json'), 'utf8');
if (Math.fround(JSON.parse(saved).params.drive) !== Math.fround(editedDrive)) fail('the file does not hold B');
if (await evaluate(`document.body.dataset.dirty`) !== 'yes') fail('the page is marked clean though A has edits not saved');
if (!/B: b-sound\.json/.test(await evaluate(`document.getElementById('compare').textContent`))) fail('B is not named for what it is');
const engineText = live ? await evaluate(`engine.saved().then((d) => d.text)`) : saved;
if (engineText !== saved) { let at = 0; while (saved[at] === engineText[at]) ++at; fail(`the studio saved another text than the page's engine would, from byte ${at}:\n${saved.slice(at - 80, at + 80)}\n${engineText.slice(at - 80, at + 80)}`); }
console.log(`A/B: both kept; B saved, ${saved.length} bytes` + (live ? ", byte for byte what the page's engine saves" : ''));

// ----- the layout: a laptop screen, a phone, the longest name -----
await evaluate(`(() => { const s = document.getElementById('documents'); s.value = ${JSON.stringify(LONG_NAME)}; })()`);
await evaluate(`window.confirm = () => true`);
await click('#open');
await waitFor(`document.body.dataset.sound === ${JSON.stringify(LONG_NAME)}`, 'the document with the longest name');
await click('#play');
await waitFor(`document.getElementById('picture').complete && document.getElementById('picture').naturalWidth > 0 && !document.getElementById('result').hidden`, 'the picture');
await evaluate('window.scrollTo(0, 0)');
const laptop = await evaluate(`({ control: document.querySelector('.param').getBoundingClientRect().bottom, menu: document.getElementById('documents').getBoundingClientRect().width, wide: document.documentElement.scrollWidth })`);
if (laptop.control > 768) fail(`at 1366x768 the first control ends at ${laptop.control} px, below the fold`);
if (laptop.menu > 400 || laptop.wide > 1366) fail(`the longest name widens the menu to ${laptop.menu} px, the page to ${laptop.wide} px`);
await send('Emulation.setDeviceMetricsOverride', { width: 390, height: 844, deviceScaleFactor: 1, mobile: true });
await sleep(300);
const phone = await evaluate('document.documentElement.scrollWidth');
if (phone > 390) fail(`at 390 px the page is ${phone} px wide`);
const shot = await send('Page.captureScreenshot', { format: 'png' });
fs.writeFileSync(path.join(work, 'studio-phone.png'), Buffer.from(shot.data, 'base64'));
console.log(`layout: first control ends at ${laptop.control.toFixed(0)} px of 768; menu ${laptop.menu.toFixed(0)} px; 390 px page ${phone} px wide`);

finish(0);
