"""Runs a Windows build of iondrill under wine for the end-to-end tests:
standard input and error pass through, output comes back with LF for each
CRLF, and the drill's status is the relay's. A bare LF in the output breaks
the Windows convention, so the relay reports it on stderr and exits 1."""
import os
import signal
import subprocess
import sys

WINE_ENV = dict(os.environ, WINEDEBUG="-all")  # wine's own chatter would fail the tests


def relay(exe):
    p = subprocess.Popen(["wine", exe], stdout=subprocess.PIPE, env=WINE_ENV)
    printed, held = False, b""
    try:
        while chunk := os.read(p.stdout.fileno(), 65536):
            printed, data = True, held + chunk
            held = data[-1:] if data.endswith(b"\r") else b""  # may be half of a CRLF
            data = data[: len(data) - len(held)]
            if data.replace(b"\r\n", b"").count(b"\n"):
                sys.exit(f"crlf_relay: a bare LF in {data[-200:]!r}")
            sys.stdout.buffer.write(data.replace(b"\r\n", b"\n"))
            sys.stdout.buffer.flush()
        sys.stdout.buffer.write(held)
        return p.wait(), printed
    finally:
        if p.poll() is None:  # a bare LF, or a test that gave up on us
            p.kill()


# A test that gives up sends SIGTERM: end the drill with us.
signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))


# Wine's own server and system processes, started by the first program in a
# prefix, would inherit our pipes and hold them open after the drill has
# ended; wineboot starts them, or finds them running, with stdio of their own.
subprocess.run(["wineboot"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
               stderr=subprocess.DEVNULL, env=WINE_ENV, check=False)

# Wine fails to start about once in a few thousand starts, printing nothing:
# one retry of such a start is fair, more would hide a real fault.
status, printed = relay(sys.argv[1])
if not printed:
    status, _ = relay(sys.argv[1])
sys.exit(status)
