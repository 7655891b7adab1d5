// The hosted app in Chromium, as a school would host it: the folder served
// from 127.0.0.1 under a sub-path, in a browser profile on disk (an incognito
// one can install nothing). It must be installable, be kept by its service
// worker after one visit, play a whole drill offline, and show a new release
// within three loads with no cache left holding the old one; opened from disk
// it must still play, with no console error.
// Usage: node app_test.mjs APP-FOLDER
import assert from 'node:assert/strict';
import {existsSync, mkdtempSync, readFileSync, rmSync} from 'node:fs';
import {createServer} from 'node:http';
import {tmpdir} from 'node:os';
import {basename, join, resolve} from 'node:path';
import {test} from 'node:test';
import {pathToFileURL} from 'node:url';
import {FLAGS, loadPuppeteer, sleep} from './drivers.mjs';

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
  const server = createServer((req, res) => {
    const name = req.url === base ? 'index.html' : req.url.startsWith(base) ? basename(req.url) : '';
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
  const profile = mkdtempSync(join(tmpdir(), 'iondrill-app-'));
  const puppeteer = await loadPuppeteer();
  const browser = await puppeteer.launch({executablePath: '/usr/bin/chromium', headless: true, args: FLAGS,
    userDataDir: profile});
  const errors = [];
  const open = async (url) => {
    const page = await browser.newPage();
    page.on('console', (m) => { if (m.type() === 'error') errors.push(`${url}: ${m.text()}`); });
    await page.goto(url);
    return page;
  };
  try {
    const page = await open(`http://127.0.0.1:${server.address().port}${base}`);
    await page.evaluate(() => navigator.serviceWorker.ready);
    const cdp = await page.createCDPSession();
    assert.deepEqual((await cdp.send('Page.getInstallabilityErrors')).installabilityErrors, []);
    await page.reload();
    assert.ok(await page.evaluate(() => navigator.serviceWorker.controller !== null), 'no worker keeps the app');

    await page.setOfflineMode(true);
    await page.reload();
    assert.equal(await play(page), 'Number correct: 0 out of 1 (0%)', 'offline');
    await page.setOfflineMode(false);

    release = `${version}.1`;
    let shown = '';
    for (let load = 0; load < 3 && shown !== release; load++) {
      await page.reload();
      await sleep(4000); // the time the worker takes to find and fetch a new release
      shown = await page.evaluate(() => document.querySelector('h1 small').textContent);
    }
    assert.equal(shown, release, 'the new release was not shown within three loads');
    assert.deepEqual((await page.evaluate(() => caches.keys())).filter((k) => !k.endsWith(` ${release}`)), [],
      'a cache of the old release is left');

    const disk = await open(pathToFileURL(resolve(dir, 'index.html')).href);
    assert.equal(await play(disk), 'Number correct: 0 out of 1 (0%)', 'from disk');
    assert.deepEqual(errors, []);
  } finally {
    await browser.close();
    server.close();
    rmSync(profile, {recursive: true, force: true});
  }
});
