#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: (c) 2026, Setup developers
# LicenseRef-proprietary: see the file COPYING of the collection.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: swp_apply
short_description: Bring the wireless devices of a site to a desired state
description:
  - Runs C(swpctl apply --json) on the managed host, the computer on the
    devices' LAN. swpctl discovers the devices once, then logs in to each listed
    device, reads it, and sends only the settings that differ (device mode,
    DHCP or static address, access point or station profile), each followed by
    the read-back the setup wizard does.
  - The desired state is given in the task (I(defaults) and I(devices), typed,
    so that every value is checked), as a file on the controller templated like
    M(ansible.builtin.template) (I(src)), or as a file on the managed host (I(inventory)).
  - Passwords and keys reach swpctl through a pipe only the module's user may
    open, in the module's temporary folder; never through a command line.
  - A device that fails (wrong password, no answer, refused setting) does not
    stop the others; the task then fails with each device's reason.
version_added: "1.0.0"
author:
  - Setup developers (@swp-setup)
options:
  defaults:
    description:
      - Values every device of I(devices) takes unless it gives its own; inside a
        profile key by key (a device profile that names I(devices[].access_point.security) drops the
        defaults' I(devices[].access_point.auth), I(devices[].access_point.key),
        I(devices[].access_point.wpa_mode) and I(devices[].access_point.cipher)).
      - The same sub-options as an entry of I(devices), without I(devices[].mac) and I(devices[].name).
    type: dict
    version_added: "2.0.0"
    suboptions:
      mode:
        description: The device mode, access point or AP client (bridge).
        type: str
        choices: [ap, bridge]
      ip:
        description: The device's address. See I(devices[].ip).
        type: dict
        suboptions:
          dhcp:
            description: The device takes its address by DHCP.
            type: bool
          address:
            description: A static address.
            type: str
          mask:
            description: The subnet mask of the static address.
            type: str
          gateway:
            description: The gateway of the static address.
            type: str
      access_point:
        description: The profile while the device runs as access point. See I(devices[].access_point).
        type: dict
        suboptions:
          ssid:
            description: The network name, 1 to 32 characters.
            type: str
            required: true
          channel:
            description: The channel; 0 lets the device choose; left out, it is kept.
            type: int
          wireless_mode:
            description: The wireless mode.
            type: str
            choices: [bgn, bg, n, b, g, a, abg, abgn, gn, an]
          security:
            description: The security.
            type: str
            required: true
            choices: [none, wep, wpa-psk]
          auth:
            description: The WEP authentication.
            type: str
            choices: [open, shared, auto]
          key:
            description: The WEP key or WPA passphrase. Give it from an Ansible Vault variable.
            type: str
          wpa_mode:
            description: The WPA mode.
            type: str
            choices: [wpa, wpa2, auto]
          cipher:
            description: The WPA cipher.
            type: str
            choices: [tkip, aes, auto]
      station:
        description: The profile while the device runs as AP client. See I(devices[].station).
        type: dict
        suboptions:
          ssid:
            description: The name of the network to join.
            type: str
            required: true
          wireless_mode:
            description: The wireless mode.
            type: str
            choices: [bgn, bg, n, b, g, a, abg, abgn, gn, an]
          security:
            description: The security.
            type: str
            required: true
            choices: [none, wep, wpa-psk]
          auth:
            description: The WEP authentication.
            type: str
            choices: [open, shared, auto]
          key:
            description: The WEP key or WPA passphrase. Give it from an Ansible Vault variable.
            type: str
          wpa_mode:
            description: The WPA mode.
            type: str
            choices: [wpa, wpa2, auto]
          cipher:
            description: The WPA cipher.
            type: str
            choices: [tkip, aes, auto]
      password:
        description: The device password. Give it from an Ansible Vault variable.
        type: str
  src:
    description:
      - An inventory file on the controller (YAML, with C(defaults) and C(devices)
        as in C(swpctl apply)), templated like M(ansible.builtin.template), so it
        may take keys from vaulted variables.
      - Looked up like a template (the role's or the playbook's C(templates) folder).
    type: path
    version_added: "2.0.0"
  content:
    description:
      - The inventory text itself. The action plugin puts the templated I(src) here;
        errors then name I(src)'s lines.
    type: str
    version_added: "2.0.0"
  inventory:
    description:
      - "An inventory file on the managed host, as C(swpctl apply FILE) reads it
        (its C({env: NAME}) and C({file: PATH}) references included)."
      - The files it names are read on the managed host, and must belong to the user swpctl runs as.
    type: path
  only:
    description: Only the devices of the desired state with these MACs or names.
    type: list
    elements: str
  missing:
    description: A listed device that does not answer the discovery fails the task, or only warns.
    type: str
    version_added: "2.0.0"
    choices: [fail, warn]
    default: fail
  unlisted:
    description: What a device that answers but is not listed does to the task.
    type: str
    version_added: "2.0.0"
    choices: [ignore, warn, fail]
    default: ignore
  send_keys:
    description:
      - Send the profile of every device whose entry holds a key even when nothing else
        differs (the devices do not report their keys, so a new key alone is not seen).
        Such devices are reported changed.
    type: bool
    version_added: "2.0.0"
    default: false
