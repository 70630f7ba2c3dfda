// node --experimental-vm-modules check-module.mjs MODULE.js SOUND NOTES SETS RENDER.wav STATE.json
//
// Loads fennrow-web.js the way an AudioWorklet does (a module script in a
// scope with no DOM, no TextDecoder, no atob, no require), plays a line
// through its API in 128-frame blocks and checks that it gives the very
// samples fennrow-render wrote for the same sound, notes ("KEY:START:LENGTH:
// VELOCITY", beats at 120 BPM, keys as numbers) and parameter changes
// ("ID=VALUE@BEAT"), that it saves the sound's state as fennrow-render
// does, and that it refuses a broken state and plays on.
import fs from "node:fs";
import vm from "node:vm";

const [modulePath, sound, notesText, setsText, wavPath, statePath] = process.argv.slice(2);
const kBlock = 128;
const kTempo = 120;

function fail(message) {
  console.error(`check-module: ${message}`);
  process.exit(1);
}

// The samples of a 32-bit float stereo WAV, interleaved.
function wavSamples(path) {
  const bytes = fs.readFileSync(path);
  let offset = 12;
  while (offset + 8 <= bytes.length) {
    const id = bytes.toString("latin1", offset, offset + 4);
    const size = bytes.readUInt32LE(offset + 4);
    if (id === "data") return new Float32Array(bytes.buffer.slice(bytes.byteOffset + offset + 8, bytes.byteOffset + offset + 8 + size));
    offset += 8 + size + (size & 1);
  }
  fail(`${path} has no data chunk`);
}

async function loadLikeAWorklet(path) {
  const context = vm.createContext({});
  const script = new vm.SourceTextModule(fs.readFileSync(path, "utf8"), { context });
  await script.link(() => fail("the module imports something"));
  await script.evaluate();
  if (typeof context.createFennrow !== "function") fail("the module set no globalThis.createFennrow");
  return context.createFennrow();
}

const sampleRate = 48000;
const frameAt = (beat) => Math.round(((beat * 60) / kTempo) * sampleRate);

// Every event in frame order; at one frame parameter changes, then note
// offs, then note ons, as fennrow-render sends them.
const events = [];
for (const item of setsText.split(/\s+/).filter(Boolean)) {
  const [, id, value, beat] = item.match(/^(\d+)=([^@]+)@(.+)$/);
  events.push({ frame: frameAt(Number(beat)), rank: 0, id: Number(id), value: Number(value) });
}
for (const item of notesText.split(/\s+/).filter(Boolean)) {
  const [key, start, length, velocity] = item.split(":").map(Number);
  events.push({ frame: frameAt(start), rank: 2, key, velocity });
  events.push({ frame: frameAt(start + length), rank: 1, key, velocity: 0 });
}
events.sort((a, b) => a.frame - b.frame || a.rank - b.rank);

const fennrow = await loadLikeAWorklet(modulePath);
const engine = fennrow._fennrow_web_create(sampleRate, kBlock);
if (!engine) fail(`no engine: ${fennrow.UTF8ToString(fennrow._fennrow_web_error(0))}`);
const name = fennrow._malloc(fennrow.lengthBytesUTF8(sound) + 1);
fennrow.stringToUTF8(sound, name, fennrow.lengthBytesUTF8(sound) + 1);
if (!fennrow._fennrow_web_load_preset_named(engine, name)) fail(`no sound ${sound}`);
fennrow._free(name);
const state = fennrow.UTF8ToString(fennrow._fennrow_web_save_state(engine));
if (state !== fs.readFileSync(statePath, "utf8")) fail("the saved state differs from fennrow-render's");

const want = wavSamples(wavPath);
const frames = want.length / 2;
const tempo = fennrow._malloc(16);
fennrow.HEAPF64.set([0, kTempo], tempo / 8);
fennrow._fennrow_web_set_tempo_map(engine, tempo, 1);
fennrow._free(tempo);
fennrow._fennrow_web_set_playing(engine, 1);

let next = 0;
let differing = 0;
let first = -1;
for (let start = 0; start < frames; start += kBlock) {
  const count = Math.min(kBlock, frames - start);
  for (; next < events.length && events[next].frame < start + count; ++next) {
    const e = events[next];
    const at = e.frame - start;
    if (e.rank === 0) fennrow._fennrow_web_set_param(engine, e.id, e.value, at);
    else if (e.rank === 1) fennrow._fennrow_web_note_off(engine, e.key, e.velocity, at);
    else fennrow._fennrow_web_note_on(engine, e.key, e.velocity, at);
  }
  if (!fennrow._fennrow_web_process(engine, count)) fail(`block at ${start} failed`);
  const left = new Float32Array(fennrow.HEAPF32.buffer, fennrow._fennrow_web_left(engine), count);
  const right = new Float32Array(fennrow.HEAPF32.buffer, fennrow._fennrow_web_right(engine), count);
  for (let i = 0; i < count; ++i) {
    for (const [channel, sample] of [[0, left[i]], [1, right[i]]]) {
      if (!Object.is(sample, want[2 * (start + i) + channel])) {
        ++differing;
        if (first < 0) first = start + i;
      }
    }
  }
}
if (differing > 0) fail(`${differing} of ${2 * frames} samples differ from fennrow-render's, the first at frame ${first}`);
// A state the plugin refuses is reported, and the engine plays on.
const broken = fennrow._malloc(16);
fennrow.stringToUTF8('{"kind":', broken, 16);
if (fennrow._fennrow_web_load_state(engine, broken, 8)) fail("a broken state was taken");
if (!fennrow.UTF8ToString(fennrow._fennrow_web_error(engine))) fail("a refused state gave no reason");
fennrow._free(broken);
if (!fennrow._fennrow_web_process(engine, kBlock)) fail("no block after a refused state");

console.log(`check-module: ${frames} frames of ${sound} in ${kBlock}-frame blocks equal fennrow-render's, and so does its state`);
