#!/usr/bin/env python3
"""swpctl's prompts on a terminal, run in the lab against one simulated access
point (tools/swpctl/examples/ap.json): the key is asked twice before the
search, the password after it, naming the device; and the terminal gets its
echo back on every way out of a prompt (the answer, Ctrl-C, SIGTERM, the end
of input). Each case runs swpctl on a fresh pseudo-terminal.

usage: prompts_test.py SWPCTL
"""

import os
import pty
import select
import signal
import subprocess
import sys
import termios
import time

SWPCTL = sys.argv[1]
LIMIT = 20.0  # seconds for one case
AP = ["-a", "swpa0", "--speedup", "5"]
WPA = ["set-wireless", "--ssid", "lab", "--security", "wpa-psk"] + AP
KEY_PROMPT = "Wireless key: "
PASSWORD_PROMPT = "Password of ZOLA-AP (02:5A:00:00:00:01) at 10.91.1.2 (empty keeps the default): "

# (name, arguments, steps, exit code or -signal, texts the terminal shows)
# A step waits for a text, writes bytes, or sends a signal.
CASES = [
    ("key, Ctrl-C", WPA, [("wait", KEY_PROMPT), ("write", b"\x03")], -signal.SIGINT, []),
    ("key, SIGTERM", WPA, [("wait", KEY_PROMPT), ("signal", signal.SIGTERM)], -signal.SIGTERM, []),
    ("key, end of input", WPA, [("wait", KEY_PROMPT), ("write", b"\x04")], 2,
     ["no wireless key: give it by --key-file FILE (readable by you only) or SWP_KEY"]),
    ("key typed twice, differently", WPA,
     [("wait", KEY_PROMPT), ("write", b"welcome-guests\n"), ("wait", "Wireless key again: "),
      ("write", b"welcome-guest\n")], 2, ["the two keys typed differ: nothing was sent"]),
    ("password after the search, empty", ["show"] + AP,
     [("wait", PASSWORD_PROMPT), ("write", b"\n")], 0, ["Device mode:"]),
    ("password after the search, wrong", ["show"] + AP,
     [("wait", PASSWORD_PROMPT), ("write", b"not-it\n")], 4, ["refused the login"]),
    ("password, Ctrl-C", ["show"] + AP, [("wait", PASSWORD_PROMPT), ("write", b"\x03")],
     -signal.SIGINT, []),
    ("password, SIGTERM", ["show"] + AP, [("wait", PASSWORD_PROMPT), ("signal", signal.SIGTERM)],
     -signal.SIGTERM, []),
    ("password, end of input", ["show"] + AP, [("wait", PASSWORD_PROMPT), ("write", b"\x04")], 0,
     ["Device mode:"]),
    ("password given, no prompt", ["show", "--password", "tosca"] + AP, [], 0, ["Device mode:"]),
]


def read_until(master, shown, text, deadline):
    while text not in shown[0]:
        left = deadline - time.monotonic()
        if left <= 0:
            return False
        ready, _, _ = select.select([master], [], [], left)
        if ready:
            try:
                data = os.read(master, 4096)
            except OSError:
                return text in shown[0]
            if not data:
                return text in shown[0]
            shown[0] += data.decode("utf-8", "replace")
    return True


def run_case(args, steps):
    """Runs swpctl on a new terminal; its exit code (or -signal), what the
    terminal showed, and whether echo was on afterwards."""
    env = dict(os.environ)
    for name in ("SWP_PASSWORD", "SWP_KEY"):
        env.pop(name, None)
    # The parent keeps the terminal's own side open, so its settings outlive
    # swpctl and show what swpctl left behind.
    master, follower = pty.openpty()
    pid = os.fork()
    if pid == 0:
        os.close(master)
        os.login_tty(follower)
        # As from a shell: the lab starts its command with SIGINT ignored.
        for number in (signal.SIGINT, signal.SIGQUIT):
            signal.signal(number, signal.SIG_DFL)
        os.execve(SWPCTL, [SWPCTL] + args, env)
    shown = [""]
    deadline = time.monotonic() + LIMIT
    ok = True
    for kind, value in steps:
        if kind == "wait":
            ok = ok and read_until(master, shown, value, deadline)
        elif kind == "write":
            os.write(master, value)
        else:
            os.kill(pid, value)
    while True:
        done, status = os.waitpid(pid, os.WNOHANG)
        if done:
            break
        if time.monotonic() > deadline:
            os.kill(pid, signal.SIGKILL)
            os.waitpid(pid, 0)
            os.close(follower)
            os.close(master)
            return None, shown[0] + "\n[did not end]", False
        read_until(master, shown, "\0never\0", min(deadline, time.monotonic() + 0.2))
    read_until(master, shown, "\0never\0", time.monotonic() + 0.2)
    echo = bool(termios.tcgetattr(follower)[3] & termios.ECHO)
    os.close(follower)
    os.close(master)
    code = -os.WTERMSIG(status) if os.WIFSIGNALED(status) else os.WEXITSTATUS(status)
    return code, shown[0], echo and ok


def main():
    failed = 0
    for name, args, steps, code, texts in CASES:
        got, shown, fine = run_case(args, steps)
        problems = []
        if got != code:
            problems.append("exit %s, expected %s" % (got, code))
        if not fine:
            problems.append("a prompt did not come, or echo stayed off")
        problems += ["no %r" % text for text in texts if text not in shown]
        if problems:
            failed += 1
            print("FAIL %s: %s\n%s" % (name, "; ".join(problems), shown))
        else:
            print("ok   %s" % name)
    # Without a terminal nothing is asked: the key's error names the options to use.
    run = subprocess.run([SWPCTL] + WPA, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                         timeout=LIMIT)
    if run.returncode != 2 or "swpctl: no wireless key: give it by --key-file FILE" not in run.stderr:
        failed += 1
        print("FAIL no terminal: exit %d\n%s" % (run.returncode, run.stderr))
    else:
        print("ok   no terminal")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
