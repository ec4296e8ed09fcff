"""Drives the real Pelmora program on a real X display, as a person would.

Widgets are found through the accessibility tree (their accessible
description carries the control's name, lists and browsers have an
accessible name), clicks and keys go through the X server (xdotool), and
screenshots come from ImageMagick's import. Every wait is bounded.
"""

import os
import subprocess
import sys
import time

import pyatspi

TIMEOUT = float(os.environ.get("PELMORA_E2E_TIMEOUT", "20"))
MAIN = "Pelmora By Orvane"


class Failure(Exception):
    pass


def wait_for(what, probe, timeout=TIMEOUT):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        try:
            last = probe()
        except Failure:
            raise
        except Exception:  # the tree changes under us while windows open
            last = None
        if last:
            return last
        time.sleep(0.1)
    raise Failure(f"timed out waiting for {what}")


def _walk(acc):
    if acc is None:
        return
    yield acc
    try:
        children = list(acc)
    except Exception:
        return
    for child in children:
        yield from _walk(child)


def x_window_ids(title):
    return subprocess.run(["xdotool", "search", "--name", f"^{title}$"],
                          capture_output=True, text=True).stdout.split()


def text_of(acc):
    try:
        return acc.queryText().getText(0, -1)
    except Exception:
        return acc.name or ""


class Program:
    def __init__(self, binary, cwd=None, env=None):
        full_env = {key: value for key, value in os.environ.items() if key != "QT_QPA_PLATFORM"}
        full_env.update(QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", **(env or {}))
        # None in env takes a variable away.
        full_env = {key: value for key, value in full_env.items() if value is not None}
        self.binary = binary
        self.process = subprocess.Popen([binary], cwd=cwd, env=full_env)
        self.app = wait_for("the program on the accessibility bus", self._find_app)

    def _find_app(self):
        if self.process.poll() is not None:
            raise Failure(f"the program ended at start with status {self.process.returncode}")
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is None:
                continue
            try:
                if app.get_process_id() == self.process.pid:
                    return app
            except Exception:
                continue
        return None

    # ---- windows and controls
    def window(self, title, timeout=TIMEOUT):
        return wait_for(f"window '{title}'", lambda: next(
            (win for win in self.app if win is not None and win.name == title), None), timeout)

    def has_window(self, title):
        try:
            return any(w is not None and w.name == title for w in self.app)
        except Exception:
            return False

    def control(self, name, within=None, timeout=TIMEOUT):
        """A control by its name (accessible description), or by accessible name."""
        def probe():
            roots = [within] if within is not None else list(self.app)
            for attribute in ("description", "name"):
                for acc in (acc for root in roots for acc in _walk(root)):
                    if getattr(acc, attribute) == name:
                        return acc
            return None
        return wait_for(f"control '{name}'", probe, timeout)

    def wait_text(self, name, expected, window=None, timeout=TIMEOUT):
        def probe():
            within = self.window(window) if window else None
            return text_of(self.control(name, within)) == expected or None
        return wait_for(f"'{name}' to read {expected!r}", probe, timeout)

    def item(self, list_name, item_text):
        lst = self.control(list_name)
        return wait_for(f"item '{item_text}' of '{list_name}'", lambda: next(
            (acc for acc in _walk(lst) if acc is not lst and acc.name == item_text), None))

    def items(self, list_name):
        lst = self.control(list_name)
        return [acc.name for acc in _walk(lst) if acc is not lst and
                acc.getRoleName() in ("list item", "table cell")]

    def tab(self, caption):
        return wait_for(f"tab '{caption}'", lambda: next(
            (acc for acc in _walk(self.window(MAIN))
             if acc.getRoleName() == "page tab" and acc.name == caption), None))

    def wait_for_items(self, list_name, expected, timeout=TIMEOUT):
        return wait_for(f"'{list_name}' to list {expected}",
                        lambda: self.items(list_name) == expected and expected, timeout)

    # ---- accessibility: actions and the focus, as a screen reader sees them
    def act(self, acc, action):
        """Runs an accessibility action of a control ("Toggle", "Press")."""
        actions = acc.queryAction()
        names = [actions.getName(i) for i in range(actions.nActions)]
        if action not in names:
            raise Failure(f"'{acc.description or acc.name}' offers {names}, not {action!r}")
        actions.doAction(names.index(action))
        time.sleep(0.2)

    def focused(self):
        """The design name of the control holding the focus ("SSTab1" for the tab row)."""
        def probe():
            # The current entry of every list and the current tab say
            # "focused" even where their list or tab row has not the focus:
            # they count only when nothing else in the active window has it.
            for win in self.app:
                if not win.getState().contains(pyatspi.STATE_ACTIVE):
                    continue
                tab_row = None
                for acc in _walk(win):
                    if not acc.getState().contains(pyatspi.STATE_FOCUSED):
                        continue
                    role = acc.getRoleName()
                    if role in ("list item", "table cell"):
                        continue
                    if role in ("page tab list", "page tab"):
                        tab_row = "SSTab1"
                        continue
                    node = acc
                    while node is not None and node is not win:
                        if node.description:
                            return node.description
                        node = node.parent
                    return acc.name or role
                return tab_row
            return None
        return wait_for("a control with the focus", probe)

    def tab_to(self, name, limit=40):
        """Presses Tab until the control named holds the focus."""
        seen = []
        for _ in range(limit):
            now = self.focused()
            if now == name:
                return seen
            seen.append(now)
            self.key("Tab")
        raise Failure(f"Tab never reached '{name}': {seen}")

    def press_on(self, name, *keys):
        """Tabs to a control and presses keys there."""
        self.tab_to(name)
        self.key(*keys)

    # ---- input through the X server
    def x_window(self, title):
        """The X window id of the window with this title."""
        self.window(title)
        return wait_for(f"the X window '{title}'", lambda: x_window_ids(title))[-1]

    def focus_window(self, title):
        """Gives a window the keyboard (no window manager runs under Xvfb)."""
        subprocess.run(["xdotool", "windowfocus", "--sync", self.x_window(title)], check=True,
                       capture_output=True)
        time.sleep(0.2)

    def click(self, acc):
        ext = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        x, y = ext.x + ext.width // 2, ext.y + ext.height // 2
        subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y), "click", "1"], check=True)
        time.sleep(0.15)

    def key(self, *keys):
        subprocess.run(["xdotool", "key", "--delay", "60", *keys], check=True)
        time.sleep(0.15)

    def screenshot(self, title, path):
        """Saves the window with this title as a PNG."""
        subprocess.run(["import", "-window", self.x_window(title), path], check=True)

    # ---- end
    def wait_exit(self, timeout=TIMEOUT):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end")

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


def check(condition, message):
    if not condition:
        raise Failure(message)


def main(test, binary, why_not=None):
    """Runs test; exit status 77 (skipped), saying why, when why_not() gives a reason."""
    reason = why_not() if why_not else None
    if reason:
        print(f"SKIP: {reason}")
        return 77
    try:
        test(binary)
        print("e2e: passed")
        return 0
    except Failure as failure:
        print(f"e2e: FAILED: {failure}", file=sys.stderr)
        return 1
