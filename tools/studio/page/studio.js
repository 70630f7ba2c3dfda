// The studio page: parameters and curves of one sound, sent to the studio
// server, which applies them to the plugin to play and save.
'use strict';

const POINTS = 64;
const token = document.querySelector('meta[name="studio-token"]').content;
const $ = (id) => document.getElementById(id);

const page = {
  info: null,
  sound: null,           // {params: {id: value}, curves: [[64 numbers] x 8]}
  base: {},              // {factory: name} or {document: id}; empty: a fresh instance
  editors: [],           // one redraw function per curve
  rows: new Map(),       // parameter id -> {input, output}
  undo: [],              // sounds before each edit, the latest last
  redo: [],
  lastEdit: { what: null, at: 0 },
  reference: null,       // the sound as last opened, loaded or saved: B of A/B
  comparing: null,       // while B is heard: the edited sound (A)
  dirty: false,          // edits not saved
  version: 0,            // counts changes of the sound
  audition: null,        // the opened document's clip: {tempo, beats}
};

const copySound = (sound) => JSON.parse(JSON.stringify(sound));
// Edits of the same control within this long are one step of undo.
const EDIT_GAP_MS = 800;

// Curve shapes, point i of 64.
const SHAPES = {
  cosine: (i) => -Math.fround(Math.cos(i * 6.2831855 * 0.015625)),
  rise: (i) => (2 * i) / 63 - 1,
  fall: (i) => 1 - (2 * i) / 63,
  square: (i) => (i < 32 ? -1 : 1),
  spike: (i) => (i === 32 ? 1 : -1),
  zero: () => 0,
};

function withToken(path) {
  return path + (path.includes('?') ? '&' : '?') + 'token=' + encodeURIComponent(token);
}

async function call(method, path, body) {
  const options = { method, headers: { 'X-Studio-Token': token } };
  if (body !== undefined) {
    options.headers['Content-Type'] = 'application/json';
    options.body = JSON.stringify(body);
  }
  const response = await fetch(path, options);
  let data = {};
  try { data = await response.json(); } catch (e) { data = { error: response.statusText }; }
  return { ok: response.ok, status: response.status, data };
}

function say(text, kind) {
  const status = $('status');
  status.textContent = text;
  status.className = kind || '';
}

function clampPoint(v) { return Math.max(-1, Math.min(1, v)); }

// ----- parameters -----

let textRequests = new Map();

async function showValueText(id) {
  const row = page.rows.get(id);
  const value = page.sound.params[id];
  const serial = (textRequests.get(id) || 0) + 1;
  textRequests.set(id, serial);
  const answer = await call('GET', `/api/text?id=${id}&value=${encodeURIComponent(value)}`);
  if (textRequests.get(id) !== serial) return;  // a newer value is on its way
  row.output.textContent = answer.ok ? answer.data.text : String(value);
}

