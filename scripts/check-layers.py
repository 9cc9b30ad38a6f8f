#!/usr/bin/env python3
"""Checks that the source folders (rooms) include one another only downwards.

Each room has a level; a source file may include headers of its own room and of rooms of a lower level,
never of its own level's other rooms or of a higher one. A quoted include is found the way the build
finds it: beside the including file first, then as a path under a room ("monitors/MonitorWatch.h"
under presentation/) or as a header of a room. Includes that name no header of a room (system and
library headers) are not checked.

Usage: scripts/check-layers.py [SOURCE_ROOT]. Prints each include that runs up or sideways and ends with
status 1 when there is one.
"""

import os
import re
import sys

# The rooms, lowest first. A room of a level may include the rooms of the levels before it.
LEVELS = [
    ["core", "graphics", "browser/brackwell"],
    ["decoders/process"],
    ["decoders", "exif", "imagelist", "browser", "update", "presentation/monitors"],
    ["thumbnails", "presentation"],
    ["presentation/presenter"],
    ["app"],
]
LEVEL = {room: level for level, rooms in enumerate(LEVELS) for room in rooms}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def room_of(root, path):
    """The room that holds `path` (a file under root), or None."""
    folder = os.path.relpath(os.path.dirname(path), root)
    return folder if folder in LEVEL else None


def find_header(root, including, name):
    """The file an include of `name` in `including` names, or None when no room holds it."""
    beside = os.path.normpath(os.path.join(os.path.dirname(including), name))
    if os.path.isfile(beside):
        return beside
    found = []
    for room in LEVEL:
        for base in (os.path.join(root, room), os.path.dirname(os.path.join(root, room))):
            candidate = os.path.normpath(os.path.join(base, name))
            if os.path.isfile(candidate) and room_of(root, candidate) is not None:
                found.append(candidate)
    found = sorted(set(found))
    if len(found) > 1:
        raise SystemExit(f"{including}: \"{name}\" could be any of {', '.join(found)}")
    return found[0] if found else None


def main(argv):
    root = os.path.abspath(argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    missing = [room for room in LEVEL if not os.path.isdir(os.path.join(root, room))]
    if missing:
        raise SystemExit(f"rooms named here but not in {root}: {', '.join(missing)}")
    wrong = []
    for room, level in LEVEL.items():
        folder = os.path.join(root, room)
        for name in sorted(os.listdir(folder)):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(folder, name)
            with open(path, encoding="utf-8", errors="replace") as source:
                includes = INCLUDE.findall(source.read())
            for include in includes:
                header = find_header(root, path, include)
                target = room_of(root, header) if header else None
                if target is None or target == room:
                    continue
                if LEVEL[target] >= level:
                    wrong.append(f"{room}/{name} includes {os.path.relpath(header, root)}: "
                                 f"{target} is not below {room}")
    for line in wrong:
        print(line)
    if wrong:
        return 1
    print(f"{len(LEVEL)} rooms include only rooms below them")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
