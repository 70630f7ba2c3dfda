// The studio's AudioWorklet: the plugin (fennrow_web.js, loaded into this
// scope before this file) run in real time. Messages from the page are taken
// at the start of the next block, before it is made: a change of the sound
// is heard in that very block. The line is played from here, to the frame,
// and loops without a seam: the plugin runs on across the loop point, so the
// tail of one pass sounds over the start of the next.
'use strict';

const BLOCK = 128;

// The shortest text of a 32-bit float that reads back to it, spelt as the
// studio's JSON writer spells it (the shorter of fixed and exponent form, as
// printf would write it, fixed on a tie): the plugin keeps a number's
// spelling when its value is unchanged, so the text it saves after this
// state is the one it saves after the studio's.
function floatText(value) {
  const v = Math.fround(value);
  if (v === 0) return Object.is(v, -0) ? '-0' : '0';
  const sign = v < 0 ? '-' : '';
  const a = Math.abs(v);
  // The fewest digits that read back to the float; of those, the nearest to
  // it (beside a power of two the nearest by rounding may not read back).
  let digits = '', e = 0;
  for (let p = 1; p <= 9 && !digits; ++p) {
    const [m, x] = a.toExponential(p - 1).split('e');
    const mantissa = Number(m.replace('.', ''));
    // Halfway between two such numbers, the even one, as printf rounds.
    const longer = a.toExponential(p);
    const halfway = Number(longer) === a && longer.split('e')[0].endsWith('5');
    let best = null;
    for (const candidate of [mantissa, mantissa - 1, mantissa + 1]) {
      if (String(candidate).length !== p) continue;
      const read = Number(`${candidate}e${Number(x) - p + 1}`);
      if (Math.fround(read) !== a) continue;
      const off = halfway && candidate !== mantissa + 1 ? candidate % 2 : Math.abs(read - a) + 1;
      if (!best || off < best.off) best = { text: String(candidate), off };
    }
    if (best) { digits = best.text.replace(/0+$/, '') || '0'; e = Number(x); }
  }
  const scientific = `${sign}${digits[0]}${digits.length > 1 ? '.' + digits.slice(1) : ''}e${e < 0 ? '-' : '+'}${String(Math.abs(e)).padStart(2, '0')}`;
  // Fixed form as printf writes it: a whole number with all its digits.
  const fixed = sign + (e >= digits.length - 1 ? BigInt(a).toString()
    : e >= 0 ? `${digits.slice(0, e + 1)}.${digits.slice(e + 1)}`
      : `0.${'0'.repeat(-e - 1)}${digits}`);
  return fixed.length <= scientific.length ? fixed : scientific;
}

// Numbers read with their own spelling and written back with it, where the
// browser can (JSON.rawJSON); elsewhere as JavaScript spells them.
const keepsSpelling = typeof JSON.rawJSON === 'function';
const parseKeeping = (text) => JSON.parse(text, keepsSpelling
  ? (key, value, context) => (typeof value === 'number' ? JSON.rawJSON(context.source) : value) : undefined);
const floatJson = (v) => (keepsSpelling ? JSON.rawJSON(floatText(v)) : Math.fround(v));

// The page's curves into a state text of the plugin's, as 32-bit floats, in
// the places the page was told (under "state", or "state"/"arcs").
function withCurves(text, curves, slots) {
  const document = parseKeeping(text);
  const state = document.state || (document.state = {});
  slots.forEach((slot, i) => {
    const into = slot.underArcs ? (state.arcs || (state.arcs = {})) : state;
    into[slot.key] = curves[i].map(floatJson);
  });
  return JSON.stringify(document);
}

class FennrowProcessor extends AudioWorkletProcessor {
  constructor(options) {
    super();
    this.slots = options.processorOptions.curves;
    this.inbox = [];
    this.line = null;       // {notes, loopFrames, endFrames, loop, at, sounding: Set}
    this.baseText = null;   // the plugin's saved text of the base, to put curves into
    this.curves = null;     // the curves last loaded, as JSON
    this.recording = null;  // {left, at, first, passes}: the output, for the page's checks
    // The frame of the block to come: a message taken there was heard at once.
    this.port.onmessage = (event) => this.inbox.push({ ...event.data, arrivedFrame: currentFrame });
    const began = Date.now();
    globalThis.createFennrow().then((module) => {
      this.m = module;
      this.engine = module._fennrow_web_create(sampleRate, BLOCK);
      if (!this.engine) throw new Error(module.UTF8ToString(module._fennrow_web_error(0)));
      this.freshText = this.saveState();
      this.port.postMessage({ type: 'ready', milliseconds: Date.now() - began });
    }).catch((e) => this.port.postMessage({ type: 'failed', error: String(e && e.message || e) }));
  }