function buildParam(param, into) {
  const row = $('param-row').content.firstElementChild.cloneNode(true);
  const input = row.querySelector('input');
  const inputId = `param-${param.id}`;
  input.id = inputId;
  input.min = param.min;
  input.max = param.max;
  input.step = param.stepped ? 1 : (param.max - param.min) / 1000;
  input.dataset.param = param.id;
  const label = row.querySelector('label');
  label.textContent = param.name;
  label.htmlFor = inputId;
  row.querySelector('.param-range').textContent = `${param.minText} – ${param.maxText}`;
  row.title = `${param.name}: ${param.minText} to ${param.maxText}` +
    (param.unit ? ` (${param.unit})` : '') + '; double-click to reset';
  const output = row.querySelector('output');
  const set = (value) => {
    const v = Math.max(param.min, Math.min(param.max, value));
    beginEdit(`param-${param.id}`);
    input.value = v;
    page.sound.params[param.id] = Number(input.value);
    showValueText(param.id);
    changed();
  };
  input.addEventListener('input', () => set(Number(input.value)));
  input.addEventListener('dblclick', () => set(param.default));
  // Arrows step 1 % of the range, with Shift 0.1 %; a stepped parameter steps by one.
  input.addEventListener('keydown', (event) => {
    const sign = { ArrowRight: 1, ArrowUp: 1, ArrowLeft: -1, ArrowDown: -1 }[event.key];
    if (!sign) return;
    event.preventDefault();
    const step = param.stepped ? 1 : (param.max - param.min) * (event.shiftKey ? 0.001 : 0.01);
    set(page.sound.params[param.id] + sign * step);
  });
  // The value can be typed as the plugin writes it ("120 Hz", "-6 dB").
  output.tabIndex = 0;
  output.title = 'Type a value';
  const type = () => {
    const box = document.createElement('input');
    box.type = 'text';
    box.className = 'param-type';
    box.value = output.textContent;
    output.replaceWith(box);
    box.focus();
    box.select();
    let done = false;
    const finish = async (keep) => {
      if (done) return;
      done = true;
      const text = box.value.trim();
      box.replaceWith(output);
      if (!keep || !text) return;
      const answer = await call('GET', `/api/value?id=${param.id}&text=${encodeURIComponent(text)}`);
      if (!answer.ok) return say(answer.data.error, 'error');
      set(answer.data.value);
    };
    box.addEventListener('keydown', (event) => {
      if (event.key === 'Enter') finish(true);
      if (event.key === 'Escape') finish(false);
      event.stopPropagation();
    });
    box.addEventListener('blur', () => finish(false));
  };
  output.addEventListener('click', type);
  output.addEventListener('keydown', (event) => { if (event.key === 'Enter') type(); });
  page.rows.set(param.id, { input, output });
  into.appendChild(row);
}

// ----- curves -----

