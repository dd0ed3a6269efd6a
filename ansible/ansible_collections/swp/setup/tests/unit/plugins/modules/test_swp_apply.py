# -*- coding: utf-8 -*-
# Copyright: (c) 2026, Setup developers
# LicenseRef-proprietary: see the file COPYING of the collection.

# swp_apply's handling of its arguments, against a stand-in swpctl that
# records how it was called and answers with a given report.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json
import os
import stat
import subprocess
import sys
import time

import pytest

from ansible.module_utils import basic
from ansible.parsing.yaml.loader import AnsibleLoader
from ansible_collections.swp.setup.plugins.action.swp_apply import dhcp_shorthand
from ansible_collections.swp.setup.plugins.module_utils.swpctl import HostTurn, yaml_traps
from ansible_collections.swp.setup.plugins.modules import swp_apply

KEY = "welcome-guests"
PASSWORD = "s3cret"

FAKE_SWPCTL = r"""#!{python}
import json, os, stat, sys
if sys.argv[1] == "--help":
    sys.stdout.write("  --timeout SECONDS\n" if os.environ.get("FAKE_HAS_TIMEOUT") else "usage\n")
    sys.exit(0)
path = sys.argv[2]
mode = stat.S_IMODE(os.stat(path).st_mode)
with open(path) as stream:
    text = stream.read()
with open(os.environ["FAKE_LOG"], "w") as log:
    json.dump(dict(argv=sys.argv, mode=mode, text=text, environ=dict(os.environ)), log)
sys.stderr.write(os.environ.get("FAKE_ERR", "").replace("FILE", path))
sys.stdout.write(os.environ.get("FAKE_REPORT", ""))
sys.exit(int(os.environ.get("FAKE_RC", "0")))
"""


def report(*devices, **extra):
    return json.dumps(dict(devices=list(devices), unlisted=extra.get("unlisted", [])))


def device(name, status, changes=()):
    return {"device": name, "status": status, "changes": list(changes), "line": 3}


SPARE = {"name": "Spare", "mac": "02:5A:00:00:00:05", "ip": "10.91.1.2", "adapter": "10.91.1.1"}
CHANGE = {"field": "ssid", "before": "default", "after": "hotel"}


@pytest.fixture
def swpctl(tmp_path, monkeypatch):
    program = tmp_path / "swpctl"
    program.write_text(FAKE_SWPCTL.format(python=sys.executable))
    program.chmod(0o700)
    monkeypatch.setenv("FAKE_LOG", str(tmp_path / "log.json"))
    monkeypatch.setenv("FAKE_REPORT", report(device("02:5A:00:00:00:01", "unchanged")))
    return program


def run_module(tmp_path, swpctl, capsys, args, check_mode=False, diff=False):
    args = dict(args, executable=str(swpctl), lock_file=str(tmp_path / "lock"), _ansible_remote_tmp=str(tmp_path),
                _ansible_keep_remote_files=False, _ansible_check_mode=check_mode, _ansible_diff=diff)
    basic._ANSIBLE_ARGS = json.dumps({"ANSIBLE_MODULE_ARGS": args}).encode()
    with pytest.raises(SystemExit):
        swp_apply.main()
    result = json.loads(capsys.readouterr().out)
    log = tmp_path / "log.json"
    return result, (json.loads(log.read_text()) if log.exists() else None)


SITE = dict(
    defaults=dict(access_point=dict(ssid="hotel", security="wpa-psk", key=KEY, wpa_mode="wpa2", channel=11)),
    devices=[dict(mac="02:5A:00:00:00:01", password=PASSWORD, ip=dict(dhcp=True)),
             dict(name="Client-1", mode="bridge", station=dict(ssid="hotel", security="wpa-psk", key=KEY))],
)


