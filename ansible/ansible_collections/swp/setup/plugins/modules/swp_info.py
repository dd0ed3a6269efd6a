#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: (c) 2026, Setup developers
# LicenseRef-proprietary: see the file COPYING of the collection.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: swp_info
short_description: The wireless devices on the managed host's LAN
description:
  - Runs C(swpctl discover --json) on the managed host and returns the devices
    that answer, with name, MAC, address and the adapter they answered on.
  - With I(password) or I(devices), it also logs in to each device and returns its
    mode, address settings and wireless profile, and the entry M(swp.setup.swp_apply)
    takes to keep the device as it is (I(desired)). One discovery serves all devices
    (C(swpctl apply --check --all)). The devices of I(devices) log in with their own
    I(devices[].password), else I(password); with I(password), every other device that
    answers is read too.
  - Sends no setting.
version_added: "2.0.0"
author:
  - Setup developers (@swp-setup)
options:
  password:
    description:
      - The device password of the devices without one of their own in I(devices)
        (C(tosca) when neither gives one). Give it from an Ansible Vault variable.
      - With it, every device that answers is read, listed in I(devices) or not.
      - It reaches swpctl through the environment the module gives it, never through a command line.
    type: str
attributes:
  check_mode:
    support: full
    description: Reads only; runs the same in check mode.
  diff_mode:
    support: none
    description: Reads only.
  async:
    support: full
    description: With C(async) the module runs as a job, ended cleanly before its limit.
extends_documentation_fragment:
  - swp.setup.swpctl
  - swp.setup.devices
seealso:
  - module: swp.setup.swp_apply
"""

EXAMPLES = r"""
- name: The devices of the site
  swp.setup.swp_info:
  register: site

- name: Their configuration, as a first desired state
  swp.setup.swp_info:
    password: "{{ vault_device_password }}"
  register: site

- name: The devices of the site's desired state, each with its own password, in one discovery
  swp.setup.swp_info:
    devices: "{{ site_devices }}"
    capture: /var/tmp/site.pcapng
  register: site

- name: Write them as the site's first desired state, on the controller
  ansible.builtin.copy:
    content: "{{ {'site_devices': site.desired} | to_nice_yaml }}"
    dest: "host_vars/{{ inventory_hostname }}.yml"
    mode: "0600"
  delegate_to: localhost
"""

RETURN = r"""
devices:
  description: The devices that answered, in the order of their MACs.
  returned: always
  type: list
  elements: dict
  contains:
    name:
      description: The device's name.
      type: str
      returned: always
    mac:
      description: The device's MAC.
      type: str
      returned: always
    ip:
      description: The device's address.
      type: str
      returned: always
    adapter:
      description: The address of the managed host's adapter it answered on.
      type: str
      returned: always
    mode:
      description: C(ap) or C(bridge).
      type: str
      returned: when the device was read (with I(password), or listed in I(devices))
    ssid:
      description: The SSID of its profile.
      type: str
      returned: when the device was read (with I(password), or listed in I(devices))
    channel:
      description: The channel (0, the device chooses).
      type: int
      returned: when the device was read (with I(password), or listed in I(devices))
    security:
      description: C(none), C(wep) or C(wpa-psk).
      type: str
      returned: when the device was read (with I(password), or listed in I(devices))
    error:
      description: Why the device could not be read.
      type: str
      returned: when the device was to be read and could not be
  sample:
    - {name: AP-1, mac: "02:5A:00:00:00:01", ip: 10.91.1.2, adapter: 10.91.1.1,
       mode: ap, ssid: hotel, channel: 11, security: wpa-psk}
desired:
  description:
    - Per device read, the entry of M(swp.setup.swp_apply)'s I(devices) that keeps it as it is, in the
      order of the MACs. Given to M(swp.setup.swp_apply) as its I(devices), nothing changes.
    - It holds no key and no password (the devices do not report keys; passwords stay in the vault).
      A device whose password is not C(tosca) takes it from M(swp.setup.swp_apply)'s I(defaults) or
      its entry, and a profile with C(wep) or C(wpa-psk) security needs its I(key) added.
  returned: with I(password) or I(devices)
  type: list
  elements: dict
  sample:
    - {mac: "02:5A:00:00:00:01", mode: ap, ip: {address: 192.168.0.51, mask: 255.255.255.0, gateway: 192.168.0.1},
       access_point: {ssid: hotel, channel: 11, security: wpa-psk, wpa_mode: wpa2, cipher: aes}}
