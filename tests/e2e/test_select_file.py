"""Started in a folder of three files, a click on one of them in the file
list selects it: the status bar counts one file and the total shows its
size."""

import os
import sys
import tempfile

from pelmora_driver import Program, check, main


def panel_texts(program):
    return [acc.name for acc in program.control("StatusBar1")]


def test(binary):
    with tempfile.TemporaryDirectory(prefix="pelmora-e2e-") as folder:
        sizes = {"alpha.txt": 1234, "beta.txt": 56789, "gamma.txt": 10}
        for name, size in sizes.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(b"x" * size)

        program = Program(binary, cwd=folder)
        try:
            program.window("Pelmora By Orvane")
            listed = program.wait_for_items("File1", sorted(sizes))
            check(listed == sorted(sizes), f"File1 lists {listed}")

            program.click(program.item("File1", "beta.txt"))
            program.wait_text("Label2", "56,789", window="Pelmora By Orvane")
            check(" 1 File(s) Selected" in panel_texts(program), f"panels: {panel_texts(program)}")
            selected = program.items("SelFileList")
            check(len(selected) == 1 and selected[0].endswith("\\beta.txt"),
                  f"SelFileList holds {selected}")
        finally:
            program.kill()


if __name__ == "__main__":
    sys.exit(main(test, sys.argv[1]))
