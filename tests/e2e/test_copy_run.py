"""A whole copy run with the real modal windows, the files and folder
picked by mouse (a click on a file selects it: the status bar counts it and
the total shows its size), the question answered from the keyboard: Enter
in the overwrite question chooses Cancel. Saves screenshots of both
windows. (test_keyboard_only answers the copy-error box; copies on network
shares are the headless copy_run/network_shares test's.)"""

import os
import sys
import tempfile
from pathlib import Path

from pelmora_driver import MAIN, Program, check, main


def test(binary):
    docs = os.environ.get("PELMORA_DOCS")
    with tempfile.TemporaryDirectory(prefix="pelmora-e2e-") as work:
        # two.txt exists in the target and is asked about.
        (Path(work) / "one.txt").write_bytes(b"first file\n")
        (Path(work) / "two.txt").write_bytes(b"second file, the new one\n")
        target = Path(work) / "target"
        target.mkdir()
        (target / "two.txt").write_bytes(b"old\n")

        program = Program(binary, cwd=work)
        try:
            program.window(MAIN)
            program.wait_for_items("File1", ["one.txt", "two.txt"])
            program.click(program.item("File1", "one.txt"))
            program.wait_text("Label2", "11", window=MAIN)
            program.click(program.item("File1", "two.txt"))
            program.wait_text("Label2", "36", window=MAIN)  # both files

            program.click(program.tab("To Folder(s)"))
            program.click(program.item("Dir2", "target"))
            program.click(program.control("DirSelBtn"))  # the questions below come from the target

            program.click(program.control("CopyBtn1"))
            program.window("Pelmora Status")
            program.wait_text("Label5", " 0 of  1 Folders Complete", window="Pelmora Status")
            if docs:
                program.screenshot("Pelmora Status", os.path.join(docs, "status.png"))

            program.key("Return")  # focus is on "Finish": starts the run
            program.window("Confirm Overwrite")
            program.wait_text("Label7", "4 Bytes", window="Confirm Overwrite")
            if docs:
                program.screenshot("Confirm Overwrite", os.path.join(docs, "overwrite.png"))
            program.key("Return")  # focus is on "Cancel"

            program.wait_text("Label2", "0", window=MAIN)
            check(not program.has_window("Pelmora Status"), "the progress window stayed open")
            check((target / "two.txt").read_bytes() == b"old\n", "the cancelled target was changed")
            check((target / "one.txt").read_bytes() == b"first file\n", "one.txt was not copied")
            check(sorted(os.listdir(target)) == ["one.txt", "two.txt"],
                  f"stray files in the target: {os.listdir(target)}")
        finally:
            program.kill()


if __name__ == "__main__":
    sys.exit(main(test, sys.argv[1]))
