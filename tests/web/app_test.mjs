// The hosted app in Chromium and Firefox, as a school would host it and as
// school hosts misbehave: the folder served under a sub-path by a host of the
// test's own on 127.0.0.1, which sends Vary: User-Agent and Accept, can cut a
// body short, hand out a file of the release before, send sw.js as plain
// text and go truly down (every connection cut, which the worker meets too),
// in a browser profile on disk (an incognito one can install nothing). Each
// row says what the learner sees; then the old Chromium builds keep the app
// and play offline.
// Usage: node app_test.mjs APP-FOLDER
import assert from 'node:assert/strict';
import {createHash} from 'node:crypto';
import {existsSync, mkdtempSync, readFileSync, rmSync} from 'node:fs';
import {createServer} from 'node:http';
import {tmpdir} from 'node:os';
import {basename, join, resolve} from 'node:path';
import {after, test} from 'node:test';
import {pathToFileURL} from 'node:url';
import {launchChromium, launchFirefox, openPage} from './drivers.mjs';

const dir = process.argv[2];
const base = '/chemistry/iondrill/';
const types = {html: 'text/html', js: 'text/javascript', webmanifest: 'application/manifest+json', png: 'image/png'};
const version = /prefix \+ '([^']+)'/.exec(readFileSync(join(dir, 'sw.js'), 'utf8'))[1];
const sha256 = (data) => createHash('sha256').update(data).digest('hex');

// A whole drill of one question, typed; returns the score line.
async function play(page) {
  await page.waitForFunction(() => /\? $/.test(document.querySelector('#log > .run:last-of-type').textContent));
  for (const line of ['1', 'x']) {
    await page.type('#line', line);
    await page.keyboard.press('Enter');
  }
  await page.waitForFunction(() => /Number correct/.test(document.querySelector('#log > .run:last-of-type').textContent));
  return page.evaluate(() => /Number correct: .*/.exec(document.getElementById('log').textContent)[0]);
}

// What the host serves: `release` in place of the version (a new release,
// sw.js with the hashes of its files), but `stale` files of the release
// before; `cut` files half sent, with no length; `failing` ones a 500; sw.js
// as `swType`.
const host = {};
const reset = () => Object.assign(host, {release: version, stale: [], cut: [], failing: [], swType: types.js,
  down: false});
const file = (name, stale = host.stale) => {
  const body = readFileSync(join(dir, name));
  return name.endsWith('.png') || stale.includes(name) ? body
    : Buffer.from(body.toString().split(version).join(host.release));
};
const server = createServer((req, res) => {
  const path = req.url.split('?')[0], name = path === base || `${path}/` === base ? 'index.html' : basename(path);
  if (host.down) return req.socket.destroy();
  if (!path.startsWith(base.slice(0, -1)) || !existsSync(join(dir, name))) return res.writeHead(404).end();
  if (host.failing.includes(name)) return res.writeHead(500).end();
  let body = file(name);
  if (name === 'sw.js') {
    body = body.toString().replace(/'([\w.-]+)': '\w+'/g, (_, f) => `'${f}': '${sha256(file(f, []))}'`);
  }
  const type = name === 'sw.js' ? host.swType : types[name.split('.').pop()];
  if (!host.cut.includes(name)) return res.writeHead(200, {'Content-Type': type, 'Vary': 'Accept-Encoding, User-Agent, Accept'}).end(body);
  // No length: the body ends where the connection does, which a browser takes for the whole.
  req.socket.end(Buffer.concat([Buffer.from(`HTTP/1.1 200 OK\r\nContent-Type: ${type}\r\nConnection: close\r\n\r\n`),
    body.subarray(0, body.length / 2)]));
});
await new Promise((done) => server.listen(0, '127.0.0.1', done));
after(() => server.close());
const port = server.address().port, app = `http://127.0.0.1:${port}${base}`;