function buildCurve(index, curve, into) {
  const box = $('curve-editor').content.firstElementChild.cloneNode(true);
  const canvas = box.querySelector('canvas');
  canvas.id = `curve-${curve.key}`;
  canvas.dataset.curve = index;
  canvas.setAttribute('aria-label', `${curve.label}: 64 points from -1 to +1`);
  box.querySelector('.curve-name').textContent = curve.label;
  const readout = box.querySelector('.curve-readout');
  const context = canvas.getContext('2d');
  const points = () => page.sound.curves[index];

  const draw = () => {
    const w = canvas.width, h = canvas.height, step = w / POINTS;
    context.clearRect(0, 0, w, h);
    context.fillStyle = '#161b22';
    context.fillRect(0, 0, w, h);
    context.strokeStyle = '#2d333b';
    context.lineWidth = 1;
    for (let q = 1; q < 4; ++q) {
      context.beginPath();
      context.moveTo(Math.round((w * q) / 4) + 0.5, 0);
      context.lineTo(Math.round((w * q) / 4) + 0.5, h);
      context.stroke();
    }
    context.strokeStyle = '#444c56';
    context.beginPath();
    context.moveTo(0, h / 2 + 0.5);
    context.lineTo(w, h / 2 + 0.5);
    context.stroke();
    const y = (v) => ((1 - clampPoint(v)) / 2) * h;
    context.fillStyle = 'rgba(240, 136, 62, 0.35)';
    points().forEach((v, i) => {
      const top = Math.min(y(v), h / 2), bottom = Math.max(y(v), h / 2);
      context.fillRect(i * step + 1, top, step - 2, Math.max(1, bottom - top));
    });
    context.strokeStyle = '#f0883e';
    context.lineWidth = 2;
    context.beginPath();
    points().forEach((v, i) => {
      const x = i * step + step / 2;
      if (i === 0) context.moveTo(x, y(v)); else context.lineTo(x, y(v));
    });
    context.stroke();
    if (document.activeElement === canvas) {
      context.strokeStyle = '#e6edf3';
      context.lineWidth = 1;
      context.strokeRect(chosen * step + 0.5, 0.5, step - 1, h - 1);
    }
  };

  const at = (event) => {
    const r = canvas.getBoundingClientRect();
    const i = Math.max(0, Math.min(POINTS - 1, Math.floor(((event.clientX - r.left) / r.width) * POINTS)));
    const v = clampPoint(1 - (2 * (event.clientY - r.top)) / r.height);
    return { i, v: Math.round(v * 1000) / 1000 };
  };

  const showReadout = (i) => {
    readout.textContent = `point ${i + 1} of ${POINTS}: ${points()[i].toFixed(3)}`;
  };

  // A drag sets every point it crosses, along the straight line between the
  // pointer's last two positions, so a fast stroke leaves no gaps.
  let last = null;
  const paint = (event) => {
    const here = at(event);
    const from = last || here;
    const span = Math.abs(here.i - from.i);
    for (let k = 0; k <= span; ++k) {
      const i = from.i + Math.sign(here.i - from.i) * k;
      const t = span === 0 ? 1 : k / span;
      points()[i] = Math.round((from.v + (here.v - from.v) * t) * 1000) / 1000;
    }
    last = here;
    draw();
    showReadout(here.i);
  };
  canvas.addEventListener('pointerdown', (event) => {
    canvas.setPointerCapture(event.pointerId);
    last = null;
    beginEdit(`curve-${index}`, true);
    paint(event);
    changed();
  });
  canvas.addEventListener('pointermove', (event) => {
    if (last && canvas.hasPointerCapture(event.pointerId)) {
      paint(event);
      changed();
    } else {
      showReadout(at(event).i);
    }
  });
  // From the keyboard: Left and Right choose a point (Shift: by eight), Up
  // and Down move it by 0.05 (Shift: 0.01), Home and End go to the ends.
  canvas.tabIndex = 0;
  let chosen = 0;
  canvas.addEventListener('keydown', (event) => {
    const move = { ArrowLeft: -1, ArrowRight: 1 }[event.key];
    const lift = { ArrowUp: 1, ArrowDown: -1 }[event.key];
    if (move) chosen = Math.max(0, Math.min(POINTS - 1, chosen + move * (event.shiftKey ? 8 : 1)));
    else if (event.key === 'Home') chosen = 0;
    else if (event.key === 'End') chosen = POINTS - 1;
    else if (lift) {
      beginEdit(`curve-${index}`);
      const v = points()[chosen] + lift * (event.shiftKey ? 0.01 : 0.05);
      points()[chosen] = Math.round(clampPoint(v) * 1000) / 1000;
      changed();
    } else return;
    event.preventDefault();
    draw();
    showReadout(chosen);
  });
  canvas.addEventListener('focus', () => { draw(); showReadout(chosen); });
  canvas.addEventListener('blur', draw);
  const stop = (event) => {
    last = null;
    if (canvas.hasPointerCapture(event.pointerId)) canvas.releasePointerCapture(event.pointerId);
  };
  canvas.addEventListener('pointerup', stop);
  canvas.addEventListener('pointercancel', stop);
  canvas.addEventListener('pointerleave', () => { if (!last) readout.innerHTML = '&nbsp;'; });

  box.querySelectorAll('[data-shape]').forEach((button) => {
    button.addEventListener('click', () => {
      const shape = SHAPES[button.dataset.shape];
      beginEdit(`shape-${index}`, true);
      for (let i = 0; i < POINTS; ++i) points()[i] = shape(i);
      draw();
      changed();
    });
  });
  page.editors.push(draw);
  into.appendChild(box);
}

// ----- the whole sound -----

function showSound(sound, name) {
  page.sound = sound;
  for (const [id, row] of page.rows) {
    row.input.value = sound.params[id];
    showValueText(id);
  }
  page.editors.forEach((draw) => draw());
  if (name !== undefined) $('sound-name').textContent = name;
}

