# -*- coding: utf-8 -*-
# Copyright: (c) 2026, Setup developers
# LicenseRef-proprietary: see the file COPYING of the collection.

# swp_info's first desired state from what swpctl show reports.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import pytest

from ansible_collections.swp.setup.plugins.modules.swp_info import desired_entry

MAC = "02:5A:00:00:00:01"

# (swpctl show --json, the swp_apply entry that keeps the device as it is)
CASES = [
    (dict(device_mode=dict(code=1), ip=dict(mode="static", address="192.168.0.51", mask="255.255.255.0", gateway=""),
          wireless=dict(ssid="hotel", channel=11, security=dict(code=2), wpa_mode=dict(code=1), cipher=dict(code=1),
                        wireless_mode=dict(code=9))),
     dict(mac=MAC, mode="ap", ip=dict(address="192.168.0.51", mask="255.255.255.0"),
          access_point=dict(ssid="hotel", channel=11, security="wpa-psk", wpa_mode="wpa2", cipher="aes",
                            wireless_mode="bgn"))),
    (dict(device_mode=dict(code=2), ip=dict(mode="dhcp"),
          wireless=dict(ssid="hotel", channel=6, security=dict(code=1), auth=dict(code=1), wireless_mode=None)),
     dict(mac=MAC, mode="bridge", ip=dict(dhcp=True), station=dict(ssid="hotel", security="wep", auth="shared"))),
    (dict(device_mode=dict(code=7), wireless=dict(security=dict(code=40))), dict(mac=MAC)),
    ({}, dict(mac=MAC)),
]


@pytest.mark.parametrize("config, entry", CASES)
def test_the_desired_entry_keeps_the_device_as_it_is(config, entry):
    assert desired_entry(MAC, config) == entry
