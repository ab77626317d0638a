"""The main window as a screen reader sees it, read through the accessibility bus (AT-SPI).

Run by atspi-test.sh inside its own session bus and virtual display:
    atspi_check.py <program> <work folder>
Starts the accessibility bus and the program, then checks that
- no focusable control that is shown lacks a name,
- the picture buttons are buttons named "Drucken" and "Info über Zensoria",
- the rows of the ranking and of the test list are read as sentences, not as stored lines,
- a subject is added and a test stored by keyboard alone (keys go through AT-SPI).
With ATSPI_TREE_DUMP set, the subject page's tree is written to that file.
Exits non-zero with the failures listed.
"""

import datetime
import os
import re
import subprocess
import sys
import time

import pyatspi

PROGRAM, WORK = sys.argv[1], sys.argv[2]
DATA_FILE = os.path.join(WORK, "Noten.plx")
failures = []

WEEKDAYS = ["Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag", "Sonntag"]
MONTHS = ["Januar", "Februar", "März", "April", "Mai", "Juni", "Juli", "August", "September",
          "Oktober", "November", "Dezember"]

KEY_TAB, KEY_RETURN, KEY_SPACE, KEY_LEFT, KEY_DOWN = 0xFF09, 0xFF0D, 0x20, 0xFF51, 0xFF54


ROWS = (pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_TABLE_CELL)


def fail(text):
    failures.append(text)
    print("FEHLER:", text, flush=True)


def wait_for(what, probe, timeout=30.0):
    """probe() until it gives something true; None after the timeout."""
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        try:
            result = probe()
        except Exception:  # the tree changes under our feet; ask again
            result = None
        if result:
            return result
        time.sleep(0.2)
    fail("zu lange gewartet auf " + what)
    return None


def states(node):
    return node.getState()


def showing(node):
    s = states(node)
    return s.contains(pyatspi.STATE_SHOWING) and s.contains(pyatspi.STATE_VISIBLE)


def walk(node, shown_only=True, depth=0):
    """The node and its descendants (only those on screen with shown_only)."""
    if depth > 40:
        return
    yield node
    try:
        count = node.childCount
    except Exception:
        return
    # Long lists: their rows are looked at through the list itself.
    for i in range(min(count, 500)):
        try:
            child = node.getChildAtIndex(i)
        except Exception:
            continue
        if child is None or (shown_only and not showing(child)):
            continue
        yield from walk(child, shown_only, depth + 1)


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name.lower() == "zensoria":
            return app
    return None


def main_frame(app):
    for i in range(app.childCount):
        frame = app.getChildAtIndex(i)
        if frame.getRole() == pyatspi.ROLE_FRAME and frame.name == "Zensoria":
            return frame
    return None


def find(root, role=None, name=None, shown_only=True):
    for node in walk(root, shown_only):
        if (role is None or node.getRole() == role) and (name is None or node.name == name):
            return node
    return None


def focused(root):
    """The control with the keyboard focus. (The current tab of a tab bar and the current row
    of a list say they are focused whether or not their control is; they are passed over.)"""
    for node in walk(root):
        if states(node).contains(pyatspi.STATE_FOCUSED) and node.getRole() not in ROWS:
            return node
    return None


def focus_window(title):
    """Gives the window the keyboard focus, as a click on it would: a virtual display has no
    window manager to do that."""
    subprocess.run(["xdotool", "search", "--name", "^%s$" % re.escape(title), "windowfocus",
                    "--sync"], timeout=30, check=False, stdout=subprocess.DEVNULL)


def press(keysym):
    pyatspi.Registry.generateKeyboardEvent(keysym, None, pyatspi.KEY_SYM)
    time.sleep(0.15)


def type_text(text):
    for character in text:
        pyatspi.Registry.generateKeyboardEvent(ord(character), None, pyatspi.KEY_SYM)
        time.sleep(0.05)
    time.sleep(0.15)


def identity(node):
    return None if node is None else (node.getRole(), node.name, node.getIndexInParent())


def press_and_follow(root, keysym):
    """Presses the key and waits (a little) until the focus has moved."""
    before = identity(focused(root))
    press(keysym)
    end = time.monotonic() + 3
    while time.monotonic() < end:
        node = focused(root)
        if identity(node) != before:
            return node
        time.sleep(0.05)
    return focused(root)


def tab_to(root, name, role=None, limit=40):
    """Presses Tab until the control of that name has the focus."""
    node = focused(root)
    for _ in range(limit):
        if node is not None and (name is None or node.name == name) and (
                role is None or node.getRole() == role):
            return node
        node = press_and_follow(root, KEY_TAB)
        if os.environ.get("ATSPI_DEBUG"):
            print("Tab ->", identity(node), flush=True)
    fail("Tab erreicht %r nicht (Fokus: %s)" % (name, identity(node)))
    return None


