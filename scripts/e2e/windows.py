#!/usr/bin/python3
"""The windows of a Wayland compositor, for the end-to-end sessions on GNOME and sway
(scripts/e2e/wayland.sh): the compositor's own window list turned into one shape, and the questions the
driver asks of it.

    windows.py answer          reads gdbus's reply to GNOME Shell's Eval on stdin and prints the JSON text it
                               holds; fails when the shell refused it
    windows.py sway            reads `swaymsg -t get_tree` on stdin and prints its windows as a list
    windows.py find PATTERN    a list on stdin: the ids of the visible windows whose title matches the
                               regular expression PATTERN, one a line
    windows.py geometry ID     a list on stdin: "X=.. Y=.. WIDTH=.. HEIGHT=.." of window ID, for the
                               shell's eval
    windows.py focused ID      a list on stdin: exits 1 unless window ID has the keyboard focus, saying
                               which window has it

A list is a JSON array of {"id", "title", "x", "y", "width", "height", "focused", "visible"}, the position in
the compositor's global coordinates (monitor 1 at 0,0, monitor 2 right of it).

Only the standard library is needed; run it with /usr/bin/python3.
"""

import ast
import json
import re
import sys

from dispatch import fail, run


def answer(text):
    """The string of gdbus's "(true, '...')": GVariant's text quotes strings as Python does."""
    text = text.strip()
    if not text.startswith("(true, "):
        fail(f"GNOME Shell did not answer: {text}")
    _, value = ast.literal_eval("(True, " + text[len("(true, "):])
    print(value)


def sway_windows(node, found):
    # Views have a pid; the workspaces, outputs and containers that hold them do not. The window itself
    # lies inside its container's borders, below its title bar.
    if node.get("pid") is not None and node.get("type") in ("con", "floating_con"):
        rect, inner = node["rect"], node["window_rect"]
        found.append({"id": node["id"], "title": node.get("name") or "", "x": rect["x"] + inner["x"],
                      "y": rect["y"] + inner["y"], "width": inner["width"], "height": inner["height"],
                      "focused": node.get("focused", False), "visible": node.get("visible", False)})
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        sway_windows(child, found)
    return found


def window_list():
    return json.load(sys.stdin)


def window(windows, ident):
    for entry in windows:
        if str(entry["id"]) == ident:
            return entry
    fail(f"no window {ident} in the compositor's list")


def find(pattern):
    for entry in window_list():
        if entry["visible"] and re.search(pattern, entry["title"] or ""):
            print(entry["id"])


def geometry(ident):
    entry = window(window_list(), ident)
    print(f"X={entry['x']} Y={entry['y']} WIDTH={entry['width']} HEIGHT={entry['height']}")


def focused(ident):
    windows = window_list()
    if not window(windows, ident)["focused"]:
        holders = [entry["title"] or "(no title)" for entry in windows if entry["focused"]]
        print(f"the keyboard is with {', '.join(holders) or 'no window'}", file=sys.stderr)
        sys.exit(1)


def main(argv):
    commands = {
        "answer": (0, lambda a: answer(sys.stdin.read())),
        "sway": (0, lambda a: print(json.dumps(sway_windows(json.load(sys.stdin), [])))),
        "find": (1, lambda a: find(a[0])),
        "geometry": (1, lambda a: geometry(a[0])),
        "focused": (1, lambda a: focused(a[0])),
    }
    run(argv, commands, __doc__)


if __name__ == "__main__":
    main(sys.argv)
