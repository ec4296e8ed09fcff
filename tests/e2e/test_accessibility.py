"""The program as a screen reader sees and drives it, with no mouse: every
window has its role (the main window a frame, the progress window a
dialog, the exit question an alert or dialog; test_keyboard_only checks the
overwrite question and the other message boxes), the status bar is a
status bar, and each kind of control does its work through its
accessibility action: a check box (Speed Select adds a folder on a pick;
the others toggle the same way, and what they do is checked headless in
main_window/pelmora and copy_run), list entries, tabs and buttons."""

import sys
import tempfile
from pathlib import Path

from pelmora_driver import MAIN, Program, check, main, wait_for


def role(program, title):
    return program.window(title).getRoleName()


def test(binary):
    with tempfile.TemporaryDirectory(prefix="pelmora-e2e-") as work:
        (Path(work) / "one.txt").write_bytes(b"the new one\n")
        (Path(work) / "target").mkdir()

        program = Program(binary, cwd=work)
        try:
            check(role(program, MAIN) == "frame", f"main window: {role(program, MAIN)}")
            bar = program.control("StatusBar1")
            check(bar.getRoleName() == "status bar", f"status bar: {bar.getRoleName()}")
            panels = [acc.name for acc in bar]
            check(panels[:2] == [" 0 File(s) Selected", " 0 Folder(s) Selected"] and
                  len(panels) == 4 and all(panels), f"panels: {panels}")
            program.wait_text("Label2", "0", window=MAIN)

            # A file picked through its entry's action is selected.
            program.act(program.item("File1", "one.txt"), "Toggle")
            program.wait_text("Label2", "12", window=MAIN)

            # Speed Select through its action: a pick in Dir2 adds the folder.
            program.act(program.tab("To Folder(s)"), "Press")
            program.act(program.control("SSChkBox"), "Toggle")
            program.wait_text("SSChkBox", "ON")
            program.act(program.item("Dir2", "target"), "Toggle")
            wait_for("a folder in SelDirList", lambda: program.items("SelDirList"))  # target's copy

            # Copy and Finish through their actions: the run copies.
            program.act(program.control("CopyBtn1"), "Press")
            check(role(program, "Pelmora Status") == "dialog",
                  f"progress window: {role(program, 'Pelmora Status')}")
            program.act(program.control("Finish", program.window("Pelmora Status")), "Press")
            program.wait_text("Label2", "0", window=MAIN)
            check(not program.has_window("Pelmora Status"), "the progress window stayed open")
            check((Path(work) / "target" / "one.txt").read_bytes() == b"the new one\n",
                  "the file was not copied")

            # Exit through the button's action; the question is an alert or
            # dialog, and its OK button's action ends the program.
            program.act(program.control("ExitBtn1"), "Press")
            box = program.window("Quit Pelmora?")
            check(box.getRoleName() in ("alert", "dialog"), f"exit question: {box.getRoleName()}")
            program.act(program.control("OK", box), "Press")
            status = program.wait_exit()
            check(status == 0, f"exit status {status}")
        finally:
            program.kill()


if __name__ == "__main__":
    sys.exit(main(test, sys.argv[1]))
