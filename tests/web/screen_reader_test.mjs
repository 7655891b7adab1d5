// The page as a blind learner meets it: Orca, the screen reader, on an X
// display and a D-Bus session of its own, reads the browser through AT-SPI;
// the learner's keys go through X (xdotool), where Orca hears them too. What
// Orca hands to speech comes from its debug log (no synthesizer). Two runs of
// three questions, the second begun by Enter on "Start again": every prompt,
// question, echo, verdict, score and end is spoken once and in order, and
// nothing else speaks the drill's text. In each engine of
// IONDRILL_SR_ENGINES (default: firefox chromium).
// Usage: node screen_reader_test.mjs PAGE
import assert from 'node:assert/strict';
import {execFileSync, spawn} from 'node:child_process';
import {mkdirSync, mkdtempSync, rmSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {join, resolve} from 'node:path';
import {test} from 'node:test';
import {pathToFileURL} from 'node:url';
import {display, launchChromium, launchFirefox, sleep} from './drivers.mjs';

const DRILL = /How many questions|correct answer|Correct\.|Number correct|The drill has ended/;
const PROMPT = /^Write the symbols and charges for the ions\. How many questions\?$/;
const quoted = (text) => text.replace(/\W/g, '\\$&');

for (const engine of (process.env.IONDRILL_SR_ENGINES || 'firefox chromium').split(' ')) {
  test(`Orca speaks each run in ${engine} whole, once and in order`, {timeout: 120000}, async () => {
    const tmp = mkdtempSync(join(tmpdir(), 'iondrill-orca-')), children = [];
    mkdirSync(join(tmp, 'run'), {mode: 0o700});
    const start = (command, args, env) => {
      const child = spawn(command, args, {env, stdio: ['ignore', 'pipe', 'ignore']});
      children.push(child);
      return child;
    };
    const bus = start('dbus-daemon', ['--session', '--nofork', '--print-address=1'], process.env);
    const env = {...process.env, DISPLAY: await display(children, true), HOME: tmp, XDG_RUNTIME_DIR: join(tmp, 'run'),
      DBUS_SESSION_BUS_ADDRESS: await new Promise((done) => bus.stdout.once('data', (d) => done(String(d).trim()))),
      GNOME_ACCESSIBILITY: '1', SPEECHD_CMD: '/bin/false'};
    // Orca's debug log as it goes: on a terminal (script), where Python
    // writes the file line by line.
    let log = '';
    start('script', ['-qfc', 'orca --replace --disable braille --debug-file /dev/stdout', '/dev/null'], env)
      .stdout.on('data', (d) => { log += d; });
    // What Orca has spoken, white space folded; key echo ("' {") left out.
    const spoken = () => [...log.matchAll(/SPEECH OUTPUT: '([^]*?)'( \{| voice=\w+\{|\{|\[)/g)]
      .filter((m) => m[2] !== ' {').map((m) => m[1].replace(/\s+/g, ' ').trim());
    // Waits, 20 seconds at most, until Orca speaks `want` (a string or a
    // pattern) after its first `from` utterances; gives what it spoke.
    const heard = async (want, from = 0) => {
      const match = (u) => (want.test ? want.test(u) : u === want);
      for (const deadline = Date.now() + 20000; !spoken().slice(from).some(match);) {
        assert.ok(Date.now() < deadline, `${engine}: never spoken: ${want}; spoken: ${JSON.stringify(spoken().slice(from))}`);
        await sleep(50);
      }
      return spoken().slice(from).find(match);
    };
    const x = (...args) => execFileSync('xdotool', args, {env});
    await heard('Screen reader on.');
    const browser = engine === 'firefox'
      ? await launchFirefox({headless: false, env})
      : await launchChromium({headless: false, env, defaultViewport: null, args: ['--force-renderer-accessibility']});
    try {
      const page = (await browser.pages())[0];
      await page.goto(pathToFileURL(resolve(process.argv[2])).href);
      await page.evaluate(() => { Date.now = () => 1765000000000; }); // both runs draw the same questions
      const expected = [await heard(PROMPT)];
      // A click puts the keyboard in the page, as a learner's first Tab or click would.
      const [left, top] = await page.evaluate(() => {
        const r = document.getElementById('line').getBoundingClientRect();
        const x = window.mozInnerScreenX ?? window.screenX + (window.outerWidth - window.innerWidth) / 2;
        const y = window.mozInnerScreenY ?? window.screenY + window.outerHeight - window.innerHeight;
        return [x + r.left + 5, y + r.top + r.height / 2].map(Math.round);
      });
      x('mousemove', String(left), String(top), 'click', '1');
      await heard(/^Your answer: .* entry\.$/);
      // Types a line and Enter; waits for `want`; gives where it began to listen.
      const say = async (line, want) => {
        const from = spoken().length;
        if (line) x('type', '--delay', '20', line);
        x('key', 'Return');
        expected.push(await heard(want, from));
        return from;
      };
      await say('3', /^3 \S/);
      const answers = [];
      for (let i = 0; i < 3; i++) {
        await say('x', /^x Incorrect; correct answer is \S+ \S/);
        answers.push(/is (\S+)/.exec(expected.at(-1))[1]);
      }
      assert.match(expected.at(-1), / Number correct: 0 out of 3 \(0%\)$/);
      await heard(/^Start again push button/, await say('', 'The drill has ended.'));
      await say('', PROMPT); // Enter on "Start again"
      await say('3', /^3 \S/);
      await say(answers[0], new RegExp(`^${quoted(answers[0])} Correct\\. \\S`));
      await say(answers[1].toLowerCase(), new RegExp(`^${quoted(answers[1].toLowerCase())} Close; correct answer is`));
      await say('x', /^x Incorrect; correct answer is \S+ Number correct: 1 out of 3 \(33%\)$/);
      await heard(/^Start again push button/, await say('', 'The drill has ended.'));
      const all = spoken(), drill = all.slice(all.indexOf(expected[0])).filter((u) => expected.includes(u) || DRILL.test(u));
      assert.deepEqual(drill, expected, `${engine}: spoken missing, doubled or out of order`);
    } finally {
      await browser.close();
      children.forEach((c) => c.kill('SIGKILL'));
      rmSync(tmp, {recursive: true, force: true});
    }
  });
}
