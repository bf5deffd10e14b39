#!/usr/bin/python3
"""The desktop program as assistive technology sees it, over the AT-SPI bus.

Every page (the three top-level tabs, both transfer pages) and every dialog the
program opens without a file dialog is walked, and every input in it must say
what it is: a button, check box, tab or menu item by its name; a combo box or
text field by a label of its own (not only the frame around it); a table, list
or any other control that takes the focus by its name. Nothing is listed by
hand, so a new control without a label fails the walk. Besides: the grid and
the status boxes are named after their pages, the settings fields are labelled
by their own labels, and the download dialog opens over the main window.

Usage: atspi_check.py PROGRAM WORK_FOLDER   (inside a session bus, on an X display; the
program opens WORK_FOLDER/job.kvm, a job with Chinese point names, and imports
WORK_FOLDER/points.txt)"""
import os
import subprocess
import sys
import threading
import time

import pyatspi

R = pyatspi
NAMED_ROLES = {R.ROLE_PUSH_BUTTON, R.ROLE_TOGGLE_BUTTON, R.ROLE_CHECK_BOX, R.ROLE_RADIO_BUTTON, R.ROLE_PAGE_TAB,
               R.ROLE_MENU_ITEM, R.ROLE_CHECK_MENU_ITEM, R.ROLE_RADIO_MENU_ITEM, R.ROLE_MENU, R.ROLE_TABLE,
               R.ROLE_LIST, R.ROLE_LIST_BOX, R.ROLE_TREE, R.ROLE_TREE_TABLE}
LABELLED_ROLES = {R.ROLE_COMBO_BOX, R.ROLE_ENTRY, R.ROLE_PASSWORD_TEXT, R.ROLE_SPIN_BUTTON, R.ROLE_SLIDER}
# Parts of other controls, not controls of their own.
PART_ROLES = {R.ROLE_SCROLL_BAR, R.ROLE_TABLE_CELL, R.ROLE_LIST_ITEM, R.ROLE_COLUMN_HEADER, R.ROLE_ROW_HEADER,
              R.ROLE_TABLE_COLUMN_HEADER, R.ROLE_TABLE_ROW_HEADER, R.ROLE_PAGE_TAB_LIST, R.ROLE_MENU_BAR,
              R.ROLE_SEPARATOR, R.ROLE_LABEL, R.ROLE_STATUS_BAR, R.ROLE_FRAME, R.ROLE_DIALOG, R.ROLE_ALERT,
              R.ROLE_FILLER, R.ROLE_PANEL, R.ROLE_PAGE_TAB}
