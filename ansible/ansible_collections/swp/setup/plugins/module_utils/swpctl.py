# -*- coding: utf-8 -*-
# Copyright: (c) 2026, Setup developers
# LicenseRef-proprietary: see the file COPYING of the collection.

# What swp_apply and swp_info share: the typed desired state, the checks that
# catch values YAML turned into numbers or booleans, the pipe that carries
# secrets to swpctl, the turn on UDP port 5433, the swpctl command and the
# run that ends with the task.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import ctypes
import errno
import fcntl
import json
import os
import re
import signal
import subprocess
import sys
import threading
import time
from datetime import date

MAC_PATTERN = re.compile(r"^[0-9A-Fa-f]{2}([:-][0-9A-Fa-f]{2}){5}$")

SECURITY = ["none", "wep", "wpa-psk"]
WPA_MODES = ["wpa", "wpa2", "auto"]
CIPHERS = ["tkip", "aes", "auto"]
AUTHS = ["open", "shared", "auto"]
WIRELESS_MODES = ["bgn", "bg", "n", "b", "g", "a", "abg", "abgn", "gn", "an"]


def profile_spec(station):
    options = dict(
        ssid=dict(type="str", required=True),
        wireless_mode=dict(type="str", choices=WIRELESS_MODES),
        security=dict(type="str", required=True, choices=SECURITY),
        auth=dict(type="str", choices=AUTHS),
        key=dict(type="str", no_log=True),
        wpa_mode=dict(type="str", choices=WPA_MODES),
        cipher=dict(type="str", choices=CIPHERS),
    )
    if not station:
        options["channel"] = dict(type="int")
    return options


IP_SPEC = dict(
    dhcp=dict(type="bool"),
    address=dict(type="str"),
    mask=dict(type="str"),
    gateway=dict(type="str"),
)


def entry_spec(device):
    """The options of one device entry (device=True) or of the defaults."""
    options = dict(
        mode=dict(type="str", choices=["ap", "bridge"]),
        ip=dict(
            type="dict",
            options=IP_SPEC,
            mutually_exclusive=[("dhcp", "address")],
            required_one_of=[("dhcp", "address")],
            required_by={"address": "mask", "gateway": "address"},
        ),
        access_point=dict(type="dict", options=profile_spec(False)),
        station=dict(type="dict", options=profile_spec(True)),
        password=dict(type="str", no_log=True),
    )
    if device:
        options["mac"] = dict(type="str")
        options["name"] = dict(type="str")
    return options


def desired_state_spec():
    return dict(
        defaults=dict(type="dict", options=entry_spec(False)),
        devices=dict(
            type="list",
            elements="dict",
            options=entry_spec(True),
            required_one_of=[("mac", "name")],
        ),
    )


def connection_spec():
    """How a module reaches swpctl and takes its turn on the computer."""
    return dict(
        executable=dict(type="str", default="swpctl"),
        command_prefix=dict(type="list", elements="str", default=[]),
        adapter=dict(type="str"),
        lock_file=dict(type="path"),
        lock_timeout=dict(type="int", default=300),
        timeout=dict(type="int"),
        capture=dict(type="path"),
    )


# The fields whose values are texts. YAML reads an unquoted 10:20:30:40:50:59
# as a number in base 60, 0123 as an octal number, no as false: Ansible would
# turn those into other texts without a word.
YAML_TRAP_TYPES = (bool, int, float, date)
TEXT_FIELDS = {
    "": ("mac", "name", "password", "mode"),
    "ip": ("address", "mask", "gateway"),
    "access_point": ("ssid", "key", "security", "auth", "wpa_mode", "cipher", "wireless_mode"),
    "station": ("ssid", "key", "security", "auth", "wpa_mode", "cipher", "wireless_mode"),
}


def entry_label(index, entry):
    """devices[2] (02:5A:00:00:00:03), as errors name a device entry."""
    label = "devices[%d]" % index
    if isinstance(entry, dict):
        for field in ("mac", "name"):
            if isinstance(entry.get(field), str):
                return "%s (%s)" % (label, entry[field])
    return label


def _kind(value):
    if isinstance(value, bool):
        return "the boolean %s" % ("true" if value else "false")
    if isinstance(value, (int, float)):
        return "the number %s" % value
    return "a %s" % type(value).__name__


