#!/usr/bin/python3
"""Screenshot checks for the presenter-view section of the end-to-end run (scenarios/presenter.sh), with
real photographs (see tests/data/README.md for where they come from).

    presenter.py audience SHOT PHOTO           monitor 2 shows PHOTO fitted on black (no watermark)
    presenter.py readme SHOT X Y W H OUT       the window at X,Y, W x H cut out of the screenshot, for
                                               the README

Only Debian's python3-pil is needed; run it with /usr/bin/python3.
"""

import os
import sys

from PIL import Image, ImageChops, ImageOps, ImageStat

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from compare import monitors  # noqa: E402
from dispatch import fail, run  # noqa: E402

# How far a shown photograph may be from the expected one, as the mean absolute difference per channel:
# resampling (Lanczos in the program, Pillow's here) and the JPEG decoders differ a little, another
# photograph or black differs by far more.
AUDIENCE_TOLERANCE = 10


def fitted(photo, width, height):
    """PHOTO fitted on black into WIDTH x HEIGHT, as the audience window shows it."""
    picture = ImageOps.exif_transpose(Image.open(photo)).convert("RGB")
    scale = min(width / picture.width, height / picture.height)
    size = (max(1, round(picture.width * scale)), max(1, round(picture.height * scale)))
    screen = Image.new("RGB", (width, height))
    screen.paste(picture.resize(size, Image.LANCZOS), ((width - size[0]) // 2, (height - size[1]) // 2))
    return screen


def difference(a, b):
    return sum(ImageStat.Stat(ImageChops.difference(a, b)).mean) / 3


def audience(shot_path, photo):
    _, second = monitors(shot_path)
    off = difference(second, fitted(photo, *second.size))
    if off > AUDIENCE_TOLERANCE:
        fail(f"monitor 2 does not show {os.path.basename(photo)} (mean difference {off:.1f})")
    print(f"monitor 2 shows {os.path.basename(photo)} (mean difference {off:.1f})")


def readme(shot_path, x, y, width, height, out):
    shot = Image.open(shot_path).convert("RGB")
    if x < 0 or y < 0 or x + width > shot.width or y + height > shot.height or width <= 0 or height <= 0:
        fail(f"the window at {x},{y}, {width} x {height} is not within the screenshot")
    shot.crop((x, y, x + width, y + height)).save(out, optimize=True)
    print(out)


def main(argv):
    commands = {
        "audience": (2, lambda a: audience(a[0], a[1])),
        "readme": (6, lambda a: readme(a[0], *map(int, a[1:5]), a[5])),
    }
    run(argv, commands, __doc__)


if __name__ == "__main__":
    main(sys.argv)
