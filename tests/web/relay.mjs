// Plays the iondrill web page in a browser for the end-to-end tests, as the
// wine relay plays the .exe: each line of standard input is typed into the
// page's field and sent with Enter, the end of input is Ctrl-D, the log's text
// outside <kbd> goes to standard output as it appears and anything the page
// shows of standard error to standard error. Exits with the drill's status
// once "Start again" shows.
// Usage: node relay.mjs PAGE   (a file, or an http:// address)
// IONDRILL_BROWSER picks the engine: chromium (default), firefox or webkit.
import {resolve} from 'node:path';
import {pathToFileURL} from 'node:url';
import {openPage, sleep} from './drivers.mjs';

const target = process.argv[2];
const url = /^https?:/.test(target) ? target : pathToFileURL(resolve(target)).href;

// In the page: puts `line` (if any) in the field unless the drill has ended;
// then the log's text outside <kbd> after the text node it last reached, and
// how the run ended.
const step = (line) => {
  const field = document.getElementById('line');
  const filled = line !== null && !field.disabled;
  if (filled) field.value = line;
  const walk = document.createTreeWalker(document.querySelector('#log > .run:last-of-type'), NodeFilter.SHOW_TEXT);
  let out = '';
  if (window.relayReached) walk.currentNode = window.relayReached;
  while (walk.nextNode()) {
    window.relayReached = walk.currentNode;
    if (walk.currentNode.parentNode.nodeName !== 'KBD') out += walk.currentNode.data;
  }
  return {filled, out, ended: !document.getElementById('ended').hidden,
    status: document.getElementById('status').textContent, stderr: document.getElementById('stderr').textContent};
};

const page = await openPage(url, process.env.IONDRILL_BROWSER);
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
