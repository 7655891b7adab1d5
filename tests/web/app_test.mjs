// The hosted app in Chromium, as a school would host it: the folder served
// from 127.0.0.1 under a sub-path, in a browser profile on disk (an incognito
// one can install nothing). It must be installable, be kept by its service
// worker after one visit, play a whole drill with its host truly down, and
// show a new release on the load after the browser has fetched it, with no
// cache left holding the old one and the caches of other apps and other
// copies on the host kept; over plain http at a school's own address it
// plays with no error; opened from disk it still plays, with no console error.
// Usage: node app_test.mjs APP-FOLDER
import assert from 'node:assert/strict';
import {existsSync, mkdtempSync, readFileSync, rmSync} from 'node:fs';
import {createServer} from 'node:http';
import {tmpdir} from 'node:os';
import {basename, join, resolve} from 'node:path';
import {test} from 'node:test';
import {pathToFileURL} from 'node:url';
import {launchChromium} from './drivers.mjs';

const dir = process.argv[2];
const base = '/chemistry/iondrill/';
const types = {html: 'text/html', js: 'text/javascript', webmanifest: 'application/manifest+json', png: 'image/png'};
const version = /prefix \+ '([^']+)'/.exec(readFileSync(join(dir, 'sw.js'), 'utf8'))[1];

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

test('the hosted app', {timeout: 120000}, async () => {
  let release = version; // what the server puts in place of the version: a new release
  let down = false; // the host gone: every connection cut before an answer
  const server = createServer((req, res) => {
    const name = req.url === base ? 'index.html' : req.url.startsWith(base) ? basename(req.url) : '';
    if (down) {
      req.socket.destroy();
      return;
    }
    if (!name || !existsSync(join(dir, name))) {
      res.writeHead(404);
      res.end();
      return;
    }
    const body = readFileSync(join(dir, name));
    res.writeHead(200, {'Content-Type': types[name.split('.').pop()]});
    res.end(name.endsWith('.png') ? body : body.toString().split(version).join(release));
  });
  await new Promise((done) => server.listen(0, '127.0.0.1', done));
  const port = server.address().port;
  const profile = mkdtempSync(join(tmpdir(), 'iondrill-app-'));
  // school.test stands for a school's own address on plain http: no secure context.
  const browser = await launchChromium({userDataDir: profile, args: ['--host-resolver-rules=MAP school.test 127.0.0.1']});
  const errors = [];
  const open = async (url) => {
    const page = await browser.newPage();
    page.on('console', (m) => { if (m.type() === 'error') errors.push(`${url}: ${m.text()}`); });
    page.on('pageerror', (e) => errors.push(`${url}: ${e.message}`));
    await page.goto(url);
    return page;
  };
  try {
    const page = await open(`http://127.0.0.1:${port}${base}`);
    await page.evaluate(() => navigator.serviceWorker.ready);
    const cdp = await page.createCDPSession();
    assert.deepEqual((await cdp.send('Page.getInstallabilityErrors')).installabilityErrors, []);
    await page.reload();
    assert.ok(await page.evaluate(() => navigator.serviceWorker.controller !== null), 'no worker keeps the app');

    down = true;
    await page.reload();
    assert.equal(await play(page), 'Number correct: 0 out of 1 (0%)', 'with the host down');
    down = false;

    // Another app of the school's, and another copy of this one, on the same host.
    const others = ['another app', `iondrill http://127.0.0.1:${port}/physics/iondrill/ ${version}`];
    await page.evaluate((names) => Promise.all(names.map((n) => caches.open(n))), others);
    release = `${version}.1`;
    await page.reload();
    await page.waitForFunction(async (r) => {
      const reg = await navigator.serviceWorker.getRegistration();
      return (await caches.keys()).some((k) => k.endsWith(` ${r}`)) && !reg.installing && !reg.waiting &&
        reg.active.state === 'activated';
    }, {timeout: 30000, polling: 100}, release);
    await page.reload();
    assert.equal(await page.evaluate(() => document.querySelector('h1 small').textContent), release,
      'the new release was not shown once the browser had it');
    assert.deepEqual((await page.evaluate(() => caches.keys())).sort(),
      [...others, `iondrill http://127.0.0.1:${port}${base} ${release}`].sort(), 'the caches after an update');

    const http = await open(`http://school.test:${port}${base}`);
    assert.equal(await play(http), 'Number correct: 0 out of 1 (0%)', 'over plain http');
    const disk = await open(pathToFileURL(resolve(dir, 'index.html')).href);
    assert.equal(await play(disk), 'Number correct: 0 out of 1 (0%)', 'from disk');
    assert.deepEqual(errors, []);
  } finally {
    await browser.close();
    server.close();
    rmSync(profile, {recursive: true, force: true});
  }
});
