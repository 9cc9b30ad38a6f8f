#!/usr/bin/python3
"""Screenshot checks for the section of the end-to-end run on a desktop that places the windows itself
(scenarios/desktop.sh, in the sessions on GNOME and sway), and the places it clicks that only a screenshot
tells there: the compositor puts the main window and the dialogs where it likes.

    desktop.py solid FOLDER                  red.png, green.png and blue.png of 1920 x 1080 (fixtures.SOLID)
    desktop.py fills SHOT NAME               monitor 2 is filled with the colour of picture NAME
    desktop.py operator SHOT BEFORE [X Y W H]
                                             monitor 1 is not covered by the show: outside the window at
                                             X,Y, W x H (the presenter window, which shows the picture
                                             small) the pictures' colours take hardly any of it and it
                                             shows what it showed in BEFORE, taken before the show
    desktop.py menu SHOT X Y W H INDEX       "X Y" of the INDEX-th title (from 0) of the menu bar of the
                                             window at X,Y, W x H
    desktop.py highlighted SHOT X Y          the menu title at X,Y is highlighted: its menu is open
    desktop.py button SHOT X Y W H           "X Y" of the "Identify" button of the Settings dialog at X,Y,
                                             W x H
    desktop.py labels SHOT BEFORE            the middle of each monitor shows a monitor's label, a big
                                             white number on black, which it did not in BEFORE

A screenshot holds monitor 1 at its left, and monitor 2 right of it while it is there.

Only Debian's python3-pil is needed; run it with /usr/bin/python3.
"""

import sys

from PIL import Image

from compare import DARK, WHITE, near
from dispatch import fail, run
from fixtures import SOLID, SOLID_SIZE, make_solid
from mainwindow import HIGHLIGHT

MONITOR_W, MONITOR_H = SOLID_SIZE
STEP = 4  # the checks of whole monitors sample every fourth pixel in both directions
FILLED = 0.995  # the share of monitor 2 that the shown picture's colour must take
COLOURED_AT_MOST = 0.03  # of monitor 1 outside the presenter window: the image list's thumbnails
UNCHANGED_AT_LEAST = 0.85  # of monitor 1 outside the presenter window: the status bar, the list's tint change
WINDOW_MARGIN = 8  # pixels around a window that belong to it: borders, shadows
LABEL_BOX = (560, 360)  # the middle of a monitor, where its label shows
LABEL_WHITE = 2000  # pixels of the number's white type, at the least
LABEL_BLACK = 0.3  # of the middle, at the least: the label's background


def open_shot(path):
    return Image.open(path).convert("RGB")


def monitor(shot, index):
    if shot.width < (index + 1) * MONITOR_W:
        fail(f"the screenshot is {shot.width} pixels wide: it holds no monitor {index + 1}")
    return shot.crop((index * MONITOR_W, 0, (index + 1) * MONITOR_W, MONITOR_H))


def sampled(image, box=None):
    """(x, y, pixel) every STEP pixels of `image`, or of `box` (left, top, right, bottom) in it."""
    left, top, right, bottom = box or (0, 0, image.width, image.height)
    pixels = image.load()
    for y in range(top, bottom, STEP):
        for x in range(left, right, STEP):
            yield x, y, pixels[x, y]


