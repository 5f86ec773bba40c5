#!/usr/bin/python3
"""sonvelia as a screen reader meets it: read through the accessibility bus (AT-SPI) and driven
from the keyboard only (keys sent to the X server), window after window.

usage: bus_session.py <wav written by the keyboard session> <wav the mouse session wrote>

Checks that every control a user can reach in every window has a name, that the pictures'
descriptions follow the model, that the page tab in front is selected, and that a keyboard-only
session (new model, rank 3 at 0,5, cursor moved right, play, WAV export) writes the very bytes
the same commands give with the mouse."""

import os
import subprocess
import sys
import time

import pyatspi

TIMEOUT = 15.0  # s, for anything the program is asked to do
failures = []

# Roles a user acts on: each must carry a name wherever it shows. A picture counts where it takes
# the focus; the pictures' own names are checked one by one.
INTERACTIVE = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_RADIO_BUTTON,
    pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_SLIDER, pyatspi.ROLE_LIST,
    pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_MENU,
    pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_PAGE_TAB_LIST, pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_TREE,
}


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


def wait_for(probe, what, timeout=TIMEOUT):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        try:
            found = probe()
        except Exception:  # an object gone while it was read: try again
            found = None
        if found:
            return found
        time.sleep(0.1)
    check(False, what)
    return None


def keys(*names):
    for name in names:
        subprocess.run(["xdotool", "key", "--delay", "60", name], check=True)
        time.sleep(0.15)


def type_text(text):
    subprocess.run(["xdotool", "type", "--delay", "60", text], check=True)
    time.sleep(0.2)


def states(node):
    return node.getState()


def showing(node):
    return states(node).contains(pyatspi.STATE_SHOWING)


def nodes(root):
    stack = [root]
    while stack:
        node = stack.pop()
        if node is None:
            continue
        yield node
        try:
            stack.extend(node.getChildAtIndex(i) for i in range(node.childCount))
        except Exception:
            pass


def find(root, role=None, name=None, prefix=None):
    for node in nodes(root):
        try:
            if role is not None and node.getRole() != role:
                continue
            if name is not None and node.name != name:
                continue
            if prefix is not None and not (node.name or "").startswith(prefix):
                continue
            return node
        except Exception:
            continue
    return None


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == "sonvelia":
            return app
    return None


def window(app, title):
    for i in range(app.childCount):
        w = app.getChildAtIndex(i)
        if w is not None and w.name == title and showing(w):
            return w
    return None


def focused(app):
    """The control with the keyboard focus, among those shown (a closed dialog's list may still
    call its current entry focused)."""
    shown = [app.getChildAtIndex(i) for i in range(app.childCount)]
    shown = [w for w in shown if w is not None and showing(w)]
    # The active window first: only it holds the keyboard.
    shown.sort(key=lambda w: not states(w).contains(pyatspi.STATE_ACTIVE))
    for top in shown:
        for node in nodes(top):
            try:
                state = states(node)
                if state.contains(pyatspi.STATE_FOCUSED) and state.contains(pyatspi.STATE_SHOWING):
                    return node
            except Exception:
                continue
    return None


def tab_until(app, role, name, limit=40, also=None):
    """Presses Tab until the focus stands on the control of that role and name (or of the role
    and name `also` gives)."""
    wanted = [(role, name)] + ([also] if also else [])
    for _ in range(limit):
        here = focused(app)
        if here is not None and any(here.getRole() == r and n in (None, here.name) for r, n in wanted):
            return here
        if os.environ.get("BUS_DEBUG"):
            print("  focus:", here and here.getRoleName(), here and here.name, flush=True)
        keys("Tab")
    check(False, "Tab reaches %s \"%s\"" % (pyatspi.role.ROLE_NAMES.get(role, role), name))
    return None


def check_names(root, where, exempt=lambda node: False):
    """Every control shown in the window, that a user acts on or that takes the focus, is named."""
    unnamed = []
    count = 0
    for node in nodes(root):
        try:
            if not showing(node):
                continue
            role = node.getRole()
            reachable = role in INTERACTIVE or states(node).contains(pyatspi.STATE_FOCUSABLE)
            # The window's own content panes take the focus only to hand it on.
            if not reachable or role in (pyatspi.ROLE_FRAME, pyatspi.ROLE_DIALOG, pyatspi.ROLE_WINDOW) or exempt(node):
                continue
            count += 1
            if not (node.name or "").strip():
                unnamed.append("%s (%s)" % (node.getRoleName(), node.description))
        except Exception:
            continue
    check(count > 0 and not unnamed,
          "%s: the %d controls shown are named%s" % (where, count, "; unnamed: " + ", ".join(unnamed) if unnamed else ""))


