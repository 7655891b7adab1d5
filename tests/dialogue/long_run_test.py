"""A run just long enough that numright * 100 passes INT_MAX, every answer
right. The answers come from predict_answers, seeded as the drill seeds
itself: with the clock's second when the count has been read."""
import ctypes
import os
import subprocess
import sys

from drill import BIN

PREDICT = sys.argv[1]  # predict_answers

COUNT = 2**31 // 100 + 1
clock = lambda: ctypes.CDLL(None).time(None)  # the drill's own clock


def attempt():
    drill = subprocess.Popen([BIN], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    before = clock()
    drill.stdin.write(b"%d\n" % COUNT)
    drill.stdin.flush()
    out = b""
    while out.count(b"\n") < 4:  # the prompt's two, then the first question
        chunk = os.read(drill.stdout.fileno(), 4096)
        assert chunk, f"the drill ended early: {out!r}"
        out += chunk
    if clock() != before:  # the second turned over: the seed is not known
        drill.kill()
        drill.wait()
        return None
    predictor = subprocess.Popen([PREDICT, str(before), str(COUNT)], stdout=drill.stdin)
    drill.stdin.close()
    while chunk := os.read(drill.stdout.fileno(), 1 << 20):
        out = out[-200:] + chunk
    predictor.wait()
    assert drill.wait() == 0
    return out[-200:]


for _ in range(3):
    if (tail := attempt()) is not None:
        break
expected = b"Correct.\n\nNumber correct: %d out of %d (100%%)\n" % (COUNT, COUNT)
ok = tail is not None and tail.endswith(expected)
print(f"long run: {tail[-60:]!r}" if tail else "long run: the clock kept turning over")
print(f"long run: {int(ok)} passed, {int(not ok)} failed")
sys.exit(0 if ok else 1)
