"""Files dragged from a file manager onto the running program: a drag from
a small Qt window (drag_source.cpp) of two files and a folder, dropped with
the mouse on the "Copy File(s)" tab, selects the two files in the order
dragged, leaves the folder out, and tells the source it was a copy (a move
would have the source take its files away)."""

import os
import subprocess
import sys
import tempfile
import time

import pyatspi

from pelmora_driver import MAIN, Program, check, main, wait_for, x_window_ids


def centre_of_window(title):
    ids = wait_for(f"the X window '{title}'", lambda: x_window_ids(title))
    geometry = subprocess.run(["xdotool", "getwindowgeometry", "--shell", ids[-1]],
                              capture_output=True, text=True, check=True).stdout
    g = dict(line.split("=", 1) for line in geometry.split())
    return int(g["X"]) + int(g["WIDTH"]) // 2, int(g["Y"]) + int(g["HEIGHT"]) // 2


def drag(start, end):
    """Presses at start, moves to end in steps (a drag needs motion) and lets go."""
    subprocess.run(["xdotool", "mousemove", "--sync", *map(str, start), "mousedown", "1"],
                   check=True)
    for step in range(1, 11):
        x = start[0] + (end[0] - start[0]) * step // 10
        y = start[1] + (end[1] - start[1]) * step // 10
        subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y)], check=True)
        time.sleep(0.05)
    time.sleep(0.3)
    subprocess.run(["xdotool", "mouseup", "1"], check=True)


def test(binary):
    source_program = os.environ.get("PELMORA_DRAG_SOURCE", "")
    with tempfile.TemporaryDirectory(prefix="pelmora-e2e-") as work:
        paths = [os.path.join(work, name) for name in ("b.txt", "folder", "a.txt")]
        for path in (paths[0], paths[2]):
            open(path, "wb").close()
        os.makedirs(paths[1])

        program = Program(binary, cwd=work)
        source = subprocess.Popen([source_program, *paths], stdout=subprocess.PIPE, text=True)
        try:
            program.window(MAIN)
            selection = program.control("SelFileList")
            ext = selection.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            drag(centre_of_window("Drag source"),
                 (ext.x + ext.width // 2, ext.y + ext.height // 2))

            items = wait_for("two entries in SelFileList",
                             lambda: len(program.items("SelFileList")) == 2 and
                             program.items("SelFileList"))
            parts = [item.rsplit("\\", 1) for item in items]
            check([name for _, name in parts] == ["b.txt", "a.txt"] and
                  all(folder.endswith("\\" + os.path.basename(work)) for folder, _ in parts),
                  f"SelFileList: {items}")
            check(source.stdout.readline().strip() == "dropped: copy", "the source was not told copy")
            check(all(os.path.exists(p) for p in paths), "a dragged file went away")
        finally:
            source.kill()
            source.wait()
            program.kill()


def why_not():
    if not os.access(os.environ.get("PELMORA_DRAG_SOURCE", ""), os.X_OK):
        return "PELMORA_DRAG_SOURCE names no drag source program (ctest sets it)"
    return None


if __name__ == "__main__":
    sys.exit(main(test, sys.argv[1], why_not))