def rows(view):
    return [view.getChildAtIndex(i).name for i in range(view.childCount)
            if view.getChildAtIndex(i).getRole() in (pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_TABLE_CELL)]


def check_names(frame, where):
    for node in walk(frame):
        s = states(node)
        if s.contains(pyatspi.STATE_FOCUSABLE) and node.getRole() not in ROWS:
            if not node.name.strip():
                fail("%s: fokussierbares Element ohne Namen: %s (%s)" % (
                    where, node.getRoleName(), node.description))


def dump(frame, path):
    lines = []

    def visit(node, depth):
        if depth > 12:
            return
        text = "%s%s %r" % ("  " * depth, node.getRoleName(), node.name)
        if node.description:
            text += " — %s" % node.description
        lines.append(text)
        for i in range(min(node.childCount, 60)):
            child = node.getChildAtIndex(i)
            if child is not None and showing(child):
                visit(child, depth + 1)

    visit(frame, 0)
    with open(path, "w", encoding="utf-8") as out:
        out.write("\n".join(lines) + "\n")


def long_date(day):
    return "%s, %d. %s %d" % (WEEKDAYS[day.weekday()], day.day, MONTHS[day.month - 1], day.year)


def selected_tab(tabs):
    """The caption of the current tab (the one that says it is focused or selected)."""
    for i in range(tabs.childCount):
        tab = tabs.getChildAtIndex(i)
        if states(tab).contains(pyatspi.STATE_FOCUSED) or states(tab).contains(
                pyatspi.STATE_SELECTED):
            return tab.name
    return None


def choose_tab(frame, caption):
    """Moves along the tab bar with the arrow keys until the tab is current."""
    tabs = find(frame, pyatspi.ROLE_PAGE_TAB_LIST)
    if tabs is None or tab_to(frame, None, pyatspi.ROLE_PAGE_TAB_LIST) is None:
        fail("keine Reiterleiste")
        return False
    for _ in range(tabs.childCount + 1):
        before = selected_tab(tabs)
        if before == caption:
            return True
        press(KEY_LEFT)
        end = time.monotonic() + 3
        while time.monotonic() < end and selected_tab(tabs) == before:
            time.sleep(0.05)
    fail("Reiter %r nicht erreicht" % caption)
    return False