notes:
  - The devices' reads and settings go over UDP broadcasts on the managed
    host's LAN; the protocol's own waits (4 s of discovery, 3 s after each
    setting) make a run take seconds.
attributes:
  check_mode:
    support: full
    description: Logs in and reads every device (C(swpctl apply --check)); sends no setting.
  diff_mode:
    support: full
    description: The fields that differ, per device, before and after.
  async:
    support: full
    description:
      - With C(async) the module runs as a job; C(poll) 0 leaves it running (M(ansible.builtin.async_status)).
      - The job ends swpctl cleanly a little before its C(async) limit, as a task's C(timeout) does.
extends_documentation_fragment:
  - swp.setup.swpctl
  - swp.setup.devices
seealso:
  - module: swp.setup.swp_info
"""

EXAMPLES = r"""
- name: Bring the site's devices to their state, keys from vaulted variables
  swp.setup.swp_apply:
    adapter: "{{ site_adapter | default(omit) }}"
    defaults:
      access_point:
        ssid: hotel
        security: wpa-psk
        key: "{{ vault_hotel_key }}"
        wpa_mode: wpa2
        channel: 11
    devices:
      - mac: "02:5A:00:00:00:01"
        ip: {address: 192.168.0.51, mask: 255.255.255.0, gateway: 192.168.0.1}
      - name: Client-1
        mode: bridge
        password: "{{ vault_client_password }}"
        station: {ssid: hotel, security: wpa-psk, key: "{{ vault_hotel_key }}", wpa_mode: wpa2}
    unlisted: warn

- name: A site file on the controller, templated
  swp.setup.swp_apply:
    src: lobby.yml.j2

- name: Send a new key that the devices cannot report
  swp.setup.swp_apply:
    devices: "{{ site_devices }}"
    defaults: "{{ site_defaults }}"
    send_keys: true
"""

RETURN = r"""
devices:
  description: One entry per listed device, in their order.
  returned: when swpctl read the desired state
  type: list
  elements: dict
  contains:
    device:
      description: The MAC or name the entry gives.
      type: str
      returned: always
    status:
      description: C(unchanged), C(changed), C(would_change) (check mode), C(failed) or C(not_found).
      type: str
      returned: always
    changes:
      description: The fields sent (or to send), each with C(field), C(before) and C(after).
      type: list
      elements: dict
      returned: always
    not_compared:
      description: Fields sent with a profile but never compared, as the devices do not report them (C(key), C(wireless_mode)).
      type: list
      elements: str
      returned: when the entry holds them
    sent_uncompared:
      description: With I(send_keys), the fields sent although the device could not be compared for them.
      type: list
      elements: str
      returned: when such fields were sent (or would be, in check mode)
    line:
      description: The line of the entry in the inventory file.
      type: int
      returned: with I(src), I(content) or I(inventory)
    entry:
      description: The index of the entry in I(devices).
      type: int
      returned: with I(devices)
    mac:
      description: The device's MAC.
      type: str
      returned: when found
    name:
      description: The device's name.
      type: str
      returned: when found
    ip:
      description: The device's address.
      type: str
      returned: when found
    adapter:
      description: The address of the managed host's adapter the device answered on.
      type: str
      returned: when found
    config:
      description: The device's configuration as read before any setting, as C(swpctl show --json) prints it.
      type: dict
      returned: when the device was read
    exit_code:
      description: For a failed device, the exit code swpctl gives such a failure.
      type: int
      returned: when failed
    reason:
      description: For a failed device, why.
      type: str
      returned: when failed
  sample:
    - {device: "02:5A:00:00:00:01", status: changed, entry: 0, mac: "02:5A:00:00:00:01",
       name: AP-1, ip: 10.91.1.2, changes: [{field: ssid, before: default, after: hotel}]}
unlisted:
  description: Devices that answered the discovery but are not listed.
  returned: when swpctl read the desired state
  type: list
  elements: dict
  sample:
    - {name: Spare, mac: "02:5A:00:00:00:05", ip: 10.91.1.2, adapter: 10.91.1.1}