def test_secrets_reach_swpctl_only_through_a_private_file(tmp_path, swpctl, capsys):
    result, log = run_module(tmp_path, swpctl, capsys, SITE, check_mode=True)
    assert not result.get("failed"), result
    argv = " ".join(log["argv"])
    assert KEY not in argv and PASSWORD not in argv
    assert KEY not in json.dumps(log["environ"]) and PASSWORD not in json.dumps(log["environ"])
    assert log["argv"][1:] == ["apply", log["argv"][2], "--json", "--check"]
    assert log["mode"] == 0o600 and os.path.dirname(log["argv"][2]).startswith(str(tmp_path))
    assert not os.path.exists(log["argv"][2])  # gone with the module's temporary folder
    desired = json.loads(log["text"])
    assert desired["devices"][0] == {"mac": "02:5A:00:00:00:01", "password": PASSWORD, "ip": "dhcp"}
    assert desired["defaults"]["access_point"]["key"] == KEY
    assert KEY not in json.dumps(result) and PASSWORD not in json.dumps(result)
    assert result["devices"][0]["entry"] == 0 and "line" not in result["devices"][0]


# (task YAML, the error's words; None: accepted)
YAML_CASES = [
    ("devices: [{mac: 10:20:30:40:50:59}]", 'devices[0]: "mac" is the number 8041827059'),
    ("devices: [{mac: '10:20:30:40:50:59'}]", None),
    ("devices: [{name: AP-1, access_point: {ssid: no, security: none}}]",
     'devices[0] (AP-1): "access_point.ssid" is the boolean false'),
    ("devices: [{mac: '02:5A:00:00:00:01'}, {mac: '02:5A:00:00:00:02', station: {ssid: x, security: wpa-psk, "
     "key: 0123456701234567}}]", 'devices[1] (02:5A:00:00:00:02): "station.key" is not a text'),
    ("defaults: {password: 1234}\ndevices: [{mac: '02:5A:00:00:00:01'}]", 'defaults: "password" is not a text'),
    ("devices: [{mac: '02:5A:00:00:00:01', ip: {address: 192.168.0.51, mask: 255.255.255.0}}]", None),
]


@pytest.mark.parametrize("text, error", YAML_CASES)
def test_values_yaml_turned_into_numbers_or_booleans_are_errors(text, error):
    errors = yaml_traps(AnsibleLoader(text).get_single_data())
    if error is None:
        assert errors == []
    else:
        assert len(errors) == 1 and errors[0].startswith(error), errors
        assert "0123456701234567" not in errors[0] and "1234" not in errors[0]


def test_ip_dhcp_is_the_short_form_of_dhcp_true():
    args = {"defaults": {"ip": "dhcp"}, "devices": [{"mac": "02:5A:00:00:00:01", "ip": "dhcp"}]}
    dhcp_shorthand(args)
    assert args["defaults"]["ip"] == {"dhcp": True} and args["devices"][0]["ip"] == {"dhcp": True}


# (module arguments beside the site, swpctl's report, failed, words of msg or warning, swpctl's extra words)
POLICY_CASES = [
    ({}, report(device("AP-1", "not_found")), True, "not found: AP-1", []),
    ({"missing": "warn"}, report(device("AP-1", "not_found")), False, "not found: AP-1", []),
    ({}, report(device("AP-1", "unchanged"), unlisted=[SPARE]), False, None, []),
    ({"unlisted": "warn"}, report(device("AP-1", "unchanged"), unlisted=[SPARE]), False,
     "found but not listed: Spare (02:5A:00:00:00:05)", []),
    ({"unlisted": "fail"}, report(device("AP-1", "unchanged"), unlisted=[SPARE]), True, "Spare", []),
    ({"send_keys": True, "only": ["AP-1", "02:5A:00:00:00:02"]}, report(device("AP-1", "changed", [CHANGE])),
     False, None, ["--send-keys", "--only", "AP-1,02:5A:00:00:00:02"]),
    ({"adapter": "10.91.1.1"}, report(device("AP-1", "failed")), True, "AP-1:", ["--adapter", "10.91.1.1"]),
    ({"capture": "/var/tmp/lobby.pcapng"}, report(device("AP-1", "unchanged")), False, None,
     ["--capture", "/var/tmp/lobby.pcapng"]),
    ({"timeout": 60}, report(device("AP-1", "unchanged")), False, None, ["--timeout", "57"]),
]


