#!/usr/bin/python3
"""Checks for the section of the end-to-end run that follows the operator's evening (scenarios/evening.sh;
the pictures themselves are those of screens.py).

    evening.py pathfield SHOT   where the file browser's path field, without the keyboard, is on monitor
                                1: "X Y" of its middle, then LEFT TOP RIGHT BOTTOM of its inside
    evening.py focused SHOT LEFT TOP RIGHT BOTTOM
                                whether the field of that inside has the keyboard (its frame in the
                                focus colour): exit status 0 when it has
    evening.py pointer DISPLAY  whether the X server shows a mouse pointer now ("shown" or "hidden"), from
                                the cursor image XFixes gives (screenshots never hold the pointer)

Only Debian's python3-pil and the X libraries are needed; run it with /usr/bin/python3.
"""

import ctypes
import ctypes.util
import os
import sys

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from compare import monitors  # noqa: E402
from dispatch import fail, run  # noqa: E402

FIELD_BORDER = (171, 171, 171)  # the Fusion style's frame of a line edit
FIELD_HEIGHTS = range(12, 40)  # its inside, in pixels
PROBE_X = 400  # a column through the browser's panel, right of any text the field holds


def field_box(shot_path):
    """The inside of the path field: the white run in the browser's panel framed by a line edit's border."""
    first, _ = monitors(shot_path)
    image = first.convert("RGB")
    y = 0
    while y < image.height:
        if image.getpixel((PROBE_X, y)) == FIELD_BORDER:
            end = y + 1
            while end < image.height and image.getpixel((PROBE_X, end)) != FIELD_BORDER:
                end += 1
            inside = [image.getpixel((PROBE_X, row)) for row in range(y + 1, end)]
            if end < image.height and len(inside) in FIELD_HEIGHTS and all(
                    min(p) > 230 for p in inside):
                left = PROBE_X
                while left > 0 and image.getpixel((left - 1, y + len(inside) // 2)) != FIELD_BORDER:
                    left -= 1
                return image, (left, y + 1, PROBE_X + 200, end)
            y = end
        else:
            y += 1
    fail("no path field found in the browser's panel")


def pathfield(shot_path):
    _, (left, top, right, bottom) = field_box(shot_path)
    print((left + right) // 2, (top + bottom) // 2, left, top, right, bottom)


def focused(shot_path, box):
    first, _ = monitors(shot_path)
    frame = first.convert("RGB").getpixel((PROBE_X, box[1] - 1))
    if frame == FIELD_BORDER or not (frame[2] > frame[0] + 60):
        fail(f"the path field's frame is {frame}: it does not have the keyboard")


class CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort),
                ("height", ctypes.c_ushort), ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("cursor_serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong)),
                ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]


def pointer(display):
    x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    xfixes = ctypes.CDLL(ctypes.util.find_library("Xfixes") or "libXfixes.so.3")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
    xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
    connection = x11.XOpenDisplay(display.encode())
    if not connection:
        fail(f"cannot open the X display {display}")
    image = xfixes.XFixesGetCursorImage(connection)
    if not image:
        fail("XFixes gives no cursor image")
    cursor = image.contents
    pixels = [cursor.pixels[i] for i in range(cursor.width * cursor.height)]
    print("shown" if any((pixel >> 24) & 0xFF for pixel in pixels) else "hidden")


def main(argv):
    run(argv, {
        "pathfield": (1, lambda a: pathfield(a[0])),
        "focused": (5, lambda a: focused(a[0], [int(v) for v in a[1:5]])),
        "pointer": (1, lambda a: pointer(a[0])),
    }, __doc__)


if __name__ == "__main__":
    main(sys.argv)