  error() { return this.m.UTF8ToString(this.m._fennrow_web_error(this.engine)); }

  saveState() {
    const pointer = this.m._fennrow_web_save_state(this.engine);
    return pointer ? this.m.UTF8ToString(pointer, this.m._fennrow_web_saved_state_length(this.engine)) : null;
  }

  loadState(text) {
    const m = this.m;
    const bytes = m.lengthBytesUTF8(text);
    const pointer = m._malloc(bytes + 1);
    m.stringToUTF8(text, pointer, bytes + 1);
    const ok = m._fennrow_web_load_state(this.engine, pointer, bytes);
    m._free(pointer);
    return ok === 1;
  }

  loadPreset(name) {
    const m = this.m;
    const bytes = m.lengthBytesUTF8(name);
    const pointer = m._malloc(bytes + 1);
    m.stringToUTF8(name, pointer, bytes + 1);
    const ok = m._fennrow_web_load_preset_named(this.engine, pointer);
    m._free(pointer);
    return ok === 1;
  }

  // The sound as the studio makes it: the base's text with the page's
  // curves loaded as a state, then the page's parameter values.
  applySound(sound) {
    const curves = JSON.stringify(sound.curves);
    if (curves !== this.curves) {
      if (!this.loadState(withCurves(this.baseText, sound.curves, this.slots))) return this.error();
      this.curves = curves;
    }
    for (const [id, value] of Object.entries(sound.params)) {
      if (this.m._fennrow_web_param_value(this.engine, Number(id)) !== value) {
        this.m._fennrow_web_set_param(this.engine, Number(id), value, 0);
      }
    }
    return null;
  }

  // The parameter values and curves of the sound just loaded, as the page keeps them.
  soundOfBase() {
    const m = this.m, engine = this.engine;
    const params = {};
    const count = m._fennrow_web_param_count(engine);
    for (let i = 0; i < count; ++i) {
      const id = m._fennrow_web_param_id(engine, i) >>> 0;
      params[id] = m._fennrow_web_param_value(engine, id);
    }
    const state = JSON.parse(this.baseText).state || {};
    const curves = this.slots.map((slot) => ((slot.underArcs ? state.arcs || {} : state)[slot.key] || []).slice());
    return { params, curves };
  }

  take(message) {
    let error = null;
    switch (message.type) {
      case 'base': {
        const base = message.base;
        const loaded = base.factory !== undefined ? this.loadPreset(base.factory)
          : this.loadState(base.text !== undefined ? base.text : this.freshText);
        if (!loaded) { error = this.error(); break; }
        this.baseText = this.saveState();
        this.curves = null;
        error = this.applySound(message.sound);
        break;
      }
      case 'sound':
        if (this.baseText !== null) error = this.applySound(message.sound);
        break;
      case 'factory':
        // A factory sound straight from the plugin: heard from this block on,
        // and its values handed to the page to show.
        if (!this.loadPreset(message.name)) { error = this.error(); break; }
        this.baseText = this.saveState();
        this.curves = null;
        this.port.postMessage({ type: 'factory', serial: message.serial, sound: this.soundOfBase() });
        break;
      case 'note': {
        const call = message.on ? this.m._fennrow_web_note_on : this.m._fennrow_web_note_off;
        call(this.engine, message.key, message.velocity, 0);
        this.port.postMessage({ type: 'note', serial: message.serial, on: message.on, key: message.key,
                                velocity: message.velocity, frame: currentFrame });
        break;
      }
      case 'line': {
        this.endLine();
        // Looping, a note that ends at or past the loop point ends in the next pass.
        const notes = message.loop
          ? message.notes.map((n) => ({ ...n, off: n.off >= message.loopFrames ? n.off % message.loopFrames : n.off }))
          : message.notes;
        this.line = { ...message, notes, at: 0, sounding: new Set() };
        this.m._fennrow_web_set_song_frame(this.engine, 0);
        this.setTempoMap(message.tempoMap);
        this.m._fennrow_web_set_playing(this.engine, 1);
        break;
      }
      case 'stop':
        this.endLine();
        break;
      case 'record':
        this.recording = { serial: message.serial, left: new Float32Array(message.frames), at: 0,
                           first: currentFrame, passes: [] };
        break;
      case 'save':
        this.port.postMessage({ type: 'saved', serial: message.serial, text: this.saveState() });
        break;
      default:
        break;
    }
    if (error) this.port.postMessage({ type: 'error', serial: message.serial, error });
    // When the change reached the engine: the first frame of the block it is heard in.
    this.port.postMessage({ type: 'applied', serial: message.serial, kind: message.type, frame: currentFrame,
                            arrivedFrame: message.arrivedFrame, postedFrame: message.postedFrame });
  }

