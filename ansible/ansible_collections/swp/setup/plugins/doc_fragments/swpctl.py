# -*- coding: utf-8 -*-
# Copyright: (c) 2026, Setup developers
# LicenseRef-proprietary: see the file COPYING of the collection.

from __future__ import absolute_import, division, print_function

__metaclass__ = type


class ModuleDocFragment(object):
    # How the modules run swpctl on the managed host.
    DOCUMENTATION = r"""
options:
  adapter:
    description: The IPv4 address of the one adapter of the managed host to use (the site's LAN).
    type: str
  executable:
    description:
      - The swpctl program, a path, or a name looked up in the managed host's C(PATH).
    type: str
    default: swpctl
  command_prefix:
    description:
      - Words put before the swpctl program, such as C([ip, netns, exec, site-a]) to run it in a network namespace.
    type: list
    elements: str
    default: []
  lock_file:
    description:
      - The file whose lock gives one swpctl task at a time the computer's UDP port 5433
        (a computer on two sites' LANs is two hosts of the inventory).
      - Default C(/run/lock/swp-setup-udp5433.lock).
    type: path
  lock_timeout:
    description: How long, in seconds, to wait for another swpctl task on the computer before failing.
    type: int
    default: 300
requirements:
  - swpctl on the managed host
"""