// Called before an edit: the sound as it was goes on the undo list, unless
// the same control was being edited a moment ago (one drag, one step).
function beginEdit(what, fresh) {
  const now = performance.now();
  if (fresh || page.lastEdit.what !== what || now - page.lastEdit.at > EDIT_GAP_MS) {
    page.undo.push(copySound(page.sound));
    if (page.undo.length > 200) page.undo.shift();
    page.redo = [];
  }
  page.lastEdit = { what, at: now };
  if (page.comparing) {
    // Editing B makes it the sound being worked on.
    page.comparing = null;
    showComparing();
  }
}

// After every change of the sound: unsaved, the picture and sound are of an
// older sound, and a running loop renders it again.
function changed() {
  page.version += 1;
  page.dirty = true;
  document.body.dataset.dirty = 'yes';
  $('result').classList.add('stale');
  if (loop.on) loop.request();
}

function stepHistory(from, to) {
  if (!from.length) return;
  to.push(copySound(page.sound));
  showSound(from.pop());
  page.lastEdit = { what: null, at: 0 };
  changed();
  say(`${page.undo.length} step(s) to undo, ${page.redo.length} to redo`);
}
const undo = () => stepHistory(page.undo, page.redo);
const redo = () => stepHistory(page.redo, page.undo);

// A new sound to start from: the edits of the last one go, after asking.
function mayLeaveSound() {
  return !page.dirty || window.confirm('The sound has changes that are not saved. Leave them?');
}

function startFrom(sound, name, base) {
  page.base = base;
  page.undo = [];
  page.redo = [];
  page.comparing = null;
  page.reference = { sound: copySound(sound), base, name };
  showSound(sound, name);
  page.dirty = false;
  delete document.body.dataset.dirty;
  showComparing();
  page.version += 1;
  $('result').classList.add('stale');
  if (loop.on) loop.request();
}

// A/B: the edited sound against the one last opened, loaded or saved.
function compare() {
  if (!page.reference) return;
  if (page.comparing) {
    showSound(page.comparing);
    page.comparing = null;
  } else {
    page.comparing = copySound(page.sound);
    showSound(copySound(page.reference.sound));
  }
  showComparing();
  page.version += 1;
  if (loop.on) loop.request();
}

function showComparing() {
  const button = $('compare');
  button.disabled = !page.reference;
  button.setAttribute('aria-pressed', page.comparing ? 'true' : 'false');
  button.textContent = page.comparing ? 'B: as saved' : 'A: as edited';
}

function showFindings(name, findings) {
  const section = $('findings');
  const body = section.querySelector('tbody');
  body.replaceChildren();
  for (const f of findings || []) {
    const tr = document.createElement('tr');
    tr.className = f.severity || '';
    for (const text of [f.severity, f.code, f.path || '(whole document)', f.message]) {
      const td = document.createElement('td');
      td.textContent = text;
      tr.appendChild(td);
    }
    body.appendChild(tr);
  }
  $('findings-name').textContent = name;
  section.hidden = !findings || findings.length === 0;
}

let listAgain = null;
function fillDocuments(answer) {
  // The studio is walking the folder: its newer list is asked for shortly.
  if (answer.documentsScanning && !listAgain) {
    listAgain = setTimeout(() => { listAgain = null; refreshDocuments(); }, 1000);
  }
  const names = answer.documents;
  const select = $('documents');
  $('documents-cut').hidden = !answer.documentsCut;
  $('documents-cut').textContent = answer.documentsCut ? `only the first ${answer.maxDocuments} are listed` : '';
  const shown = Array.from(select.options).slice(1).map((o) => o.value);
  if (shown.length === names.length && shown.every((name, i) => name === names[i])) return;
  const chosen = select.value;
  select.replaceChildren(new Option('Choose…', ''));
  for (const name of names) select.appendChild(new Option(name, name));
  select.value = names.includes(chosen) ? chosen : '';
}

