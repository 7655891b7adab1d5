// The page's loader (web/wasi.js, as built into the page) run by node, with
// no browser: the drill's clock comes from Date.now, and a transcript does
// not depend on how the typed bytes are handed over, at once or a byte at a
// time, each after the read has gone to sleep.
// Usage: node loader_test.mjs PAGE
import {test} from 'node:test';
import assert from 'node:assert/strict';
import {readFileSync} from 'node:fs';

const html = readFileSync(process.argv[2], 'utf8');
const script = html.split('<script>').find((s) => s.includes('var runDrill')).split('</script>')[0];
const runDrill = new Function(`${script}\nreturn runDrill;`)();

// One run at the given clock; input goes in pieces of `piece` bytes, each
// delivered from a timer. Gives the exit status and the output.
async function run(now, input, piece) {
  Date.now = () => now;
  let typed = new TextEncoder().encode(input), out = '';
  const decoder = new TextDecoder();
  const status = await runDrill((fd, bytes) => { out += (fd === 1 ? '' : `[fd ${fd}]`) + decoder.decode(bytes); }, (max, deliver) => {
    const bytes = typed.subarray(0, Math.min(max, piece));
    typed = typed.subarray(bytes.length);
    setTimeout(() => deliver(bytes));
  });
  return [status, out];
}

test('the loader', {timeout: 30000}, async () => {
  const second = 1765000000000;
  const [status, whole] = await run(second, '4\nFe3+\nx\n', 1 << 20);
  assert.equal(status, 0);
  assert.match(whole, /^Write the symbols and charges for the ions\.\n\nHow many questions\? \n\S[^[]*$/);
  for (const [what, now, input, piece, same] of [
    ['a byte at a time', second, '4\nFe3+\nx\n', 1, true],
    ['later in the same second', second + 999, '4\nFe3+\nx\n', 1 << 20, true],
    ['the next second', second + 1000, '4\nFe3+\nx\n', 1 << 20, false],
  ]) {
    const [s, out] = await run(now, input, piece);
    assert.equal(s, 0, what);
    assert.equal(out === whole, same, `${what}:\n${out}`);
  }
});
