// What the dialogue tests cannot see of the web page, in Chromium over http:
// no WCAG 2.1 A or AA violation that axe-core finds at the prompt, after a
// verdict and after the end; "Start again" takes the focus and begins a fresh
// run below the last; Ctrl-D, queued lines, pastes with line breaks, typed
// direction controls and a shrinking screen handled as at a terminal; a field
// that a phone leaves as typed; nothing fetched but the page; and its
// Content-Security-Policy, strict and unbreached in each engine.
// Usage: node page_test.mjs PAGE
import assert from 'node:assert/strict';
import {readFileSync} from 'node:fs';
import {createServer} from 'node:http';
import {createRequire} from 'node:module';
import {resolve} from 'node:path';
import {test} from 'node:test';
import {isDeepStrictEqual} from 'node:util';
import {pathToFileURL} from 'node:url';
import {openPage, sleep} from './drivers.mjs';

const html = readFileSync(process.argv[2]);
const axe = readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');
const PROMPT = 'Write the symbols and charges for the ions.\n\nHow many questions? ';

const engines = (process.env.IONDRILL_ENGINES || 'chromium').split(' ');

// What the tests watch in a page: the current run's text (earlier runs stay
// above it) and waits of at most five seconds: for fn in the page to give
// `want`, for the run's text to match, for the run's end to show with its
// status line, the field off and the focus on "Start again".
function watch(page) {
  const log = () => page.run(() => document.querySelector('#log > .run:last-of-type')?.textContent);
  const settled = async (what, fn, want, arg) => {
    let got;
    for (const deadline = Date.now() + 5000; !isDeepStrictEqual(got = await page.run(fn, arg), want);) {
      assert.ok(Date.now() < deadline, `${what}: ${JSON.stringify(got)}; the log reads ${JSON.stringify(await log())}`);
      await sleep(10);
    }
  };
  const until = (what, pattern) => settled(what, (p) => new RegExp(p).test(
    document.querySelector('#log > .run:last-of-type')?.textContent), true, pattern.source);
  const ended = (status = 'The drill has ended.') => settled('the end', () => ({
    ended: !document.getElementById('ended').hidden, status: document.querySelector('[role=status]').textContent,
    disabled: document.getElementById('line').disabled, focus: document.activeElement.textContent}),
  {ended: true, status, disabled: true, focus: 'Start again'});
  return {log, settled, until, ended};
}

