#!/usr/bin/python3
# The task that brings the wireless devices of one site to the state its
# inventory file describes: it runs "swpctl apply --json" on the managed host
# and turns the report into the task's result.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: swp_apply
short_description: Configure the wireless devices of a site from a desired-state file
description:
  - Runs C(swpctl apply FILE --json) on the managed host, the computer on the
    devices' LAN. swpctl discovers the devices once, then logs in to each device
    of the file, reads it, and sends only the settings that differ (device mode,
    DHCP or static address, access point or station profile), each followed by
    the read-back the setup wizard does.
  - A device that fails (wrong password, no answer, refused setting) or is not
    found does not stop the others; the task then fails with each device's reason.
  - "Passwords and keys never appear on the command line. Write them in the file,
    or as C({env: NAME}) (set the variable with the task's C(environment)) or
    C({file: PATH}) (a file only its owner may read)."
  - The inventory format is described in the README section "Many devices".
version_added: "1.0.0"
author:
  - Setup developers
options:
  inventory:
    description:
      - Path of the inventory file (YAML, or JSON when it ends in C(.json)) on the managed host.
      - One of I(inventory) and I(config) is required.
    type: path
  config:
    description:
      - The inventory itself, with C(defaults) and C(devices) as in the file.
        It is written to a file only the module's user may read, for the one run.
      - "Give passwords and keys as C({env: NAME}) or C({file: PATH}) references
        so that they stay out of the task's arguments. A C(PATH) here must be absolute:
        the file is written to the temporary folder."
    type: dict
  only:
    description: Only the devices of the file with these MACs.
    type: list
    elements: str
  adapter:
    description: The IPv4 address of the one adapter of the managed host to use (the site's LAN).
    type: str
  swpctl:
    description:
      - The swpctl program, or a command that runs it, split like a shell would,
        e.g. C(ip netns exec site-a swpctl) to run it in a network namespace.
    type: str
    default: swpctl
  speedup:
    description: Runs every protocol wait this many times faster. For tests against simulated devices only.
    type: int
    default: 1
notes:
  - Supports check mode (C(swpctl apply --check)) and diff mode (the fields
    that differ, per device, before and after).
  - The devices' reads and settings go over UDP broadcasts on the managed
    host's LAN; the protocol's own waits (4 s of discovery, 3 s after each
    setting) make a run take seconds.
attributes:
  check_mode:
    support: full
  diff_mode:
    support: full
requirements:
  - swpctl on the managed host
"""

EXAMPLES = r"""
- name: Configure every device of the site
  swp.setup.swp_apply:
    inventory: /etc/swp/lobby.yml
  environment:
    LOBBY_KEY: "{{ vault_lobby_key }}"

- name: One adapter of a host that sits on two sites' LANs
  swp.setup.swp_apply:
    inventory: "{{ site_file }}"
    adapter: "{{ site_adapter }}"

- name: The inventory in the playbook, the key from the environment
  swp.setup.swp_apply:
    config:
      defaults:
        access_point: {ssid: lobby, security: wpa-psk, key: {env: LOBBY_KEY}, wpa_mode: wpa2}
      devices:
        - mac: "02:5A:00:00:00:01"
          ip: {address: 192.168.0.51, mask: 255.255.255.0, gateway: 192.168.0.1}
  environment:
    LOBBY_KEY: "{{ vault_lobby_key }}"
"""

RETURN = r"""
devices:
  description: One entry per device of the file, in the file's order.
  returned: when swpctl read the file
  type: list
  elements: dict
  contains:
    device:
      description: The MAC or name the file gives.
      type: str
    status:
      description: C(unchanged), C(changed), C(would_change) (check mode), C(failed) or C(not_found).
      type: str
    changes:
      description: The fields sent (or to send), each with C(field), C(before) and C(after).
      type: list
      elements: dict
    exit_code:
      description: For a failed device, the exit code swpctl gives such a failure.
      type: int
    reason:
      description: For a failed device, why.
      type: str
  sample:
    - {device: "02:5A:00:00:00:01", status: changed, line: 5, mac: "02:5A:00:00:00:01",
       name: AP-1, ip: 10.91.1.2, changes: [{field: ssid, before: default, after: lobby}]}
unlisted:
  description: Devices that answered the discovery but are not in the file (name, mac, ip, adapter).
  returned: when swpctl read the file
  type: list
  elements: dict
exit_code:
  description: The exit code of swpctl apply (0 all as the file says, 9 a device failed or was not found, 17 check mode found differences).
  returned: always
  type: int
"""

import json
import os
import shlex
import tempfile

from ansible.module_utils.basic import AnsibleModule

SENT = ("changed", "would_change")


def device_diff(device):
    lines_before = ["%s: %s" % (c["field"], c["before"]) for c in device["changes"]]
    lines_after = ["%s: %s" % (c["field"], c["after"]) for c in device["changes"]]
    name = device["device"]
    return {
        "before_header": name,
        "after_header": name,
        "before": "\n".join(lines_before) + "\n",
        "after": "\n".join(lines_after) + "\n",
    }


def failure_text(device):
    if device["status"] == "not_found":
        return "%s: not found" % device["device"]
    return "%s: %s (exit %d)" % (device["device"], device.get("reason", ""), device.get("exit_code", 1))


def run(module, path):
    params = module.params
    command = shlex.split(params["swpctl"]) + ["apply", path, "--json"]
    if module.check_mode:
        command.append("--check")
    if params["only"]:
        command += ["--only", ",".join(params["only"])]
    if params["adapter"]:
        command += ["--adapter", params["adapter"]]
    if params["speedup"] != 1:
        command += ["--speedup", str(params["speedup"])]
    rc, out, err = module.run_command(command)
    try:
        report = json.loads(out)
    except ValueError:
        module.fail_json(msg=err.strip() or "swpctl apply gave no report", exit_code=rc, stdout=out, stderr=err)

    devices = report.get("devices", [])
    changed = any(d["status"] in SENT or (d["status"] == "failed" and d["changes"]) for d in devices)
    result = {
        "changed": changed,
        "exit_code": rc,
        "devices": devices,
        "unlisted": report.get("unlisted", []),
        "stderr": err,
    }
    if module._diff:
        result["diff"] = [device_diff(d) for d in devices if d["changes"]]
    failed = [d for d in devices if d["status"] in ("failed", "not_found")]
    if failed:
        module.fail_json(msg="; ".join(failure_text(d) for d in failed), **result)
    module.exit_json(**result)


def main():
    module = AnsibleModule(
        argument_spec=dict(
            inventory=dict(type="path"),
            config=dict(type="dict"),
            only=dict(type="list", elements="str"),
            adapter=dict(type="str"),
            swpctl=dict(type="str", default="swpctl"),
            speedup=dict(type="int", default=1),
        ),
        mutually_exclusive=[("inventory", "config")],
        required_one_of=[("inventory", "config")],
        supports_check_mode=True,
    )
    if module.params["inventory"]:
        run(module, module.params["inventory"])
        return
    handle, path = tempfile.mkstemp(prefix="swp-apply-", suffix=".json")
    try:
        with os.fdopen(handle, "w") as stream:
            json.dump(module.params["config"], stream)
        run(module, path)
    finally:
        os.unlink(path)


if __name__ == "__main__":
    main()