for (const engine of ['chromium', 'firefox']) test(`the hosted app in ${engine}`, {timeout: 240000}, async () => {
  reset();
  const profile = mkdtempSync(join(tmpdir(), 'iondrill-app-'));
  // school.test stands for a school's own address on plain http: no secure context.
  const browser = engine === 'chromium'
    ? await launchChromium({userDataDir: profile, args: ['--host-resolver-rules=MAP school.test 127.0.0.1']})
    : await launchFirefox({userDataDir: profile, extraPrefsFirefox: {'network.dns.localDomains': 'school.test'}});
  const errors = [];
  // A tab of its own at `to`, as a learner opens the app (a tab takes up its own earlier runs).
  let page = null;
  const open = async (to) => {
    await page?.close();
    page = await browser.newPage();
    page.on('console', (m) => { if (m.type() === 'error' && !host.down) errors.push(`${to}: ${m.text()}`); });
    page.on('pageerror', (e) => errors.push(`${to}: ${e.message}`));
    await page.goto(to);
  };
  const shown = () => page.evaluate(() => [document.querySelector('h1 small')?.textContent,
    document.getElementById('status')?.textContent ?? document.body.textContent]);
  // The browser looks for a release; the state its new worker ends in.
  // Firefox settles update() only once the new worker is done.
  const update = () => page.evaluate(async () => {
    const reg = await navigator.serviceWorker.getRegistration();
    let found = null;
    reg.addEventListener('updatefound', () => { found = reg.installing; }, {once: true});
    await reg.update();
    const worker = found || reg.installing;
    while (worker && !['redundant', 'activated'].includes(worker.state)) {
      await new Promise((done) => worker.addEventListener('statechange', done, {once: true}));
    }
    return worker ? worker.state : 'none';
  });
  const offline = async (to) => {
    host.down = true;
    await open(to);
    const score = await play(page);
    host.down = false;
    return score;
  };
  try {
    await open(app);
    await page.evaluate(() => navigator.serviceWorker.ready);
    if (engine === 'chromium') { // the only one that installs apps
      const cdp = await page.target().createCDPSession();
      assert.deepEqual((await cdp.send('Page.getInstallabilityErrors')).installabilityErrors, []);
    }
    await page.reload();
    assert.ok(await page.evaluate(() => navigator.serviceWorker.controller !== null), 'no worker keeps the app');
    for (const to of [app, `${app}index.html`, `${app}?from=classroom`]) {
      assert.equal(await offline(to), 'Number correct: 0 out of 1 (0%)', `with the host down: ${to}`);
    }

    // Another app of the school's, and another copy of this one, on the same host.
    const others = ['another app', `iondrill http://127.0.0.1:${port}/physics/iondrill/ ${version}`];
    await page.evaluate((names) => Promise.all(names.map((n) => caches.open(n))), others);
    const ours = (release) => `iondrill ${app} ${release}`;
    // A new release, cut short, half uploaded or with a file failing, is
    // refused; the one before plays on.
    for (const [what, stale, cut, failing] of [['cut short', [], ['index.html'], []],
      ['half uploaded', ['index.html'], [], []], ['a file failing', [], [], ['icon-512.png']]]) {
      Object.assign(host, {release: `${version}.1`, stale, cut, failing});
      assert.equal(await update(), 'redundant', what);
      assert.equal(await offline(app), 'Number correct: 0 out of 1 (0%)', `${what}, then with the host down`);
      assert.deepEqual(await shown(), [version, ''], what);
    }
    Object.assign(host, {stale: [], cut: [], failing: []});
    assert.equal(await update(), 'activated', 'the whole release');
    await page.reload();
    assert.deepEqual(await shown(), [`${version}.1`, ''], 'the new release was not shown once the browser had it');
    assert.deepEqual((await page.evaluate(() => caches.keys())).sort(), [...others, ours(`${version}.1`)].sort());

    // The browser empties the cache: offline, a sentence of ours; with a
    // network, the app plays and is kept again.
    await page.evaluate(() => caches.keys().then((keys) => Promise.all(keys.map((k) => caches.delete(k)))));
    host.down = true;
    await page.reload();
    assert.match((await shown())[1], /^The browser has removed the copy of iondrill/);
    host.down = false;
    await page.reload();
    await page.waitForFunction((name) => caches.open(name).then((c) => c.keys()).then((k) => k.length === 4),
      {polling: 100, timeout: 20000}, ours(`${version}.1`));
    assert.equal(await offline(app), 'Number correct: 0 out of 1 (0%)', 'kept again');

    // Where the app cannot be kept, the status line says why.
    host.swType = 'text/plain';
    for (const [to, why] of [[`http://localhost:${port}${base}`, 'its host did not hand over sw.js as JavaScript'],
      [`http://school.test:${port}${base}`, 'it is not served over https']]) {
      await open(to);
      await page.waitForFunction(() => document.getElementById('status').textContent);
      assert.match((await shown())[1], new RegExp(`^This page will not work offline: ${why}`), to);
      assert.equal(await play(page), 'Number correct: 0 out of 1 (0%)', to);
    }
    host.swType = types.js;
    // The folder's address without its closing slash goes to the one with it.
    await page.goto(app.slice(0, -1));
    await page.waitForFunction((to) => location.href === to, {}, app);
    await open(pathToFileURL(resolve(dir, 'index.html')).href);
    assert.equal(await play(page), 'Number correct: 0 out of 1 (0%)', 'from disk');
    assert.deepEqual(errors.filter((e) => !e.startsWith(`http://localhost:${port}`)), []);
  } finally {
    await browser.close();
    rmSync(profile, {recursive: true, force: true});
  }
});

// Old Chromium builds keep the app, and play it with the host down.
test('the hosted app in old Chromium builds', {timeout: 120000}, async () => {
  reset();
  for (const old of (process.env.IONDRILL_OLD_CHROMIUMS || 'chromium-64 chromium-72 chromium-92').split(' ')) {
    const tab = await openPage(app, old);
    try {
      await tab.run(() => navigator.serviceWorker.ready.then(() => true));
      await tab.goto(app);
      assert.ok(await tab.run(() => navigator.serviceWorker.controller !== null), `${old}: no worker keeps the app`);
      host.down = true;
      await tab.goto(app);
      for (const line of ['1', 'x']) await tab.send(line);
      for (let i = 0; !/\(0%\)\n$/.test(await tab.run(() => document.getElementById('log').textContent)); i++) {
        assert.ok(i < 500, `${old}: no score with the host down`);
        await new Promise((done) => setTimeout(done, 10));
      }
      host.down = false;
    } finally {
      await tab.close();
    }
  }
});