def run(frame):
    # Settings page: names, the logo as a button, the ranking as sentences.
    check_names(frame, "Einstellungen")
    info = find(frame, pyatspi.ROLE_PUSH_BUTTON, "Info über Zensoria")
    if info is None:
        fail("keine Schaltfläche \"Info über Zensoria\"")
    ranking = find(frame, pyatspi.ROLE_LIST, "Bestenliste der Schulfächer")
    ranked = rows(ranking) if ranking is not None else []
    pattern = re.compile(r"^.+, Rang \d+, Durchschnitt \d(,\d{1,2})?, \d+ Arbeit(en)?$")
    if len(ranked) != 3 or not all(pattern.match(row) for row in ranked):
        fail("Bestenliste nicht als Sätze: %r" % ranked)
    elif not ranked[0].startswith("Deutsch, Rang 1, Durchschnitt "):
        fail("erster Rang: %r" % ranked[0])

    # A subject added by keyboard alone, once the window has the focus.
    focus_window("Zensoria")
    if not wait_for("den Fokus im Fenster", lambda: focused(frame), timeout=10):
        return
    if tab_to(frame, "Hinzufügen", pyatspi.ROLE_PUSH_BUTTON) is None:
        return
    press(KEY_SPACE)
    app = application()
    asking = wait_for("die Frage nach dem Schulfach",
                      lambda: find(app, pyatspi.ROLE_DIALOG, "Schulfach hinzufügen"))
    if asking is None:
        return
    if focused(asking) is None:
        focus_window("Schulfach hinzufügen")
    dialog = wait_for("den Fokus in der Frage",
                      lambda: (lambda node: node is not None and
                               node.getRole() == pyatspi.ROLE_TEXT)(focused(asking)))
    if dialog is None:
        return
    type_text("Physik")
    press(KEY_RETURN)
    subjects = wait_for("das neue Fach in der Liste",
                        lambda: "Physik" in rows(find(frame, pyatspi.ROLE_LIST, "Schulfächer")))
    if not subjects:
        return
    # The question is gone; its window had the focus, which the virtual display does not hand
    # back.
    focus_window("Zensoria")
    if not wait_for("den Fokus im Fenster", lambda: focused(frame), timeout=10):
        return
    if not choose_tab(frame, "Physik"):
        return

    # A test stored by keyboard alone.
    page_ok = wait_for("die Seite des Fachs", lambda: find(frame, pyatspi.ROLE_PUSH_BUTTON, "Neu"))
    if not page_ok:
        return
    check_names(frame, "Fach")
    if find(frame, pyatspi.ROLE_PUSH_BUTTON, "Drucken") is None:
        fail("keine Schaltfläche \"Drucken\"")
    for grade in range(1, 7):
        if find(frame, pyatspi.ROLE_RADIO_BUTTON, "Eigene Note %d" % grade) is None:
            fail("kein Auswahlknopf \"Eigene Note %d\"" % grade)
    if find(frame, pyatspi.ROLE_RADIO_BUTTON, "nicht teilgenommen") is None:
        fail("kein Auswahlknopf \"nicht teilgenommen\"")

    if tab_to(frame, "Klasse") is None:
        return
    type_text("8")
    press(KEY_TAB)
    type_text("1")   # number
    press(KEY_TAB)   # the date stays today
    press(KEY_TAB)
    type_text("3")   # lesson
    press(KEY_TAB)
    type_text("Optik")
    for count in "478411":
        press(KEY_TAB)
        type_text(count)
    choice = press_and_follow(frame, KEY_TAB)
    for _ in range(8):
        if choice is not None and choice.name == "Eigene Note 3":
            break
        choice = press_and_follow(frame, KEY_DOWN)
    if choice is None or choice.name != "Eigene Note 3":
        fail("eigene Note 3 nicht erreicht")
        return
    press(KEY_SPACE)
    if tab_to(frame, "Neu", pyatspi.ROLE_PUSH_BUTTON) is None:
        return
    press(KEY_SPACE)

    today = datetime.date.today()
    expected = "8. Klasse, Arbeit 1, %s, 3. Stunde, 25 Teilnehmer, Durchschnitt 2,8, " \
               "eigene Note 3, Optik" % long_date(today)
    tests = find(frame, pyatspi.ROLE_LIST, "Klassenarbeiten")
    if not wait_for("die neue Arbeit in der Liste", lambda: expected in rows(tests)):
        print("Zeilen:", rows(tests) if tests else None)
    stored = open(DATA_FILE, "rb").read().decode("utf-8", "replace")
    line = '8,1,%s="3,4,7,8,4,1,1,3,Optik"' % today.strftime("%d.%m.%Y")
    if "[Physik]" not in stored or line not in stored:
        fail("nicht in der Datei gespeichert: %s" % line)
    if os.environ.get("ATSPI_TREE_DUMP"):
        dump(frame, os.environ["ATSPI_TREE_DUMP"])

    # The rows of a subject with tests read as sentences.
    if choose_tab(frame, "Mathematik"):
        tests = find(frame, pyatspi.ROLE_LIST, "Klassenarbeiten")
        first = "7. Klasse, Arbeit 1, Donnerstag, 21. September 2023, 3. Stunde, " \
                "27 Teilnehmer, Durchschnitt 3,3, eigene Note 3, Bruchrechnung"
        shown = wait_for("die Arbeiten in Mathematik", lambda: rows(tests))
        if not shown or shown[0] != first or any('"' in row for row in shown):
            fail("Arbeiten nicht als Sätze: %r" % shown)


def main():
    bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
    # A virtual display that is slow to take its first clients makes the program give up at
    # once; it is started again then.
    for attempt in range(3):
        program = subprocess.Popen([PROGRAM], env=env)
        end = time.monotonic() + 90
        app = None
        while time.monotonic() < end and app is None and program.poll() is None:
            try:
                app = application()
            except Exception:  # the registry is not up yet
                app = None
            time.sleep(0.3)
        if app is not None or program.poll() is None:
            break
        time.sleep(2)
    try:
        if app is None:
            fail("das Programm erscheint nicht am Bus")
        frame = app and wait_for("das Hauptfenster", lambda: main_frame(application()))
        if frame is not None:
            # Until the remembered file is open and ranked.
            wait_for("die Bestenliste", lambda: rows(find(frame, pyatspi.ROLE_LIST,
                                                          "Bestenliste der Schulfächer")))
            run(frame)
    finally:
        program.terminate()
        try:
            program.wait(timeout=20)
        except subprocess.TimeoutExpired:
            program.kill()
        bus.terminate()
        bus.wait(timeout=10)
    if failures:
        print("%d Fehler" % len(failures))
        return 1
    print("AT-SPI: alles gut")
    return 0


sys.exit(main())