// The clip plays under its own tempo map and length: tempo and bars are
// then shown as the clip has them, not asked for.
function showTransport() {
  const audition = $('source').value === 'audition' && page.audition;
  $('bars').disabled = !!audition;
  const own = audition && page.audition.tempo;
  $('tempo').disabled = !!own;
  $('clip-tempo').hidden = !own;
  if (own) $('clip-tempo').textContent = `the clip's tempo: ${page.audition.tempo} BPM`;
}

function setAudition(audition) {
  page.audition = audition || null;
  const option = $('source').querySelector('option[value="audition"]');
  option.disabled = !page.audition;
  if (option.disabled) $('source').value = 'demo';
  showTransport();
}

let refreshing = false;
async function refreshDocuments() {
  if (refreshing) return;
  refreshing = true;
  const answer = await call('GET', '/api/documents');
  refreshing = false;
  if (answer.ok) fillDocuments(answer.data);
}

async function pickFactory() {
  const name = $('factory').value;
  if (!name) return;
  if (!mayLeaveSound()) {
    $('factory').value = '';
    return;
  }
  say(`Loading ${name}…`);
  const answer = await call('GET', `/api/factory?name=${encodeURIComponent(name)}`);
  if (!answer.ok) return say(answer.data.error, 'error');
  startFrom(answer.data.sound, name, { factory: name });
  showFindings('', []);
  setAudition(null);
  $('documents').value = '';
  say(`${name} loaded`);
  document.body.dataset.sound = name;
}

// The name a document is saved under by default: a package's as .json,
// since the studio saves documents, not packages.
function saveNameFor(path) {
  return path.replace(/\.zip$/i, '') .replace(/\.json$/i, '') + '.json';
}

async function openDocument() {
  const path = $('documents').value;
  if (!path) return say('Choose a document to open', 'error');
  if (!mayLeaveSound()) return;
  say(`Opening ${path}…`);
  const answer = await call('POST', '/api/open', { path });
  showFindings(path, answer.data.findings);
  if (!answer.ok) return say(answer.data.error, 'error');
  startFrom(answer.data.sound, path, { document: answer.data.document });
  setAudition(answer.data.audition);
  $('factory').value = '';
  setSaveName(saveNameFor(path));
  say(`${path} opened`);
  document.body.dataset.sound = path;
}

// Tempo and bars as the page shows them, or nothing (with the reason shown)
// when they are not what the studio plays.
function transport() {
  const tempoBox = $('tempo'), barsBox = $('bars');
  const tempo = Number(tempoBox.value), bars = Number(barsBox.value);
  const { minTempo, maxTempo, maxBars } = page.info;
  const tempoOk = tempoBox.disabled || (tempoBox.value.trim() !== '' && tempo >= minTempo && tempo <= maxTempo);
  const barsOk = barsBox.disabled || (Number.isInteger(bars) && bars >= 1 && bars <= maxBars);
  tempoBox.classList.toggle('invalid', !tempoOk);
  barsBox.classList.toggle('invalid', !barsOk);
  if (!tempoOk) { say(`The tempo is a number from ${minTempo} to ${maxTempo} BPM`, 'error'); return null; }
  if (!barsOk) { say(`Bars is a whole number from 1 to ${maxBars}`, 'error'); return null; }
  const asked = { source: $('source').value };
  if (!tempoBox.disabled) asked.tempo = tempo;
  if (!barsBox.disabled) asked.bars = bars;
  return asked;
}

async function render(asked) {
  return call('POST', '/api/play', { base: page.base, sound: page.sound, ...asked });
}

function summaryOf(r) {
  return `${r.audioSeconds.toFixed(1)} s of sound at ${r.tempoText} BPM rendered in ${(r.renderSeconds * 1000).toFixed(0)} ms, ` +
    `answered in ${(r.totalSeconds * 1000).toFixed(0)} ms`;
}

