# -*- coding: utf-8 -*-
# Copyright: (c) 2026, Setup developers
# LicenseRef-proprietary: see the file COPYING of the collection.

from __future__ import absolute_import, division, print_function

__metaclass__ = type


class ModuleDocFragment(object):
    # The devices of a site, as swp_apply brings them to a state and swp_info reads them.
    DOCUMENTATION = r"""
options:
  devices:
    description:
      - The devices of the site, each named by I(devices[].mac) or I(devices[].name), and the
        state each is to have. M(swp.setup.swp_apply) brings each device to its entry;
        M(swp.setup.swp_info) logs in to each with the entry's I(devices[].password) and reads it,
        so one variable serves both.
      - Texts must be texts in YAML too; an unquoted MAC such as C(10:20:30:40:50:59),
        a key of digits or C(no) are numbers or booleans to YAML and fail the task
        with the entry and the field named.
    type: list
    elements: dict
    version_added: "2.0.0"
    suboptions:
      mac:
        description: The device's MAC address. One of I(devices[].mac) and I(devices[].name) is required.
        type: str
      name:
        description: The device's name, when exactly one device answers with it.
        type: str
      mode:
        description: The device mode, access point or AP client (bridge).
        type: str
        choices: [ap, bridge]
      ip:
        description:
          - The device's address, I(devices[].ip.dhcp=true) or a static
            I(devices[].ip.address) with I(devices[].ip.mask)
            (and I(devices[].ip.gateway)), checked by the rules of the setup wizard's IP page.
          - "C(ip: dhcp) is read as I(devices[].ip.dhcp=true)."
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
        description:
          - The profile while the device runs as access point.
          - The values and checks of C(swpctl set-wireless).
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
            description:
              - The WEP key (5 or 13 characters, 10 or 26 hex digits) or WPA
                passphrase (8 to 63 characters, or 64 hex digits).
              - Give it from an Ansible Vault variable. The devices do not report it,
                so it is not compared; see I(send_keys).
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
        description:
          - The profile while the device runs as AP client.
          - The values and checks of C(swpctl set-station).
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
        description: The device password (C(tosca) when not given). Give it from an Ansible Vault variable.
        type: str
"""
