"""The program starts on a real display with the empty selection, and an
Exit button followed by Enter (OK is the default) ends it with status 0."""

import sys

from pelmora_driver import Failure, Program, check, main


def test(binary):
    program = Program(binary)
    try:
        program.window("Pelmora By Orvane")
        program.wait_text("Label2", "0", window="Pelmora By Orvane")
        bar = program.control("StatusBar1")
        panels = [acc.name for acc in bar]
        check(" 0 File(s) Selected" in panels, f"file indicator missing: {panels}")
        check(" 0 Folder(s) Selected" in panels, f"folder indicator missing: {panels}")

        program.click_control("ExitBtn2")
        program.window("Quit Pelmora?")
        program.key("Return")
        status = program.wait_exit()
        check(status == 0, f"exit status {status}")
    finally:
        program.kill()


if __name__ == "__main__":
    sys.exit(main(test, sys.argv[1]))