function showPicture(r, summary) {
  const picture = $('picture');
  const asked = performance.now();
  picture.onload = () => say(`${summary}; picture drawn in ${(performance.now() - asked).toFixed(0)} ms`);
  picture.src = withToken(r.png);
  $('result').hidden = false;
  document.body.dataset.played = r.render;
  page.lastPlay = r;
}

async function play() {
  if (loop.on) return loop.stop();
  const asked = transport();
  if (!asked) return;
  const button = $('play');
  button.disabled = true;
  say('Rendering…');
  const version = page.version;
  const answer = await render(asked);
  button.disabled = false;
  if (!answer.ok) return say(answer.data.error, 'error');
  const r = answer.data;
  const summary = summaryOf(r);
  say(summary);
  const player = $('player');
  player.src = withToken(r.wav);
  player.play().catch(() => {});
  showPicture(r, summary);
  $('result').classList.toggle('stale', version !== page.version);
}

// ----- loop mode -----
// The line loops through Web Audio; every change renders again, and the new
// render takes over at the same place in the loop: the old one fades out
// over a few milliseconds up to the swap and stops there, the new one fades
// in from it, so nothing clicks and nothing old is heard after the swap.

const FADE_SECONDS = 0.004;
const LEAD_SECONDS = 0.03;      // how far ahead of now a swap is scheduled

const loop = {
  on: false,
  context: null,
  out: null,            // everything the page plays goes through it
  playing: null,        // {source, gain, render, startTime, loopSeconds}
  busy: false,          // a render is on its way
  again: false,         // and the sound changed meanwhile
  swaps: [],            // {render, when, offset}, for those who check

  audio() {
    if (!this.context) {
      this.context = new AudioContext({ sampleRate: 48000 });
      this.out = this.context.createGain();
      this.out.connect(this.context.destination);
    }
    if (this.context.state === 'suspended') this.context.resume();
    return this.context;
  },

  async start() {
    if (!transport()) return;
    $('player').pause();
    this.on = true;
    $('loop').setAttribute('aria-pressed', 'true');
    $('play').textContent = '■ Stop';
    document.body.dataset.looping = 'yes';
    this.audio();
    this.request();
  },

  stop() {
    this.on = false;
    $('loop').setAttribute('aria-pressed', 'false');
    $('play').textContent = '▶ Play';
    delete document.body.dataset.looping;
    if (this.playing) {
      const now = this.context.currentTime;
      this.playing.gain.gain.setValueAtTime(1, now);
      this.playing.gain.gain.linearRampToValueAtTime(0, now + FADE_SECONDS);
      this.playing.source.stop(now + FADE_SECONDS);
      this.playing = null;
    }
  },

  // Renders the sound as it is now; changes while a render is on its way
  // are taken by one more render after it.
  async request() {
    if (this.busy) {
      this.again = true;
      return;
    }
    const asked = transport();
    if (!asked) return;
    this.busy = true;
    const version = page.version;
    const answer = await render(asked);
    let decoded = null;
    if (answer.ok && this.on) {
      const wav = await fetch(withToken(answer.data.wav));
      decoded = await this.context.decodeAudioData(await wav.arrayBuffer());
    }
    this.busy = false;
    if (!answer.ok) say(answer.data.error, 'error');
    else if (decoded && this.on) {
      this.swap(decoded, answer.data);
      const summary = summaryOf(answer.data);
      say(`Looping: ${summary}`);
      showPicture(answer.data, summary);
      $('result').classList.toggle('stale', version !== page.version);
    }
    if (this.again && this.on) {
      this.again = false;
      this.request();
    }
  },

  swap(buffer, r) {
    const context = this.context;
    const rate = context.sampleRate;
    // On a frame, so that both renders are scheduled to the sample.
    const when = Math.ceil((context.currentTime + LEAD_SECONDS) * rate) / rate;
    const loopSeconds = Math.min(r.loopSeconds, buffer.duration);
    const old = this.playing;
    let offset = 0;
    if (old) {
      const into = (((when - old.startTime) % old.loopSeconds) + old.loopSeconds) % old.loopSeconds;
      // The same place in the music, when the tempo changed the loop's length.
      offset = Math.round((into / old.loopSeconds) * loopSeconds * rate) / rate;
      old.gain.gain.setValueAtTime(1, when - FADE_SECONDS);
      old.gain.gain.linearRampToValueAtTime(0, when);
      old.source.stop(when);
    }
    const gain = context.createGain();
    gain.connect(this.out);
    const source = context.createBufferSource();
    source.buffer = buffer;
    source.loop = true;
    source.loopStart = 0;
    source.loopEnd = loopSeconds;
    source.connect(gain);
    if (old) {
      gain.gain.setValueAtTime(0, when);
      gain.gain.linearRampToValueAtTime(1, when + FADE_SECONDS);
    }
    source.start(when, offset);
    this.playing = { source, gain, buffer, render: r.render, startTime: when - offset, loopSeconds };
    this.swaps.push({ render: r.render, when, offset, buffer, loopSeconds });
    document.body.dataset.loopRender = r.render;
  },
};

