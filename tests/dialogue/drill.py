"""What the dialogue tests and the stress test share: running the real
iondrill and the shapes of the lines it prints."""
import os
import re
import subprocess
import sys
import unittest

BIN = os.environ.get("IONDRILL", "build/iondrill")  # the program under test
# A Windows build runs under wine, through a relay that turns CRLF back into LF;
# the web page in a browser, through a relay that types into its field.
HERE = os.path.dirname(__file__)
WINDOWS = BIN.endswith(".exe")
WEB = BIN.endswith(".html")
if WINDOWS:
    DRILL = [sys.executable, os.path.join(HERE, "crlf_relay.py"), BIN]
elif WEB:
    DRILL = ["node", os.path.join(HERE, "..", "web", "relay.mjs"), BIN]
else:
    DRILL = [BIN]
RELAYED = WINDOWS or WEB  # the process started is a relay, not the drill itself
# A browser starts in seconds and types each line as a learner would.
TIMEOUT = 120 if WEB else 10  # for a whole run
PATIENCE = 30 if WEB else 5  # for the next output
# Draws that show every row's notation: 2000 miss one of the 40 with a chance
# of 1e-21; 600, for a browser that types each line, of 1e-5.
DRAWS = 600 if WEB else 2000
PROMPT = b"Write the symbols and charges for the ions.\n\nHow many questions? "
VERDICT = rb"(Correct|Close|Incorrect)(?:\.|; correct answer is (\S+))\n"
QUESTION = rb"\n([^\n]+)\n"
SCORE = rb"\nNumber correct: (\d+) out of (\d+) \((\d+)%\)\n"


def run(stdin):
    """Feeds all of stdin at once; returns stdout once the program has ended."""
    typable(stdin)
    with subprocess.Popen(DRILL, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE) as p:
        try:
            out, err = p.communicate(stdin, timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            stop(p)
            raise
    assert p.returncode == 0 and err == b"", f"status {p.returncode}: {err[:2000]!r}"
    return out


def stop(p):
    """Ends a drill that hangs; a relay gets SIGTERM first, on which it ends
    the browser or wine it started, which a SIGKILL would leave running."""
    p.terminate()
    try:
        p.wait(10)
    except subprocess.TimeoutExpired:
        p.kill()


def typable(data):
    """A text field carries printable text only: skips input with other bytes."""
    if WEB and re.search(rb"[^\n\x20-\x7e]", data):
        raise unittest.SkipTest("a text field cannot carry CR, NUL or raw bytes")


def learn_table():
    """Answers wrongly until every ion's notation has been shown; name -> notation."""
    out = run(b"%d\n" % DRAWS + b"x\n" * DRAWS + b"\n")
    pairs = re.findall(rb"\n([^\n]+)\nIncorrect; correct answer is (\S+)\n", out)
    notation = dict(pairs)
    assert len(pairs) == DRAWS and len(set(pairs)) == len(notation), "a name got two notations"
    return notation
