#!/usr/bin/env python3
"""Fails on any #include of the project's own headers against the layering:
main_window -> copy_run -> selection -> platform, and inside platform
widgets -> files -> drives -> the root, dialogs -> the root. A room's
private headers (*_p.h) are for that room and its tests alone.

Usage: check_layering.py REPO_ROOT"""
import pathlib
import re
import sys

SUBSYSTEMS = ["platform", "selection", "copy_run", "main_window"]  # lowest first
# What each room of platform/ may include besides itself.
ROOMS = {
    "": set(),
    "drives": {""},
    "files": {"", "drives"},
    "widgets": {"", "drives", "files"},
    "dialogs": {""},
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def place(rel):
    """(subsystem, room) of a path under src/, e.g. ('platform', 'files')."""
    parts = pathlib.PurePosixPath(rel).parts
    if len(parts) < 2:
        return None, None  # src/main.cpp: the program, above everything
    room = parts[1] if parts[0] == "platform" and len(parts) > 2 else ""
    return parts[0], room


def faults(root):
    src = root / "src"
    for path in sorted(list(src.rglob("*.h")) + list(src.rglob("*.cpp"))):
        rel = path.relative_to(src).as_posix()
        sub, room = place(rel)
        for included in INCLUDE.findall(path.read_text(errors="replace")):
            if not (src / included).exists():
                beside = path.parent / included
                if not beside.exists():
                    continue  # generated (moc)
                included = beside.resolve().relative_to(src.resolve()).as_posix()
            isub, iroom = place(included)
            why = None
            if included.endswith("_p.h") and (isub, iroom) != (sub, room):
                why = "a private header of another room"
            elif sub is None:
                pass
            elif isub not in SUBSYSTEMS or SUBSYSTEMS.index(isub) > SUBSYSTEMS.index(sub):
                why = f"{sub} may not depend on {isub}"
            elif sub == "platform" and isub == "platform" and iroom != room \
                    and iroom not in ROOMS[room]:
                why = f"platform/{room or '.'} may not depend on platform/{iroom or '.'}"
            if why:
                yield f"src/{rel}: #include \"{included}\": {why}"
    tests = root / "tests"
    for path in sorted(tests.rglob("*.cpp")) + sorted(tests.rglob("*.h")):
        rel = path.relative_to(tests).as_posix()
        for included in INCLUDE.findall(path.read_text(errors="replace")):
            if included.endswith("_p.h") and (src / included).exists():
                if pathlib.PurePosixPath(included).parent != pathlib.PurePosixPath(rel).parent:
                    yield f"tests/{rel}: #include \"{included}\": a private header outside its room's tests"


def main():
    found = list(faults(pathlib.Path(sys.argv[1]).resolve()))
    for line in found:
        print(line)
    print(f"{len(found)} includes against the layering")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