// ----- notes from the computer keyboard -----
// A row of keys plays single notes through the plugin, each rendered when it
// is first asked for and kept until the sound changes.

const KEY_NOTES = 'awsedftgyhujk';
const FIRST_KEY = 36;   // C2, where a bass sits
const notes = { octave: 0, cache: new Map(), version: -1, sounding: null };

async function playKey(key) {
  if (notes.version !== page.version) {
    notes.cache.clear();
    notes.version = page.version;
  }
  const context = loop.audio();
  let buffer = notes.cache.get(key);
  if (!buffer) {
    const tempo = Number($('tempo').value) || 120;
    const answer = await call('POST', '/api/play', { base: page.base, sound: page.sound, source: 'note', key, tempo: Math.max(page.info.minTempo, Math.min(page.info.maxTempo, tempo)) });
    if (!answer.ok) return say(answer.data.error, 'error');
    const wav = await fetch(withToken(answer.data.wav));
    buffer = await context.decodeAudioData(await wav.arrayBuffer());
    notes.rendered = answer.data;
    if (notes.version === page.version) notes.cache.set(key, buffer);
  }
  if (notes.sounding) notes.sounding.stop();
  const source = context.createBufferSource();
  source.buffer = buffer;
  source.connect(loop.out);
  source.start();
  notes.sounding = source;
  document.body.dataset.note = key;
  notes.last = { key, buffer };
  say(`Note ${key}`);
}

function typing(target) {
  return target && (target.tagName === 'INPUT' && target.type !== 'range' || target.tagName === 'SELECT' || target.tagName === 'TEXTAREA');
}

function onKey(event) {
  const ctrl = event.ctrlKey || event.metaKey;
  if (ctrl && event.key.toLowerCase() === 'z' && !typing(event.target)) {
    event.preventDefault();
    if (event.shiftKey) redo(); else undo();
    return;
  }
  if (ctrl && event.key.toLowerCase() === 'y' && !typing(event.target)) {
    event.preventDefault();
    redo();
    return;
  }
  if (ctrl || event.altKey || event.repeat || typing(event.target)) return;
  const key = event.key.toLowerCase();
  if (key === 'z' || key === 'x') {
    notes.octave = Math.max(-2, Math.min(3, notes.octave + (key === 'z' ? -1 : 1)));
    say(`Keyboard octave: C${2 + notes.octave}`);
    return;
  }
  const at = KEY_NOTES.indexOf(key);
  if (at < 0) return;
  event.preventDefault();
  playKey(FIRST_KEY + 12 * notes.octave + at);
}

// ----- saving -----

function setSaveName(name) {
  $('save-name').value = name;
  dropReplace();
}