def _entry_traps(label, entry, secret_fields):
    errors = []
    if not isinstance(entry, dict):
        return errors
    for group, fields in TEXT_FIELDS.items():
        where = entry.get(group) if group else entry
        if not isinstance(where, dict):
            continue
        for field in fields:
            value = where.get(field)
            if not isinstance(value, YAML_TRAP_TYPES):
                continue
            name = "%s.%s" % (group, field) if group else field
            shown = "not a text" if field in secret_fields else _kind(value) + ", not a text"
            errors.append(
                "%s: \"%s\" is %s: YAML converts unquoted values like 10:20:30:40:50:59, "
                "0123 or no; quote it" % (label, name, shown)
            )
    return errors


def yaml_traps(args):
    """Every text field of defaults and devices that holds a number or a boolean."""
    secrets = ("key", "password")
    errors = []
    defaults = args.get("defaults")
    errors += _entry_traps("defaults", defaults, secrets)
    devices = args.get("devices")
    if isinstance(devices, list):
        for index, entry in enumerate(devices):
            errors += _entry_traps(entry_label(index, entry), entry, secrets)
    return errors


def entry_errors(devices):
    """What the typed options cannot say: the MAC's form, one entry per device."""
    errors = []
    seen = {}
    for index, entry in enumerate(devices or []):
        label = entry_label(index, entry)
        mac = entry.get("mac")
        if mac is not None:
            if not MAC_PATTERN.match(mac):
                errors.append('%s: "mac": a MAC like 02:00:00:00:00:01 is expected, not "%s"' % (label, mac))
                continue
            mac = mac.upper().replace("-", ":")
            if mac in seen:
                errors.append("%s: the device is listed twice (also %s)" % (label, seen[mac]))
            seen[mac] = label
    return errors


def _clean(value):
    """The options as the inventory file writes them: no empty values."""
    if isinstance(value, dict):
        return dict((k, _clean(v)) for k, v in value.items() if v is not None)
    return value


def inventory_entry(entry):
    out = _clean(entry)
    ip = out.get("ip")
    if ip is not None:
        out["ip"] = "dhcp" if ip.get("dhcp") else dict((k, v) for k, v in ip.items() if k != "dhcp")
    return out


def inventory_json(defaults, devices):
    """The desired state as an inventory file: one device a line, so that a
    line swpctl names leads back to its entry (line 1 the defaults, line 3 the
    first device)."""
    lines = ['{"defaults": %s,' % json.dumps(inventory_entry(defaults or {}), sort_keys=True), '"devices": [']
    entries = [json.dumps(inventory_entry(entry), sort_keys=True) for entry in devices]
    lines += [text + ("," if n + 1 < len(entries) else "") for n, text in enumerate(entries)]
    lines.append("]}")
    return "\n".join(lines) + "\n"


def where_of_line(line, devices):
    if line == 1:
        return "defaults"
    index = line - 3
    if 0 <= index < len(devices):
        return entry_label(index, devices[index])
    return None


def rename_file_errors(text, path, shown, devices=None):
    """swpctl's "PATH:LINE: why" lines about a private copy, told of the
    user's own file or of the entry of the devices option."""
    out = []
    prefix = path + ":"
    for line in text.splitlines():
        if line.startswith(prefix):
            rest = line[len(prefix):]
            number, sep, why = rest.partition(": ")
            if sep and number.isdigit():
                where = where_of_line(int(number), devices) if devices is not None else None
                line = "%s: %s" % (where or "%s:%s" % (shown, number), why)
            else:
                line = shown + ":" + rest
        out.append(line.replace(path, shown))
    return "\n".join(out)


def default_lock_file():
    return "/run/lock/swp-setup-udp5433.lock" if os.path.isdir("/run/lock") else "/tmp/swp-setup-udp5433.lock"


