// A small driver for headless Chromium over the DevTools protocol: opens a
// page at a given viewport, collects its console, waits for a line, presses
// keys, reads page text, takes a screenshot, and times frames. Node's own
// WebSocket; no packages.
//
//   node --experimental-websocket cdp.mjs --url URL [--size 256x192]
//     [--wait REGEX] [--timeout S] [--screenshot FILE] [--log FILE]
//     [--keys F2,P,...] [--resize WxH [--ratio R]] [--settle S] [--eval EXPR]
//     [--frames N] [--actions JSON] [--touch 1]
//
// --actions runs after the settle time, in order, each an array:
//   ["eval", EXPR]            evaluate (awaiting a promise); the value is kept
//   ["sleep", S]              wait S seconds
//   ["wait", REGEX, S]        wait up to S seconds for a console line from now on
//   ["cdp", METHOD, PARAMS]   a DevTools call on the page (a frozen lifecycle,
//                             device metrics with a screen size, ...)
//   ["browser", METHOD, PARAMS] a browser-wide call; "TARGET" names the page
//   ["shot", FILE]            a screenshot
// Prints one JSON object: {found, lines, evaluated, actions, frameMs, error}:
// actions holds the evaluated values and, for "wait", whether the line came.
import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

const opts = { size: '256x192', timeout: '60', settle: '0', keys: '', frames: '0' };
for (let i = 2; i < process.argv.length; i += 2) opts[process.argv[i].replace(/^--/, '')] = process.argv[i + 1];
const [width, height] = opts.size.split('x').map(Number);
const chromium = process.env.CHROMIUM || 'chromium';

const profile = mkdtempSync(join(tmpdir(), 'orbisk-chromium-'));
const browser = spawn(chromium, [
  '--headless=new', '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
  `--user-data-dir=${profile}`, '--disable-background-networking', '--disable-component-update',
  '--disable-sync', '--no-first-run', '--no-default-browser-check', '--mute-audio',
  '--remote-debugging-port=0', `--window-size=${width},${height}`, 'about:blank',
], { stdio: ['ignore', 'ignore', 'pipe'] });

const result = { found: false, lines: [], evaluated: null, actions: [], frameMs: null, error: null };
let finished = false;
function finish(code) {
  if (finished) return;
  finished = true;
  try { browser.kill('SIGKILL'); } catch {}
  setTimeout(() => { try { rmSync(profile, { recursive: true, force: true }); } catch {} }, 300);
  if (opts.log) writeFileSync(opts.log, result.lines.join('\n') + '\n');
  process.stdout.write(JSON.stringify(result) + '\n');
  setTimeout(() => process.exit(code), 400);
}
const overall = setTimeout(() => { result.error = result.error || 'timed out'; finish(2); },
                           (Number(opts.timeout) + 30) * 1000);

const endpoint = await new Promise((resolve, reject) => {
  let text = '';
  browser.stderr.on('data', (d) => {
    text += d;
    const m = /DevTools listening on (ws:\/\/\S+)/.exec(text);
    if (m) resolve(m[1]);
  });
  browser.on('exit', () => reject(new Error('chromium ended: ' + text.slice(-500))));
}).catch((e) => { result.error = String(e); finish(2); });
if (!endpoint) await new Promise(() => {});

const ws = new WebSocket(endpoint);
await new Promise((r) => ws.addEventListener('open', r, { once: true }));
let nextId = 1;
const pending = new Map();
const listeners = [];
ws.addEventListener('message', (event) => {
  const msg = JSON.parse(event.data);
  if (msg.id && pending.has(msg.id)) {
    const { resolve, reject } = pending.get(msg.id);
    pending.delete(msg.id);
    if (msg.error) reject(new Error(JSON.stringify(msg.error)));
    else resolve(msg.result);
  } else if (msg.method) {
    for (const l of listeners) l(msg);
  }
});
function send(method, params = {}, sessionId) {
  const id = nextId++;
  ws.send(JSON.stringify({ id, method, params, sessionId }));
  return new Promise((resolve, reject) => pending.set(id, { resolve, reject }));
}

const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
const page = (method, params) => send(method, params, sessionId);