// The question "Replace it?" belongs to the name it was asked for: it goes
// as soon as the name changes, and its button saves under that name only.
function dropReplace() {
  const button = document.getElementById('replace');
  if (button) button.remove();
}

async function save(overwrite, confirmedPath) {
  let path = confirmedPath || $('save-name').value.trim();
  if (!path) return say('Give the document a name', 'error');
  if (!confirmedPath) {
    path = saveNameFor(path);
    $('save-name').value = path;
  }
  const answer = await call('POST', '/api/save', { base: page.base, sound: page.sound, path, overwrite });
  if (answer.status === 409) {
    say(`${path} exists. `, 'warning');
    const replace = document.createElement('button');
    replace.type = 'button';
    replace.id = 'replace';
    replace.textContent = `Replace ${path}`;
    replace.addEventListener('click', () => { replace.remove(); save(true, path); }, { once: true });
    $('status').appendChild(replace);
    return;
  }
  if (!answer.ok) return say(answer.data.error, 'error');
  fillDocuments(answer.data);
  page.reference = { sound: copySound(page.sound), base: page.base, name: path };
  page.dirty = false;
  delete document.body.dataset.dirty;
  showComparing();
  say(`Saved ${answer.data.saved} (${answer.data.bytes} bytes)`);
  document.body.dataset.saved = answer.data.saved;
}

async function start() {
  const answer = await call('GET', '/api/info');
  if (!answer.ok) {
    say(answer.data.error, 'error');
    document.body.dataset.state = 'failed';
    return;
  }
  const info = answer.data;
  page.info = info;
  page.sound = info.sound;
  document.title = `${info.plugin} studio`;
  for (const name of info.factory) $('factory').appendChild(new Option(name, name));
  fillDocuments(info);
  $('bars').max = info.maxBars;
  $('tempo').min = info.minTempo;
  $('tempo').max = info.maxTempo;

  const groups = $('groups');
  const boxes = new Map();
  const groupBox = (name) => {
    if (!boxes.has(name)) {
      const box = document.createElement('fieldset');
      box.className = 'group';
      const legend = document.createElement('legend');
      legend.textContent = name;
      const params = document.createElement('div');
      params.className = 'params';
      const curves = document.createElement('div');
      curves.className = 'curves';
      box.append(legend, params, curves);
      groups.appendChild(box);
      boxes.set(name, box);
    }
    return boxes.get(name);
  };
  info.groups.forEach(groupBox);
  for (const param of info.params) buildParam(param, groupBox(param.group).querySelector('.params'));
  info.curves.forEach((curve, i) => buildCurve(i, curve, groupBox(curve.group).querySelector('.curves')));
  startFrom(info.sound, 'Init', {});

  $('factory').addEventListener('change', pickFactory);
  $('open').addEventListener('click', openDocument);
  // Files saved by other programs show up when the list is opened again.
  $('documents').addEventListener('mousedown', refreshDocuments);
  $('documents').addEventListener('focus', refreshDocuments);
  $('play').addEventListener('click', play);
  $('loop').addEventListener('click', () => (loop.on ? loop.stop() : loop.start()));
  $('compare').addEventListener('click', compare);
  $('undo').addEventListener('click', undo);
  $('redo').addEventListener('click', redo);
  $('source').addEventListener('change', () => { showTransport(); if (loop.on) loop.request(); });
  for (const id of ['tempo', 'bars']) {
    $(id).addEventListener('change', () => { if (transport() && loop.on) loop.request(); });
  }
  $('save').addEventListener('click', () => save(false));
  $('save-name').addEventListener('input', dropReplace);
  document.addEventListener('keydown', onKey);
  window.addEventListener('beforeunload', (event) => {
    if (!page.dirty) return;
    event.preventDefault();
    event.returnValue = '';
  });
  say(`Sounds in ${info.folder}`);
  document.body.dataset.state = 'ready';
}

start();
