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
  slots: [],             // A and B: {sound, base, name, undo, redo, dirty, edited}
  active: 0,             // the slot shown, heard, edited and saved
  lastEdit: { what: null, at: 0 },
  dirty: false,          // either slot has edits not saved
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

// Every request can fail: the studio may have ended, or the network may
// drop the answer. The answer then says so (status 0), and nothing waits.
async function call(method, path, body) {
  const options = { method, headers: { 'X-Studio-Token': token } };
  if (body !== undefined) {
    options.headers['Content-Type'] = 'application/json';
    options.body = JSON.stringify(body);
  }
  let response;
  try {
    response = await fetch(path, options);
  } catch (e) {
    return { ok: false, status: 0, data: { error: 'The studio did not answer; is fennrow-studio still running? Try again.' } };
  }
  let data = {};
  try { data = await response.json(); } catch (e) { data = { error: `The studio's answer was cut short (${response.status}); try again.` }; }
  if (!response.ok && !data.error) data.error = `The studio answered ${response.status}`;
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
  // The value is kept as given: the slider's grid only places the thumb.
  const set = (value) => {
    const v = Math.max(param.min, Math.min(param.max, value));
    beginEdit(`param-${param.id}`);
    input.value = v;
    page.sound.params[param.id] = v;
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
  // Enter, Tab or a click away takes the text; a text the plugin cannot
  // read is refused with the reason, and the box keeps the focus until it
  // is mended or Escape gives it up.
  const type = () => {
    const box = document.createElement('input');
    box.type = 'text';
    box.className = 'param-type';
    box.value = output.textContent;
    box.setAttribute('aria-label', `${param.name}: type a value`);
    output.replaceWith(box);
    box.focus();
    box.select();
    let done = false, asking = false;
    const close = (focusValue) => {
      done = true;
      box.replaceWith(output);
      if (focusValue) output.focus();
    };
    const take = async (how) => {
      if (done || asking) return;
      const text = box.value.trim();
      if (!text || text === output.textContent.trim()) return close(how === 'enter');
      asking = true;
      const answer = await call('GET', `/api/value?id=${param.id}&text=${encodeURIComponent(text)}`);
      asking = false;
      if (done) return;
      if (!answer.ok) {
        say(answer.data.error, 'error');
        box.classList.add('invalid');
        box.focus();
        return;
      }
      close(how === 'enter' || document.activeElement === document.body);
      set(answer.data.value);
      say(`${param.name}: ${text}`);
    };
    box.addEventListener('keydown', (event) => {
      if (event.key === 'Enter') take('enter');
      if (event.key === 'Escape') close(true);
      event.stopPropagation();
    });
    box.addEventListener('input', () => box.classList.remove('invalid'));
    box.addEventListener('blur', () => take('blur'));
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

// A/B: two sounds side by side, each with its own name, undo and redo. The
// button switches which one is shown, heard, edited and saved; neither is
// ever lost. Both start as the sound opened or loaded: A to edit, B to
// compare against.
const slot = () => page.slots[page.active];
function newSlot(sound, base, name) {
  return { sound: copySound(sound), base, name, undo: [], redo: [], dirty: false, edited: false };
}

function showSound(sound) {
  slot().sound = sound;
  page.sound = sound;
  page.base = slot().base;
  for (const [id, row] of page.rows) {
    row.input.value = sound.params[id];
    showValueText(id);
  }
  page.editors.forEach((draw) => draw());
  $('sound-name').textContent = slot().name;
  $('sound-name').title = slot().name;
}

// Called before an edit: the sound as it was goes on the undo list, unless
// the same control was being edited a moment ago (one drag, one step).
function beginEdit(what, fresh) {
  const now = performance.now();
  const s = slot();
  if (fresh || page.lastEdit.what !== what || page.lastEdit.slot !== page.active || now - page.lastEdit.at > EDIT_GAP_MS) {
    s.undo.push(copySound(page.sound));
    if (s.undo.length > 200) s.undo.shift();
    s.redo = [];
  }
  page.lastEdit = { what, at: now, slot: page.active };
}

function showDirty() {
  page.dirty = page.slots.some((s) => s.dirty);
  if (page.dirty) document.body.dataset.dirty = 'yes'; else delete document.body.dataset.dirty;
}

// After every change of the sound: unsaved, the picture is of an older
// sound, and the engine takes the new one at its next block.
function changed() {
  page.version += 1;
  slot().dirty = true;
  slot().edited = true;
  showDirty();
  showComparing();
  $('result').classList.add('stale');
  engine.sound();
  followSound();
}

// The studio's render follows the sound: the loop it renders when the page
// has no engine, the picture a moment after the last change when it has.
function followSound() {
  if (!engine.live && serverLoop.on) serverLoop.request();
  if (engine.live && engine.playing) picture.soon();
}

function stepHistory(from, to) {
  if (!from.length) return;
  to.push(copySound(page.sound));
  showSound(from.pop());
  page.lastEdit = { what: null, at: 0 };
  changed();
  say(`${slot().undo.length} step(s) to undo, ${slot().redo.length} to redo`);
}
const undo = () => stepHistory(slot().undo, slot().redo);
const redo = () => stepHistory(slot().redo, slot().undo);

// A new sound to start from: the edits of the last one go, after asking.
function mayLeaveSound() {
  return !page.dirty || window.confirm('The sound has changes that are not saved. Leave them?');
}

function startFrom(sound, name, base) {
  page.slots = [newSlot(sound, base, name), newSlot(sound, base, name)];
  page.active = 0;
  page.lastEdit = { what: null, at: 0 };
  showSound(page.slots[0].sound);
  showDirty();
  showComparing();
  page.version += 1;
  $('result').classList.add('stale');
  engine.base();
  followSound();
}

function compare() {
  page.active = 1 - page.active;
  page.lastEdit = { what: null, at: 0 };
  showSound(slot().sound);
  showComparing();
  page.version += 1;
  $('result').classList.add('stale');
  engine.sound();
  followSound();
  say(`Hearing ${slotText(page.active)}; ${slotText(1 - page.active)} is kept`);
}

function slotText(index) {
  const s = page.slots[index];
  return `${'AB'[index]}: ${s.name}${s.edited ? (s.dirty ? ', edited' : ', saved') : ''}`;
}

function showComparing() {
  const button = $('compare');
  button.setAttribute('aria-pressed', page.active === 1 ? 'true' : 'false');
  button.textContent = slotText(page.active);
  button.title = `Switch to ${slotText(1 - page.active)}`;
  document.body.dataset.slot = 'AB'[page.active];
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
  $('documents-cut').textContent = answer.documentsCut ? `the first ${answer.maxDocuments} are listed: filter by name to find others` : '';
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
  const filter = $('documents-filter').value.trim();
  const answer = await call('GET', '/api/documents?filter=' + encodeURIComponent(filter));
  refreshing = false;
  if (answer.ok) fillDocuments(answer.data);
  if (answer.ok && filter !== $('documents-filter').value.trim()) refreshDocuments();
}

async function pickFactory() {
  const name = $('factory').value;
  if (!name) return;
  if (!mayLeaveSound()) {
    $('factory').value = '';
    return;
  }
  say(`Loading ${name}…`);
  // The page's engine loads it itself; without it the studio is asked.
  const answer = engine.live ? await engine.ask({ type: 'factory', name }).then((d) => (d.type === 'factory'
    ? { ok: true, data: d } : { ok: false, data: { error: d.error } }))
    : await call('GET', `/api/factory?name=${encodeURIComponent(name)}`);
  if (!answer.ok) {
    $('factory').blur();
    return say(answer.data.error, 'error');
  }
  startFrom(answer.data.sound, name, { factory: name });
  showFindings('', []);
  setAudition(null);
  $('documents').value = '';
  say(`${name} loaded`);
  document.body.dataset.sound = name;
  // The keys play notes again, rather than choosing another sound by its first letter.
  $('factory').blur();
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
  page.documentText = answer.data.text;
  startFrom(answer.data.sound, path, { document: answer.data.document });
  setAudition(answer.data.audition);
  $('factory').value = '';
  setSaveName(saveNameFor(path));
  say(`${path} opened`);
  document.body.dataset.sound = path;
  $('documents').blur();
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

function showPicture(r) {
  $('picture').src = withToken(r.png);
  $('export').href = withToken(r.wav);
  $('result').hidden = false;
  document.body.dataset.played = r.render;
  page.lastPlay = r;
}

// The picture (and the WAV to export) of the sound as it is now, rendered
// by the studio: never on the way to the sound, which the page's engine
// plays itself. One render at a time; changes meanwhile ask for one more.
const picture = {
  busy: false,
  again: false,
  timer: null,

  soon() {
    clearTimeout(this.timer);
    this.timer = setTimeout(() => this.draw(), PICTURE_DELAY_MS);
  },

  async draw() {
    clearTimeout(this.timer);
    if (this.busy) { this.again = true; return; }
    const asked = transport();
    if (!asked) return;
    this.busy = true;
    const version = page.version;
    try {
      const answer = await render(asked);
      if (!answer.ok) return say(answer.data.error, 'error');
      showPicture(answer.data);
      $('result').classList.toggle('stale', version !== page.version);
      if (!engine.live) say(summaryOf(answer.data));
      return answer.data;
    } finally {
      this.busy = false;
      if (this.again) { this.again = false; this.soon(); }
    }
  },
};
const PICTURE_DELAY_MS = 1200;

// ----- the engine in the page -----
// An AudioWorklet runs the plugin itself (the web build of it, served by
// the studio) in real time. Every change of the sound is posted to it and
// taken at the start of its next block; the line and the notes are played
// by it, so nothing waits for the studio. Without the web build the studio
// renders instead (see serverPlay).

const NOTE_VELOCITY = 0.8;

const engine = {
  live: false,          // the worklet plays
  why: '',              // why it does not
  context: null,
  node: null,
  out: null,
  starting: null,
  serial: 0,
  applied: [],          // {serial, frame, postedFrame}: when changes reached the engine
  playing: null,        // {loop}: the line the engine plays
  waiting: new Map(),   // serial -> resolve, for answers of the engine
  timing: {},           // milliseconds the start took: module, engine, total

  available() { return !!(page.info && page.info.engine); },

  // The audio context starts at the first gesture (a browser's rule).
  start() {
    if (!this.available()) return Promise.resolve(false);
    if (!this.starting) this.starting = this.open().catch((e) => {
      this.why = `The page's engine did not start (${e.message || e}); the studio renders instead`;
      say(this.why, 'warning');
      document.body.dataset.engine = 'failed';
      return false;
    });
    if (this.context && this.context.state === 'suspended') this.context.resume();
    return this.starting;
  },

  async open() {
    const began = performance.now();
    const context = new AudioContext({ sampleRate: 48000, latencyHint: 'interactive' });
    this.context = context;
    if (context.state === 'suspended') context.resume();
    await context.audioWorklet.addModule(withToken('/page/fennrow_web.js'));
    this.timing.module = performance.now() - began;
    await context.audioWorklet.addModule(withToken('/page/studio_worklet.js'));
    const node = new AudioWorkletNode(context, 'fennrow', {
      numberOfInputs: 0, numberOfOutputs: 1, outputChannelCount: [2],
      processorOptions: { curves: page.info.curves },
    });
    this.node = node;
    this.out = context.createGain();
    node.connect(this.out);
    this.out.connect(context.destination);
    const ready = new Promise((resolve, reject) => {
      node.port.onmessage = (event) => {
        if (event.data.type === 'ready') resolve(event.data.milliseconds);
        else if (event.data.type === 'failed') reject(new Error(event.data.error));
      };
    });
    this.timing.engine = await ready;
    this.timing.total = performance.now() - began;
    node.port.onmessage = (event) => this.heard(event.data);
    this.live = true;
    document.body.dataset.engine = 'live';
    this.base();
    return true;
  },

  post(message) {
    if (!this.live) return 0;
    message.serial = ++this.serial;
    // The audio clock as the page posts: the engine answers with the block it took the change in.
    message.postedFrame = Math.round(this.context.currentTime * this.context.sampleRate);
    this.node.port.postMessage(message);
    return message.serial;
  },

  ask(message) {
    const serial = this.post(message);
    return new Promise((resolve) => this.waiting.set(serial, resolve));
  },

  heard(data) {
    if (data.type === 'applied') {
      this.applied.push(data);
      if (this.applied.length > 64) this.applied.shift();
    } else if (data.type === 'note') {
      document.body.dataset.note = data.key;
      notes.last = data;
      notes.heard.push(data);
      if (notes.heard.length > 64) notes.heard.shift();
    } else if (data.type === 'ended') {
      if (this.playing && this.playing.serial === data.line) this.playing = null;
      showPlaying();
    } else if (data.type === 'error') {
      say(data.error, 'error');
    }
    const resolve = this.waiting.get(data.serial);
    if (resolve && data.type !== 'applied') {
      this.waiting.delete(data.serial);
      resolve(data);
    }
  },

  // The sound's base (a factory sound, a document or a fresh instance) and then the sound.
  base() {
    this.post({ type: 'base', base: page.base.factory !== undefined ? { factory: page.base.factory }
      : page.base.document !== undefined ? { text: page.documentText } : {}, sound: page.sound });
  },
  sound() { this.post({ type: 'sound', sound: page.sound }); },
  note(on, key, velocity) { this.post({ type: 'note', on, key, velocity }); },
  saved() { return this.ask({ type: 'save' }); },
};

// The line the engine plays: the studio times the notes (the demo line, or
// the audition clip under its tempo map); the engine plays them, looping
// seamlessly when asked: the tail of one pass sounds over the next.
async function playLine(loop) {
  const asked = transport();
  if (!asked) return false;
  const body = { ...asked };
  if (asked.source === 'audition') body.document = page.base.document;
  const answer = await call('POST', '/api/line', body);
  if (!answer.ok) { say(answer.data.error, 'error'); return false; }
  const line = answer.data;
  const rate = engine.context.sampleRate;
  const frames = (s) => Math.round(s * rate);
  const serial = engine.post({
    type: 'line', loop,
    notes: line.notes.map((n) => ({ key: n.key, on: frames(n.on), off: frames(n.off), velocity: n.velocity })),
    loopFrames: frames(line.loopSeconds),
    endFrames: frames(line.loopSeconds + TAIL_SECONDS),
    tempoMap: line.tempoMap,
  });
  engine.playing = { loop, line, serial };
  showPlaying();
  say(`${loop ? 'Looping' : 'Playing'} ${line.notes.length} notes at ${line.tempoText} BPM in the page's engine`);
  return true;
}
const TAIL_SECONDS = 1.0;

function stopLine() {
  engine.post({ type: 'stop' });
  engine.playing = null;
  showPlaying();
}

function showPlaying() {
  const playing = engine.live ? engine.playing : (serverLoop.on ? { loop: true } : null);
  $('loop').setAttribute('aria-pressed', playing && playing.loop ? 'true' : 'false');
  $('play').textContent = playing ? '■ Stop' : '▶ Play';
  if (playing && playing.loop) document.body.dataset.looping = 'yes'; else delete document.body.dataset.looping;
}

async function play(loop) {
  const button = $(loop ? 'loop' : 'play');
  // Play while playing, and Loop while looping, stop; Loop while the line
  // plays once loops it from the start.
  const playing = engine.live ? engine.playing : (serverLoop.on ? { loop: true } : null);
  if (playing) {
    if (engine.live) stopLine(); else serverLoop.stop();
    if (!loop || playing.loop || !engine.live) return;
  }
  button.disabled = true;
  try {
    if (await engine.start()) {
      if (await playLine(loop)) picture.draw();
    } else if (loop) {
      await serverLoop.start();
    } else {
      await serverPlay();
    }
  } finally {
    button.disabled = false;
  }
}

// Tempo, bars or the source changed: a line playing takes them at once.
function transportChanged() {
  showTransport();
  if (!transport()) return;
  if (engine.live && engine.playing) playLine(engine.playing.loop);
  if (!engine.live && serverLoop.on) serverLoop.request();
  $('result').classList.add('stale');
}

// ----- without the page's engine: the studio renders -----

async function serverPlay() {
  const asked = transport();
  if (!asked) return;
  say('Rendering…');
  const r = await picture.draw();
  if (!r) return;
  const player = $('player');
  player.hidden = false;
  player.src = withToken(r.wav);
  player.play().catch(() => {});
}

// The line loops through Web Audio; every change renders again, and the new
// render takes over at the same place in the loop with a short crossfade.
const FADE_SECONDS = 0.004;
const LEAD_SECONDS = 0.03;      // how far ahead of now a swap is scheduled

const serverLoop = {
  on: false,
  context: null,
  out: null,
  playing: null,        // {source, gain, render, startTime, loopSeconds}
  busy: false,          // a render is on its way
  again: false,         // and the sound changed meanwhile
  swaps: [],            // {render, when, offset, buffer, loopSeconds}, for those who check

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
    showPlaying();
    this.audio();
    await this.request();
  },

  stop() {
    this.on = false;
    showPlaying();
    if (this.playing) {
      const now = this.context.currentTime;
      this.playing.gain.gain.setValueAtTime(1, now);
      this.playing.gain.gain.linearRampToValueAtTime(0, now + FADE_SECONDS);
      this.playing.source.stop(now + FADE_SECONDS);
      this.playing = null;
    }
  },

  async request() {
    if (this.busy) { this.again = true; return; }
    const asked = transport();
    if (!asked) return;
    this.busy = true;
    try {
      const answer = await render(asked);
      if (!answer.ok) return say(answer.data.error, 'error');
      if (!this.on) return;
      let decoded;
      try {
        const wav = await fetch(withToken(answer.data.wav));
        if (!wav.ok) throw new Error(String(wav.status));
        decoded = await this.context.decodeAudioData(await wav.arrayBuffer());
      } catch (e) {
        return say('The render could not be fetched; change something to try again', 'error');
      }
      if (!this.on) return;
      this.swap(decoded, answer.data);
      say(`Looping (rendered by the studio): ${summaryOf(answer.data)}`);
      showPicture(answer.data);
    } finally {
      this.busy = false;
      if (this.again && this.on) { this.again = false; this.request(); }
    }
  },

  swap(buffer, r) {
    const context = this.context;
    const rate = context.sampleRate;
    const when = Math.ceil((context.currentTime + LEAD_SECONDS) * rate) / rate;
    const loopSeconds = Math.min(r.loopSeconds, buffer.duration);
    const old = this.playing;
    let offset = 0;
    if (old) {
      const into = (((when - old.startTime) % old.loopSeconds) + old.loopSeconds) % old.loopSeconds;
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
    source.loopEnd = loopSeconds;
    source.connect(gain);
    if (old) {
      gain.gain.setValueAtTime(0, when);
      gain.gain.linearRampToValueAtTime(1, when + FADE_SECONDS);
    }
    source.start(when, offset);
    this.playing = { source, gain, startTime: when - offset, loopSeconds };
    this.swaps.push({ render: r.render, when, offset, buffer, loopSeconds });
    document.body.dataset.loopRender = r.render;
  },
};

// ----- notes: the computer keyboard and MIDI keyboards -----

const KEY_NOTES = 'awsedftgyhujk';
const FIRST_KEY = 36;   // C2, where a bass sits
const notes = { octave: 0, held: new Map(), last: null, heard: [] };  // heard: the engine's last notes

// In the order played: a note let go while the engine starts ends after it began.
function noteOn(key, velocity) {
  if (engine.live) return engine.note(true, key, velocity);
  engine.start().then((live) => (live ? engine.note(true, key, velocity) : serverNote(key)));
}

function noteOff(key) {
  if (engine.live) return engine.note(false, key, 0);
  if (engine.starting) engine.starting.then((live) => live && engine.note(false, key, 0));
}

// Without the page's engine: a note rendered by the studio.
async function serverNote(key) {
  const context = serverLoop.audio();
  const tempo = Number($('tempo').value) || 120;
  const answer = await call('POST', '/api/play', { base: page.base, sound: page.sound, source: 'note', key, tempo: Math.max(page.info.minTempo, Math.min(page.info.maxTempo, tempo)) });
  if (!answer.ok) return say(answer.data.error, 'error');
  try {
    const wav = await fetch(withToken(answer.data.wav));
    const buffer = await context.decodeAudioData(await wav.arrayBuffer());
    const source = context.createBufferSource();
    source.buffer = buffer;
    source.connect(serverLoop.out);
    source.start();
    notes.rendered = answer.data;
    notes.last = { key, buffer };
    document.body.dataset.note = key;
  } catch (e) {
    say('The note could not be fetched; try again', 'error');
  }
}

// Web MIDI: every input's note on and off, with velocity, play the engine.
const midi = {
  access: null,
  inputs: [],

  async start() {
    const list = $('midi-inputs');
    if (!navigator.requestMIDIAccess) {
      $('midi-state').textContent = 'This browser gives the page no MIDI';
      list.hidden = true;
      return;
    }
    try {
      this.access = await navigator.requestMIDIAccess();
    } catch (e) {
      $('midi-state').textContent = `MIDI was not allowed (${e.message || e.name})`;
      list.hidden = true;
      return;
    }
    this.access.onstatechange = () => this.listInputs();
    this.listInputs();
  },

  listInputs() {
    this.inputs = Array.from(this.access.inputs.values());
    const list = $('midi-inputs');
    list.replaceChildren();
    for (const input of this.inputs) {
      list.appendChild(new Option(`${input.name}${input.state === 'connected' ? '' : ' (gone)'}`, input.id));
      input.onmidimessage = (event) => this.message(event);
    }
    list.hidden = this.inputs.length === 0;
    $('midi-state').textContent = this.inputs.length ? `MIDI: ${this.inputs.length} input(s)` : 'MIDI: no keyboard connected';
  },

  // Note on with velocity 0 is a note off, as MIDI has it.
  message(event) {
    const [status, key, velocity] = event.data;
    const kind = status & 0xf0;
    if (kind === 0x90 && velocity > 0) noteOn(key, velocity / 127);
    else if (kind === 0x80 || kind === 0x90) noteOff(key);
  },
};

function typing(target) {
  return target && (target.tagName === 'INPUT' && target.type !== 'range' || target.tagName === 'SELECT' || target.tagName === 'TEXTAREA');
}

function keyOf(event) {
  const at = KEY_NOTES.indexOf(event.key.toLowerCase());
  return at < 0 ? -1 : FIRST_KEY + 12 * notes.octave + at;
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
  const note = keyOf(event);
  if (note < 0) return;
  event.preventDefault();
  notes.held.set(key, note);
  noteOn(note, NOTE_VELOCITY);
}

// The key that started a note ends it, even after the octave changed.
function onKeyUp(event) {
  const key = event.key.toLowerCase();
  if (!notes.held.has(key)) return;
  noteOff(notes.held.get(key));
  notes.held.delete(key);
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

// Saves the sound shown (A or B): the studio writes it through the plugin's
// own writer. The other sound keeps its edits, saved or not.
async function save(overwrite, confirmedPath) {
  let path = confirmedPath || $('save-name').value.trim();
  if (!path) return say('Give the document a name', 'error');
  if (!confirmedPath) {
    path = saveNameFor(path);
    $('save-name').value = path;
  }
  const index = page.active, saving = slot();
  const sound = copySound(saving.sound);
  const answer = await call('POST', '/api/save', { base: saving.base, sound, path, overwrite });
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
  // Edits made while the save was on its way are still unsaved.
  if (JSON.stringify(saving.sound) === JSON.stringify(sound)) saving.dirty = false;
  saving.name = answer.data.saved;
  if (index === page.active) $('sound-name').textContent = saving.name;
  showDirty();
  showComparing();
  const other = page.slots[1 - index];
  say(`Saved ${'AB'[index]} as ${answer.data.saved} (${answer.data.bytes} bytes)` +
      (other.dirty ? `; ${'AB'[1 - index]} has edits not saved` : ''));
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
  if (!info.engine) {
    engine.why = 'This studio was built without the page\'s engine (the web build): the studio renders every sound';
    $('engine-state').textContent = engine.why;
    $('engine-state').hidden = false;
    document.body.dataset.engine = 'none';
  }
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
  $('play').addEventListener('click', () => play(false));
  $('loop').addEventListener('click', () => play(true));
  $('compare').addEventListener('click', compare);
  $('undo').addEventListener('click', undo);
  $('redo').addEventListener('click', redo);
  $('source').addEventListener('change', transportChanged);
  for (const id of ['tempo', 'bars']) $(id).addEventListener('change', transportChanged);
  let filterTimer = null;
  $('documents-filter').addEventListener('input', () => {
    clearTimeout(filterTimer);
    filterTimer = setTimeout(refreshDocuments, 150);
  });
  $('save').addEventListener('click', () => save(false));
  $('save-name').addEventListener('input', dropReplace);
  document.addEventListener('keydown', onKey);
  document.addEventListener('keyup', onKeyUp);
  midi.start();
  window.addEventListener('beforeunload', (event) => {
    if (!page.dirty) return;
    event.preventDefault();
    event.returnValue = '';
  });
  say(`Sounds in ${info.folder}`);
  document.body.dataset.state = 'ready';
  // The engine loads now, so that it is ready by the first note; the
  // browser lets it sound from the first gesture on.
  engine.start();
}

start();
