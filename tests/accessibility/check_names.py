#!/usr/bin/env python3
"""Lists the program's accessibility tree as a screen reader sees it (AT-SPI) and fails when a
control, a column header or an action has no name, or a control no description.

Usage: check_names.py [NAME]: waits until a node named NAME is there (the window the program
was asked to open), then reads every window the program shows.
Run by run_check.sh inside its own X server and D-Bus session, with the program started."""
import sys
import time

import pyatspi

# Roles a user operates or reads as a control; panels, fillers and the like only hold them.
CONTROLS = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TABLE,
    pyatspi.ROLE_LIST, pyatspi.ROLE_MENU, pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_CHECK_MENU_ITEM,
    pyatspi.ROLE_MENU_BAR, pyatspi.ROLE_TOOL_BAR, pyatspi.ROLE_PROGRESS_BAR,
    pyatspi.ROLE_COLUMN_HEADER, pyatspi.ROLE_TABLE_COLUMN_HEADER, pyatspi.ROLE_PAGE_TAB,
    pyatspi.ROLE_SLIDER,
}
DESCRIBED = CONTROLS - {pyatspi.ROLE_MENU, pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_CHECK_MENU_ITEM}
MAX_NODES = 5000


def find_application(name, seconds):
    deadline = time.time() + seconds
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name.lower() == name:
                return app
        time.sleep(0.5)
    return None


def walk(node, depth, out, unnamed, seen):
    if node is None or len(seen) >= MAX_NODES:
        return
    seen.append(node)
    role = node.getRole()
    name = (node.name or "").strip()
    state = node.getState()
    shown = state.contains(pyatspi.STATE_SHOWING) or depth <= 2
    description = (node.description or "").strip()
    out.append("%s%s %r%s%s" % ("  " * depth, node.getRoleName(), name,
                                 " - %s" % description if description else "",
                                 "" if shown else " (hidden)"))
    # A separator is a menu item without text; tree rows are named by their cells.
    # Column headers count even in views not shown at the moment (the find list).
    header = role in (pyatspi.ROLE_COLUMN_HEADER, pyatspi.ROLE_TABLE_COLUMN_HEADER)
    path = "%s %r at depth %d" % (node.getRoleName(), name, depth)
    if role in CONTROLS and not name and (shown or header) and role != pyatspi.ROLE_SEPARATOR:
        unnamed.append(path)
    # Qt gives menu items no description: an action's hint reaches the reader through its
    # button in the button bar and through the status line.
    if role in DESCRIBED and name and not description and (shown or header):
        unnamed.append(path + ": no description")
    if role in (pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE):
        # Only the header row: the catalogue's rows can be millions.
        for i in range(min(node.childCount, 16)):
            child = node.getChildAtIndex(i)
            if child is not None and child.getRole() in (pyatspi.ROLE_COLUMN_HEADER,
                                                          pyatspi.ROLE_TABLE_COLUMN_HEADER):
                walk(child, depth + 1, out, unnamed, seen)
        return
    for i in range(node.childCount):
        walk(node.getChildAtIndex(i), depth + 1, out, unnamed, seen)


def find_named(node, name, depth=0):
    if node is None or depth > 12:
        return False
    if (node.name or "").strip() == name:
        return True
    if node.getRole() in (pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE):
        return False
    return any(find_named(node.getChildAtIndex(i), name, depth + 1)
               for i in range(min(node.childCount, 200)))


def main():
    app = find_application("shelvix", 30)
    if app is None:
        print("the program did not appear on the accessibility bus")
        return 2
    expected = sys.argv[1] if len(sys.argv) > 1 else ""
    deadline = time.time() + 20
    while expected and not find_named(app, expected):
        if time.time() > deadline:
            print("no node named %r: the window was not opened" % expected)
            return 2
        time.sleep(0.5)
    lines, unnamed, seen = [], [], []
    walk(app, 0, lines, unnamed, seen)
    print("\n".join(lines))
    if len(seen) < 10:
        print("only %d nodes: the window's tree was not read" % len(seen))
        return 2
    if unnamed:
        print("\nunnamed or undescribed controls:\n  " + "\n  ".join(unnamed))
        return 1
    print("\nevery control of %d nodes has a name and a description" % len(seen))
    return 0


if __name__ == "__main__":
    sys.exit(main())
