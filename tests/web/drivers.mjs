// Opens a page in one of the browsers that the web tests and the benchmark
// use, all from Debian's packages: chromium and firefox through
// puppeteer-core; webkit, WebKitGTK's MiniBrowser, through its own WebDriver
// spoken over plain HTTP. A page gives run(fn, arg) in the page, key('Enter'
// or 'Ctrl-D') to the focused element (in webkit, to the field), goto(url),
// close() and, but in webkit, newTab(url) in place of the tab.
import {spawn} from 'node:child_process';
import {existsSync, readdirSync} from 'node:fs';

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

// The page, with send(line): the line typed into the field and sent with Enter.
export async function openPage(url, browser = 'chromium') {
  const page = await (browser === 'webkit' ? webkitDriver(url) : puppeteerDriver(browser, url));
  page.send = async (line) => {
    await page.run((text) => { document.getElementById('line').value = text; }, line);
    await page.key('Enter');
  };
  return page;
}