def open_dialog(app, title, *command):
    keys(*command)
    return wait_for(lambda: window(app, title), "the window \"%s\" opens" % title)


def close_dialog(app, title, *command):
    keys(*command)
    wait_for(lambda: window(app, title) is None, "the window \"%s\" closes" % title)


def report_alerts(app, during):
    """A message box the command showed fails the session, with its text; Return dismisses it."""
    for i in range(app.childCount):
        box = app.getChildAtIndex(i)
        if box is None or box.getRole() != pyatspi.ROLE_ALERT or not showing(box):
            continue
        texts = [n.name for n in nodes(box) if n.getRole() == pyatspi.ROLE_LABEL and n.name]
        check(False, "no message while %s: %s" % (during, " / ".join(texts)))
        keys("Return")


def description(app, name):
    node = find(app, pyatspi.ROLE_IMAGE, name)
    return node.description if node is not None else ""


def main():
    keyboard_wav, mouse_wav = sys.argv[1], sys.argv[2]
    app = wait_for(application, "sonvelia appears on the accessibility bus", 30)
    if app is None:
        return 1
    main_window = wait_for(lambda: window(app, "Sonvelia v.5"), "the main window shows")
    wait_for(lambda: description(app, "Spectre"), "the spectrum has a description")

    # ---- The main window, both pages ----------------------------------------------------
    check_names(main_window, "Modèle page")
    tabs = find(main_window, pyatspi.ROLE_PAGE_TAB_LIST)
    model_tab = find(tabs, pyatspi.ROLE_PAGE_TAB, "Modèle")
    series_tab = find(tabs, pyatspi.ROLE_PAGE_TAB, "Série")
    check(states(model_tab).contains(pyatspi.STATE_SELECTED) and
          not states(series_tab).contains(pyatspi.STATE_SELECTED), "the tab in front, \"Modèle\", is selected")

    waveform = description(app, "Forme d'onde")
    check(waveform == "Forme d'onde de 0 s à 0,99 s, curseur à 1,0000E-01 s",
          "the waveform tells its window and cursor: " + waveform)
    check(description(app, "Spectre") == "Spectre à la date 0,1 s : rang 1 amplitude 255",
          "the spectrum tells the fundamental's amplitude: " + description(app, "Spectre"))

    # ---- Keyboard only: a new model, then rank 3 at amplitude 0,5 ----------------------
    keys("alt+n")
    form4 = open_dialog(app, "Ajout d'une harmonique", "alt+a")
    if form4 is not None:
        check_names(form4, "Ajout d'une harmonique")
        tab_until(app, pyatspi.ROLE_LIST, "Rang", also=(pyatspi.ROLE_LIST_ITEM, "2"))
        keys("Down")
        wait_for(lambda: find(form4, pyatspi.ROLE_LIST_ITEM, "3") is not None and
                 states(find(form4, pyatspi.ROLE_LIST_ITEM, "3")).contains(pyatspi.STATE_SELECTED),
                 "Down selects rank 3")
        tab_until(app, pyatspi.ROLE_TEXT, "amplitude relative")
        keys("ctrl+a")
        type_text("0,5")
        close_dialog(app, "Ajout d'une harmonique", "Return")
    spectrum = wait_for(lambda: "rang 3" in description(app, "Spectre") and description(app, "Spectre"),
                        "the spectrum's description follows the new harmonic")
    check(spectrum == "Spectre à la date 0,1 s : rang 1 amplitude 255, rang 3 amplitude 128",
          "the spectrum gives rank 3 at 128: %s" % spectrum)

    # ---- The other dialogs, opened and closed from the keyboard ------------------------
    form5 = open_dialog(app, "Amplitudes relatives des harmoniques", "alt+m")
    if form5 is not None:
        check_names(form5, "Amplitudes relatives des harmoniques")
        slider = find(form5, pyatspi.ROLE_SLIDER, "amplitude de l'harmonique 3")
        check(find(form5, pyatspi.ROLE_SLIDER, "amplitude du fondamental") is not None and slider is not None,
              "the sliders are named after their harmonics")
        if slider is not None:
            value = slider.queryValue().currentValue
            check(abs(value - 0.5) < 1e-9, "rank 3's slider stands for the amplitude 0,5: %r" % value)
        close_dialog(app, "Amplitudes relatives des harmoniques", "Escape")

    for title, command in (("Phase ", ["alt+p"]), ("Sélecteur de fréquence", ["alt+l"]), ("Enveloppe", ["alt+d"])):
        dialog = open_dialog(app, title, *command)
        if dialog is None:
            continue
        check_names(dialog, title)
        if title == "Enveloppe":
            area = tab_until(app, pyatspi.ROLE_IMAGE, "Enveloppe")
            if area is not None:
                keys("Right", "Right", "Page_Down")
                text = wait_for(lambda: "Point choisi : 2, valeur 239" in area.description and area.description,
                                "Page Down lowers point 2 by 16")
                check(bool(text) and "point 2 : 239" in text and "point 1 : 255" in text,
                      "the envelope's description gives the 46 values")
        # The selector does not close on Escape: Alt+F4 cancels it like its close button.
        close_dialog(app, title, "alt+F4" if title == "Sélecteur de fréquence" else "Escape")

    form7 = None
    if tab_until(app, pyatspi.ROLE_PUSH_BUTTON, "Détails"):
        form7 = open_dialog(app, "Caractéristiques spectrales :", "space")
    if form7 is not None:
        check_names(form7, "Caractéristiques spectrales :")
        close_dialog(app, "Caractéristiques spectrales :", "Escape")

    form8 = None
    if tab_until(app, pyatspi.ROLE_PUSH_BUTTON, "mesures de durée"):
        form8 = open_dialog(app, "Mesures", "space")
    if form8 is not None:
        check_names(form8, "Mesures")
        close_dialog(app, "Mesures", "alt+f")

    # The About box, through the menu bar: Alt, then "?" (past "Édition") and its second item.
    about = open_dialog(app, "A propos", "alt", "Right", "Right", "Return", "Down", "Return")
    if about is not None:
        check_names(about, "A propos")
        close_dialog(app, "A propos", "Escape")

    # A message box: deleting the selected rank 3 asks first; Escape keeps it.
    if tab_until(app, pyatspi.ROLE_COMBO_BOX, None):
        question = open_dialog(app, "Suppression d'une harmonique", "alt+s")
        if question is not None:
            check_names(question, "Suppression d'une harmonique")
            close_dialog(app, "Suppression d'une harmonique", "Escape")

    # The "Série" page, through the tabs.
    if tab_until(app, pyatspi.ROLE_PAGE_TAB, "Modèle", also=(pyatspi.ROLE_FILLER, "Pages")):
        keys("Right")
        wait_for(lambda: states(series_tab).contains(pyatspi.STATE_SELECTED), "Right brings \"Série\" in front")
        check(not states(model_tab).contains(pyatspi.STATE_SELECTED), "\"Modèle\" is no longer selected")
        check_names(main_window, "Série page")
        keys("Left")
        wait_for(lambda: states(model_tab).contains(pyatspi.STATE_SELECTED), "Left brings \"Modèle\" back")

    # ---- Keyboard only: the cursor one pixel right, play, export ---------------------------
    before = description(app, "Forme d'onde")
    if tab_until(app, pyatspi.ROLE_IMAGE, "Forme d'onde"):
        keys("Right")
        wait_for(lambda: description(app, "Forme d'onde") != before, "Right moves the time cursor")
        check(description(app, "Forme d'onde").startswith("Forme d'onde de 0 s à 0,99 s, curseur à 1,0"),
              "the cursor moved a pixel from 0,1 s: " + description(app, "Forme d'onde"))
    keys("alt+e")  # plays, about a second: the program answers the bus again once it has played
    time.sleep(0.5)
    wait_for(lambda: window(app, "Sonvelia v.5"), "the program answers after playing", 30)
    report_alerts(app, "playing")
    dialog = None
    for _ in range(3):  # the first file dialog of a run may take its time
        keys("alt+w")
        dialog = wait_for(lambda: next((app.getChildAtIndex(i) for i in range(app.childCount)
                                        if app.getChildAtIndex(i) is not None and
                                        app.getChildAtIndex(i).getRole() == pyatspi.ROLE_DIALOG and
                                        showing(app.getChildAtIndex(i))), None),
                          "the save dialog opens", 5)
        if dialog is not None:
            break
        report_alerts(app, "exporting")
    if dialog is not None:
        # The toolkit's own file list leaves the cells of its empty columns (a folder's size)
        # without text: they are not this program's to name.
        check_names(dialog, "the save dialog", lambda node: node.getRole() == pyatspi.ROLE_TABLE_CELL)
        type_text(keyboard_wav)
        keys("Return")
        wait_for(lambda: os.path.exists(keyboard_wav) and os.path.getsize(keyboard_wav) > 44, "the WAV is written")
        time.sleep(0.5)
    if os.path.exists(keyboard_wav):
        with open(keyboard_wav, "rb") as k, open(mouse_wav, "rb") as m:
            a, b = k.read(), m.read()
        check(a == b, "the keyboard session's WAV (%d bytes) equals the mouse session's (%d bytes)" % (len(a), len(b)))

    print("%d failure(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
