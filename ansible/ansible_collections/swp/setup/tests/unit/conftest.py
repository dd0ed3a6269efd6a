# -*- coding: utf-8 -*-
# Copyright: (c) 2026, Setup developers
# LicenseRef-proprietary: see the file COPYING of the collection.

# The collection's own plugins import each other as ansible_collections.swp.setup;
# Ansible's collection loader finds them in the tree they are tested in.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import os

from ansible.utils.collection_loader._collection_finder import _AnsibleCollectionFinder

_AnsibleCollectionFinder(paths=[os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", "..", "..", ".."))])._install()
