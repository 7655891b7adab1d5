// Plays the iondrill web page in a browser for the end-to-end tests, as the
// wine relay plays the .exe: each line of standard input is typed into the
// page's field and sent with Enter, the end of input is Ctrl-D, the log's text
// outside <kbd> goes to standard output as it appears and anything the page
// shows of standard error to standard error. Exits with the drill's status
// once "Start again" shows.
// Usage: node web_relay.mjs PAGE   (a file, or an http:// address)
// IONDRILL_BROWSER picks the engine: chromium (default), firefox or webkit;
// webkit needs an X display (xvfb-run).
import {spawn} from 'node:child_process';
import {resolve} from 'node:path';
import {pathToFileURL} from 'node:url';

const FLAGS = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];
const target = process.argv[2];
const url = /^https?:/.test(target) ? target : pathToFileURL(resolve(target)).href;
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

// Each engine gives: run(fn, arg) in the page, key('Enter' | 'Ctrl-D') in the
// focused field, and close().
async function puppeteerDriver(browser) {
  const {default: puppeteer} = await import('puppeteer-core');
  const b = await puppeteer.launch(browser === 'firefox'
    ? {browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: true}
    : {executablePath: '/usr/bin/chromium', headless: true, args: FLAGS});
  const page = (await b.pages())[0] || await b.newPage();
  await page.goto(url);
  return {
    run: (fn, arg) => page.evaluate(fn, arg),
    key: async (k) => {
      if (k === 'Enter') return page.keyboard.press('Enter');
      await page.keyboard.down('Control');
      await page.keyboard.press('KeyD');
      await page.keyboard.up('Control');
    },
    close: () => b.close(),
  };
}

// WebKitGTK through its own WebDriver, spoken over plain HTTP.
async function webkitDriver() {
  const port = 4444 + (process.pid % 1000);
  const driver = spawn('/usr/bin/WebKitWebDriver', [`--port=${port}`], {detached: true, stdio: 'ignore'});
  const end = () => { try { process.kill(-driver.pid, 'SIGKILL'); } catch { /* gone already */ } };
  process.on('exit', end); // MiniBrowser's processes would outlive the relay
  const base = `http://127.0.0.1:${port}`;
  const call = async (method, path, body) => {
    const r = await fetch(base + path, {method, body: body && JSON.stringify(body),
      signal: AbortSignal.timeout(20000)}); // without a display, WebKit never answers
    const json = await r.json();
    if (!r.ok) throw new Error(`${path}: ${JSON.stringify(json.value)}`);
    return json.value;
  };
  for (let i = 0; !(await fetch(base + '/status').then((r) => r.ok, () => false)); i++) {
    if (i > 200) throw new Error('WebKitWebDriver did not start');
    await sleep(25);
  }
  const {sessionId} = await call('POST', '/session', {capabilities: {alwaysMatch: {
    'webkitgtk:browserOptions': {binary: '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser'}}}});
  const s = `/session/${sessionId}`;
  await call('POST', `${s}/url`, {url});
  const field = Object.values(await call('POST', `${s}/element`, {using: 'css selector', value: '#line'}))[0];
  return {
    run: (fn, arg) => call('POST', `${s}/execute/sync`, {script: `return (${fn})(arguments[0])`, args: [arg]}),
    key: (k) => call('POST', `${s}/element/${field}/value`, {text: k === 'Enter' ? '\uE007' : '\uE009d\uE000'}),
    close: async () => { await call('DELETE', s).catch(() => {}); end(); },
  };
}

// In the page: puts `line` (if any) in the field unless the drill has ended;
// then the log's text outside <kbd> after the text node it last reached, and
// how the run ended.
const step = (line) => {
  const field = document.getElementById('line');
  const filled = line !== null && !field.disabled;
  if (filled) field.value = line;
  const walk = document.createTreeWalker(document.getElementById('log'), NodeFilter.SHOW_TEXT);
  let out = '';
  if (window.relayReached) walk.currentNode = window.relayReached;
  while (walk.nextNode()) {
    window.relayReached = walk.currentNode;
    if (walk.currentNode.parentNode.nodeName !== 'KBD') out += walk.currentNode.data;
  }
  return {filled, out, ended: !document.getElementById('ended').hidden,
    status: document.getElementById('status').textContent, stderr: document.getElementById('stderr').textContent};
};

const browser = process.env.IONDRILL_BROWSER || 'chromium';
const page = await (browser === 'webkit' ? webkitDriver() : puppeteerDriver(browser));
let input = '', inputEnded = false, endSent = false;
process.stdin.setEncoding('utf8');
process.stdin.on('data', (chunk) => { input += chunk; });
process.stdin.on('end', () => { inputEnded = true; });

for (;;) {
  // A whole line goes with Enter; at the end of input, what is left goes with Ctrl-D.
  const eol = input.indexOf('\n');
  const last = eol < 0 && inputEnded && !endSent;
  const line = eol >= 0 ? input.slice(0, eol) : last ? input : null;
  input = eol >= 0 ? input.slice(eol + 1) : last ? '' : input;
  endSent ||= last;
  const state = await page.run(step, line);
  process.stdout.write(state.out);
  if (state.ended) {
    process.stderr.write(state.stderr);
    process.exitCode = Number((/status (\d+)/.exec(state.status) || [0, 0])[1]);
    break;
  }
  if (state.filled) await page.key(last ? 'Ctrl-D' : 'Enter');
  if (line === null) await sleep(2);
}
await page.close();
