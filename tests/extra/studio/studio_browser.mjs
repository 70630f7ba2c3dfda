// The studio and a headless Chromium, driven through the DevTools protocol,
// for the page tests: real pointer and key events, evaluation in the page.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import readline from 'node:readline';

export const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
export const CTRL = 2, SHIFT = 8;

const children = [];
export function finish(code) {
  for (const child of children) if (child.exitCode === null) child.kill('SIGTERM');
  process.exit(code);
}
export function fail(message) {
  console.error('FAIL: ' + message);
  finish(1);
}
process.on('unhandledRejection', (e) => fail(e && e.stack ? e.stack : String(e)));

// Starts the studio on `sounds` and prints nothing; its address is its first line.
export async function startStudio(studioProgram, sounds) {
  const studio = spawn(studioProgram, ['--port', '0', sounds], { stdio: ['ignore', 'pipe', 'inherit'] });
  children.push(studio);
  const address = await new Promise((resolve, reject) => {
    readline.createInterface({ input: studio.stdout }).once('line', resolve);
    studio.once('exit', (code) => reject(new Error('the studio ended with ' + code)));
  });
  if (!/^http:\/\/127\.0\.0\.1:\d+\/\?token=[0-9a-f]{64}$/.test(address)) fail('unexpected first line: ' + address);
  return { process: studio, address, origin: new URL(address).origin, token: new URL(address).searchParams.get('token') };
}

// A browser with one tab at `address`, once the page says it is ready.
// `beforeLoad`: a script run in the page before its own.
export async function openPage(browser, work, address, { width = 1280, height = 1000, beforeLoad = null } = {}) {
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
  const listeners = [];
  socket.onmessage = (message) => {
    const data = JSON.parse(message.data);
    if (data.id && pending.has(data.id)) {
      const { resolve, reject } = pending.get(data.id);
      pending.delete(data.id);
      if (data.error) reject(new Error(JSON.stringify(data.error))); else resolve(data.result);
    } else if (data.method) {
      for (const listener of listeners) listener(data);
    }
  };
  let sessionId;
  const send = (method, params = {}) => {
    const id = nextId++;
    socket.send(JSON.stringify({ id, method, params, sessionId }));
    return new Promise((resolve, reject) => pending.set(id, { resolve, reject }));
  };
  const evaluate = async (expression) => {
    const result = await send('Runtime.evaluate', { expression, awaitPromise: true, returnByValue: true });
    if (result.exceptionDetails) throw new Error(expression + ': ' + JSON.stringify(result.exceptionDetails));
    return result.result.value;
  };
  const waitFor = async (expression, what, tries = 600) => {
    for (let i = 0; i < tries; ++i) {
      if (await evaluate(expression)) return;
      await sleep(100);
    }
    fail('timed out waiting for ' + what);
  };
  const mouse = (type, x, y) => send('Input.dispatchMouseEvent', { type, x, y, button: 'left', buttons: type === 'mouseReleased' ? 0 : 1, clickCount: 1 });
  const key = async (name, code, keyCode, modifiers = 0, text = undefined) => {
    await send('Input.dispatchKeyEvent', { type: text ? 'keyDown' : 'rawKeyDown', key: name, code, windowsVirtualKeyCode: keyCode, modifiers, text });
    await send('Input.dispatchKeyEvent', { type: 'keyUp', key: name, code, windowsVirtualKeyCode: keyCode, modifiers });
  };
  const click = async (selector) => {
    const r = await evaluate(`(() => { const e = document.querySelector(${JSON.stringify(selector)}); e.scrollIntoView({block: 'center'}); const r = e.getBoundingClientRect(); return {x: r.left + r.width / 2, y: r.top + r.height / 2}; })()`);
    await mouse('mousePressed', r.x, r.y);
    await mouse('mouseReleased', r.x, r.y);
  };

  const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
  ({ sessionId } = await send('Target.attachToTarget', { targetId, flatten: true }));
  await send('Page.enable');
  await send('Runtime.enable');
  await send('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: 1, mobile: false });
  if (beforeLoad) await send('Page.addScriptToEvaluateOnNewDocument', { source: beforeLoad });
  await send('Page.navigate', { url: address });
  await waitFor(`document.body && document.body.dataset.state === 'ready'`, 'the page to load');
  return { send, evaluate, waitFor, mouse, key, click, listen: (f) => listeners.push(f) };
}