DIALOG_ROLES = {R.ROLE_DIALOG, R.ROLE_ALERT, R.ROLE_FILE_CHOOSER, R.ROLE_WINDOW}
CLOSE_NAMES = ["Cancel", "Close", "No", "OK", "取消", "关闭", "否", "确定"]


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def wait_for(what, probe, timeout=30.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        found = probe()
        if found:
            return found
        time.sleep(0.05)
    fail("timed out waiting for " + what)


def application(pid):
    desktop = R.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            pass
    return None


def children(node):
    try:
        return [node.getChildAtIndex(i) for i in range(node.childCount)]
    except Exception:
        return []


def walk(node, depth=0, menus=True):
    if node is None or depth > 40:
        return
    yield node
    # A table's cells are thousands of objects, each a bus round trip: not walked.
    if node.getRole() in (R.ROLE_TABLE, R.ROLE_TREE_TABLE, R.ROLE_LIST, R.ROLE_LIST_BOX, R.ROLE_TREE):
        return
    if not menus and node.getRole() == R.ROLE_MENU_BAR:
        return
    for child in children(node):
        yield from walk(child, depth + 1, menus)


def find_all(root, role=None, name=None):
    return [n for n in walk(root)
            if (role is None or n.getRole() == role) and (name is None or n.name == name)]


def state(node, which):
    try:
        return node.getState().contains(which)
    except Exception:
        return False


def showing(node):
    return state(node, R.STATE_SHOWING)


def extents(node):
    e = node.queryComponent().getExtents(R.DESKTOP_COORDS)
    return e.x, e.y, e.width, e.height


def labels_of(node):
    targets = []
    for relation in node.getRelationSet():
        if relation.getRelationType() == R.RELATION_LABELLED_BY:
            targets += [relation.getTarget(i) for i in range(relation.getNTargets())]
    return targets


def describe(node):
    return "%s %r" % (node.getRoleName(), node.name)


def input_problem(node):
    """Why assistive technology cannot tell what this input is; None when it can."""
    role = node.getRole()
    if role in LABELLED_ROLES or (role == R.ROLE_TEXT and state(node, R.STATE_EDITABLE)):
        own = [t for t in labels_of(node) if t.getRole() == R.ROLE_LABEL and t.name]
        if role != R.ROLE_COMBO_BOX and node.name and not labels_of(node):
            return None
        if not own:
            return "no label of its own (labelled by %s)" % [describe(t) for t in labels_of(node)]
        return None
    if role in NAMED_ROLES or role == R.ROLE_TEXT:
        return None if node.name else "no name"
    if state(node, R.STATE_FOCUSABLE) and role not in PART_ROLES:
        return None if node.name else "takes the focus but has no name"
    return None


def check_inputs(root, where, problems, menus=True):
    count = 0
    for node in walk(root, menus=menus):
        if not showing(node) and node.getRole() not in (R.ROLE_MENU_ITEM, R.ROLE_MENU):
            continue
        problem = input_problem(node)
        count += 1
        if problem:
            problems.append("%s: %s: %s" % (where, describe(node), problem))
    return count


def windows(app):
    return [w for w in children(app) if w is not None and showing(w)]


def new_window(app, before, what):
    return wait_for(what, lambda: next((w for w in windows(app) if w not in before and
                                         w.getRole() in DIALOG_ROLES | {R.ROLE_FRAME}), None))


def press(node):
    node.queryAction().doAction(0)


def press_menu_item(node):
    """A menu item runs its command before it answers, and the command may open a
    dialog that waits for us: it is pressed from a thread of its own."""
    action = node.queryAction()

    def run():
        try:
            action.doAction(0)
        except Exception:
            pass  # the answer comes after the dialog has closed, or never

    threading.Thread(target=run, daemon=True).start()


def close(app, window):
    buttons = {b.name: b for b in find_all(window, R.ROLE_PUSH_BUTTON) if showing(b)}
    name = next((n for n in CLOSE_NAMES if n in buttons), None)
    if name is None:
        fail("no way to close %s: buttons %s" % (describe(window), sorted(buttons)))
    press(buttons[name])
    wait_for("%s to close" % describe(window), lambda: window not in windows(app))


def menu_item(frame, *path):
    bar = next((n for n in walk(frame) if n.getRole() == R.ROLE_MENU_BAR), None)
    node = bar
    for name in path:
        node = next((c for c in walk(node) if c is not node and c.name == name and
                     c.getRole() in (R.ROLE_MENU, R.ROLE_MENU_ITEM)), None)
        if node is None:
            fail("no menu item %s" % " > ".join(path))
    return node


def button(root, name):
    found = [b for b in find_all(root, R.ROLE_PUSH_BUTTON, name) if showing(b)]
    if not found:
        fail("no button %r shown" % name)
    return found[0]


def page_tabs(tabs):
    return [c for c in children(tabs) if c.getRole() == R.ROLE_PAGE_TAB]


def select_tab(tabs, index):
    press(page_tabs(tabs)[index])
    time.sleep(0.3)


def tab_list(frame, holding):
    """The tab bar with a tab named `holding`."""
    found = [t for t in find_all(frame, R.ROLE_PAGE_TAB_LIST)
             if showing(t) and any(c.name == holding for c in page_tabs(t))]
    if not found:
        fail("no tab bar with a tab %r" % holding)
    return found[0]


def dialog_walk(app, frame, work, problems):
    """Opens each dialog, walks it, closes it; returns how many were walked."""
    def open_with(trigger, what):
        before = windows(app)
        trigger()
        return new_window(app, before, what)

    def visit(trigger, what, then=None):
        window = open_with(trigger, what)
        check_inputs(window, what, problems)
        if then:
            then(window)
        else:
            close(app, window)
        return window

    def data_page():
        select_tab(tab_list(frame, "Setting"), 0)

    def inner_tab(index):
        select_tab(tab_list(frame, "USB"), index)

    count = 0
    data_page()
    inner_tab(0)
    # The download dialog: over the main window (not centred on the screen).
    download = visit(lambda: press(button(frame, "Receive")), "the download dialog", then=lambda d: None)
    fx, fy, fw, fh = extents(frame)
    dx, dy, dw, dh = extents(download)
    cx, cy = dx + dw // 2, dy + dh // 2
    if not (fx <= cx <= fx + fw and fy <= cy <= fy + fh):
        fail("the download dialog %s is not over the main window %s" % ((dx, dy, dw, dh), (fx, fy, fw, fh)))
    close(app, download)
    visit(lambda: press(button(frame, "Send")), "the upload dialog")
    visit(lambda: press(button(frame, "SendCode")), "the code upload dialog")
    inner_tab(1)
    visit(lambda: press(button(frame, "CoordUP")), "the USB upload dialog")
    visit(lambda: press(button(frame, "FileDown")), "the USB download's message")
    inner_tab(0)
    count += 6
    for path in (("File", "MEAS FILE", "Coor Export"), ("File", "MEAS FILE", "With poligon file"),
                 ("File", "MEAS FILE", "SD Export"), ("File", "MEAS FILE", "HD Export"),
                 ("File", "COORD DATA", "Coor Import"), ("File", "Plan export..."), ("Help", "About...")):
        visit(lambda: press_menu_item(menu_item(frame, *path)), " > ".join(path))
        data_page()
        count += 1

    # The job's coordinates exported: the list holds GBK names, so the program's
    # own viewer shows it; the status bar names the file with its Open folder button.
    def type_path(dialog, name):
        entries = [e for e in find_all(dialog, R.ROLE_TEXT) + find_all(dialog, R.ROLE_ENTRY)
                   if state(e, R.STATE_EDITABLE) and showing(e)]
        entries[0].queryEditableText().setTextContents(os.path.join(work, name))

    def export_job(dialog):
        type_path(dialog, "points-out.txt")
        before = windows(app)
        press(button(dialog, "OK"))
        viewer = new_window(app, before + [dialog], "the viewer of the exported list")
        check_inputs(viewer, "the text viewer", problems)
        close(app, viewer)

    visit(lambda: press_menu_item(menu_item(frame, "File", "MEAS FILE", "Coor Export")), "the export dialog", export_job)
    wait_for("the written file's notice", lambda: [b for b in find_all(frame, R.ROLE_PUSH_BUTTON, "Open folder")
                                                   if showing(b)])
    check_inputs(frame, "the main window with the written file's notice", problems, menus=False)

    # A coordinate import: the job is changed, so Clear asks first.
    def import_job(dialog):
        type_path(dialog, "points.txt")
        press(button(dialog, "OK"))
        wait_for("the import", lambda: dialog not in windows(app))

    visit(lambda: press_menu_item(menu_item(frame, "File", "COORD DATA", "Coor Import")), "the import dialog", import_job)
    visit(lambda: press(button(frame, "Clear")), "the question before Clear")
    count += 4

    # The settings page's list of connected USB devices (or the reason there is none).
    select_tab(tab_list(frame, "Setting"), 1)
    visit(lambda: press(button(frame, "Connected devices...")), "the USB device list")
    count += 1
    return count


def main():
    program, work = sys.argv[1], sys.argv[2]
    # The registry first: a program that starts before it is never announced.
    R.Registry.getDesktop(0).childCount
    started = time.monotonic()
    proc = subprocess.Popen([program, os.path.join(work, "job.kvm")], env=os.environ.copy(), cwd=work)
    try:
        app = wait_for("the program on the accessibility bus", lambda: application(proc.pid), 60)
        frame = wait_for("the main window", lambda: next(
            (f for f in find_all(app, R.ROLE_FRAME) if showing(f)), None), 60)
        print("main window shown on the accessibility bus %.3f s after start" % (time.monotonic() - started))

        grids = [t for t in find_all(frame, R.ROLE_TABLE) if t.name == "RS232 communication"]
        if not grids:
            fail("no table named after its page: %s" % [t.name for t in find_all(frame, R.ROLE_TABLE)])
        if not grids[0].description:
            fail("the grid has no description")
        names = sorted(n.name for n in walk(frame) if n.name.endswith(" status"))
        if names != ["COM status", "USB status"]:
            fail("status boxes: %s" % names)
        if len(find_all(frame, R.ROLE_LABEL, "Transfer status, lines received:")) != 2:
            fail("status caption lines")
        receive = [b for b in find_all(frame, R.ROLE_PUSH_BUTTON, "Receive") if showing(b)]
        if not receive or not receive[0].description:
            fail("the Receive button has no description")

        problems = []
        # Every page: the three top-level tabs, the COM and USB pages of the first.
        tabs = tab_list(frame, "Setting")
        pages = 0
        for i in range(len(page_tabs(tabs))):
            select_tab(tabs, i)
            check_inputs(frame, "page %r" % page_tabs(tabs)[i].name, problems, menus=(i == 0))
            pages += 1
            if i == 0:
                inner = tab_list(frame, "USB")
                select_tab(inner, 1)
                check_inputs(frame, "the USB page", problems, menus=False)
                select_tab(inner, 0)
                pages += 1
            if i == 1:
                # The settings fields are labelled by their own labels alone.
                for combo in find_all(frame, R.ROLE_COMBO_BOX):
                    if showing(combo) and any(t.getRole() != R.ROLE_LABEL for t in labels_of(combo)):
                        problems.append("settings: %s labelled by %s" % (
                            describe(combo), [describe(t) for t in labels_of(combo)]))
                for entry in [e for e in find_all(frame) if e.getRole() in (R.ROLE_TEXT, R.ROLE_ENTRY)
                              and showing(e) and state(e, R.STATE_EDITABLE)]:
                    if any(t.getRole() != R.ROLE_LABEL for t in labels_of(entry)):
                        problems.append("settings: %s labelled by %s" % (
                            describe(entry), [describe(t) for t in labels_of(entry)]))
        dialogs = dialog_walk(app, frame, work, problems)
        if problems:
            fail("inputs assistive technology cannot name:\n  " + "\n  ".join(problems))
        print("OK: every input of %d pages and %d dialogs named or labelled; the dialogs over the main window"
              % (pages, dialogs))
    finally:
        proc.terminate()
        try:
            proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            proc.kill()


if __name__ == "__main__":
    main()