@pytest.mark.parametrize("extra, answer, failed, words, flags", POLICY_CASES)
def test_policies(tmp_path, swpctl, capsys, monkeypatch, extra, answer, failed, words, flags):
    monkeypatch.setenv("FAKE_REPORT", answer)
    monkeypatch.setenv("FAKE_HAS_TIMEOUT", "1")
    result, log = run_module(tmp_path, swpctl, capsys, dict(SITE, **extra))
    assert bool(result.get("failed")) == failed, result
    assert result.get("capture") == extra.get("capture")
    if words:
        assert words in result.get("msg", "") + " ".join(result.get("warnings", []))
    for flag in flags:
        assert flag in log["argv"]


def test_errors_name_the_entry_not_a_temporary_file(tmp_path, swpctl, capsys, monkeypatch):
    monkeypatch.setenv("FAKE_RC", "2")
    monkeypatch.setenv("FAKE_REPORT", "")
    monkeypatch.setenv("FAKE_ERR", 'FILE:4: "ip": The Subnet Mask entered is invalid.\nswpctl: FILE is not valid\n')
    result, log = run_module(tmp_path, swpctl, capsys, SITE)
    assert result["failed"]
    assert 'devices[1] (Client-1): "ip": The Subnet Mask entered is invalid.' in result["msg"]
    assert "swpctl: devices is not valid" in result["msg"] and log["argv"][2] not in result["msg"]


# (arguments, words of the error) the typed options refuse before swpctl runs
REFUSED = [
    ({"devices": [{"mac": "02:5A:00:00:00:0Z"}]}, 'devices[0] (02:5A:00:00:00:0Z): "mac"'),
    ({"devices": [{"mac": "02:5A:00:00:00:01"}, {"mac": "02-5a-00-00-00-01"}]}, "listed twice"),
    ({"devices": [{"mac": "02:5A:00:00:00:01", "mode": "router"}]}, "mode"),
    ({"devices": [{"ip": {"dhcp": True}}]}, "mac, name"),
    ({"devices": [{"mac": "02:5A:00:00:00:01", "ip": {"address": "192.168.0.5"}}]}, "mask"),
    ({"src": "site.yml"}, "action plugin"),
]


@pytest.mark.parametrize("args, words", REFUSED)
def test_refused_before_swpctl_runs(tmp_path, swpctl, capsys, args, words):
    result, log = run_module(tmp_path, swpctl, capsys, args)
    assert result["failed"] and words in result["msg"], result
    assert log is None


def test_a_second_task_on_the_computer_waits_its_turn_then_gives_up(tmp_path):
    now = [0.0]
    first = HostTurn(str(tmp_path / "lock"), 10)
    second = HostTurn(str(tmp_path / "lock"), 2, sleep=lambda s: now.__setitem__(0, now[0] + s),
                      clock=lambda: now[0])
    assert first.take() is None
    why = second.take()
    assert "UDP port 5433" in why and now[0] >= 2
    first.release()
    assert second.take() is None
    second.release()
    assert stat.S_ISREG(os.lstat(str(tmp_path / "lock")).st_mode)


PLAY = """
- hosts: localhost
  gather_facts: false
  vars:
    hotel_key: welcome-guests
  tasks:
    - swp.setup.swp_apply:
        src: site.yml.j2
        executable: {swpctl}
        lock_file: {lock}
"""

SITE_TEMPLATE = """devices:
  - mac: 02:5A:00:00:00:01
    access_point: {ssid: hotel, security: wpa-psk, key: "{{ hotel_key }}"}
"""


def test_src_is_templated_on_the_controller_and_errors_name_its_lines(tmp_path, swpctl, monkeypatch):
    (tmp_path / "templates").mkdir()
    (tmp_path / "templates" / "site.yml.j2").write_text(SITE_TEMPLATE)
    (tmp_path / "play.yml").write_text(PLAY.format(swpctl=swpctl, lock=tmp_path / "lock"))
    collections = os.path.abspath(os.path.join(os.path.dirname(__file__), *[".."] * 7))
    for name, value in dict(HOME=tmp_path, ANSIBLE_COLLECTIONS_PATH=collections, ANSIBLE_LOCAL_TEMP=tmp_path / "local",
                            ANSIBLE_REMOTE_TMP=tmp_path / "remote", ANSIBLE_NOCOLOR=1, FAKE_RC=2, FAKE_REPORT="",
                            FAKE_ERR='FILE:3: "key": 8 to 63 characters\n').items():
        monkeypatch.setenv(name, str(value))
    play = subprocess.run(["ansible-playbook", "-i", "localhost,", "-c", "local", "-e",
                           "ansible_python_interpreter=" + sys.executable, str(tmp_path / "play.yml")],
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, universal_newlines=True, check=False)
    log = json.loads((tmp_path / "log.json").read_text())
    assert 'key: "welcome-guests"' in log["text"] and log["mode"] == 0o600
    assert "templates/site.yml.j2:3: \\\"key\\\": 8 to 63 characters" in play.stdout, play.stdout
    assert "welcome-guests" not in play.stdout


