#!/usr/bin/python3
"""Pictures and screenshot checks for the end-to-end run (scripts/e2e.sh), one command each.

The end-to-end run drives the real program in a desktop session with two monitors side by side; this
helper makes the pictures it presents and reads the screenshots it takes. Every command prints what it
found and exits with 1 (and a message on stderr) when the screen is not as expected, so the shell script
can stop at the first failure. The commands are those of the modules beside it: fixtures.py (the
pictures), programfiles.py (the program's files), compare.py (the two monitors of a screenshot, what
monitor 2 shows), mainwindow.py (the main window on monitor 1) and watching.py (the screen watched while
the program runs).

    screens.py make FOLDER                        the source pictures (see fixtures.PICTURES)
    screens.py toolbar SHOT [SCALE [BUTTON]]      "X Y" of the "Play slideshow" button on monitor 1, the
                                                  program running at scale factor SCALE (default 1); of
                                                  the toolbar's BUTTON-th button (from 0) when given
    screens.py row SHOT INDEX                     "X Y" of the INDEX-th row (from 0) of the list view
    screens.py rows SHOT                          how many rows the list view shows
    screens.py whole SHOT NAME                    the thumbnail of NAME is whole (about 160 x 120) and
                                                  has its caption below it
    screens.py entries SHOT                       every listed picture has its thumbnail in the image list
    screens.py entry SHOT NAME                    "X Y" of the thumbnail of picture NAME
    screens.py selected SHOT NAME                 the entry of picture NAME is selected
    screens.py main SHOT                          monitor 1 shows the main window
    screens.py shown SHOT                         which picture monitor 2 shows: a NAME, "black" or "other"
    screens.py picture SHOT NAME                  monitor 2 shows NAME upright, fitted and watermarked
    screens.py black SHOT                         monitor 2 is black
    screens.py watch DISPLAY FOLDER PID FIRST STEP NAME...
                                                  monitor 2 shows the pictures NAME... in this order
                                                  while the program PID runs
    screens.py bomb FILE WIDTH HEIGHT             a small JPEG declaring WIDTH x HEIGHT pixels
    screens.py scanbomb FILE WIDTH HEIGHT REPEATS a progressive JPEG repeating its last scan REPEATS times
    screens.py notsupported SHOT                  how many thumbnails say "not supported"
    screens.py listfile FILE PATH...              an image list file in the program's encoding naming PATHs
    screens.py settings FILE KEY=VALUE...         a settings file in the program's encoding holding the keys
    screens.py checkerboard FILE                  a one-pixel checkerboard as large as a monitor
    screens.py checkerboard-entry SHOT ROW        "X Y" of the checkerboard's thumbnail below ROW on monitor 1
    screens.py exact SHOT FILE                    monitor 2 shows the picture FILE pixel for pixel
    screens.py listcolour SHOT                    how many colourful pixels the image list shows (sampled)
    screens.py settled DISPLAY SHOT QUIET TIMEOUT MINIMUM
                                                  waits until the image list has not changed for QUIET
                                                  seconds and shows at least MINIMUM colourful pixels;
                                                  saves that screenshot as SHOT
    screens.py photo SHOT PHOTO                   monitor 2 shows the photograph PHOTO fitted, watermarked
                                                  in its bottom right corner

Monitor 1 is the left half of a screenshot of the root window, monitor 2 the right half.

Only Debian's python3-pil is needed; run it with /usr/bin/python3.
"""

import sys

import compare
import fixtures
import mainwindow
import programfiles
import watching
from dispatch import run


def main(argv):
    commands = {
        "make": (1, lambda a: fixtures.make(a[0])),
        "toolbar": (1, lambda a: mainwindow.toolbar(a[0], int(a[1]) if len(a) > 1 else 1,
                                                 int(a[2]) if len(a) > 2 else 5)),
        "row": (2, lambda a: mainwindow.list_row(a[0], int(a[1]))),
        "rows": (1, lambda a: mainwindow.list_row_count(a[0])),
        "whole": (2, lambda a: mainwindow.whole(a[0], a[1])),
        "entries": (1, lambda a: mainwindow.entries(a[0])),
        "entry": (2, lambda a: mainwindow.entry(a[0], a[1])),
        "selected": (2, lambda a: mainwindow.selected(a[0], a[1])),
        "main": (1, lambda a: mainwindow.main_window(a[0])),
        "shown": (1, lambda a: compare.shown(a[0])),
        "picture": (2, lambda a: compare.picture(a[0], a[1])),
        "black": (1, lambda a: compare.black(a[0])),
        "watch": (6, lambda a: watching.watch(a[0], a[1], int(a[2]), float(a[3]), float(a[4]), a[5:])),
        "listfile": (1, lambda a: programfiles.listfile(a[0], a[1:])),
        "settings": (1, lambda a: programfiles.settings(a[0], a[1:])),
        "checkerboard": (1, lambda a: fixtures.make_checkerboard(a[0])),
        "checkerboard-entry": (2, lambda a: mainwindow.checkerboard_entry(a[0], int(a[1]))),
        "exact": (2, lambda a: compare.exact(a[0], a[1])),
        "bomb": (3, lambda a: fixtures.bomb(a[0], int(a[1]), int(a[2]))),
        "scanbomb": (4, lambda a: fixtures.scan_bomb(a[0], int(a[1]), int(a[2]), int(a[3]))),
        "notsupported": (1, lambda a: mainwindow.not_supported(a[0])),
        "listcolour": (1, lambda a: mainwindow.listcolour(a[0])),
        "settled": (5, lambda a: watching.settled(a[0], a[1], float(a[2]), float(a[3]), int(a[4]))),
        "photo": (2, lambda a: compare.photo(a[0], a[1])),
    }
    run(argv, commands, __doc__)


if __name__ == "__main__":
    main(sys.argv)