test('the page as a learner meets it', {timeout: 60000}, async () => {
  const fetched = [];
  const server = createServer((req, res) => {
    fetched.push(req.url);
    // As an old server sends it: a charset that outranks the page's own.
    res.writeHead(req.url === '/iondrill.html' ? 200 : 404, {'Content-Type': 'text/html; charset=ISO-8859-1'});
    res.end(req.url === '/iondrill.html' ? html : '');
  });
  await new Promise((done) => server.listen(0, '127.0.0.1', done));
  const page = await openPage(`http://127.0.0.1:${server.address().port}/iondrill.html`);
  const {log, settled, until, ended} = watch(page);
  const violations = () => page.run(async (source) => {
    if (!window.axe) (0, eval)(source);
    const tags = ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa'];
    const found = await window.axe.run(document, {runOnly: {type: 'tag', values: tags}});
    return found.violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target).join(', ')}`);
  }, axe);
  try {
    await until('the prompt', /questions\? $/);
    assert.deepEqual(await violations(), [], 'at the prompt');
    await page.send('2');
    await page.send('x');
    await until('a verdict', /Incorrect; correct answer is \S+\n\n.+\n$/);
    assert.deepEqual(await violations(), [], 'after a verdict');
    await page.send('x');
    await until('the score', /Number correct: 0 out of 2 \(0%\)\n$/);
    await page.send('');
    await until('the end', /\(0%\)\n\n$/);
    await ended();
    assert.deepEqual(await violations(), [], 'after the end');

    await page.key('Enter'); // on the focused button, as a doubled Enter would
    await until('a fresh prompt', /questions\? $/);
    assert.equal(await log(), PROMPT);
    // The end stays until the new run's first line: hiding the focused
    // button would leave a screen reader behind.
    const restart = () => page.run(() => [document.activeElement.id, document.getElementById('ended').hidden,
      document.getElementById('status').textContent, document.querySelectorAll('#log > hr + .run').length,
      /Number correct: 0 out of 2 \(0%\)\n\n/.test(document.getElementById('log').textContent)]);
    assert.deepEqual(await restart(), ['line', false, 'The drill has ended.', 1, true], 'as the new run starts');

    // Ctrl-D sends what is typed, without a line break, and ends the input;
    // the field is emptied as its text goes; a typed direction control
    // cannot turn the verdict after it around.
    await page.send('1');
    await until('the question', /\n[^\n]+\n$/);
    assert.deepEqual(await restart(), ['line', true, '', 1, true], 'once the new run has its first line');
    await page.run(() => {
      document.getElementById('line').value = '\u202ex';
      window.addEventListener('keydown', (e) => { window.ctrlDTaken = e.ctrlKey && e.defaultPrevented; });
    });
    await page.key('Ctrl-D');
    await until('the score', /x?Incorrect; correct answer is \S+\n\nNumber correct: 0 out of 1 \(0%\)\n$/);
    await ended();
    assert.deepEqual(await page.run(() => {
      const kbds = [...document.querySelectorAll('#log > .run:last-of-type kbd')];
      const verdict = kbds[1].nextSibling, at = (i) => {
        const r = document.createRange();
        r.setStart(verdict, i);
        r.setEnd(verdict, i + 1);
        return r.getBoundingClientRect().left;
      };
      return [kbds.map((k) => k.textContent), document.getElementById('line').value, at(0) < at(1), window.ctrlDTaken];
    }), [['1\n', '\u202ex'], '', true, true]);
    // A new run reads input again, and lines sent before it reads wait their turn.
    await page.run(() => {
      const field = document.getElementById('line'), form = document.getElementById('console');
      document.getElementById('again').click();
      field.value = '2';
      form.requestSubmit();
      field.value = 'x';
      form.requestSubmit();
    });
    await until('a queued answer judged', /\nIncorrect; correct answer is \S+\n\n[^\n]+\n$/);
    await page.send('x');
    await until('the score', /\nNumber correct: 0 out of 2 \(0%\)\n$/);
    await page.send('');
    await ended();
    // A run that exits with a status, or traps, says so at its end.
    for (const [code, trap, status, stderr] of [
      [3, null, 'The drill has ended. It exited with status 3.', ''],
      [0, 'trapped', 'The drill has ended. It exited with status 1.', 'Error: trapped\n'],
    ]) {
      await page.run(([c, t]) => {
        const real = window.runDrill;
        window.runDrill = () => {
          window.runDrill = real;
          return t ? Promise.reject(new Error(t)) : Promise.resolve(c);
        };
        document.getElementById('again').click();
      }, [code, trap]);
      await ended(status);
      assert.equal(await page.run(() => document.getElementById('stderr').textContent), stderr);
    }

    // A paste with line breaks (CR, CRLF) goes in place of the selection:
    // each whole line is sent, each echoed after the question it answers, and
    // the rest stays typed.
    await page.run(() => document.getElementById('again').click());
    await until('a fresh prompt', /questions\? $/);
    await page.run(() => {
      const data = new DataTransfer(), field = document.getElementById('line');
      data.setData('text/plain', '\rFe3+\r\n');
      field.value = '2?SO';
      field.setSelectionRange(1, 2);
      field.dispatchEvent(new ClipboardEvent('paste', {clipboardData: data, cancelable: true}));
    });
    await until('the second question', /(Correct\.|correct answer is \S+)\n\n[^\n]+\n$/);
    assert.match(await log(), /^[^]+\? 2\n\n[^\n]+\nFe3\+\n(Correct\.|Incorrect; correct answer is \S+)\n\n[^\n]+\n$/);
    // Each echo and the reply to it are one block, for a screen reader to speak as one.
    assert.match(await page.run(() => [...document.querySelectorAll('#log > .run:last-of-type kbd')]
      .map((k) => k.parentNode.textContent).join('|') + '|' + document.getElementById('line').value),
    /^2\n\n[^\n]+\n\|Fe3\+\n(Correct\.|Incorrect; correct answer is \S+)\n\n[^\n]+\n\|SO$/);
    // The log has filled: it keeps its newest line in view.
    await settled('the log scrolled to its end', () => {
      const l = document.getElementById('log');
      return l.scrollHeight > l.clientHeight && l.scrollHeight - l.scrollTop - l.clientHeight < 2;
    }, true);

    // A phone's keyboard shrinks the screen: the newest line and the field stay in view.
    await page.viewport(360, 740);
    await page.viewport(360, 440);
    await settled('the newest line and the field in view', () => {
      const inView = (rect) => rect.top >= 0 && rect.bottom <= window.visualViewport.height + 1;
      const logBox = document.getElementById('log').getBoundingClientRect();
      const last = document.createRange();
      last.selectNodeContents(document.querySelector('#log > .run:last-of-type').lastElementChild.lastElementChild);
      const line = last.getBoundingClientRect();
      return [inView(document.getElementById('line').getBoundingClientRect()), inView(line),
        line.bottom <= logBox.bottom + 1];
    }, [true, true, true]);

    // A phone must send "fe3+" and "Cl-" as typed: no capital, no correction.
    const attributes = await page.run(() => Object.fromEntries(
      ['autocapitalize', 'autocorrect', 'spellcheck', 'autocomplete', 'enterkeyhint', 'type']
        .map((name) => [name, document.getElementById('line').getAttribute(name)])));
    assert.deepEqual(attributes, {autocapitalize: 'off', autocorrect: 'off', spellcheck: 'false',
      autocomplete: 'off', enterkeyhint: 'send', type: 'text'});
    assert.deepEqual(fetched, ['/iondrill.html'], 'the page fetched more than itself');
  } finally {
    await page.close();
    server.close();
  }
});

// Only the page's own script and style run, and no engine
// (IONDRILL_ENGINES, default chromium) reports a breach while a run starts.
test('the page is locked down', {timeout: 120000}, async () => {
  const csp = /<meta http-equiv="Content-Security-Policy" content="([^"]*)">/.exec(html)?.[1] ?? '';
  assert.match(csp, /^default-src 'none'; script-src( 'sha256-[\w+/=]+')+; style-src 'sha256-/);
  assert.doesNotMatch(csp, /unsafe-|\*|https?:/);
  for (const engine of engines) {
    const page = await openPage(pathToFileURL(resolve(process.argv[2])).href, engine);
    try {
      await page.run(() => {
        window.breaches = [];
        document.addEventListener('securitypolicyviolation', (e) => window.breaches.push(e.violatedDirective));
        document.getElementById('again').click(); // a new instance, loaded as at the start
      });
      for (let i = 0; !(await page.run(() => /\? $/.test(document.getElementById('log').textContent))); i++) {
        assert.ok(i < 500, `${engine}: no prompt`);
        await sleep(10);
      }
      assert.deepEqual(await page.run(() => window.breaches), [], engine);
    } finally {
      await page.close();
    }
  }
});

// A reload mid-run and after the end brings every run back as it was, the
// field's text with it, and the run goes on with its earlier answers
// counted; a store tampered with or cut short gives a sentence and a fresh
// run, never a wrong one; a new tab starts clean.
test('a reload loses nothing', {timeout: 120000}, async () => {
  for (const engine of engines.filter((e) => e !== 'webkit')) {
    const url = pathToFileURL(resolve(process.argv[2])).href, page = await openPage(url, engine);
    const {log, settled, until, ended} = watch(page);
    const shown = () => [document.getElementById('log').innerHTML, document.getElementById('line').value,
      document.querySelectorAll('#log > .run').length, document.getElementById('status').textContent];
    const reload = async () => {
      const want = await page.run(shown);
      await page.goto(url);
      await settled(`${engine}, after a reload`, shown, want);
    };
    const send = async (...lines) => { for (const line of lines) await page.send(line); };
    try {
      await page.run(() => { Date.now = () => 1765000000000; }); // both runs draw the same questions
      await send('3', 'x', 'x', 'x');
      await until('the score', /\(0%\)\n$/);
      const answers = (await log()).match(/(?<=correct answer is )\S+/g);
      await send('');
      await ended();
      await page.run(() => document.getElementById('again').click());
      await send('3', answers[0]);
      await until('the second question', /Correct\.\n\n.+\n$/);
      await page.run(() => { document.getElementById('line').value = 'Fe'; });
      await reload();
      await page.run(() => { document.getElementById('line').value = ''; });
      await send(answers[1], answers[2]);
      await until('the score', /Number correct: 3 out of 3 \(100%\)\n$/);
      await send('');
      await ended();
      await reload();
      await ended();
      // Run 2 cut short, then run 1's score forged: each is lost with the runs after it.
      for (const [run, cut, runs] of [[1, true, 2], [0, false, 1]]) {
        await page.run(([r, c]) => {
          const key = `iondrill ${location.pathname} ${r}`, text = sessionStorage.getItem(key);
          sessionStorage.setItem(key, c ? text.slice(0, text.length / 2) : text.replace('correct: 0', 'correct: 3'));
        }, [run, cut]);
        await page.goto(url);
        await until('a fresh prompt', /questions\? $/);
        assert.deepEqual((await page.run(shown)).slice(1), ['', runs,
          'The answers this tab kept could not be brought back, so a new run has begun.'], `${engine}, run ${run}`);
      }
      await page.newTab(url);
      await until('a fresh prompt', /questions\? $/);
      assert.equal((await page.run(shown))[2], 1, `${engine}: a new tab met the last one's runs`);
      await page.run(() => { Storage.prototype.setItem = () => { throw new DOMException('', 'QuotaExceededError'); }; });
      await send('2');
      await settled('a full store', () => document.getElementById('status').textContent,
        'This browser does not let the page keep your answers: a reload would lose them.');
    } finally {
      await page.close();
    }
  }
});
