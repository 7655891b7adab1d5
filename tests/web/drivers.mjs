// Opens a page in one of the browsers that the web tests and the benchmark
// use: from Debian's packages, chromium and firefox through puppeteer-core,
// and webkit, WebKitGTK's MiniBrowser, through its own WebDriver spoken over
// plain HTTP; old Chromium builds (chromium-64, chromium-72, chromium-92),
// which npm packages carry, through the DevTools protocol itself. A page gives run(fn, arg) in the page, key('Enter'
// or 'Ctrl-D') to the focused element (in webkit, to the field), goto(url),
// close() and, but in webkit, newTab(url) in place of the tab.
import {spawn} from 'node:child_process';
import {existsSync, mkdtempSync, readdirSync, readFileSync, renameSync, rmSync, writeFileSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {dirname, join} from 'node:path';
import {fileURLToPath} from 'node:url';
import {brotliDecompressSync} from 'node:zlib';

const FLAGS = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];
export const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

// Chromium through puppeteer-core, for what the drivers do not offer (a
// profile on disk, throttling): the one CMake found (CHROMIUM), or Debian's.
// puppeteer-core resolves from this folder's node_modules.
export async function launchChromium(options = {}) {
  const puppeteer = (await import('puppeteer-core')).default;
  return puppeteer.launch({executablePath: process.env.CHROMIUM || '/usr/bin/chromium', headless: true,
    ...options, args: [...FLAGS, ...(options.args || [])]});
}

// Firefox ESR, as launchChromium.
export async function launchFirefox(options = {}) {
  const puppeteer = (await import('puppeteer-core')).default;
  return puppeteer.launch({browser: 'firefox', executablePath: process.env.FIREFOX || '/usr/bin/firefox-esr',
    headless: true, ...options});
}

async function puppeteerDriver(browser, url) {
  const puppeteer = (await import('puppeteer-core')).default;
  const b = browser === 'firefox'
    ? await launchFirefox()
    : await launchChromium();
  let page = (await b.pages())[0] || await b.newPage();
  await page.goto(url);
  return {
    goto: (to) => page.goto(to),
    newTab: async (to) => {
      await page.close();
      page = await b.newPage();
      await page.goto(to);
    },
    run: (fn, arg) => page.evaluate(fn, arg),
    viewport: (width, height) => page.setViewport({width, height}),
    key: async (k) => {
      if (k === 'Enter') return page.keyboard.press('Enter');
      await page.keyboard.down('Control');
      await page.keyboard.press('KeyD');
      await page.keyboard.up('Control');
    },
    close: () => b.close(),
  };
}

// An X display for what has no headless mode: the one in DISPLAY (unless
// `own`), or an Xvfb of its own, which joins `children`.
export async function display(children, own = false) {
  if (process.env.DISPLAY && !own) return process.env.DISPLAY;
  const xvfb = spawn('Xvfb', ['-displayfd', '3', '-nolisten', 'tcp'], {stdio: ['ignore', 'ignore', 'ignore', 'pipe']});
  children.push(xvfb);
  const [number] = await new Promise((done) => xvfb.stdio[3].once('data', (d) => done(String(d).split('\n'))));
  return `:${number}`;
}

// MiniBrowser lives in the library folder of the machine's own architecture.
function miniBrowser() {
  const found = readdirSync('/usr/lib').map((d) => `/usr/lib/${d}/webkit2gtk-4.1/MiniBrowser`).find(existsSync);
  if (!found) throw new Error('no MiniBrowser: install webkit2gtk-driver');
  return found;
}

// WebKitWebDriver on a port of its own; its address. A driver that quits at
// once (its port taken) is tried again on another; a busy machine may take
// seconds to start one.
async function startDriver(env, children) {
  for (let attempt = 0; attempt < 5; attempt++) {
    const port = 4444 + ((process.pid + attempt * 211) % 1000), base = `http://127.0.0.1:${port}`;
    const driver = spawn('/usr/bin/WebKitWebDriver', [`--port=${port}`], {detached: true, stdio: 'ignore', env});
    children.push(driver);
    for (let i = 0; i < 800 && driver.exitCode === null; i++) {
      if (await fetch(base + '/status').then((r) => r.ok, () => false)) return base;
      await sleep(25);
    }
  }
  throw new Error('WebKitWebDriver did not start');
}

// WebKitGTK through its own WebDriver, spoken over plain HTTP.
async function webkitDriver(url) {
  const children = [];
  // MiniBrowser's processes would outlive the relay: end the driver's whole group.
  const end = () => children.forEach((c) => { try { process.kill(-c.pid, 'SIGKILL'); } catch { c.kill('SIGKILL'); } });
  process.on('exit', end);
  process.once('SIGTERM', () => process.exit(143)); // a test that gives up: end MiniBrowser too
  const env = {...process.env, DISPLAY: await display(children)};
  const base = await startDriver(env, children);
  const call = async (method, path, body) => {
    const r = await fetch(base + path, {method, body: body && JSON.stringify(body),
      signal: AbortSignal.timeout(20000)}); // without a display, WebKit never answers
    const json = await r.json();
    if (!r.ok) throw new Error(`${path}: ${JSON.stringify(json.value)}`);
    return json.value;
  };
  const {sessionId} = await call('POST', '/session', {capabilities: {alwaysMatch: {
    'webkitgtk:browserOptions': {binary: miniBrowser(),
      args: ['--automation']}}}});
  const s = `/session/${sessionId}`;
  await call('POST', `${s}/url`, {url});
  const field = async () => Object.values(await call('POST', `${s}/element`, {using: 'css selector', value: '#line'}))[0];
  let line = await field();
  return {
    goto: async (to) => { await call('POST', `${s}/url`, {url: to}); line = await field(); },
    run: (fn, arg) => call('POST', `${s}/execute/sync`, {script: `return (${fn})(arguments[0]) ?? null`, args: [arg]}),
    key: (k) => call('POST', `${s}/element/${line}/value`, {text: k === 'Enter' ? '\uE007' : '\uE009d\uE000'}),
    close: async () => { await call('DELETE', s).catch(() => {}); end(); },
  };
}

