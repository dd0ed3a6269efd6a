#!/usr/bin/python3
"""Starts the installed wizard as a user would and walks it to the device list.

    walk-installed-wizard.py FOLDER DEVICE COMMAND...

Runs COMMAND (the desktop entry's Exec line, through the shell) from FOLDER,
then, over AT-SPI as a screen reader would, opens the setup wizard from the
launcher, accepts the license, goes on through the introduction and waits for
the device list to show DEVICE. Exits 0 when it does, 1 otherwise. Needs a
display, xdotool and an accessibility bus (xvfb-run, dbus-run-session).
"""
import os
import signal
import subprocess
import sys
import time

import pyatspi

WALK_LIMIT = 60  # seconds; discovery alone waits 4


def family(pid):
    """pid and its descendants: the shell of the Exec line may fork."""
    parents = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat", encoding="latin-1") as stat:
                    parents[int(entry)] = int(stat.read().rsplit(")", 1)[1].split()[1])
            except (OSError, IndexError, ValueError):
                pass
    pids, grown = {pid}, True
    while grown:
        more = {child for child, parent in parents.items() if parent in pids}
        grown = not more <= pids
        pids |= more
    return pids


def program(pid):
    pids = family(pid)
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() in pids:
            return app
    return None


def showing(node, found):
    """Every control on screen, as (role name, name, node)."""
    try:
        if not node.getState().contains(pyatspi.STATE_SHOWING):
            return
        found.append((node.getRoleName(), node.name or "", node))
        children = list(node)
    except Exception:  # the control went away meanwhile
        return
    for child in children:
        if child is not None:
            showing(child, found)


def press(node):
    node.queryAction().doAction(0)


def click(node):
    """A click of the mouse in the middle of the control, as the user's: a
    check box's own action toggles it without the click the page waits for."""
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", "--sync", str(box.x + box.width // 2),
                    str(box.y + box.height // 2), "click", "1"], check=True)


def walk(pid, device):
    deadline = time.monotonic() + WALK_LIMIT
    steps, names = [], {}
    while time.monotonic() < deadline:
        time.sleep(0.3)
        app = program(pid)
        if app is None:
            continue
        found = []
        showing(app, found)
        names = {(role, name): node for role, name, node in found}
        if ("table cell", device) in names:
            return steps
        wizard = ("push button", "Setup Wizard")
        accept = ("check box", "I accept the terms in the License Agreement.")
        forward = ("push button", "Next")
        try:
            if accept in names and not names[accept].getState().contains(pyatspi.STATE_CHECKED):
                click(names[accept])
                steps.append("accept")
            elif forward in names and names[forward].getState().contains(pyatspi.STATE_ENABLED):
                press(names[forward])
                steps.append("next")
                time.sleep(0.5)
            elif wizard in names and not steps:
                press(names[wizard])
                steps.append("wizard")
        except Exception as error:  # pressed as the page changed: look again
            steps.append(f"({error})")
    shown = "; ".join(f"{role}: {name}" for role, name in names if name)
    raise TimeoutError(f"no device {device} in the list after {' '.join(steps)}; on screen: "
                       f"{shown}")


def main():
    folder, device, command = sys.argv[1], sys.argv[2], " ".join(sys.argv[3:])
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    started = subprocess.Popen(command, shell=True, cwd=folder, env=env,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    try:
        steps = walk(started.pid, device)
        print(f"{folder}: {command}: {' '.join(steps)} -> device list shows {device}")
        return 0
    except TimeoutError as error:
        print(f"{folder}: {command}: {error}")
        return 1
    finally:
        for pid in family(started.pid):
            try:
                os.kill(pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        output = started.communicate(timeout=10)[0].decode(errors="replace")
        if output.strip():
            print(output.rstrip())


if __name__ == "__main__":
    sys.exit(main())
