#!/usr/bin/python3
"""Reads the windows of one program over AT-SPI, as a screen reader does.

    atspi_read.py PID POINT [ROLE:NAME | focus=ROLE:NAME | says=TEXT ...]

Prints every control on screen as "role: name", then what a screen reader
says of the control with the keyboard focus: its labels, name and
description. Fails (exit 1) when a control that takes the focus or shows a
value (buttons, check and radio boxes, edits, lists and their rows, progress
bars) has no name, when one of the ROLE:NAME items is not on screen, when the
focus is not on the control focus=ROLE:NAME names, or when what is said of it
does not hold TEXT.
"""
import sys
import time

import pyatspi

NAMED_ROLES = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_RADIO_BUTTON,
    pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_PASSWORD_TEXT,
    pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_LIST, pyatspi.ROLE_TREE,
    pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TABLE, pyatspi.ROLE_PROGRESS_BAR,
    pyatspi.ROLE_TREE_ITEM, pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_TABLE_CELL,
}
# Rows of the lists show in their first cell; the other cells may be empty.
ROW_ROLES = {pyatspi.ROLE_TREE_ITEM, pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_TABLE_CELL}


def program(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def walk(node, depth, lines, missing, focused):
    try:
        states = node.getState()
        role = node.getRole()
        name = node.name or ""
    except Exception:  # the control went away meanwhile
        return
    if not states.contains(pyatspi.STATE_SHOWING):
        return
    role_name = node.getRoleName()
    lines.append(f"{'  ' * depth}{role_name}: {name}")
    if states.contains(pyatspi.STATE_FOCUSED):
        focused.append(node)
    if role in NAMED_ROLES and not name.strip():
        if role not in ROW_ROLES or column(node) == 0:
            missing.append(f"{role_name} without a name (child {node.getIndexInParent()} "
                           f"of {node.parent.getRoleName() if node.parent else '?'})")
    for child in node:
        if child is not None:
            walk(child, depth + 1, lines, missing, focused)


def column(node):
    """The column of a list cell: the list's children are its column headers,
    then the cells row by row."""
    siblings = [child for child in node.parent if child is not None]
    headers = sum(1 for child in siblings
                  if child.getRole() == pyatspi.ROLE_TABLE_COLUMN_HEADER)
    return (node.getIndexInParent() - headers) % max(1, headers)


def said(nodes):
    """What a screen reader says of the focused controls, outermost first (a
    list, then its cell): the labels each is labelled by (a drop-down list's
    name is its value), its name and its description."""
    parts = []
    for node in nodes:
        for relation in node.getRelationSet():
            if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
                for i in range(relation.getNTargets()):
                    label = relation.getTarget(i).name or ""
                    if label and label != node.name:
                        parts.append(label)
        parts += [node.name or "", node.description or ""]
    return " ".join(" ".join(part.split()) for part in parts if part.strip())


def main():
    pid, point, expected = int(sys.argv[1]), sys.argv[2], sys.argv[3:]
    app = None
    for _ in range(50):  # the program registers with the bus when it starts
        app = program(pid)
        if app is not None:
            break
        time.sleep(0.2)
    if app is None:
        print(f"{point}: program {pid} is not on the accessibility bus")
        return 1
    lines, missing, focused = [], [], []
    walk(app, 0, lines, missing, focused)
    seen = {line.strip() for line in lines}
    # The focused control: the outermost focused one (a list, not its cell;
    # a text box, not its inner view).
    focus = focused[0] if focused else None
    focus_line = f"{focus.getRoleName()}: {focus.name or ''}" if focus else "nothing"
    says = said(focused)
    absent = []
    for item in expected:
        if item.startswith("focus="):
            if item[6:].replace(":", ": ", 1) != focus_line:
                absent.append(item)
        elif item.startswith("says="):
            if item[5:] not in says:
                absent.append(item)
        elif item.replace(":", ": ", 1) not in seen:
            absent.append(item)
    print(f"== {point}")
    print("\n".join(lines))
    print(f"focus on {focus_line}; says: {says}")
    for problem in missing:
        print(f"{point}: {problem}")
    for item in absent:
        print(f"{point}: not read: {item}")
    return 1 if missing or absent else 0


if __name__ == "__main__":
    sys.exit(main())