missing:
  description: The listed devices that did not answer (the entry's MAC or name).
  returned: when swpctl read the desired state
  type: list
  elements: str
  sample: ["02:5A:00:00:00:09"]
exit_code:
  description: >-
    The exit code of swpctl apply (0 all as desired, 2 invalid desired state,
    9 a device failed or was not found, 17 check mode found differences).
  returned: when swpctl ran
  type: int
  sample: 0
stderr:
  description: What swpctl wrote to standard error.
  returned: when swpctl ran
  type: str
  sample: ""
capture:
  description: The path of the capture on the managed host.
  returned: with I(capture)
  type: str
  sample: /var/tmp/lobby.pcapng
timed_out:
  description: The run did not end within I(timeout) and swpctl was stopped.
  returned: when it happened
  type: bool
  sample: true
"""

import json
import os

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.swp.setup.plugins.module_utils.swpctl import (
    FEED,
    captured,
    connection_spec,
    desired_state_spec,
    entry_errors,
    inventory_json,
    rename_file_errors,
    run_swpctl,
)

SENT = ("changed", "would_change")


def device_diff(device):
    name = device.get("device", "")
    changes = device.get("changes") or []
    unreported = device.get("sent_uncompared") or []
    return {
        "before_header": name,
        "after_header": name,
        "before": "".join("%s: %s\n" % (c["field"], c["before"]) for c in changes)
        + "".join("%s: (not reported)\n" % field for field in unreported),
        "after": "".join("%s: %s\n" % (c["field"], c["after"]) for c in changes)
        + "".join("%s: (sent)\n" % field for field in unreported),
    }


def failure_text(device):
    return "%s: %s (exit %s)" % (device.get("device", ""), device.get("reason", ""), device.get("exit_code", 1))


def unlisted_text(device):
    return "%s (%s) at %s" % (device.get("name", ""), device.get("mac", ""), device.get("ip", ""))


def desired_state(module):
    """What swpctl reads: the text to feed it through a pipe (None for a file
    of the managed host), the file argument, the name errors give it, and the
    entries its lines lead back to."""
    params = module.params
    if params["inventory"]:
        return None, params["inventory"], params["inventory"], None
    if params["content"] is not None:
        return ("desired.yml", params["content"]), FEED, params["src"] or "content", None
    if params["src"]:
        module.fail_json(msg="src is read on the controller by the action plugin swp.setup.swp_apply; "
                             "give the file's text as content when calling the module otherwise")
    devices = params["devices"] or []
    problems = entry_errors(devices)
    if problems:
        module.fail_json(msg="; ".join(problems))
    return ("desired.json", inventory_json(params["defaults"], devices)), FEED, "devices", devices


def judge(module, report):
    """The task's outcome from swpctl's report and the policies."""
    params = module.params
    devices = [d for d in report.get("devices") or [] if isinstance(d, dict)]
    unlisted = [d for d in report.get("unlisted") or [] if isinstance(d, dict)]
    missing = [d.get("device", "") for d in devices if d.get("status") == "not_found"]
    changed = any(d.get("status") in SENT or (d.get("status") == "failed" and d.get("changes")) for d in devices)
    result = dict(changed=changed, devices=devices, unlisted=unlisted, missing=missing)
    if module._diff:
        result["diff"] = [device_diff(d) for d in devices if d.get("changes") or d.get("sent_uncompared")]

    problems = [failure_text(d) for d in devices if d.get("status") == "failed"]
    if missing:
        text = "not found: %s" % ", ".join(missing)
        if params["missing"] == "fail":
            problems.append(text)
        else:
            module.warn(text)
    if unlisted:
        text = "found but not listed: %s" % ", ".join(unlisted_text(d) for d in unlisted)
        if params["unlisted"] == "fail":
            problems.append(text)
        elif params["unlisted"] == "warn":
            module.warn(text)
    return result, problems


def main():
    argument_spec = desired_state_spec()
    argument_spec.update(connection_spec())
    argument_spec.update(
        src=dict(type="path"),
        content=dict(type="str", no_log=True),
        inventory=dict(type="path"),
        only=dict(type="list", elements="str"),
        missing=dict(type="str", choices=["fail", "warn"], default="fail"),
        unlisted=dict(type="str", choices=["ignore", "warn", "fail"], default="ignore"),
        send_keys=dict(type="bool", default=False, no_log=False),
    )
    module = AnsibleModule(
        argument_spec=argument_spec,
        mutually_exclusive=[("inventory", "devices", "content"), ("inventory", "src"), ("devices", "src")],
        required_one_of=[("inventory", "devices", "content", "src")],
        required_by={"defaults": "devices"},
        supports_check_mode=True,
    )
    params = module.params
    if params["capture"]:
        params["capture"] = os.path.abspath(params["capture"])
    secret, path, shown, entries = desired_state(module)

    args = ["apply", path, "--json"]
    if module.check_mode:
        args.append("--check")
    if params["send_keys"]:
        args.append("--send-keys")
    if params["only"]:
        args += ["--only", ",".join(params["only"])]
    rc, out, err, pipe = run_swpctl(module, args, secret)
    err = rename_file_errors(err, pipe or path, shown, entries)
    try:
        report = json.loads(out)
    except ValueError:
        report = None
    if not isinstance(report, dict) or not isinstance(report.get("devices"), list):
        # An invalid file or no adapter: the report is {"error": {...}} alone.
        module.fail_json(msg=err.strip() or "swpctl apply gave no report", exit_code=rc, stderr=err,
                         **captured(params))

    if entries is not None:
        # The lines are those of the private copy: say which entry of devices instead.
        for device in report.get("devices") or []:
            if isinstance(device, dict) and isinstance(device.get("line"), int):
                device["entry"] = device.pop("line") - 3
    result, problems = judge(module, report)
    result.update(exit_code=rc, stderr=err, **captured(params))
    if problems:
        module.fail_json(msg="; ".join(problems), **result)
    module.exit_json(**result)


if __name__ == "__main__":
    main()
