# -*- coding: utf-8 -*-
# Copyright: (c) 2026, Setup developers
# LicenseRef-proprietary: see the file COPYING of the collection.

# The collection's versions tell the truth: galaxy.yml's version is the last
# release of changelogs/changelog.yaml, which holds every fragment; a release
# that drops an option of 1.0.0 is a new major version; every option added
# after 1.0.0 says when (version_added); every module is in the release it
# says it came with; CHANGELOG.rst is what antsibull-changelog renders from
# changelog.yaml (the tool itself is not packaged in Debian).

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import os

import yaml
from ansible.module_utils.compat.version import LooseVersion
from ansible.plugins.loader import fragment_loader
from ansible.utils.plugin_docs import get_docstring

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))

# The options of the modules released as 1.0.0.
OPTIONS_1_0_0 = {"swp_apply": {"inventory", "config", "only", "adapter", "swpctl", "speedup"}}


def load(*path):
    with open(os.path.join(ROOT, *path)) as stream:
        return yaml.safe_load(stream)


def modules():
    folder = os.path.join(ROOT, "plugins", "modules")
    for name in sorted(os.listdir(folder)):
        if name.endswith(".py") and not name.startswith("_"):
            doc = get_docstring(os.path.join(folder, name), fragment_loader, collection_name="swp.setup")[0]
            yield name[:-3], doc


def releases():
    return sorted(load("changelogs", "changelog.yaml")["releases"].items(), key=lambda r: LooseVersion(r[0]))


def test_the_version_is_the_last_release_and_every_module_and_option_says_when_it_came():
    version = load("galaxy.yml")["version"]
    released = releases()
    assert released[-1][0] == version
    assert [f for f in os.listdir(os.path.join(ROOT, "changelogs", "fragments")) if not f.startswith(".")] == []
    came_with = dict((m["name"], v) for v, release in released for m in release.get("modules", []))
    versions = [v for v, release in released]
    for module, doc in modules():
        assert came_with.get(module) == doc["version_added"], module
        first = OPTIONS_1_0_0.get(module)
        if first is None:
            continue
        dropped = first - set(doc["options"])
        assert not dropped or LooseVersion(version).version[0] > 1, "%s drops %s: a major version" % (module, dropped)
        for name, option in doc["options"].items():
            if name in first:
                assert option.get("version_added", "1.0.0") == "1.0.0", (module, name)
            else:
                assert option.get("version_added") in versions[1:], "%s: %s needs version_added" % (module, name)


def rst_section(title, underline, lines):
    return [title, underline * len(title), ""] + lines + [""]


def render_changelog():
    """CHANGELOG.rst as antsibull-changelog renders it from changelog.yaml and config.yaml."""
    config = load("changelogs", "config.yaml")
    title = "%s Release Notes" % config["title"]
    out = ["=" * len(title), title, "=" * len(title), "", ".. contents:: Topics", ""]
    sections = [tuple(s) for s in config["sections"]]
    for version, release in reversed(releases()):
        changes = release.get("changes", {})
        out += ["v%s" % version, "=" * (len(version) + 1), ""]
        if config["prelude_section_name"] in changes:
            out += rst_section(config["prelude_section_title"], "-", [changes[config["prelude_section_name"]], ""])[:-1]
        for name, heading in sections:
            if changes.get(name):
                out += rst_section(heading, "-", ["- %s" % entry for entry in sorted(changes[name])])
            if name == config["new_plugins_after_name"] and release.get("modules"):
                modules_ = sorted(release["modules"], key=lambda m: m["name"])
                out += rst_section("New Modules", "-", ["- swp.setup.%s - %s" % (m["name"], m["description"])
                                                        for m in modules_])
    return "\n".join(out).rstrip("\n") + "\n"


def test_changelog_rst_is_rendered_from_the_changelog():
    with open(os.path.join(ROOT, "CHANGELOG.rst")) as stream:
        assert stream.read() == render_changelog()


if __name__ == "__main__":
    # Writes CHANGELOG.rst after a release was added to changelog.yaml.
    with open(os.path.join(ROOT, "CHANGELOG.rst"), "w") as stream:
        stream.write(render_changelog())
