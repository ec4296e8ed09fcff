"""A whole mission with the keyboard alone, keys sent through the X server
and no mouse or accessibility action: choose a drive, a folder and files,
Select All, remove a file, add folders with and without Speed Select, copy,
answer the overwrite question and the copy-error box, exit. The overwrite
question is a dialog to a screen reader, the message boxes alerts or
dialogs. A small full tmpfs disk is the second drive and the full target:
needs root to mount it; skips elsewhere."""

import os
import subprocess
import sys
import tempfile
from pathlib import Path

from pelmora_driver import MAIN, Program, check, main, wait_for


def why_not():
    return None if os.geteuid() == 0 else "needs root to mount a small tmpfs disk under /mnt"


def write(path, text):
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(text)


def fill(disk):
    """Writes a file until the disk refuses more."""
    with open(disk / "filler", "wb", buffering=0) as f:
        try:
            while f.write(b"x" * 4096):
                pass
        except OSError:
            pass


def answer(program, title, *keys):
    """Answers a message box or question by keys."""
    box = program.window(title)
    check(box.getRoleName() in ("alert", "dialog"), f"'{title}': {box.getRoleName()}")
    program.key(*keys)
    wait_for(f"'{title}' to close", lambda: all(w != box for w in program.app))


def test(binary):
    disk = Path(tempfile.mkdtemp(prefix="pelmora-test-", dir="/mnt"))
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=256k", "tmpfs", disk], check=True)
    program = None
    try:
        with tempfile.TemporaryDirectory(prefix="pelmora-e2e-") as folder:
            work = Path(folder)
            write(work / "zero.txt", b"zero, on C:\n")
            write(work / "t2" / "one.txt", b"old\n")
            (work / "t1").mkdir()
            write(disk / "docs" / "one.txt", b"one, the new one\n")
            write(disk / "docs" / "two.txt", b"two\n")
            (disk / "disk-full").mkdir()
            fill(disk)

            program = Program(binary, cwd=work)
            program.focus_window(MAIN)
            check(program.focused() == "SSTab1", f"focus at start: {program.focused()}")

            # A file of the start folder: Space picks the entry the focus is on.
            program.wait_for_items("File1", ["zero.txt"])
            program.press_on("File1", "space")
            program.wait_text("Label2", "12", window=MAIN)

            # The disk by its letter, its folder "docs" (Down, Enter), Select All.
            drive = wait_for("the disk in Drive1",
                             lambda: [d for d in program.items("Drive1") if disk.name in d])[0]
            program.press_on("Drive1", drive[0])
            program.wait_for_items("Dir1", [drive[0].upper() + ":\\", "disk-full", "docs"])
            program.press_on("Dir1", "Down", "Down", "Return")
            program.wait_for_items("File1", ["one.txt", "two.txt"])
            program.press_on("AllFileBtn", "space")
            files = wait_for("three files", lambda: len(program.items("SelFileList")) == 3 and
                             program.items("SelFileList"))

            # Remove the last entry: End moves to it, Space on "Remove Selected".
            program.press_on("SelFileList", "End")
            program.press_on("RemFileBtn", "space")
            files = program.wait_for_items("SelFileList", files[:2])

            # "To Folder(s)" by an arrow on the tab row; t1 by "Add Folder".
            program.press_on("SSTab1", "Right")
            program.press_on("Dir2", "Down")
            program.press_on("DirSelBtn", "Return")
            wait_for("a folder", lambda: program.items("SelDirList"))  # t1: its copies show

            # Speed Select on: moving to t2 adds it, so does the disk's folder.
            program.key("Tab")
            check(program.focused() == "SSChkBox", f"after Add Folder: {program.focused()}")
            program.key("space")
            program.wait_text("SSChkBox", "ON")
            program.press_on("Dir2", "Down")
            program.press_on("Drive2", drive[0])
            program.press_on("Dir2", "Down")
            # (Which folders: the copies in t2 and a copy error per file show.)
            wait_for("three folders", lambda: len(program.items("SelDirList")) == 3)

            # Copy, Enter on "Finish"; "Overwrite File" by Tab, Tab, Space from
            # "Cancel"; Ignore (the default) for each file on the full disk.
            program.press_on("CopyBtn1", "Return")
            program.window("Pelmora Status")
            check(program.focused() == "Finish", f"focus in 'Pelmora Status': {program.focused()}")
            program.key("Return")
            check(program.window("Confirm Overwrite").getRoleName() == "dialog",
                  "the overwrite question is no dialog")
            program.key("Tab", "Tab")
            check(program.focused() == "Overwrite File", f"focus: {program.focused()}")
            answer(program, "Confirm Overwrite", "space")
            for _ in files:
                answer(program, "Copy Error", "Return")
            program.wait_text("Label2", "0", window=MAIN)
            check(not program.has_window("Pelmora Status"), "the progress window stayed open")
            program.focus_window(MAIN)

            for folder in ("t1", "t2"):
                check([(work / folder / f).read_bytes() for f in ("one.txt", "zero.txt")] ==
                      [b"one, the new one\n", b"zero, on C:\n"], f"the copies in {folder}")
            check(not list((disk / "disk-full").iterdir()), "a file was left on the full disk")

            # "About" by arrows on the tab row, then Exit there: Enter on the
            # focused button, Enter for OK.
            program.press_on("SSTab1", "Right", "Right")
            program.press_on("ExitBtn3", "Return")
            answer(program, "Quit Pelmora?", "Return")
            status = program.wait_exit()
            check(status == 0, f"exit status {status}")
    finally:
        if program:
            program.kill()
        subprocess.run(["umount", "-l", disk], check=False)
        os.rmdir(disk)


if __name__ == "__main__":
    sys.exit(main(test, sys.argv[1], why_not))