// An old Chromium build from its npm package (chromium-NN), unpacked once
// beside it: the packages keep it brotli-compressed.
function oldChromium(name) {
  const bin = join(dirname(fileURLToPath(import.meta.url)), 'node_modules', name, 'bin');
  const packed = readdirSync(bin).find((f) => /^chromium.*\.br$/.test(f)), out = join(bin, 'chromium');
  if (!existsSync(out)) {
    const part = `${out}.${process.pid}`; // tests in parallel each unpack their own, and one wins
    writeFileSync(part, brotliDecompressSync(readFileSync(join(bin, packed))), {mode: 0o755});
    renameSync(part, out);
  }
  return out;
}

// An old Chromium, headless, driven through the DevTools protocol over a
// WebSocket: puppeteer no longer speaks to builds this old.
async function devtoolsDriver(name, url) {
  const {WebSocket} = await import('ws');
  const profile = mkdtempSync(join(tmpdir(), 'iondrill-old-'));
  const chrome = spawn(oldChromium(name), ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run',
    '--remote-debugging-port=0', `--user-data-dir=${profile}`, 'about:blank'], {stdio: ['ignore', 'ignore', 'pipe']});
  const end = () => chrome.kill('SIGKILL');
  process.on('exit', end);
  process.once('SIGTERM', () => process.exit(143));
  const port = await new Promise((done) => {
    let err = '';
    chrome.stderr.on('data', (d) => { err += d; const m = /ws:\/\/[\d.]+:(\d+)\//.exec(err); if (m) done(m[1]); });
  });
  let target; // the first tab, which may come a moment after the protocol
  for (let i = 0; !(target = (await (await fetch(`http://127.0.0.1:${port}/json/list`)).json())
    .find((t) => t.type === 'page')); i++) {
    if (i > 500) throw new Error(`${name}: no tab`);
    await sleep(20);
  }
  const socket = new WebSocket(target.webSocketDebuggerUrl), pending = new Map();
  await new Promise((done) => socket.once('open', done));
  socket.on('message', (m) => {
    const r = JSON.parse(m), p = pending.get(r.id);
    pending.delete(r.id);
    if (p) p(r);
  });
  let id = 0;
  const call = (method, params) => new Promise((done, fail) => {
    pending.set(++id, (r) => (r.error ? fail(new Error(`${method}: ${r.error.message}`)) : done(r.result)));
    socket.send(JSON.stringify({id, method, params}));
  });
  const run = async (fn, arg) => {
    const r = await call('Runtime.evaluate', {expression: `(${fn})(${JSON.stringify(arg)})`, awaitPromise: true,
      returnByValue: true});
    if (r.exceptionDetails) throw new Error(`${name}: ${JSON.stringify(r.exceptionDetails).slice(0, 500)}`);
    return r.result.value;
  };
  const goto = async (to) => {
    await call('Page.navigate', {url: to});
    while (await run(() => document.readyState !== 'complete' || !document.getElementById('line')).catch(() => true)) {
      await sleep(20);
    }
  };
  await goto(url);
  // A key as the keyboard sends it, to the focused element.
  const press = async (key, code, keyCode, modifiers, text) => {
    await call('Input.dispatchKeyEvent', {type: text ? 'keyDown' : 'rawKeyDown', key, code,
      windowsVirtualKeyCode: keyCode, modifiers, text});
    await call('Input.dispatchKeyEvent', {type: 'keyUp', key, code, windowsVirtualKeyCode: keyCode, modifiers});
  };
  return {
    goto, run,
    key: (k) => (k === 'Enter' ? press('Enter', 'Enter', 13, 0, '\r') : press('d', 'KeyD', 68, 2)),
    close: async () => {
      socket.close();
      const exited = new Promise((done) => chrome.once('exit', done));
      end();
      await exited;
      rmSync(profile, {recursive: true, force: true, maxRetries: 10}); // its helpers may still be writing
    },
  };
}

// The page, with send(line): the line typed into the field and sent with Enter.
export async function openPage(url, browser = 'chromium') {
  const page = await (browser === 'webkit' ? webkitDriver(url)
    : /^chromium-\d+$/.test(browser) ? devtoolsDriver(browser, url) : puppeteerDriver(browser, url));
  page.send = async (line) => {
    await page.run((text) => { document.getElementById('line').value = text; }, line);
    await page.key('Enter');
  };
  return page;
}
