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
  - With a I(password), it also logs in to each device (C(swpctl show)) and
    returns its mode, address settings and wireless profile, and the entry
    M(swp.setup.swp_apply) takes to keep the device as it is, a first desired state.
  - Sends no setting.
version_added: "1.1.0"
author:
  - Setup developers (@swp-setup)
options:
  password:
    description:
      - The device password, to read each device's configuration. Give it from an Ansible Vault variable.
      - It reaches swpctl through the environment the module gives it, never through a command line.
    type: str
attributes:
  check_mode:
    support: full
    description: Reads only; runs the same in check mode.
  diff_mode:
    support: none
    description: Reads only.
extends_documentation_fragment:
  - swp.setup.swpctl
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
      returned: with a password, when the device could be read
    ssid:
      description: The SSID of its profile.
      type: str
      returned: with a password, when the device could be read
    channel:
      description: The channel (0, the device chooses).
      type: int
      returned: with a password, when the device could be read
    security:
      description: C(none), C(wep) or C(wpa-psk).
      type: str
      returned: with a password, when the device could be read
    error:
      description: Why the device could not be read.
      type: str
      returned: with a password, when the device could not be read
  sample:
    - {name: AP-1, mac: "02:5A:00:00:00:01", ip: 10.91.1.2, adapter: 10.91.1.1,
       mode: ap, ssid: hotel, channel: 11, security: wpa-psk}
desired:
  description:
    - Per device read, the entry of M(swp.setup.swp_apply)'s C(devices) that keeps it as it is
      (no key and no password; the devices do not report them).
  returned: with a password
  type: list
  elements: dict
  sample:
    - {mac: "02:5A:00:00:00:01", mode: ap, ip: {address: 192.168.0.51, mask: 255.255.255.0, gateway: 192.168.0.1},
       access_point: {ssid: hotel, channel: 11, security: wpa-psk, wpa_mode: wpa2, cipher: aes}}
"""

import json

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.swp.setup.plugins.module_utils.swpctl import (
    AUTHS,
    CIPHERS,
    SECURITY,
    WPA_MODES,
    connection_spec,
    run_in_turn,
    swpctl_command,
)

# The wireless mode codes the devices report, in code order.
WIRELESS_MODE_CODES = ["bg", "b", "a", "abg", "g", "abgn", "n", "gn", "an", "bgn"]


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


def read_device(module, device, password):
    rc, out, err = run_in_turn(
        module,
        swpctl_command(module, ["show", "--json", "--device", device["mac"]]),
        environ_update={"SWP_PASSWORD": password},
    )
    try:
        config = json.loads(out) if rc == 0 else None
    except ValueError:
        config = None
    if not isinstance(config, dict):
        return None, err.strip() or "swpctl show ended with exit code %d" % rc
    return config, None


def main():
    argument_spec = connection_spec()
    argument_spec.update(password=dict(type="str", no_log=True))
    module = AnsibleModule(argument_spec=argument_spec, supports_check_mode=True)

    rc, out, err = run_in_turn(module, swpctl_command(module, ["discover", "--json"]))
    try:
        found = json.loads(out)
    except ValueError:
        found = None
    if rc == 3 and isinstance(found, dict):
        found = found.get("devices")  # none answered: {"devices": [], "error": {...}}
    if rc not in (0, 3) or not isinstance(found, list):
        module.fail_json(msg=err.strip() or "swpctl discover gave no list", exit_code=rc, stderr=err)

    devices = [dict((k, d.get(k)) for k in ("name", "mac", "ip", "adapter")) for d in found]
    devices.sort(key=lambda d: d["mac"] or "")
    result = dict(changed=False, devices=devices)
    if module.params["password"] is not None:
        result["desired"] = []
        for device in devices:
            config, why = read_device(module, device, module.params["password"])
            if why:
                device["error"] = why
                module.warn("%s (%s): %s" % (device["name"], device["mac"], why))
                continue
            entry = desired_entry(device["mac"], config)
            profile = entry.get("access_point") or entry.get("station") or {}
            device.update(mode=entry.get("mode"), ssid=profile.get("ssid"),
                          channel=(config.get("wireless") or {}).get("channel"), security=profile.get("security"))
            result["desired"].append(entry)
    module.exit_json(**result)


if __name__ == "__main__":
    main()