# A swpctl that outlives its time, with a child in its process group; it
# ends on SIGTERM, or only on SIGKILL.
SLOW_SWPCTL = r"""#!{python}
import os, signal, subprocess, sys, time
if sys.argv[1] == "--help":
    sys.exit(0)  # an swpctl without --timeout
if os.environ.get("IGNORE_TERM"):
    signal.signal(signal.SIGTERM, signal.SIG_IGN)
child = subprocess.Popen(["sleep", "60"])
with open(os.environ["FAKE_PIDS"], "w") as pids:
    pids.write("%d %d %s" % (os.getpid(), child.pid, sys.argv[2]))
with open(sys.argv[2]) as pipe:
    pipe.read()
time.sleep(60)
"""


def running(pid):
    try:
        with open("/proc/%d/stat" % pid) as stat_file:
            return stat_file.read().split(")")[-1].split()[0] != "Z"
    except OSError:
        return False


@pytest.mark.parametrize("ignores_term", [False, True])
def test_a_run_past_its_time_ends_swpctl_and_its_group_and_leaves_nothing(tmp_path, capsys, monkeypatch,
                                                                          ignores_term):
    program = tmp_path / "slow-swpctl"
    program.write_text(SLOW_SWPCTL.format(python=sys.executable))
    program.chmod(0o700)
    monkeypatch.setenv("FAKE_PIDS", str(tmp_path / "pids"))
    if ignores_term:
        monkeypatch.setenv("IGNORE_TERM", "1")
    result, log = run_module(tmp_path, program, capsys, dict(SITE, timeout=2))
    assert result["failed"] and result["timed_out"] and "within the task's time (2 s)" in result["msg"], result
    swpctl_pid, child_pid, pipe = (tmp_path / "pids").read_text().split()
    assert not running(int(swpctl_pid)) and not running(int(child_pid))
    assert not os.path.lexists(pipe)
    turn = HostTurn(str(tmp_path / "lock"), 0)
    assert turn.take() is None  # released
    turn.release()


MODULE_RUN = r"""
import json, sys
sys.path.insert(0, sys.argv[1])
import conftest
from ansible.module_utils import basic
from ansible_collections.swp.setup.plugins.modules import swp_apply
basic._ANSIBLE_ARGS = sys.argv[2].encode()
swp_apply.main()
"""


def test_the_module_killed_takes_swpctl_and_its_group_and_the_pipe_with_it(tmp_path, monkeypatch):
    program = tmp_path / "slow-swpctl"
    program.write_text(SLOW_SWPCTL.format(python=sys.executable))
    program.chmod(0o700)
    pids = tmp_path / "pids"
    monkeypatch.setenv("FAKE_PIDS", str(pids))
    args = dict(SITE, executable=str(program), lock_file=str(tmp_path / "lock"), _ansible_remote_tmp=str(tmp_path),
                _ansible_keep_remote_files=False)
    unit = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
    module = subprocess.Popen([sys.executable, "-c", MODULE_RUN, unit, json.dumps({"ANSIBLE_MODULE_ARGS": args})],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for dummy in range(300):
        if pids.exists() and len(pids.read_text().split()) == 3:
            break
        time.sleep(0.05)
    module.kill()  # as an async job past its limit is ended
    module.wait()
    swpctl_pid, child_pid, pipe = pids.read_text().split()
    for dummy in range(100):
        if not running(int(swpctl_pid)) and not running(int(child_pid)) and not os.path.lexists(pipe):
            break
        time.sleep(0.05)
    assert not running(int(swpctl_pid)) and not running(int(child_pid)) and not os.path.lexists(pipe)