  // [[beat, bpm], ...], as the line's tempo map has it.
  setTempoMap(changes) {
    const m = this.m;
    const pointer = m._malloc(16 * changes.length);
    changes.forEach(([beat, bpm], i) => {
      m.HEAPF64[(pointer >> 3) + 2 * i] = beat;
      m.HEAPF64[(pointer >> 3) + 2 * i + 1] = bpm;
    });
    m._fennrow_web_set_tempo_map(this.engine, pointer, changes.length);
    m._free(pointer);
  }

  endLine() {
    if (!this.line) return;
    for (const key of this.line.sounding) this.m._fennrow_web_note_off(this.engine, key, 0, 0);
    this.line = null;
    this.m._fennrow_web_set_playing(this.engine, 0);
  }

  // The line's events in this block: offs before ons at the same frame, so
  // that a note ending at the loop point frees the key for the next pass.
  playLine(frames) {
    const line = this.line;
    if (!line) return;
    const m = this.m, engine = this.engine;
    const period = line.loop ? line.loopFrames : Infinity;
    for (let offset = 0; offset < frames;) {
      const at = line.loop ? line.at % period : line.at;
      const span = Math.min(frames - offset, period - at);
      if (line.loop && at === 0) {
        m._fennrow_web_set_song_frame(engine, 0);
        if (this.recording) this.recording.passes.push(currentFrame + offset);
      }
      for (const pass of [false, true]) {
        for (const note of line.notes) {
          const frame = pass ? note.on : note.off;
          if (frame >= at && frame < at + span) {
            const within = offset + frame - at;
            if (pass) {
              m._fennrow_web_note_on(engine, note.key, note.velocity, within);
              line.sounding.add(note.key);
            } else {
              m._fennrow_web_note_off(engine, note.key, 0, within);
              line.sounding.delete(note.key);
            }
          }
        }
      }
      line.at += span;
      offset += span;
    }
    if (!line.loop && line.at >= line.endFrames) {
      this.endLine();
      this.port.postMessage({ type: 'ended', line: line.serial });
    }
  }

  process(inputs, outputs) {
    const out = outputs[0];
    const frames = out[0].length;
    if (!this.engine) return true;
    for (const message of this.inbox.splice(0)) this.take(message);
    this.playLine(frames);
    this.m._fennrow_web_process(this.engine, frames);
    const heap = this.m.HEAPF32;
    const left = this.m._fennrow_web_left(this.engine) >> 2;
    const right = this.m._fennrow_web_right(this.engine) >> 2;
    out[0].set(heap.subarray(left, left + frames));
    if (out[1]) out[1].set(heap.subarray(right, right + frames));
    if (this.recording) this.record(out[0]);
    return true;
  }

  record(block) {
    const r = this.recording;
    const n = Math.min(block.length, r.left.length - r.at);
    r.left.set(block.subarray(0, n), r.at);
    r.at += n;
    if (r.at < r.left.length) return;
    this.port.postMessage({ type: 'recorded', serial: r.serial, first: r.first, passes: r.passes, left: r.left },
                          [r.left.buffer]);
    this.recording = null;
  }
}

registerProcessor('fennrow', FennrowProcessor);
