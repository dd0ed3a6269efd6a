# -*- coding: utf-8 -*-
# Copyright: (c) 2026, Setup developers
# LicenseRef-proprietary: see the file COPYING of the collection.

# swp_info's first desired state from what swpctl reports, and its one run of
# swpctl apply --check that reads every device.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json
import sys

import pytest

from ansible.module_utils import basic
from ansible_collections.swp.setup.plugins.module_utils.swpctl import desired_state_spec as swp_apply_spec
from ansible_collections.swp.setup.plugins.modules import swp_info
from ansible_collections.swp.setup.plugins.modules.swp_info import desired_entry

MAC = "02:5A:00:00:00:01"

# (swpctl show --json, the swp_apply entry that keeps the device as it is)
CASES = [
    (dict(device_mode=dict(code=1), ip=dict(mode="static", address="192.168.0.51", mask="255.255.255.0", gateway=""),
          wireless=dict(ssid="hotel", channel=11, security=dict(code=2), wpa_mode=dict(code=1), cipher=dict(code=1),
                        wireless_mode=dict(code=9))),
     dict(mac=MAC, mode="ap", ip=dict(address="192.168.0.51", mask="255.255.255.0"),
          access_point=dict(ssid="hotel", channel=11, security="wpa-psk", wpa_mode="wpa2", cipher="aes",
                            wireless_mode="bgn"))),
    (dict(device_mode=dict(code=2), ip=dict(mode="dhcp"),
          wireless=dict(ssid="hotel", channel=6, security=dict(code=1), auth=dict(code=1), wireless_mode=None)),
     dict(mac=MAC, mode="bridge", ip=dict(dhcp=True), station=dict(ssid="hotel", security="wep", auth="shared"))),
    (dict(device_mode=dict(code=7), wireless=dict(security=dict(code=40))), dict(mac=MAC)),
    ({}, dict(mac=MAC)),
]


@pytest.mark.parametrize("config, entry", CASES)
def test_the_desired_entry_keeps_the_device_as_it_is(config, entry):
    assert desired_entry(MAC, config) == entry


# A swpctl that records how it was called and what it was fed, and answers
# apply --check --all with a report of each device read.
FAKE_SWPCTL = r"""#!{python}
import json, os, sys
if sys.argv[1] == "--help":
    sys.exit(0)
fed = None
if sys.argv[1] == "apply" and not sys.argv[2].startswith("--"):
    with open(sys.argv[2]) as pipe:
        fed = json.load(pipe)
with open(os.environ["FAKE_LOG"], "w") as log:
    json.dump(dict(argv=sys.argv, fed=fed, password=os.environ.get("SWP_PASSWORD")), log)
sys.stdout.write(os.environ["FAKE_REPORT"])
"""

AP = dict(device_mode=dict(code=1), ip=dict(mode="dhcp"),
          wireless=dict(ssid="hotel", channel=11, security=dict(code=0)))
READ = json.dumps(dict(devices=[
    dict(device="Client-1", status="unchanged", mac="02:5A:00:00:00:02", name="Client-1", ip="10.91.1.2",
         adapter="10.91.1.1", config=dict(device_mode=dict(code=2), ip=dict(mode="dhcp"),
                                          wireless=dict(ssid="hotel", security=dict(code=0)))),
    dict(device="02:5A:00:00:00:09", status="not_found"),
    dict(device="02:5A:00:00:00:01", status="unchanged", mac=MAC, name="AP-1", ip="10.91.1.2", adapter="10.91.1.1",
         config=AP),
    dict(device="02:5A:00:00:00:04", status="failed", mac="02:5A:00:00:00:04", name="Client-2", ip="10.91.1.2",
         adapter="10.91.1.1", reason="refused the login (wrong password?)")],
    unlisted=[dict(name="AP-1", mac=MAC, ip="10.91.1.2", adapter="10.91.1.1"),
              dict(name="Spare", mac="02:5A:00:00:00:05", ip="10.91.1.2", adapter="10.91.1.1")]))
DEVICES = [dict(name="Client-1", password="s3cret", station=dict(ssid="x", security="wpa-psk", key="k" * 8)),
           dict(mac="02:5A:00:00:00:09")]

# (options, the command after the program, what swpctl was fed, its SWP_PASSWORD)
READS = [
    (dict(password="tosca2"), ["apply", "--check", "--json", "--all"], None, "tosca2"),
    (dict(devices=DEVICES), ["apply", "FEED", "--check", "--json"],
     dict(defaults={}, devices=[dict(name="Client-1", password="s3cret"), dict(mac="02:5A:00:00:00:09")]), None),
    (dict(devices=DEVICES, password="tosca2", capture="/var/tmp/site.pcapng"),
     ["apply", "FEED", "--check", "--json", "--all", "--capture", "/var/tmp/site.pcapng"],
     dict(defaults=dict(password="tosca2"), devices=[dict(name="Client-1", password="s3cret"),
                                                     dict(mac="02:5A:00:00:00:09")]), "tosca2"),
]


@pytest.mark.parametrize("options, command, fed, password", READS)
def test_one_discovery_reads_every_device_with_its_own_password(tmp_path, capsys, monkeypatch, options, command, fed,
                                                                password):
    program = tmp_path / "swpctl"
    program.write_text(FAKE_SWPCTL.format(python=sys.executable))
    program.chmod(0o700)
    monkeypatch.setenv("FAKE_LOG", str(tmp_path / "log.json"))
    monkeypatch.setenv("FAKE_REPORT", READ)
    args = dict(options, executable=str(program), lock_file=str(tmp_path / "lock"), _ansible_remote_tmp=str(tmp_path),
                _ansible_keep_remote_files=False)
    basic._ANSIBLE_ARGS = json.dumps({"ANSIBLE_MODULE_ARGS": args}).encode()
    with pytest.raises(SystemExit):
        swp_info.main()
    result = json.loads(capsys.readouterr().out)
    log = json.loads((tmp_path / "log.json").read_text())
    assert [w if w != log["argv"][2] or w.startswith("--") else "FEED" for w in log["argv"][1:]] == command
    assert log["fed"] == fed and log["password"] == password
    assert "s3cret" not in json.dumps(result) and "tosca2" not in json.dumps(result)
    assert [(d["mac"], d.get("mode"), d.get("error")) for d in result["devices"]] == [
        (MAC, "ap", None), ("02:5A:00:00:00:02", "bridge", None),
        ("02:5A:00:00:00:04", None, "refused the login (wrong password?)"), ("02:5A:00:00:00:05", None, None)]
    assert result["desired"] == [desired_entry(MAC, AP), desired_entry("02:5A:00:00:00:02", json.loads(READ)[
        "devices"][0]["config"])]
    assert result["missing"] == ["02:5A:00:00:00:09"] and result.get("capture") == options.get("capture")

    # swp_apply takes desired as its devices as it is.
    argument_spec = dict(swp_apply_spec(), executable=dict(type="str"))
    basic._ANSIBLE_ARGS = json.dumps({"ANSIBLE_MODULE_ARGS": dict(devices=result["desired"])}).encode()
    checked = basic.AnsibleModule(argument_spec=argument_spec)
    assert checked.params["devices"][0]["access_point"]["ssid"] == "hotel"
