# -*- coding: utf-8 -*-
# Copyright: (c) 2026, Setup developers
# LicenseRef-proprietary: see the file COPYING of the collection.

# The controller's half of swp_info: that of swp_apply without src.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

from ansible_collections.swp.setup.plugins.action.swp_apply import SwpctlAction


class ActionModule(SwpctlAction):
    MODULE = "swp.setup.swp_info"
