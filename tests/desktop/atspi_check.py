#!/usr/bin/python3
"""The desktop program as assistive technology sees it, over the AT-SPI bus:
accessible names of the grid, the status boxes and the settings fields, button
descriptions, and the download dialog opening over the main window.

Usage: atspi_check.py PROGRAM   (inside a session bus, on an X display)"""
import os
import subprocess
import sys
import time

import pyatspi


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def wait_for(what, probe, timeout=60.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        found = probe()
        if found:
            return found
        time.sleep(0.05)
    fail("timed out waiting for " + what)


def application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            pass
    return None


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    # A table's cells are thousands of objects, each a bus round trip: not walked.
    if node.getRole() == pyatspi.ROLE_TABLE:
        return
    for i in range(node.childCount):
        yield from walk(node.getChildAtIndex(i), depth + 1)


def find_all(root, role=None, name=None):
    return [n for n in walk(root)
            if (role is None or n.getRole() == role) and (name is None or n.name == name)]


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def extents(node):
    e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return e.x, e.y, e.width, e.height


def main():
    program = sys.argv[1]
    # The registry first: a program that starts before it is never announced.
    pyatspi.Registry.getDesktop(0).childCount
    started = time.monotonic()
    proc = subprocess.Popen([program], env=os.environ.copy())
    try:
        app = wait_for("the program on the accessibility bus", lambda: application(proc.pid))
        frame = wait_for("the main window", lambda: next(
            (f for f in find_all(app, pyatspi.ROLE_FRAME) if showing(f)), None))
        print("main window shown on the accessibility bus %.3f s after start" % (time.monotonic() - started))

        grids = [t for t in find_all(frame, pyatspi.ROLE_TABLE) if t.name == "RS232 communication"]
        if not grids:
            fail("no table named after its page: %s" % [t.name for t in find_all(frame, pyatspi.ROLE_TABLE)])
        if not grids[0].description:
            fail("the grid has no description")
        names = sorted(n.name for n in walk(frame) if n.name.endswith(" status"))
        if names != ["COM status", "USB status"]:
            fail("status boxes: %s" % names)
        captions = find_all(frame, pyatspi.ROLE_LABEL, "Transfer status, lines received:")
        if len(captions) != 2:
            fail("status caption lines: %d" % len(captions))

        # A combo box's name is its value; the screen reader speaks the labels
        # it is labelled by: its own label and nothing else.
        labelled = {}
        for combo in find_all(frame, pyatspi.ROLE_COMBO_BOX):
            labels = []
            for relation in combo.getRelationSet():
                if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
                    labels += [relation.getTarget(i).name for i in range(relation.getNTargets())]
            labelled[combo.name] = labelled.get(combo.name, []) + [labels]
        found = [labels for many in labelled.values() for labels in many]
        for expected in (["ComPort"], ["Baud"], ["Character"], ["StopBit"], ["Parity"], ["Protocol"], ["Device"]):
            if expected not in found:
                fail("no combo box labelled by %s alone: %s" % (expected, labelled))
        if any("Com setting" in labels or "Instrument setting" in labels and len(labels) > 1 for labels in found):
            fail("a settings field is labelled by its group box: %s" % labelled)

        for button in find_all(frame, pyatspi.ROLE_PUSH_BUTTON):
            if not button.name:
                fail("a push button without a name")
            if not button.getState().contains(pyatspi.STATE_FOCUSABLE):
                fail("push button %r cannot take the focus" % button.name)
        receive = [b for b in find_all(frame, pyatspi.ROLE_PUSH_BUTTON, "Receive") if showing(b)]
        if not receive or not receive[0].description:
            fail("the Receive button has no description")

        # The download dialog: over the main window (not centred on the screen).
        action = receive[0].queryAction()
        action.doAction(0)
        dialog = wait_for("the download dialog", lambda: next(
            (d for d in walk(app) if d.getRole() in (pyatspi.ROLE_DIALOG, pyatspi.ROLE_ALERT) and showing(d)), None))
        # Qt does not publish the modal state on the bus (the in-process test
        # checks it); the position shows whose dialog it is.
        fx, fy, fw, fh = extents(frame)
        dx, dy, dw, dh = extents(dialog)
        cx, cy = dx + dw // 2, dy + dh // 2
        if not (fx <= cx <= fx + fw and fy <= cy <= fy + fh):
            fail("the download dialog %s is not over the main window %s" % ((dx, dy, dw, dh), (fx, fy, fw, fh)))
        cancel = [b for b in find_all(dialog, pyatspi.ROLE_PUSH_BUTTON) if b.name in ("Cancel", "取消")]
        if not cancel:
            fail("the download dialog has no Cancel button")
        cancel[0].queryAction().doAction(0)
        wait_for("the dialog to close", lambda: not any(
            d.getRole() in (pyatspi.ROLE_DIALOG, pyatspi.ROLE_ALERT) and showing(d) for d in walk(app)))
        print("OK: names, descriptions, labels and the dialog's owner as assistive technology sees them")
    finally:
        proc.terminate()
        try:
            proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            proc.kill()


if __name__ == "__main__":
    main()