class HostTurn:
    """One swpctl at a time on this computer: every one opens every adapter on
    UDP port 5433, so a second one at the same time could not bind. Waits a
    bounded time for the one before."""

    def __init__(self, path, timeout, sleep=time.sleep, clock=time.monotonic):
        self.path = path or default_lock_file()
        self.timeout = timeout
        self.waited = 0.0
        self._handle = None
        self._sleep = sleep
        self._clock = clock

    def take(self):
        """None when taken, else why not."""
        flags = os.O_RDONLY | getattr(os, "O_NOFOLLOW", 0)
        try:
            # Another user's lock file in /run/lock (sticky, world-writable) may
            # not be opened with O_CREAT where fs.protected_regular is on, so
            # the file is made only when there is none.
            try:
                self._handle = os.open(self.path, flags)
            except FileNotFoundError:
                self._handle = os.open(self.path, flags | os.O_CREAT, 0o644)
        except OSError as e:
            return "cannot open the lock file %s: %s" % (self.path, e.strerror)
        start = self._clock()
        while True:
            try:
                fcntl.flock(self._handle, fcntl.LOCK_EX | fcntl.LOCK_NB)
                self.waited = self._clock() - start
                return None
            except OSError as e:
                if e.errno not in (errno.EWOULDBLOCK, errno.EAGAIN, errno.EACCES):
                    return "cannot lock %s: %s" % (self.path, e.strerror)
            if self._clock() - start >= self.timeout:
                self.release()
                return (
                    "another swpctl task on this computer held UDP port 5433 for %d s "
                    "(lock file %s); try again when it has ended, or raise lock_timeout" % (self.timeout, self.path)
                )
            self._sleep(0.25)

    def release(self):
        if self._handle is not None:
            os.close(self._handle)
            self._handle = None


def captured(params):
    """The capture's path, as the result gives it."""
    return {"capture": params["capture"]} if params.get("capture") else {}


def swpctl_program(module):
    """The command prefix and the swpctl program (a path, or a name looked up like any program)."""
    executable = module.params["executable"]
    if "/" not in executable:
        executable = module.get_bin_path(executable, required=True)
    return list(module.params["command_prefix"] or []) + [executable]


# The file argument that run_swpctl replaces by the pipe it feeds.
FEED = object()
PR_SET_PDEATHSIG = 1
STOP_GRACE = 3  # seconds between SIGTERM and SIGKILL
STOP_SIGNALS = (signal.SIGTERM, signal.SIGHUP, signal.SIGINT)


class Stopped(Exception):
    """A signal asked the module to end."""


def _stop_on_signal(signum, frame):
    raise Stopped(signal.Signals(signum).name)


def _own_group_ending_with(parent):
    """Runs in the child before swpctl: a process group of its own (the module
    stops it as a whole), which Linux ends when the module ends, however it ends."""

    def prepare():
        os.setpgrp()
        try:
            ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)
        except (OSError, AttributeError):
            pass
        if os.getppid() != parent:
            os._exit(1)  # the module ended before the line above

    return prepare


# Waits for the module's end however it comes (its stdin is a pipe that only
# the module holds open), then ends what is left of swpctl's process group and
# removes the secrets' pipe. Told "done", the module has already done both.
WATCHDOG = r"""
import os, signal, sys, time
group, pipe = int(sys.argv[1]), sys.argv[2]
if sys.stdin.buffer.read() != b"done":
    for number in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(group, number)
        except OSError:
            break
        for _ in range(30):
            time.sleep(0.1)
            try:
                os.killpg(group, 0)
            except OSError:
                break
if pipe and os.path.lexists(pipe):
    os.unlink(pipe)
"""


def _watch(process, pipe):
    """A watchdog in a session of its own, which outlives the module (an async
    job past its limit is ended with SIGKILL to the module's process group)."""
    read, write = os.pipe()
    try:
        subprocess.Popen([sys.executable, "-c", WATCHDOG, str(process.pid), pipe or ""], stdin=read,
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, close_fds=True,
                         start_new_session=True)
    except OSError:
        os.close(write)
        return None
    finally:
        os.close(read)
    return write


def _feed(path, data, process, deadline):
    """Writes data into the pipe once swpctl opens it; gives up when swpctl
    ends without opening it or the time is up."""
    while True:
        try:
            handle = os.open(path, os.O_WRONLY | os.O_NONBLOCK)
            break
        except OSError as e:
            if e.errno != errno.ENXIO or process.poll() is not None or deadline.passed():
                return
            time.sleep(0.02)
    try:
        os.set_blocking(handle, True)
        view = memoryview(data)
        while view:
            view = view[os.write(handle, view):]
    except OSError:
        pass
    finally:
        os.close(handle)


class Deadline:
    """The time the task gives swpctl (the option timeout, which the action
    plugin takes from the task's timeout or async limit), from the module's start."""

    def __init__(self, seconds, clock=time.monotonic):
        self.seconds = seconds
        self._clock = clock
        self._end = None if not seconds else clock() + seconds

    def left(self):
        return None if self._end is None else max(0.0, self._end - self._clock())

    def passed(self):
        return self._end is not None and self._clock() >= self._end


