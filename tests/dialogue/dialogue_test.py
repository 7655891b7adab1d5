"""Drives the real iondrill through pipes, as a script or a learner would."""
import os
import platform
import re
import select
import shutil
import subprocess
import tempfile
import time
import unittest

from drill import BIN, DRILL, PATIENCE, PROMPT, QUESTION, RELAYED, SCORE, VERDICT, learn_table, run, typable


class Learner:
    """Types each answer only once the question is on screen."""

    def __init__(self):
        self.out = self.seen = b""

    def expect(self, pattern):
        deadline = time.monotonic() + PATIENCE
        while not (m := re.fullmatch(pattern, self.out[len(self.seen):])):
            ready, _, _ = select.select([self.p.stdout], [], [], max(0, deadline - time.monotonic()))
            chunk = os.read(self.p.stdout.fileno(), 65536) if ready else b""
            if not chunk:
                raise AssertionError(f"waited for {pattern!r}, got {self.out[len(self.seen):]!r}")
            self.out += chunk
        self.seen = self.out
        return m

    def waits_for_a_line(self):
        """True once the drill sleeps in read(2) on its stdin having printed
        nothing more; False if it ends first. No timing is involved."""
        while self.p.poll() is None:
            with open(f"/proc/{self.p.pid}/syscall") as f:
                if f.read().startswith(f"{READ_SYSCALL} 0x0 "):  # read, fd 0
                    return not select.select([self.p.stdout], [], [], 0)[0]
            time.sleep(0.001)
        return False

    def type(self, line):
        self.p.stdin.write(line)
        self.p.stdin.flush()

    def play(self, count, answers, final_wait=False):
        typable(b"".join(answer(b"Fe3+") for answer in answers))
        self.p = subprocess.Popen(DRILL, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.expect(re.escape(PROMPT))
        self.type(count + b"\n")
        names = [self.expect(QUESTION).group(1)]
        for k, answer in enumerate(answers, 1):
            self.type(answer(NOTATION[names[-1]]) + b"\n")
            if k < len(answers):
                names.append(self.expect(VERDICT + QUESTION).group(3))
        score = self.expect(VERDICT + SCORE).group(3, 4, 5)
        if final_wait:
            assert self.waits_for_a_line(), "the drill did not wait for a line after the score"
        self.type(b"\n")
        self.p.stdin.close()
        assert self.p.wait(PATIENCE) == 0 and self.p.stdout.read() == b""
        self.p.stdout.close()
        return self.out, names, b"%s out of %s (%s%%)" % score


# The number of read(2) in /proc/PID/syscall, by this machine's processor (an
# emulated drill runs inside a qemu of this machine's, so this one counts).
READ_SYSCALL = {"x86_64": 0, "aarch64": 63, "armv6l": 3, "armv7l": 3, "armv8l": 3}.get(platform.machine())
right = lambda n: n
NOTATION = {}


class Dialogue(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        NOTATION.update(learn_table())

    def test_every_row_can_be_drawn(self):
        self.assertEqual(len(NOTATION), 40)

    def test_session_matches_the_sample_byte_for_byte(self):
        out, names, _ = Learner().play(b"2", [right, bytes.lower])
        expected = (PROMPT + b"\n" + names[0] + b"\nCorrect.\n\n" + names[1]
                    + b"\nClose; correct answer is " + NOTATION[names[1]]
                    + b"\n\nNumber correct: 1 out of 2 (50%)\n")
        self.assertEqual(out, expected)

    @unittest.skipIf(RELAYED, "the process started is a relay, not the drill")
    @unittest.skipIf(READ_SYSCALL is None, f"no read(2) number known for {platform.machine()}")
    def test_waits_for_a_line_after_the_score(self):
        Learner().play(b"1", [right], final_wait=True)

    def test_score_counts_exact_answers_only(self):
        cases = [
            ([right, right, lambda n: n + b"x"], b"2 out of 3 (66%)"),
            ([bytes.lower], b"0 out of 1 (0%)"),
            ([lambda n: n + b"\r", lambda n: n + b"\0junk"], b"2 out of 2 (100%)"),
            # Read byte for byte on every system: no CR-CR-LF line break, no ^Z end of input.
            ([lambda n: n + b"\r\r", lambda n: b"\x1a" + n], b"0 out of 2 (0%)"),
        ]
        for answers, score in cases:
            with self.subTest(score=score):
                _, _, line = Learner().play(str(len(answers)).encode(), answers)
                self.assertEqual(line, score)

    def test_no_question_below_one_or_at_end_of_input(self):
        for stdin in [b"0\n", b"-2\n", b"abc\n", b"\n", b"", b"-4294967295\n", b"\0" b"7\n", b"0x3\n"]:
            with self.subTest(stdin=stdin):
                self.assertEqual(run(stdin), PROMPT)

    def test_how_lines_are_read(self):
        x = b"x\n"
        cases = [  # input, answers judged, whether the score line follows
            (b"3abc\n" + x * 3 + b"\n", 3, True),
            (b"1.5\n" + x + b"\n", 1, True),
            (b" \t5\n" + x * 5, 5, True),               # end of input at the final wait
            (b"4294967297\n" + x * 3, 3, False),         # clamped, not wrapped round to 1
            (b"5\n" + x + b"\n" + x, 1, False),         # an empty answer stops early
            (b"5\n \n\0abc\n" + x, 1, False),           # a blank is judged; NUL ends the text
            (b"5\n" + b"A" * 15 + b"\r\n" + x + b"\n", 2, False),  # nothing is left over
            (b"0" * 14 + b"39\n" + x * 3 + b"\n", 3, True),  # a count's 16th character is dropped
            (b"0" * 14 + b"3\r\n" + x * 3 + b"\n", 3, True),  # 15 characters are read whole
            (b"5\n" + x + b"\r", 2, False),             # a CR only goes before a line break
            (b"5\n" + b"A" * 100000 + b"\n" + x + b"\n", 2, False),
            (b"5\n" + x + b"x", 2, False),               # the last line needs no line break
        ]
        for stdin, judged, scored in cases:
            with self.subTest(stdin=stdin[:24]):
                out = run(stdin)
                self.assertEqual([v[0] for v in re.findall(VERDICT, out)], [b"Incorrect"] * judged)
                score = re.search(SCORE, out)
                self.assertEqual(bool(score), scored)
                if score:
                    self.assertEqual(score.group(1, 2, 3), (b"0", b"%d" % judged, b"0"))

    @unittest.skipIf(RELAYED, "the relay, not the drill, would meet these failures")
    def test_io_failure_ends_the_drill_at_once_with_one_line(self):
        # SIGPIPE stays ignored in the drill, as some launchers leave it, so only
        # the drill's own check can stop an endless run into a closed pipe.
        full, root, pipe = os.open("/dev/full", os.O_WRONLY), os.open("/", os.O_RDONLY), subprocess.PIPE
        cases = [  # stdin, stdout, the line on stderr, a launcher
            (pipe, full, b"write error: No space left on device", []),
            (pipe, pipe, b"write error: Broken pipe", []),  # the reader leaves after the prompt
            (root, subprocess.DEVNULL, b"read error: Is a directory", []),
        ]
        # Line-buffered, as on a terminal: the write fails inside printf, not at
        # the flush. A file system that refuses the data only at close (NFS, a
        # quota): strace fails the close of standard output alone. Neither
        # stdbuf's library nor strace's fault reaches through a wrapper's emulator.
        closed = tempfile.NamedTemporaryFile()
        strace = os.environ.get("STRACE") or shutil.which("strace")
        with open(BIN, "rb") as f:
            if f.read(2) != b"#!":
                cases.append((pipe, pipe, b"write error: Broken pipe", ["stdbuf", "-oL"]))
                if strace:
                    cases.append((pipe, closed, b"write error: Input/output error",
                                  [strace, "-f", "--seccomp-bpf", "-o", os.devnull, "-P", closed.name, "-e", "trace=close",
                                   "-e", "inject=close:error=EIO"]))
        for stdin, stdout, message, launcher in cases:
            with self.subTest(message=message, launcher=launcher):
                # stdbuf preloads its library: AddressSanitizer must let it come
                # first. LeakSanitizer cannot work under strace's ptrace.
                env = dict(os.environ, ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "")
                           + ":verify_asan_link_order=0:detect_leaks=0")
                p = subprocess.Popen(launcher + DRILL, stdin=stdin, stdout=stdout, stderr=pipe, env=env,
                                     restore_signals=False)
                if p.stdout:
                    p.stdout.read(len(PROMPT))
                    p.stdout.close()
                endless = b"2147483647\n" + b"x\n" * 100000
                _, err = p.communicate(endless if p.stdin else None, timeout=5)
                self.assertEqual((p.returncode, err), (1, b"iondrill: " + message + b"\n"))
        os.close(full)
        os.close(root)
        closed.close()


if __name__ == "__main__":
    unittest.main()
