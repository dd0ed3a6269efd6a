# -*- coding: utf-8 -*-
# Copyright: (c) 2026, Setup developers
# LicenseRef-proprietary: see the file COPYING of the collection.

# The controller's half of swp_apply and swp_info: the values of the task as
# YAML gave them (before Ansible turns a number into a text), the time the
# task gives swpctl, async, and for swp_apply a src file read and templated
# here, on the controller, then handed to the module as its content.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import os

from ansible.errors import AnsibleError
from ansible.module_utils.common.text.converters import to_text
from ansible.plugins.action import ActionBase
from ansible.template import generate_ansible_template_vars
from ansible_collections.swp.setup.plugins.module_utils.swpctl import yaml_traps

try:
    # ansible-core 2.19 and later render only text marked as a trusted template.
    from ansible.template import trust_as_template
except ImportError:
    trust_as_template = None


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


def swpctl_timeout(task_timeout, async_limit, given):
    """The seconds the module gives swpctl: within the task's timeout and its
    async limit, less a margin for the module's start and its result, so that
    the module stops swpctl and reports before Ansible gives the task up."""
    limits = [int(limit) for limit in (task_timeout, async_limit) if limit]
    if not limits:
        return given
    limit = min(limits)
    own = max(1, limit - max(3, limit // 10))
    try:
        return own if given is None else min(int(given), own)
    except (TypeError, ValueError):
        return given  # the module says what is wrong with it


def render(templar, text, searchpath, variables, trust=trust_as_template):
    """The template's text rendered the way ansible.builtin.template renders
    on this ansible-core."""
    if trust is not None:
        templar = templar.copy_with_new_env(searchpath=searchpath, available_variables=variables)
        return templar.template(trust(text), preserve_trailing_newlines=True, escape_backslashes=False)
    from ansible.template import AnsibleEnvironment

    templar = templar.copy_with_new_env(environment_class=AnsibleEnvironment, searchpath=searchpath,
                                        available_variables=variables)
    return templar.do_template(text, preserve_trailing_newlines=True, escape_backslashes=False)


def render_src(templar, found, text, searchpath, variables, trust=trust_as_template):
    """The src file found, rendered; its errors without its text. A template
    that comes back as it went (text a templar left untrusted) is refused:
    its {{ vault_key }} would be sent literally, a valid passphrase."""
    try:
        rendered = to_text(render(templar, text, searchpath, variables, trust))
    except Exception as e:  # every templating error, whatever its class on this ansible-core
        raise AnsibleError(template_error(found, e, text))
    if ("{{" in text or "{%" in text) and rendered == text:
        raise AnsibleError("src: %s was not templated; nothing was sent" % found)
    return rendered


def _jinja_error(error):
    """The Jinja error behind Ansible's, if any."""
    seen = set()
    while error is not None and id(error) not in seen:
        seen.add(id(error))
        if type(error).__module__.startswith("jinja2"):
            return error
        error = getattr(error, "orig_exc", None) or error.__cause__ or error.__context__
    return None


def template_error(found, error, text):
    """src: FILE:LINE: what went wrong. Never the template's text: Ansible's own
    message quotes it whole ("String: ..."), vaulted passwords and keys included."""
    jinja = _jinja_error(error)
    if jinja is not None:
        why = to_text(getattr(jinja, "message", None) or type(jinja).__name__)
        line = getattr(jinja, "lineno", None)
    else:
        why = to_text(error).split(" String: ")[0]
        line = None
    lines = [part.strip() for part in text.splitlines()]
    if any(len(part) >= 8 and part in why for part in lines):
        why = "%s (its text is not shown: it may hold secrets)" % type(jinja or error).__name__
    where = "%s:%d" % (found, line) if line else found
    return "src: %s: %s" % (where, why.strip().rstrip("."))


class SwpctlAction(ActionBase):
    """What both modules' tasks do on the controller."""

    TRANSFERS_FILES = False
    _VALID_ARGS = frozenset()  # the module checks its own options
    MODULE = None

    def module_args(self, args, task_vars):
        return args

    def run(self, tmp=None, task_vars=None):
        self._supports_check_mode = True
        self._supports_async = True
        task_vars = task_vars or {}
        result = super(SwpctlAction, self).run(tmp, task_vars)
        wrap_async = bool(self._task.async_val) and not self._connection.has_native_async
        args = dict(self._task.args)
        traps = yaml_traps(args)
        if traps:
            result.update(failed=True, msg="; ".join(traps))
        else:
            dhcp_shorthand(args)
            try:
                args = self.module_args(args, task_vars)
            except AnsibleError as e:
                result.update(failed=True, msg=to_text(e.message))
            else:
                timeout = swpctl_timeout(self._task.timeout, self._task.async_val, args.get("timeout"))
                if timeout is not None:
                    args["timeout"] = timeout
                result.update(self._execute_module(module_name=self.MODULE, module_args=args,
                                                   task_vars=task_vars, wrap_async=wrap_async))
        if not wrap_async:
            self._remove_tmp_path(self._connection._shell.tmpdir)
        return result


class ActionModule(SwpctlAction):
    MODULE = "swp.setup.swp_apply"

    def _template_src(self, source, task_vars):
        try:
            found = self._find_needle("templates", source)
        except AnsibleError as e:
            raise AnsibleError("src: %s" % to_text(e))
        real = self._loader.get_real_file(found)
        try:
            with open(real, "rb") as stream:
                text = to_text(stream.read(), errors="surrogate_or_strict")
        except UnicodeError:
            raise AnsibleError("src: %s is not UTF-8" % found)
        finally:
            self._loader.cleanup_tmp_file(real)
        searchpath = list(task_vars.get("ansible_search_path", [])) + [self._loader._basedir, os.path.dirname(found)]
        searchpath = [p for base in searchpath for p in (os.path.join(base, "templates"), base)]
        variables = task_vars.copy()
        variables.update(generate_ansible_template_vars(source, found, None))
        return found, render_src(self._templar, found, text, searchpath, variables)

    def module_args(self, args, task_vars):
        if args.get("src") is not None and args.get("content") is None:
            args["src"], args["content"] = self._template_src(args["src"], task_vars)
        return args