missing:
  description: The devices of I(devices) that did not answer (the entry's MAC or name).
  returned: with I(password) or I(devices)
  type: list
  elements: str
  sample: ["02:5A:00:00:00:09"]
capture:
  description: The path of the capture on the managed host.
  returned: with I(capture)
  type: str
  sample: /var/tmp/site.pcapng
"""

import json
import os

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.swp.setup.plugins.module_utils.swpctl import (
    AUTHS,
    CIPHERS,
    FEED,
    SECURITY,
    WPA_MODES,
    captured,
    connection_spec,
    entry_errors,
    entry_spec,
    inventory_json,
    rename_file_errors,
    run_swpctl,
)

# The wireless mode codes the devices report, in code order.
WIRELESS_MODE_CODES = ["bg", "b", "a", "abg", "g", "abgn", "n", "gn", "an", "bgn"]
FOUND = ("name", "mac", "ip", "adapter")


def coded(value, names):
    code = value.get("code") if isinstance(value, dict) else None
    return names[code] if isinstance(code, int) and 0 <= code < len(names) else None


def desired_entry(mac, config):
    """The swp_apply entry that keeps this device as it is."""
    mode = {1: "ap", 2: "bridge"}.get((config.get("device_mode") or {}).get("code"))
    ip = config.get("ip") or {}
    wl = config.get("wireless") or {}
    entry = {"mac": mac}
    if mode:
        entry["mode"] = mode
    if ip.get("mode") == "dhcp":
        entry["ip"] = {"dhcp": True}
    elif ip.get("address"):
        entry["ip"] = dict((k, ip[k]) for k in ("address", "mask", "gateway") if ip.get(k))
    security = coded(wl.get("security"), SECURITY)
    profile = {"ssid": wl.get("ssid"), "security": security}
    if mode == "ap":
        profile["channel"] = wl.get("channel")
    if security == "wep":
        profile["auth"] = coded(wl.get("auth"), AUTHS)
    if security == "wpa-psk":
        profile["wpa_mode"] = coded(wl.get("wpa_mode"), WPA_MODES)
        profile["cipher"] = coded(wl.get("cipher"), CIPHERS)
    wireless_mode = coded(wl.get("wireless_mode"), WIRELESS_MODE_CODES)
    if wireless_mode:
        profile["wireless_mode"] = wireless_mode
    if mode and profile["ssid"] is not None and security:
        entry["access_point" if mode == "ap" else "station"] = dict((k, v) for k, v in profile.items() if v is not None)
    return entry


def reading_state(params):
    """The inventory that makes swpctl apply --check log in to the listed
    devices (their own password, else the option password) and read them."""
    defaults = {"password": params["password"]} if params["password"] is not None else {}
    devices = [dict((k, e[k]) for k in ("mac", "name", "password") if e.get(k) is not None)
               for e in params["devices"] or []]
    return defaults, devices


def found_device(report):
    return dict((k, report.get(k)) for k in FOUND)


def read_all(module):
    """One discovery, then each device read: those of devices with their own
    passwords, and with a password the others too (swpctl apply --all)."""
    params = module.params
    defaults, entries = reading_state(params)
    problems = entry_errors(entries)
    if problems:
        module.fail_json(msg="; ".join(problems))
    args = ["apply"]
    secret = None
    if entries:
        secret = ("read.json", inventory_json(defaults, entries))
        args.append(FEED)
    args += ["--check", "--json"]
    environ = {}
    if params["password"] is not None:
        args.append("--all")
        environ["SWP_PASSWORD"] = params["password"]
    rc, out, err, pipe = run_swpctl(module, args, secret, environ_update=environ)
    err = rename_file_errors(err, pipe, "devices", entries) if pipe else err
    try:
        report = json.loads(out)
    except ValueError:
        report = None
    if not isinstance(report, dict):
        module.fail_json(msg=err.strip() or "swpctl apply gave no report", exit_code=rc, stderr=err,
                         **captured(params))

    devices, desired, missing = [], [], []
    for index, read in enumerate(r for r in report.get("devices") or [] if isinstance(r, dict)):
        if read.get("status") == "not_found":
            missing.append(read.get("device", ""))
            continue
        if not read.get("mac"):
            continue
        device = found_device(read)
        config = read.get("config")
        if read.get("status") == "failed" or not isinstance(config, dict):
            device["error"] = read.get("reason") or "not read"
            module.warn("%s (%s): %s" % (device["name"], device["mac"], device["error"]))
        else:
            device["adapter"] = (config.get("device") or {}).get("adapter")
            entry = desired_entry(device["mac"], config)
            profile = entry.get("access_point") or entry.get("station") or {}
            device.update(mode=entry.get("mode"), ssid=profile.get("ssid"),
                          channel=(config.get("wireless") or {}).get("channel"), security=profile.get("security"))
            desired.append(entry)
        devices.append(device)
    readable = set(d["mac"] for d in devices)
    devices += [found_device(d) for d in report.get("unlisted") or []
                if isinstance(d, dict) and d.get("mac") not in readable]
    if missing:
        module.warn("not found: %s" % ", ".join(missing))
    devices.sort(key=lambda d: d["mac"] or "")
    desired.sort(key=lambda e: e["mac"])
    return dict(devices=devices, desired=desired, missing=missing)


def discover(module):
    rc, out, err, pipe = run_swpctl(module, ["discover", "--json"])
    try:
        found = json.loads(out)
    except ValueError:
        found = None
    if rc == 3 and isinstance(found, dict):
        found = found.get("devices")  # none answered: {"devices": [], "error": {...}}
    if rc not in (0, 3) or not isinstance(found, list):
        module.fail_json(msg=err.strip() or "swpctl discover gave no list", exit_code=rc, stderr=err,
                         **captured(module.params))
    devices = [dict((k, d.get(k)) for k in FOUND) for d in found if isinstance(d, dict)]
    devices.sort(key=lambda d: d["mac"] or "")
    return dict(devices=devices)


def main():
    argument_spec = connection_spec()
    argument_spec.update(
        password=dict(type="str", no_log=True),
        devices=dict(type="list", elements="dict", options=entry_spec(True), required_one_of=[("mac", "name")]),
    )
    module = AnsibleModule(argument_spec=argument_spec, supports_check_mode=True)
    params = module.params
    if params["capture"]:
        params["capture"] = os.path.abspath(params["capture"])
    if params["password"] is None and not params["devices"]:
        result = discover(module)
    else:
        result = read_all(module)
    module.exit_json(changed=False, **dict(result, **captured(params)))


if __name__ == "__main__":
    main()
