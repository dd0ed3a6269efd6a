# -*- coding: utf-8 -*-
# Copyright: (c) 2026, Setup developers
# LicenseRef-proprietary: see the file COPYING of the collection.

# The action plugin on the controller: src rendered through the templating API
# of each ansible-core (this one, and a stand-in of 2.19's, which renders only
# text marked trusted), its errors without the template's text, and the time
# the task gives swpctl.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import jinja2
import pytest

from ansible.errors import AnsibleError
from ansible.parsing.dataloader import DataLoader
from ansible.parsing.vault import VaultLib, VaultSecret
from ansible.parsing.yaml.objects import AnsibleVaultEncryptedUnicode
from ansible.template import Templar
from ansible_collections.swp.setup.plugins.action.swp_apply import render_src, swpctl_timeout

KEY = "welcome-guests"
PASSWORD = "s3cret"


def vaulted(text):
    vault = VaultLib([("default", VaultSecret(b"lab"))])
    value = AnsibleVaultEncryptedUnicode(vault.encrypt(text))
    value.vault = vault
    return value


VARIABLES = {"vault_key": vaulted(KEY), "vault_password": vaulted(PASSWORD)}


class Trusted(str):
    """What 2.19's trust_as_template marks."""


class Templar219:
    """ansible-core 2.19's templar as the plugin uses it: a copy with a new
    search path and variables; template() renders trusted text only and
    returns other text as it is."""

    def __init__(self, variables=None, fail=None):
        self.variables = variables
        self.fail = fail

    def copy_with_new_env(self, **kwargs):
        assert set(kwargs) == {"searchpath", "available_variables"}, kwargs  # no environment_class
        return Templar219(kwargs["available_variables"], self.fail)

    def template(self, data, preserve_trailing_newlines, escape_backslashes):
        assert preserve_trailing_newlines and not escape_backslashes
        if not isinstance(data, Trusted):
            return data
        if self.fail:
            raise AnsibleError("templating failed: %s" % data, orig_exc=self.fail)
        values = dict((k, str(v)) for k, v in self.variables.items())
        return jinja2.Template(data, keep_trailing_newline=True).render(values)


SITE = 'devices:\n  - mac: "02:5A:00:00:00:01"\n    password: "{{ vault_password }}"\n' \
       '    access_point: {ssid: hotel, security: wpa-psk, key: "{{ vault_key }}"}\n'
BROKEN = 'devices:\n  - mac: "02:5A:00:00:00:01"\n{%% if vault_key %%}\n    password: "%s"\n' % PASSWORD
UNDEFINED = 'devices:\n  - mac: "02:5A:00:00:00:01"\n    password: "%s"\n    key: "{{ nokey }}"\n' % PASSWORD


def this_core():
    return Templar(loader=DataLoader()), None


def core_219(fail=None):
    return Templar219(fail=fail), Trusted


def forgotten_trust():
    return Templar219(), str  # text passed on unmarked: 2.19 leaves it as it is


# (templar and trust, the template, words of the rendered text or of the error, words never in either)
CASES = [
    (this_core, SITE, ['password: "%s"' % PASSWORD, 'key: "%s"' % KEY], ["{{"]),
    (core_219, SITE, ['password: "%s"' % PASSWORD, 'key: "%s"' % KEY], ["{{"]),
    (forgotten_trust, SITE, ["src: site.yml.j2 was not templated; nothing was sent"], [KEY, "{{"]),
    (this_core, BROKEN, ["src: site.yml.j2:4: Unexpected end of template"], [PASSWORD, KEY, "mac"]),
    (this_core, UNDEFINED, ["src: site.yml.j2: 'nokey' is undefined"], [PASSWORD, "mac"]),
    (lambda: core_219(jinja2.TemplateSyntaxError("unexpected '}'", 3)), SITE,
     ["src: site.yml.j2:3: unexpected '}'"], [PASSWORD, KEY, "vault_key", "templating failed"]),
]


@pytest.mark.parametrize("core, text, words, never", CASES)
def test_src_is_rendered_on_each_core_and_its_errors_never_show_it(core, text, words, never):
    templar, trust = core()
    try:
        said = render_src(templar, "site.yml.j2", text, ["/tmp/templates"], VARIABLES, trust=trust)
    except AnsibleError as e:
        said = e.message
    for word in words:
        assert word in said, said
    for word in never:
        assert word not in said, said


# (task timeout, async limit, the module's own timeout option, what the module gets)
TIMEOUTS = [
    (None, 0, None, None),
    (None, 0, 45, 45),
    (30, 0, None, 27),
    (6, 0, None, 3),
    (2, 0, None, 1),
    (0, 120, None, 108),
    (30, 120, 100, 27),
    (300, 0, 20, 20),
    (30, 0, "soon", "soon"),
]


@pytest.mark.parametrize("task, limit, given, expected", TIMEOUTS)
def test_swpctl_ends_within_the_task_timeout_and_async_limit(task, limit, given, expected):
    assert swpctl_timeout(task, limit, given) == expected
