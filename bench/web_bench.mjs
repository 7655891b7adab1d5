// Figures for the web page, in the browsers the tests use: its size; in
// Chromium, navigation to the prompt beside a static page holding the same
// text (taking turns, medians), from disk, and served gzip-compressed over
// http to a slow device (CPU 6 times slower, 400 kbit/s, 400 ms round trip);
// and in each engine the time from the keydown
// of Enter to the verdict in the page and to the frame that shows it, at the
// first questions and at question 2000 (medians of the first and the last
// 100). Prints figures; asserts nothing.
// Usage: node bench/web_bench.mjs PAGE [ENGINE...]
import {mkdtempSync, readFileSync, rmSync, writeFileSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {join, resolve} from 'node:path';
import {pathToFileURL} from 'node:url';
import {gzipSync} from 'node:zlib';
import {createServer} from 'node:http';
import {launchChromium, openPage, sleep} from '../tests/web/drivers.mjs';

const [path, ...engines] = process.argv.slice(2);
const url = pathToFileURL(resolve(path)).href;
const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const kib = (n) => `${(n / 1024).toFixed(1)} KiB`;
const html = readFileSync(path);
console.log(`page: ${kib(html.length)} raw, ${kib(gzipSync(html, {level: 9}).length)} gzipped`);

const PROMPT = 'Write the symbols and charges for the ions.\n\nHow many questions? ';
const prompted = () => (document.getElementById('log') || document.body).textContent.endsWith('questions? ');
async function navigation() {
  const dir = mkdtempSync(join(tmpdir(), 'iondrill-bench-'));
  writeFileSync(join(dir, 'static.html'), `<!DOCTYPE html><html lang="en"><head><meta charset="utf-8">
<title>static</title><link rel="icon" href="data:,"></head><body><div id="log">${PROMPT}</div></body></html>`);
  const pages = {drill: url, static: pathToFileURL(join(dir, 'static.html')).href};
  const page = await openPage(pages.static);
  const times = {drill: [], static: []};
  for (let i = 0; i < 40; i++) {
    for (const [name, to] of Object.entries(pages)) {
      const start = performance.now();
      await page.goto(to);
      while (!(await page.run(prompted))) await sleep(1);
      times[name].push(performance.now() - start);
    }
  }
  await page.close();
  rmSync(dir, {recursive: true});
  const [d, s] = [median(times.drill), median(times.static)];
  console.log(`chromium: navigation to the prompt ${d.toFixed(1)} ms, static page ${s.toFixed(1)} ms, ${(d / s).toFixed(2)} times`);
}

// In the page: from each Enter's keydown to the animation frame after its verdict appears.
const watch = () => {
  window.benchTimes = [];
  let enter = 0;
  document.getElementById('line').addEventListener('keydown', (e) => { if (e.key === 'Enter') enter = e.timeStamp; }, true);
  new MutationObserver((records) => {
    const verdict = records.some((r) => [...r.addedNodes].some((n) => /orrect/.test(n.textContent)));
    if (verdict && enter) {
      const since = enter, shown = performance.now() - enter;
      enter = 0;
      requestAnimationFrame(() => window.benchTimes.push([shown, performance.now() - since]));
    }
  }).observe(document.getElementById('log'), {childList: true, subtree: true});
};

async function enterToVerdict(engine) {
  const page = await openPage(url, engine);
  while (!(await page.run(prompted))) await sleep(5);
  await page.run(watch);
  await page.send('2000');
  for (let i = 1; i <= 2000; i++) {
    await page.send('x');
    while ((await page.run(() => window.benchTimes.length)) < i) await sleep(1);
  }
  const times = await page.run(() => window.benchTimes);
  await page.close();
  const figures = (part) => [0, 1].map((k) => median(part.map((t) => t[k])).toFixed(1));
  const [first, last] = [figures(times.slice(0, 100)), figures(times.slice(-100))];
  console.log(`${engine}: Enter to verdict in the page / to its frame: ${first.join(' / ')} ms at the first`,
    `questions, ${last.join(' / ')} ms at question 2000`);
}

// A slow phone: the page and the static one served gzip-compressed from
// 127.0.0.1, loaded in turn, 21 each, medians from navigation to the prompt.
async function slowDevice() {
  const staticPage = `<!DOCTYPE html><html lang="en"><head><meta charset="utf-8"><title>static</title>
<link rel="icon" href="data:,"></head><body><div id="log">${PROMPT}</div></body></html>`;
  const bodies = {'/drill.html': gzipSync(html), '/static.html': gzipSync(staticPage)};
  const server = createServer((req, res) => {
    res.writeHead(200, {'Content-Type': 'text/html', 'Content-Encoding': 'gzip', 'Cache-Control': 'no-store'});
    res.end(bodies[req.url]);
  });
  await new Promise((done) => server.listen(0, '127.0.0.1', done));
  const base = `http://127.0.0.1:${server.address().port}`;
  const browser = await launchChromium();
  const page = await browser.newPage();
  await page.emulateCPUThrottling(6);
  await page.emulateNetworkConditions({download: 400 * 1000 / 8, upload: 400 * 1000 / 8, latency: 400});
  const times = {'/drill.html': [], '/static.html': []};
  for (let i = 0; i < 21; i++) {
    for (const path of Object.keys(times)) {
      const start = performance.now();
      await page.goto(base + path, {waitUntil: 'domcontentloaded'});
      await page.waitForFunction(prompted, {polling: 5, timeout: 60000});
      times[path].push(performance.now() - start);
    }
  }
  await browser.close();
  server.close();
  const [d, s] = [median(times['/drill.html']), median(times['/static.html'])];
  console.log(`chromium, slow device: prompt after ${d.toFixed(0)} ms, static page ${s.toFixed(0)} ms, ${(d / s).toFixed(2)} times`);
}

if (engines.length === 0 || engines.includes('chromium')) {
  await navigation();
  await slowDevice();
}
for (const engine of engines.length ? engines : ['chromium', 'firefox']) await enterToVerdict(engine);
