#!/usr/bin/python3
"""What a screen reader finds of Larkspan's windows, read through AT-SPI.

    atspi_tree.py LINE [SECONDS]

Prints "ready" once the accessibility registry answers, then waits (at most
SECONDS, 10 by default) until one of the lines below contains LINE, and
prints them all. One line for each showing window and each showing control
in it, one more for every control that has the keyboard focus and for every
selected item, and where on the screen the middle of each list item is:

    window role|window name
    described|window role|window name|description
    window role|window name|role|name|description|key bindings
    focus|window role|window name|role|name
    selected|window role|window name|role|name
    place|name|x|y

Exits 1, after printing what it found last, when no such line appeared.
"""
import sys
import time

import pyatspi


def field(text):
    return (text or '').replace('\\', '\\\\').replace('\n', '\\n').replace('|', '\\|')


def bindings(accessible):
    try:
        action = accessible.queryAction()
    except NotImplementedError:
        return ''
    found = []
    for index in range(action.nActions):
        binding = action.getKeyBinding(index)
        if binding and binding not in found:
            found.append(binding)
    return ','.join(found)


def showing(accessible):
    return accessible.getState().contains(pyatspi.STATE_SHOWING)


def describe(window):
    head = field(window.getRoleName()) + '|' + field(window.name)
    lines = [head, 'described|' + head + '|' + field(window.description)]
    pending = [window.getChildAtIndex(i) for i in range(window.childCount)]
    while pending:
        accessible = pending.pop(0)
        if accessible is None or not showing(accessible):
            continue
        role, name = field(accessible.getRoleName()), field(accessible.name)
        lines.append('|'.join([head, role, name, field(accessible.description),
                               bindings(accessible)]))
        state = accessible.getState()
        if state.contains(pyatspi.STATE_FOCUSED):
            lines.append('|'.join(['focus', head, role, name]))
        if state.contains(pyatspi.STATE_SELECTED):
            lines.append('|'.join(['selected', head, role, name]))
        if role == 'list item':
            box = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            lines.append('|'.join(['place', name, str(box.x + box.width // 2),
                                   str(box.y + box.height // 2)]))
        pending[0:0] = [accessible.getChildAtIndex(i) for i in range(accessible.childCount)]
    return lines


def read():
    lines = []
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        application = desktop.getChildAtIndex(index)
        if application is None or application.name != 'Larkspan':
            continue
        application.clearCache()
        for window in range(application.childCount):
            top = application.getChildAtIndex(window)
            if top is not None and showing(top):
                lines += describe(top)
    return lines


def main():
    wanted = sys.argv[1]
    deadline = time.monotonic() + (float(sys.argv[2]) if len(sys.argv) > 2 else 10)
    while True:
        try:
            pyatspi.Registry.getDesktop(0).childCount
            break
        except Exception:
            if time.monotonic() > deadline:
                print('the accessibility registry does not answer', file=sys.stderr)
                return 1
            time.sleep(0.05)
    print('ready', flush=True)

    lines = []
    while time.monotonic() < deadline:
        try:
            lines = read()
        except Exception:
            # A window went away while it was read: read again.
            lines = []
        if any(wanted in line for line in lines):
            print('\n'.join(lines))
            return 0
        time.sleep(0.02)
    print('\n'.join(lines))
    return 1


if __name__ == '__main__':
    sys.exit(main())
