"""Thousands of generated inputs, right answers to garbage, fed to the real
iondrill; every run must end by itself, cleanly, saying only its own lines."""
import os
import random
import re
import sys
from concurrent.futures import ThreadPoolExecutor

from drill import PROMPT, QUESTION, SCORE, VERDICT, learn_table, run

CASES = int(os.environ.get("STRESS_CASES", 3000))  # fewer where each run is slow
NOTATION = learn_table()
TURN = re.compile(QUESTION + b"(?:" + VERDICT + b")?")


def make_input(rng):
    right = list(NOTATION.values())
    swapcase = lambda s: bytes(c ^ 0x20 if chr(c).isalpha() and rng.random() < 0.5 else c for c in s)
    makers = [
        lambda: rng.choice(right),
        lambda: swapcase(rng.choice(right)),
        lambda: rng.choice(right) + b"\r",
        lambda: b"\0" + rng.choice(right),
        lambda: b" " * rng.randint(1, 3),
        lambda: rng.randbytes(rng.choice([1, 2, 5, 14, 15, 16, 17, 100, 5000])),
        lambda: bytes([rng.choice(b"xA\r\0 ")]) * rng.choice([15, 16, 17, 100000]),
    ]
    count = rng.choice([b"%d" % rng.randint(1, 12)] * 8 + [b"0", b"-3", b"", b"abc", b"99999999999", rng.randbytes(6)])
    lines = [count] + [rng.choice(makers)() for _ in range(rng.randint(0, 40))]
    if rng.random() < 0.2:
        lines.insert(rng.randint(1, len(lines)), b"")  # an empty answer stops the run
    data = b"\n".join(lines) + b"\n"
    return data[: rng.randint(0, len(data))] if rng.random() < 0.3 else data


def lines(data):
    """The lines the drill reads from data: each cut to 15 bytes, a CR right
    before its line break dropped, ended at a NUL; then, endlessly, the empty
    line that the end of input reads as."""
    *ended, last = data.split(b"\n")
    for raw in ended:
        line = raw[:-1] if raw.endswith(b"\r") and len(raw) <= 15 else raw[:15]
        yield line.split(b"\0")[0]
    if last:
        yield last[:15].split(b"\0")[0]
    while True:
        yield b""


def verdict(answer, notation):
    return b"Correct" if answer == notation else b"Close" if answer.upper() == notation.upper() else b"Incorrect"


def check(stdin, out):
    """Walks the transcript beside the lines typed: every verdict must judge
    its own line, and the score, if printed, agree with the verdicts."""
    assert out.startswith(PROMPT), "no prompt"
    typed = lines(stdin)
    count = re.match(rb"[ \t\n\v\f\r]*([-+]?\d*)", next(typed))[1]
    count = min(int(count), 2**31 - 1) if count.strip(b"+-") else 0
    pos, asked, correct = len(PROMPT), 0, 0
    while pos < len(out):
        score = re.compile(SCORE).match(out, pos)
        if score:
            assert score.end() == len(out), "output after the score line"
            got = tuple(map(int, score.groups()))
            assert asked == count, f"score after {asked} of {count} questions"
            assert got == (correct, count, correct * 100 // count), f"score {got} after {correct}/{asked}"
            return
        turn = TURN.match(out, pos)
        assert turn and turn[1] in NOTATION, f"strange line at byte {pos}: {out[pos:pos + 60]!r}"
        assert turn[2] or turn.end() == len(out), "a question left unanswered mid-run"
        assert turn[3] in (None, NOTATION[turn[1]]), f"wrong notation shown for {turn[1]!r}"
        answer = next(typed)
        assert turn[2] == (verdict(answer, NOTATION[turn[1]]) if answer else None), f"{turn[2]} for {answer!r}"
        asked, correct, pos = asked + 1, correct + (turn[2] == b"Correct"), turn.end()
    assert count < 1 if asked == 0 else turn[2] is None, "the drill stopped before the count, unasked"


def trial(case):
    stdin = make_input(random.Random(case))
    try:
        check(stdin, run(stdin))
        return None
    except Exception as e:  # a timeout, a bad status or stderr, or a bad transcript
        return f"case {case} (random.Random({case})): {e}\n  input: {stdin[:300]!r}"


failures = [f for f in ThreadPoolExecutor().map(trial, range(CASES)) if f]
print(*failures[:5], sep="\n")
print(f"stress: {CASES - len(failures)} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
