"""The program as a Wayland client: on a headless Weston compositor of the
test's own (its own runtime folder, no X display), the program starts on
Qt's Wayland platform, and a screen reader finds its main window, the
window's title and its four tabs. Skipped, saying why, where no compositor
can start."""

import os
import shutil
import subprocess
import sys
import tempfile
import time

from pelmora_driver import MAIN, Program, check, main

SOCKET = "pelmora-e2e-wayland"


class Compositor:
    def __init__(self):
        self.runtime = tempfile.mkdtemp(prefix="pelmora-e2e-xdg-")  # made 0700
        self.log = open(os.path.join(self.runtime, "weston.log"), "w+")
        env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime)
        self.process = subprocess.Popen(
            ["weston", "--backend=headless-backend.so", f"--socket={SOCKET}", "--idle-time=0"],
            env=env, stdout=self.log, stderr=subprocess.STDOUT)
        socket = os.path.join(self.runtime, SOCKET)
        end = time.monotonic() + 10
        while not os.path.exists(socket) and self.process.poll() is None and time.monotonic() < end:
            time.sleep(0.1)
        self.why_not = None
        if not os.path.exists(socket):
            self.log.seek(0)
            tail = " / ".join(self.log.read().strip().splitlines()[-3:])
            self.why_not = f"weston --backend=headless-backend.so did not start: {tail}"

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait()
        self.log.close()
        shutil.rmtree(self.runtime, ignore_errors=True)


def loaded_platform(pid):
    with open(f"/proc/{pid}/maps") as maps:
        return {os.path.basename(line.split()[-1]) for line in maps
                if "/platforms/" in line}


def test_on(compositor):
    def test(binary):
        # As a Wayland desktop starts it: a Wayland display and no X display.
        program = Program(binary, env={"XDG_RUNTIME_DIR": compositor.runtime,
                                       "WAYLAND_DISPLAY": SOCKET, "DISPLAY": None})
        try:
            window = program.window(MAIN)
            check(window.getRoleName() == "frame", f"main window: {window.getRoleName()}")
            for caption in ["Copy File(s)", "To Folder(s)", "Options / Help", "About"]:
                program.tab(caption)
            plugins = loaded_platform(program.process.pid)
            check(any(p.startswith("libqwayland") for p in plugins) and
                  "libqxcb.so" not in plugins, f"platform plugins loaded: {plugins}")
        finally:
            program.kill()
    return test


if __name__ == "__main__":
    if not shutil.which("weston"):
        print("SKIP: weston is missing (scripts/install-deps test)")
        sys.exit(77)
    compositor = Compositor()
    try:
        sys.exit(main(test_on(compositor), sys.argv[1], lambda: compositor.why_not))
    finally:
        compositor.close()