const wait = opts.wait ? new RegExp(opts.wait) : null;
const lineWaiters = [];
let resolveFound;
const foundLine = new Promise((r) => { resolveFound = r; });
listeners.push((msg) => {
  if (msg.sessionId !== sessionId) return;
  let text = null;
  if (msg.method === 'Runtime.consoleAPICalled')
    text = msg.params.args.map((a) => (a.value !== undefined ? String(a.value) : a.description || '')).join(' ');
  else if (msg.method === 'Runtime.exceptionThrown')
    text = 'EXCEPTION: ' + (msg.params.exceptionDetails.exception?.description || msg.params.exceptionDetails.text);
  else if (msg.method === 'Log.entryAdded' && msg.params.entry.source !== 'console-api')
    text = `LOG(${msg.params.entry.level}): ${msg.params.entry.text} ${msg.params.entry.url || ''}`;
  if (text === null) return;
  result.lines.push(text);
  if (wait && wait.test(text)) resolveFound(true);
  for (const w of lineWaiters.slice()) if (w.regex.test(text)) { lineWaiters.splice(lineWaiters.indexOf(w), 1); w.resolve(true); }
});

await page('Runtime.enable');
await page('Log.enable');
await page('Page.enable');
await page('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: 1, mobile: false });
// A touch screen: touch events and a coarse pointer.
if (opts.touch) await page('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 5 });
await page('Page.navigate', { url: opts.url });

if (wait) {
  result.found = await Promise.race([foundLine, new Promise((r) => setTimeout(() => r(false), Number(opts.timeout) * 1000))]);
}
const sleep = (s) => new Promise((r) => setTimeout(r, s * 1000));
const keyCodes = { F2: 113, F3: 114, F12: 123, Escape: 27 };
for (const key of opts.keys.split(',').filter(Boolean)) {
  const code = keyCodes[key] || key.toUpperCase().charCodeAt(0);
  const text = key.length === 1 ? key.toLowerCase() : undefined;
  await page('Input.dispatchKeyEvent', { type: 'rawKeyDown', key, windowsVirtualKeyCode: code, nativeVirtualKeyCode: code });
  if (text) await page('Input.dispatchKeyEvent', { type: 'char', text, key });
  await sleep(0.5);
  await page('Input.dispatchKeyEvent', { type: 'keyUp', key, windowsVirtualKeyCode: code, nativeVirtualKeyCode: code });
  await sleep(0.5);
}
if (opts.resize) {
  // A new viewport (the window resized); the page must follow it.
  const [w, h] = opts.resize.split('x').map(Number);
  await page('Emulation.setDeviceMetricsOverride', { width: w, height: h, deviceScaleFactor: Number(opts.ratio || 1), mobile: false });
}
await sleep(Number(opts.settle));
for (const [kind, a, b] of opts.actions ? JSON.parse(opts.actions) : []) {
  if (kind === 'eval') {
    const r = await page('Runtime.evaluate', { expression: a, returnByValue: true, awaitPromise: true });
    result.actions.push(r.exceptionDetails ? 'EXCEPTION: ' + (r.exceptionDetails.exception?.description || r.exceptionDetails.text) : r.result.value);
  } else if (kind === 'sleep') {
    await sleep(Number(a));
  } else if (kind === 'wait') {
    const came = new Promise((resolve) => lineWaiters.push({ regex: new RegExp(a), resolve }));
    result.actions.push(await Promise.race([came, sleep(Number(b)).then(() => false)]));
  } else if (kind === 'cdp') {
    await page(a, b || {});
  } else if (kind === 'shot') {
    const shot = await page('Page.captureScreenshot', { format: 'png' });
    writeFileSync(a, Buffer.from(shot.data, 'base64'));
  } else if (kind === 'browser') {
    // A browser-wide call; "TARGET" in its parameters stands for the page.
    await send(a, JSON.parse(JSON.stringify(b || {}).replace(/"TARGET"/g, JSON.stringify(targetId))));
  }
}
if (Number(opts.frames) > 0) {
  // Frame times from the page's own animation frames, after one to settle.
  const expr = `new Promise((resolve) => { const times = []; let last = 0, n = 0;
    function tick(t) { if (last) times.push(t - last); last = t;
      if (++n <= ${Number(opts.frames)} + 1) requestAnimationFrame(tick); else resolve(times.slice(1)); }
    requestAnimationFrame(tick); })`;
  const r = await page('Runtime.evaluate', { expression: expr, awaitPromise: true, returnByValue: true, timeout: Number(opts.timeout) * 1000 });
  result.frameMs = r.result.value;
}
if (opts.eval) {
  const r = await page('Runtime.evaluate', { expression: opts.eval, returnByValue: true, awaitPromise: true });
  result.evaluated = r.result.value;
}
if (opts.screenshot) {
  const shot = await page('Page.captureScreenshot', { format: 'png' });
  writeFileSync(opts.screenshot, Buffer.from(shot.data, 'base64'));
}
clearTimeout(overall);
finish(0);
