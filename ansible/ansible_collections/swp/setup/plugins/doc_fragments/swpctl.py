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
    version_added: "2.0.0"
  command_prefix:
    description:
      - Words put before the swpctl program, such as C([ip, netns, exec, site-a]) to run it in a network namespace.
    type: list
    elements: str
    default: []
    version_added: "2.0.0"
  lock_file:
    description:
      - The file whose lock gives one swpctl task at a time the computer's UDP port 5433
        (a computer on two sites' LANs is two hosts of the inventory).
      - Default C(/run/lock/swp-setup-udp5433.lock).
    type: path
    version_added: "2.0.0"
  lock_timeout:
    description: How long, in seconds, to wait for another swpctl task on the computer before failing.
    type: int
    default: 300
    version_added: "2.0.0"
  timeout:
    description:
      - The longest time, in seconds, the module gives its run (its wait for the turn on UDP port 5433
        included). Then swpctl is stopped (its whole process group, SIGTERM, then SIGKILL 3 s later),
        the turn is released and the task fails.
      - Left out, it is taken from the task's C(timeout) keyword and its C(async) limit, less a margin,
        so that swpctl ends cleanly before Ansible gives the task up. A swpctl with the option
        C(--timeout) also gets that time, and ends itself with its report.
    type: int
    version_added: "2.0.0"
  capture:
    description:
      - Also write every datagram swpctl sends and receives to this file on the managed host, a pcapng
        capture for Wireshark (C(swpctl --capture)), readable by its owner only. The result returns its path.
      - A capture of a run that sends a key lets anyone who has the file recover that key, password or not.
    type: path
    version_added: "2.0.0"
notes:
  - Passwords and keys reach swpctl through a pipe in the module's temporary folder that only the
    module's user may open; they never rest in a file there. Ansible itself writes the module with its
    arguments to the managed host; with C(ANSIBLE_KEEP_REMOTE_FILES=1) that copy stays in the remote
    user's C(~/.ansible/tmp) and holds the passwords and keys of the task in clear. Keep it unset.
  - swpctl runs in a process group of its own that ends with the module, however the module ends
    (its C(timeout), the end of an C(async) job, a signal, or the module killed, when a watchdog stops it).
requirements:
  - swpctl on the managed host
"""
