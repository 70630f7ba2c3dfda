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
};

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
  input.addEventListener('input', () => {
    page.sound.params[param.id] = Number(input.value);
    showValueText(param.id);
  });
  input.addEventListener('dblclick', () => {
    input.value = param.default;
    page.sound.params[param.id] = param.default;
    showValueText(param.id);
  });
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
    paint(event);
  });
  canvas.addEventListener('pointermove', (event) => {
    if (last && canvas.hasPointerCapture(event.pointerId)) paint(event);
    else showReadout(at(event).i);
  });
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
      for (let i = 0; i < POINTS; ++i) points()[i] = shape(i);
      draw();
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
  $('sound-name').textContent = name;
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

function fillDocuments(names) {
  const select = $('documents');
  const shown = Array.from(select.options).slice(1).map((o) => o.value);
  if (shown.length === names.length && shown.every((name, i) => name === names[i])) return;
  const chosen = select.value;
  select.replaceChildren(new Option('Choose…', ''));
  for (const name of names) select.appendChild(new Option(name, name));
  select.value = names.includes(chosen) ? chosen : '';
}

function setAudition(tempo) {
  const option = $('source').querySelector('option[value="audition"]');
  option.disabled = tempo === null || tempo === undefined;
  if (option.disabled) {
    $('source').value = 'demo';
    $('bars').disabled = false;
  } else {
    $('tempo').value = Math.round(tempo * 100) / 100;
  }
}

let refreshing = false;
async function refreshDocuments() {
  if (refreshing) return;
  refreshing = true;
  const answer = await call('GET', '/api/documents');
  refreshing = false;
  if (answer.ok) fillDocuments(answer.data.documents);
}

async function pickFactory() {
  const name = $('factory').value;
  if (!name) return;
  say(`Loading ${name}…`);
  const answer = await call('GET', `/api/factory?name=${encodeURIComponent(name)}`);
  if (!answer.ok) return say(answer.data.error, 'error');
  page.base = { factory: name };
  showSound(answer.data.sound, name);
  showFindings('', []);
  setAudition(null);
  $('documents').value = '';
  say(`${name} loaded`);
  document.body.dataset.sound = name;
}

async function openDocument() {
  const path = $('documents').value;
  if (!path) return say('Choose a document to open', 'error');
  say(`Opening ${path}…`);
  const answer = await call('POST', '/api/open', { path });
  showFindings(path, answer.data.findings);
  if (!answer.ok) return say(answer.data.error, 'error');
  page.base = { document: answer.data.document };
  showSound(answer.data.sound, path);
  setAudition(answer.data.auditionTempo);
  $('factory').value = '';
  $('save-name').value = path;
  say(`${path} opened`);
  document.body.dataset.sound = path;
}

async function play() {
  const button = $('play');
  button.disabled = true;
  say('Rendering…');
  const answer = await call('POST', '/api/play', {
    base: page.base, sound: page.sound, source: $('source').value,
    bars: Number($('bars').value), tempo: Number($('tempo').value),
  });
  button.disabled = false;
  if (!answer.ok) return say(answer.data.error, 'error');
  const r = answer.data;
  const summary = `${r.audioSeconds.toFixed(1)} s of sound rendered in ${(r.renderSeconds * 1000).toFixed(0)} ms, ` +
    `answered in ${(r.totalSeconds * 1000).toFixed(0)} ms`;
  say(summary);
  const player = $('player');
  player.src = withToken(r.wav);
  $('result').hidden = false;
  player.play().catch(() => {});
  const picture = $('picture');
  const asked = performance.now();
  picture.onload = () => say(`${summary}; picture drawn in ${(performance.now() - asked).toFixed(0)} ms`);
  picture.src = withToken(r.png);
  document.body.dataset.played = r.render;
  page.lastPlay = r;
}

async function save(overwrite) {
  let path = $('save-name').value.trim();
  if (!path) return say('Give the document a name', 'error');
  if (!path.endsWith('.json')) path += '.json';
  $('save-name').value = path;
  const answer = await call('POST', '/api/save', { base: page.base, sound: page.sound, path, overwrite });
  if (answer.status === 409) {
    say(`${path} exists. `, 'warning');
    const replace = document.createElement('button');
    replace.type = 'button';
    replace.textContent = 'Replace it';
    replace.addEventListener('click', () => save(true), { once: true });
    $('status').appendChild(replace);
    return;
  }
  if (!answer.ok) return say(answer.data.error, 'error');
  fillDocuments(answer.data.documents);
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
  fillDocuments(info.documents);
  $('bars').max = info.maxBars;

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
  showSound(info.sound, 'Init');

  $('factory').addEventListener('change', pickFactory);
  $('open').addEventListener('click', openDocument);
  // Files saved by other programs show up when the list is opened again.
  $('documents').addEventListener('mousedown', refreshDocuments);
  $('documents').addEventListener('focus', refreshDocuments);
  $('play').addEventListener('click', play);
  // The audition clip has its own length.
  $('source').addEventListener('change', () => { $('bars').disabled = $('source').value === 'audition'; });
  $('save').addEventListener('click', () => save(false));
  say(`Sounds in ${info.folder}`);
  document.body.dataset.state = 'ready';
}

start();
