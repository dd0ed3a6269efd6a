# -*- coding: utf-8 -*-
# Copyright: (c) 2026, Setup developers
# LicenseRef-proprietary: see the file COPYING of the collection.

# The controller's half of swp_apply: the values of the task as YAML gave them
# (before Ansible turns a number into a text), and a src file read and
# templated here, on the controller, then handed to the module as its content.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import os

from ansible.errors import AnsibleError
from ansible.module_utils.common.text.converters import to_text
from ansible.plugins.action import ActionBase
from ansible.template import AnsibleEnvironment, generate_ansible_template_vars
from ansible_collections.swp.setup.plugins.module_utils.swpctl import yaml_traps


def dhcp_shorthand(args):
    """ip: dhcp, as the inventory files write it, is ip: {dhcp: true}."""
    entries = []
    if isinstance(args.get("defaults"), dict):
        entries.append(args["defaults"])
    if isinstance(args.get("devices"), list):
        entries += [e for e in args["devices"] if isinstance(e, dict)]
    for entry in entries:
        if entry.get("ip") == "dhcp":
            entry["ip"] = {"dhcp": True}


class ActionModule(ActionBase):
    TRANSFERS_FILES = False
    _VALID_ARGS = frozenset()  # the module checks its own options

    def _template_src(self, source, task_vars):
        try:
            found = self._find_needle("templates", source)
        except AnsibleError as e:
            raise AnsibleError("src: %s" % to_text(e))
        real = self._loader.get_real_file(found)
        try:
            with open(real, "rb") as stream:
                data = to_text(stream.read(), errors="surrogate_or_strict")
        except UnicodeError:
            raise AnsibleError("src: %s is not UTF-8" % found)
        finally:
            self._loader.cleanup_tmp_file(real)
        searchpath = list(task_vars.get("ansible_search_path", [])) + [self._loader._basedir, os.path.dirname(found)]
        searchpath = [p for base in searchpath for p in (os.path.join(base, "templates"), base)]
        variables = task_vars.copy()
        variables.update(generate_ansible_template_vars(source, found, None))
        templar = self._templar.copy_with_new_env(
            environment_class=AnsibleEnvironment, searchpath=searchpath, available_variables=variables
        )
        return found, templar.do_template(data, preserve_trailing_newlines=True, escape_backslashes=False)

    def run(self, tmp=None, task_vars=None):
        task_vars = task_vars or {}
        result = super(ActionModule, self).run(tmp, task_vars)
        args = dict(self._task.args)

        traps = yaml_traps(args)
        if traps:
            result.update(failed=True, msg="; ".join(traps))
            return result
        dhcp_shorthand(args)

        if args.get("src") is not None and args.get("content") is None:
            try:
                found, text = self._template_src(args["src"], task_vars)
            except AnsibleError as e:
                result.update(failed=True, msg=to_text(e))
                return result
            args["src"] = found
            args["content"] = text

        result.update(self._execute_module(module_name="swp.setup.swp_apply", module_args=args, task_vars=task_vars))
        return result