def describe(image):
    """The colour that takes most of `image`, and its share, in words."""
    counts = {}
    for _, _, pixel in sampled(image):
        key = tuple(value // 16 * 16 + 8 for value in pixel)
        counts[key] = counts.get(key, 0) + 1
    colour, count = max(counts.items(), key=lambda item: item[1])
    named = [name for name, solid in SOLID.items() if near(colour, solid)]
    what = f"the colour of {named[0]}" if named else f"about {colour}"
    return f"{what} over {count / sum(counts.values()):.0%} of it"


def fills(shot_path, name):
    second = monitor(open_shot(shot_path), 1)
    samples = [pixel for _, _, pixel in sampled(second)]
    share = sum(1 for pixel in samples if near(pixel, SOLID[name])) / len(samples)
    if share < FILLED:
        fail(f"monitor 2 is not filled with {name}: its colour takes {share:.1%} of it; monitor 2 shows "
             f"{describe(second)}")
    print(f"monitor 2 filled with {name} ({share:.1%})")


def operator(shot_path, before_path, window):
    first = monitor(open_shot(shot_path), 0)
    earlier = monitor(open_shot(before_path), 0).load()
    if window:
        wx, wy, ww, wh = window
        left, top = wx - WINDOW_MARGIN, wy - WINDOW_MARGIN
        right, bottom = wx + ww + WINDOW_MARGIN, wy + wh + WINDOW_MARGIN
        where = f"outside the presenter window ({wx},{wy}, {ww} x {wh})"
    else:
        left = top = right = bottom = -1
        where = "with no presenter window"
    outside = coloured = same = 0
    for x, y, pixel in sampled(first):
        if left <= x < right and top <= y < bottom:
            continue
        outside += 1
        coloured += any(near(pixel, colour) for colour in SOLID.values())
        same += near(pixel, earlier[x, y], 24)
    if outside == 0:
        fail(f"the window at {window} covers all of monitor 1")
    if coloured / outside > COLOURED_AT_MOST:
        fail(f"the show covers monitor 1: the pictures' colours take {coloured / outside:.0%} of it {where}; "
             f"monitor 1 shows {describe(first)}")
    if same / outside < UNCHANGED_AT_LEAST:
        fail(f"monitor 1 is covered: only {same / outside:.0%} of it {where} is as before the show; "
             f"it shows {describe(first)}")
    print(f"monitor 1 uncovered {where}: {same / outside:.0%} as before the show, "
          f"{coloured / outside:.1%} in the pictures' colours")


def dark(pixel):
    return max(pixel) < 128 and max(pixel) - min(pixel) < 40


def menu(shot_path, x, y, w, h, index):
    """The menu bar is the first line of dark text at the left of the window that falls into at least
    three words ("File", "Options", "Help"); a title bar above it holds at most the window's icon there,
    its title standing further right."""
    shot = open_shot(shot_path)
    pixels = shot.load()
    left, right = max(0, x), min(shot.width, x + min(w, 300))
    top, bottom = max(0, y), min(shot.height, y + min(h, 160))

    def inked(row):
        return any(dark(pixels[column, row]) for column in range(left, right))

    row = top
    while row < bottom:
        if not inked(row):
            row += 1
            continue
        first = row
        while row < bottom and inked(row):
            row += 1
        columns = [column for column in range(left, right)
                   if any(dark(pixels[column, r]) for r in range(first, row))]
        words = []
        for column in columns:
            if words and column - words[-1][1] <= 6:
                words[-1][1] = column
            else:
                words.append([column, column])
        if 5 <= row - first <= 24 and len(words) >= 3 and words[0][0] - left <= 40 and index < len(words):
            print((words[index][0] + words[index][1]) // 2, (first + row - 1) // 2)
            return
    fail(f"no menu bar in the window at {x},{y}, {w} x {h}")


def highlighted(shot_path, x, y):
    shot = open_shot(shot_path)
    title = (x - 24, y - 8, x + 24, y + 8)
    count = sum(1 for _, _, pixel in sampled(shot, title) if near(pixel, HIGHLIGHT, 40))
    if count < 4:
        fail(f"the menu title at {x},{y} is not highlighted")
    print(f"menu title at {x},{y} highlighted")


BUTTON_BORDER = (171, 171, 171)  # the left edge of an enabled button or drop-down list (the Fusion style)


def top_edge(pixels, column, first, right):
    """How far the grey line along the top of a face runs right from the rounded corner above `first`
    at `column`: the whole width of a button or a drop-down list, only a few pixels on the arrows of a
    spin field."""
    for row in range(first - 1, max(0, first - 5), -1):
        if near(pixels[column + 6, row], BUTTON_BORDER, 10):
            end = column + 6
            while end < right and near(pixels[end, row], BUTTON_BORDER, 10):
                end += 1
            return end - column
    return 0


def button(shot_path, x, y, w, h):
    """The enabled buttons and drop-down lists of the dialog, found by the grey line of their left edges
    with the shaded face right of it and their top edge running along it. "Identify" is the right one of the
    topmost row: the drop-down list of the monitors stands left of it."""
    shot = open_shot(shot_path)
    pixels = shot.load()
    edges = []
    for column in range(max(0, x), min(shot.width, x + w) - 2):
        row, bottom = max(0, y), min(shot.height, y + h)
        while row < bottom:
            if not near(pixels[column, row], BUTTON_BORDER, 10):
                row += 1
                continue
            first = row
            while row < bottom and near(pixels[column, row], BUTTON_BORDER, 10):
                row += 1
            middle = (first + row) // 2
            # The face of an enabled one shades from white at its top to grey at its bottom.
            face_top, face_bottom = min(pixels[column + 2, first + 1]), min(pixels[column + 2, row - 2])
            if 14 <= row - first <= 40 and face_top >= 246 and face_top - face_bottom >= 6 and \
                    top_edge(pixels, column, first, x + w) >= 40:
                edges.append((column, middle))
    if not edges:
        fail(f"no enabled button in the window at {x},{y}, {w} x {h}")
    top = min(middle for _, middle in edges)
    column, middle = max(edge for edge in edges if edge[1] - top <= 4)
    print(column + 20, middle)


def label_in(image):
    """(white pixels, black share) in the middle of a monitor."""
    box_w, box_h = LABEL_BOX
    left, top = (image.width - box_w) // 2, (image.height - box_h) // 2
    middle = image.crop((left, top, left + box_w, top + box_h))
    values = list(middle.getdata())
    white = sum(1 for pixel in values if min(pixel) > WHITE)
    black = sum(1 for pixel in values if max(pixel) <= DARK) / len(values)
    return white, black


def labels(shot_path, before_path):
    shot, before = open_shot(shot_path), open_shot(before_path)
    found = []
    for index in (0, 1):
        white, black = label_in(monitor(shot, index))
        if white < LABEL_WHITE or black < LABEL_BLACK:
            fail(f"the middle of monitor {index + 1} shows no label ({white} white pixels, {black:.0%} "
                 f"black); monitor {index + 1} shows {describe(monitor(shot, index))}")
        white_before, black_before = label_in(monitor(before, index))
        if white_before >= LABEL_WHITE and black_before >= LABEL_BLACK:
            fail(f"the middle of monitor {index + 1} looked like a label already before")
        found.append(f"monitor {index + 1}: {white} white pixels on {black:.0%} black")
    print("labels in the middle of " + ", ".join(found))


def main(argv):
    commands = {
        "solid": (1, lambda a: make_solid(a[0])),
        "fills": (2, lambda a: fills(a[0], a[1])),
        "operator": (2, lambda a: operator(a[0], a[1], [int(v) for v in a[2:6]] if len(a) >= 6 else None)),
        "menu": (6, lambda a: menu(a[0], *(int(v) for v in a[1:6]))),
        "highlighted": (3, lambda a: highlighted(a[0], int(a[1]), int(a[2]))),
        "button": (5, lambda a: button(a[0], *(int(v) for v in a[1:5]))),
        "labels": (2, lambda a: labels(a[0], a[1])),
    }
    run(argv, commands, __doc__)


if __name__ == "__main__":
    main(sys.argv)