# swpctl's exit code when its --timeout ended the run.
SWPCTL_DEADLINE = 18


def swpctl_has_timeout(module, program):
    """Whether this swpctl takes --timeout (an older one refuses it)."""
    try:
        out = subprocess.run(program + ["--help"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             stdin=subprocess.DEVNULL, timeout=10, check=False).stdout
    except (OSError, subprocess.SubprocessError):
        return False
    return b"--timeout" in out


def _stop(process):
    """SIGTERM to swpctl's process group, SIGKILL when it is still there after the grace."""
    for number, wait in ((signal.SIGTERM, STOP_GRACE), (signal.SIGKILL, None)):
        try:
            os.killpg(process.pid, number)
        except OSError:
            pass
        try:
            return process.communicate(timeout=wait)
        except subprocess.TimeoutExpired:
            continue
    return b"", b""


def _text(data):
    return (data or b"").decode("utf-8", "replace")


def run_swpctl(module, args, secret=None, environ_update=None, deadline=None):
    """Runs swpctl once this computer's turn on UDP 5433 is ours, within the
    task's time. secret (name, text) goes through a pipe only the module's user
    may open, named by FEED among args: it never rests on a disk. Whatever ends
    the run (its end, the deadline, a signal to the module, the module killed),
    swpctl's process group ends with it, the turn is released and the pipe is gone.
    Returns (rc, stdout, stderr, the pipe's path or None)."""
    params = module.params
    deadline = deadline or Deadline(params.get("timeout"))
    program = swpctl_program(module)
    command = list(program) + list(args)
    if params.get("adapter"):
        command += ["--adapter", params["adapter"]]
    if params.get("capture"):
        command += ["--capture", params["capture"]]
    left = deadline.left()
    if left is not None and swpctl_has_timeout(module, program):
        # swpctl ends itself, with its report, a little before the module stops it.
        command += ["--timeout", str(max(1, int(round(left)) - STOP_GRACE))]

    pipe = None
    if secret is not None:
        pipe = os.path.join(module.tmpdir, secret[0])
        os.mkfifo(pipe, 0o600)
        command = [pipe if word is FEED else word for word in command]

    lock_wait = params["lock_timeout"] if left is None else min(params["lock_timeout"], int(left))
    turn = HostTurn(params["lock_file"], lock_wait)
    previous = dict((number, signal.signal(number, _stop_on_signal)) for number in STOP_SIGNALS)
    process = watchdog = None
    try:
        why = turn.take()
        if why:
            if deadline.passed():
                why = "the task's time (%d s) ran out before its turn: %s" % (deadline.seconds, why)
            module.fail_json(msg=why)
        if turn.waited >= 1:
            module.warn("waited %d s for another swpctl task on this computer (UDP port 5433)" % turn.waited)
        environ = dict(os.environ)
        environ.update(environ_update or {})
        process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, env=environ, close_fds=True,
                                   preexec_fn=_own_group_ending_with(os.getpid()))
        watchdog = _watch(process, pipe)
        if secret is not None:
            feeder = threading.Thread(target=_feed, args=(pipe, secret[1].encode("utf-8"), process, deadline))
            feeder.daemon = True
            feeder.start()
        try:
            out, err = process.communicate(timeout=deadline.left())
        except subprocess.TimeoutExpired:
            out, err = _stop(process)
            module.fail_json(
                msg="swpctl did not end within the task's time (%d s) and was stopped; "
                    "devices may have taken some settings" % deadline.seconds,
                stderr=_text(err), timed_out=True)
        if process.returncode == SWPCTL_DEADLINE and left is not None:
            module.fail_json(
                msg="swpctl ended itself at its --timeout, within the task's time (%d s); "
                    "devices may have taken some settings" % deadline.seconds,
                stderr=_text(err), timed_out=True)
        return process.returncode, _text(out), _text(err), pipe
    except Stopped as e:
        if process is not None:
            _stop(process)
        module.fail_json(msg="stopped by %s; swpctl was stopped with it" % e)
    finally:
        if process is not None and process.poll() is None:
            _stop(process)
        for number, handler in previous.items():
            signal.signal(number, handler)
        turn.release()
        if pipe is not None and os.path.lexists(pipe):
            os.unlink(pipe)
        if watchdog is not None:
            os.write(watchdog, b"done")
            os.close(watchdog)
