#!/usr/bin/python3
"""Pictures and screenshot checks for scripts/e2e.sh.

The end-to-end run drives the real program on an X server with two monitors side by side; this helper
makes the pictures it presents and reads the screenshots it takes. Every command prints what it found
and exits with 1 (and a message on stderr) when the screen is not as expected, so the shell script can
stop at the first failure.

    screens.py make FOLDER                        the source pictures (see PICTURES)
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

from PIL import Image, ImageDraw

# The colours of the pictures, chosen far apart so that a sample tells them apart after JPEG coding and
# resampling.
RED = (208, 32, 32)
BLUE = (32, 64, 208)
YELLOW = (224, 208, 32)
CYAN = (32, 208, 208)
GREEN = (32, 192, 64)
ORANGE = (224, 112, 16)
PURPLE = (128, 48, 160)  # the JPEG's EXIF thumbnail, so that the list shows where its thumbnail came from
HIGHLIGHT = (48, 140, 198)  # the background of a selected entry's caption (the Fusion style's highlight)

# The pictures of the run, by the name the watermark is cut from. "stored" is the size as stored in the
# file, "upright" the size after the EXIF orientation has been applied.
#   jpeg: 3000 x 2000, stored with orientation 6 (turn clockwise to view): four quadrants, red top left,
#         blue top right, yellow bottom left, cyan bottom right. Upright it is 2000 x 3000 with yellow
#         top left, red top right, blue bottom right and cyan bottom left.
#   png:  800 x 600 green, narrower than the 16:9 screen: bars left and right.
#   jp2:  1600 x 600 orange, wider than the 16:9 screen: bars above and below.
# The watermark of each is the number in its name (characters 5 to 8), white with a black shadow.
PICTURES = {
    "IMG_1234.jpg": {
        "stored": (3000, 2000),
        "upright": (2000, 3000),
        "quadrants": (YELLOW, RED, CYAN, BLUE),  # upright: top left, top right, bottom left, bottom right
        "thumbnail": PURPLE,
    },
    "IMG_5678.png": {"stored": (800, 600), "upright": (800, 600), "colour": GREEN, "thumbnail": GREEN},
    "IMG_9012.jp2": {"stored": (1600, 600), "upright": (1600, 600), "colour": ORANGE, "thumbnail": ORANGE},
}

TOLERANCE = 48  # per channel, for JPEG coding, resampling and the list's selection tint
DARK = 24  # a pixel with no channel above this counts as black
WHITE = 190  # a pixel with every channel above this counts as white (the watermark's text)
WATERMARK_POINTS = 32  # the watermark's height in pixels on the full-size picture (24 pt at 96 dpi)


def fail(message):
    print(f"FAIL: {message}", file=sys.stderr)
    sys.exit(1)


def near(pixel, colour, tolerance=TOLERANCE):
    return all(abs(int(a) - int(b)) <= tolerance for a, b in zip(pixel[:3], colour))


def monitors(shot):
    """The two monitors of a root-window screenshot (a file or a picture): left half, right half."""
    if not isinstance(shot, Image.Image):
        shot = Image.open(shot)
    shot = shot.convert("RGB")
    width, height = shot.size
    half = width // 2
    return shot.crop((0, 0, half, height)), shot.crop((half, 0, width, height))


# Making the pictures ---------------------------------------------------------------------------------


def make(folder):
    """Writes IMG_1234.jpg (without EXIF yet), thumb.jpg (its EXIF thumbnail), IMG_5678.png and
    IMG_9012.ppm (the JPEG 2000 picture's source); e2e.sh adds the EXIF data and codes the JPEG 2000."""
    picture = PICTURES["IMG_1234.jpg"]
    width, height = picture["stored"]
    jpeg = Image.new("RGB", (width, height))
    draw = ImageDraw.Draw(jpeg)
    # Stored quadrants: upright = stored turned clockwise, so stored top left is upright top right, etc.
    top_left, top_right, bottom_left, bottom_right = RED, BLUE, YELLOW, CYAN
    draw.rectangle((0, 0, width // 2 - 1, height // 2 - 1), fill=top_left)
    draw.rectangle((width // 2, 0, width - 1, height // 2 - 1), fill=top_right)
    draw.rectangle((0, height // 2, width // 2 - 1, height - 1), fill=bottom_left)
    draw.rectangle((width // 2, height // 2, width - 1, height - 1), fill=bottom_right)
    jpeg.save(f"{folder}/IMG_1234.jpg", quality=92)
    Image.new("RGB", (160, 107), PURPLE).save(f"{folder}/thumb.jpg", quality=92)
    Image.new("RGB", PICTURES["IMG_5678.png"]["stored"], GREEN).save(f"{folder}/IMG_5678.png")
    Image.new("RGB", PICTURES["IMG_9012.jp2"]["stored"], ORANGE).save(f"{folder}/IMG_9012.ppm")


# Monitor 1: the main window ------------------------------------------------------------------------


def toolbar_icons(shot_path, scale=1):
    """Finds the toolbar above the image list from its icons and prints the centre of its sixth button,
    "Play slideshow" (list view, thumbnails | clear | up, down | play, stop, previous, next, locate |
    load, save), or of its `button`-th. `scale` is the program's scale factor: every length below is that many times longer.

    The icons are dark grey-to-black glyphs on the light window background. Rows holding such pixels in
    the right part of the window form bands; the toolbar is the first band whose dark columns fall into
    a run of at least ten evenly spaced groups (icons), the caption above it being a single group of
    letters. At scale 2 the window is too narrow for the whole toolbar: at least six icons will do."""
    first, _ = monitors(shot_path)
    width, height = first.size
    pixels = first.load()
    left = width // 4  # the browser half is wider than this on a 1920 wide monitor
    least_icons = 10 if scale == 1 else 6

    def dark(x, y):
        r, g, b = pixels[x, y]
        return max(r, g, b) < 128 and max(r, g, b) - min(r, g, b) < 40

    def band_groups(top, bottom):
        columns = [x for x in range(left, width) if any(dark(x, y) for y in range(top, bottom))]
        groups = []
        for x in columns:
            if groups and x - groups[-1][1] <= 4 * scale:
                groups[-1][1] = x
            else:
                groups.append([x, x])
        return groups

    y = 0
    while y < min(height, 300 * scale):
        if not any(dark(x, y) for x in range(left, width)):
            y += 1
            continue
        top = y
        while y < height and any(dark(x, y) for x in range(left, width)):
            y += 1
        # Icons of one toolbar sit 23 pixels apart, 31 across a separator; a gap much wider starts
        # another run of glyphs (the browser's scroll bar arrows are left of the toolbar).
        runs = [[]]
        for group in band_groups(top, y):
            if runs[-1] and not 16 * scale <= sum(group) // 2 - sum(runs[-1][-1]) // 2 <= 40 * scale:
                runs.append([])
            runs[-1].append(group)
        groups = max(runs, key=len)
        if len(groups) >= least_icons and 10 * scale <= y - top <= 24 * scale:
            return groups, top, y
    fail(f"no toolbar with at least {least_icons} icons in the top {300 * scale} rows of the image list half "
         "of monitor 1")


def toolbar(shot_path, scale=1, button=5):
    groups, top, bottom = toolbar_icons(shot_path, scale)
    icon = groups[button]
    # The icons are 16 pixels wide in 23 pixel buttons; a group much wider is not one icon.
    if icon[1] - icon[0] > 20 * scale:
        fail(f"the toolbar's icon {button} is {icon[1] - icon[0] + 1} pixels wide, not an icon")
    print((icon[0] + icon[1]) // 2, (top + bottom - 1) // 2)


def list_rows(shot_path):
    """The rows of the list view below the toolbar: the vertical centres of the lines of text at the
    left of the list (dark text, or white text on the selection's highlight), the column header first."""
    groups, _, bottom = toolbar_icons(shot_path)
    first, _ = monitors(shot_path)
    pixels = first.load()
    left = groups[0][0]
    ink_rows = []
    for y in range(bottom + 4, first.size[1]):
        line = [pixels[x, y] for x in range(left + 20, left + 80)]
        highlighted = any(near(pixel, HIGHLIGHT, 30) for pixel in line)
        if any(max(pixel) < 128 or (highlighted and min(pixel) > 200) for pixel in line):
            ink_rows.append(y)
    # Rows are 18 pixels apart; ink within 12 pixels of a row's first ink is that row's (a bold caption
    # on the shown entry's tint may break into pieces).
    bands = []
    for y in ink_rows:
        if bands and y - bands[-1][0] < 12:
            bands[-1][1] = y
        else:
            bands.append([y, y])
    return left + 50, [(a + b) // 2 for a, b in bands]


def list_row(shot_path, index):
    x, rows = list_rows(shot_path)
    if len(rows) < index + 2:
        fail(f"the list view shows {len(rows) - 1} rows, not {index + 1}")
    print(x, rows[index + 1])


def list_row_count(shot_path):
    _, rows = list_rows(shot_path)
    print(max(0, len(rows) - 1))


def colour_blob(image, colour, region, tolerance=24):
    """Pixels of `colour` in `region` of `image`, sampled every other pixel in both directions:
    (count, centre x, centre y)."""
    left, top, right, bottom = region
    pixels = image.load()
    count = sx = sy = 0
    for y in range(top, bottom, 2):
        for x in range(left, right, 2):
            if near(pixels[x, y], colour, tolerance):
                count += 1
                sx += x
                sy += y
    if count == 0:
        return 0, 0, 0
    return count, sx // count, sy // count


def thumbnail(first, name):
    width, height = first.size
    # A thumbnail is at most 160 x 120; a quarter of it, sampled every other pixel, is over 300 samples.
    count, x, y = colour_blob(first, PICTURES[name]["thumbnail"], (width // 3, 0, width, height))
    return (x, y) if count >= 300 else None


def entries(shot_path):
    first, _ = monitors(shot_path)
    for name in PICTURES:
        if thumbnail(first, name) is None:
            fail(f"the image list shows no thumbnail of {name}")
    print("thumbnails of", ", ".join(PICTURES))


def entry(shot_path, name):
    first, _ = monitors(shot_path)
    found = thumbnail(first, name)
    if found is None:
        fail(f"the image list shows no thumbnail of {name}")
    print(*found)


def colour_box(image, colour, region, tolerance=24):
    """The bounding box (left, top, right, bottom) of the pixels of `colour` in `region` of `image`,
    sampled every other pixel, and their count."""
    left, top, right, bottom = region
    pixels = image.load()
    xs, ys = [], []
    for y in range(top, bottom, 2):
        for x in range(left, right, 2):
            if near(pixels[x, y], colour, tolerance):
                xs.append(x)
                ys.append(y)
    if not xs:
        return None, 0
    return (min(xs), min(ys), max(xs) + 1, max(ys) + 1), len(xs)


def whole(shot_path, name):
    """The thumbnail of `name` fills most of its 160 x 120 box (a picture of 4:3 fills all of it), and
    its caption, dark text, lies below it."""
    first, _ = monitors(shot_path)
    width, height = first.size
    box, _ = colour_box(first, PICTURES[name]["thumbnail"], (width // 3, 0, width, height))
    if box is None:
        fail(f"the image list shows no thumbnail of {name}")
    left, top, right, bottom = box
    if right - left < 150 or bottom - top < 110:
        fail(f"the thumbnail of {name} is {right - left} x {bottom - top} pixels, not 160 x 120")
    pixels = first.load()
    caption = sum(1 for y in range(bottom + 2, min(height, bottom + 30)) for x in range(left, right)
                  if max(pixels[x, y]) < 100)
    if caption < 20:
        fail(f"the thumbnail of {name} has no caption below it")
    print(f"{name}: {right - left} x {bottom - top} pixels with its caption")


def selected(shot_path, name):
    """The entry of `name` is selected: its caption below the thumbnail shows the highlight colour (the
    thumbnail itself is only tinted, which a colour comparison cannot tell reliably)."""
    first, _ = monitors(shot_path)
    width, height = first.size
    # Its thumbnail is found by its own colour under the tint, more loosely than unselected.
    count, x, y = colour_blob(first, PICTURES[name]["thumbnail"], (width // 3, 0, width, height), 40)
    if count < 300:
        fail(f"the image list shows no thumbnail of {name}")
    highlight, _, _ = colour_blob(first, HIGHLIGHT, (x - 90, y, x + 90, min(height, y + 120)), 30)
    if highlight < 50:
        fail(f"the entry of {name} is not selected ({highlight} highlight pixels below its thumbnail)")
    print(f"{name} selected")


def main_window(shot_path):
    """The main window fills monitor 1: mostly light (window background, white list) and not black."""
    first, _ = monitors(shot_path)
    grey = first.convert("L").resize((first.width // 8, first.height // 8))
    values = list(grey.getdata())
    light = sum(1 for v in values if v > 200) / len(values)
    black = sum(1 for v in values if v < 16) / len(values)
    if light < 0.6 or black > 0.05:
        fail(f"monitor 1 does not look like the main window: {light:.0%} light, {black:.0%} black")
    print(f"monitor 1: {light:.0%} light, {black:.0%} black")


# Monitor 2: the preview window -----------------------------------------------------------------------


def fitted_rect(name, screen):
    """Where the picture lands when fitted: the largest size keeping the aspect ratio, centred."""
    pw, ph = PICTURES[name]["upright"]
    sw, sh = screen
    scale = min(sw / pw, sh / ph)
    w, h = round(pw * scale), round(ph * scale)
    left, top = (sw - w) // 2, (sh - h) // 2
    return left, top, left + w, top + h, scale


def samples(name, rect):
    """(point, colour) pairs that must hold where the picture is shown, away from its edges and from
    the bottom right corner where the watermark goes."""
    left, top, right, bottom, _ = rect
    w, h = right - left, bottom - top
    picture = PICTURES[name]
    if "quadrants" in picture:
        tl, tr, bl, br = picture["quadrants"]
        points = [(0.25, 0.25, tl), (0.75, 0.25, tr), (0.25, 0.75, bl), (0.6, 0.75, br),
                  (0.1, 0.05, tl), (0.9, 0.05, tr), (0.1, 0.95, bl), (0.6, 0.95, br)]
        return [((left + int(w * fx), top + int(h * fy)), colour) for fx, fy, colour in points]
    points = [(0.05, 0.05), (0.5, 0.05), (0.95, 0.05), (0.05, 0.5), (0.5, 0.5), (0.95, 0.5), (0.05, 0.95),
              (0.5, 0.95)]
    return [((left + int(w * fx), top + int(h * fy)), picture["colour"]) for fx, fy in points]


def matches(second, name):
    pixels = second.load()
    rect = fitted_rect(name, second.size)
    return all(near(pixels[p], colour) for p, colour in samples(name, rect))


def classify(second):
    for name in PICTURES:
        if matches(second, name):
            return name
    return "black" if all(high <= DARK for _, high in second.getextrema()) else "other"


def shown(shot_path):
    _, second = monitors(shot_path)
    print(classify(second))


def count_white(image, box):
    pixels = image.load()
    left, top, right, bottom = box
    return sum(1 for y in range(top, bottom) for x in range(left, right) if min(pixels[x, y]) > WHITE)


def picture(shot_path, name):
    """Monitor 2 shows `name` upright, fitted to the screen with black bars where the aspect ratio leaves
    them, and with the watermark in its bottom right corner and nowhere else."""
    _, second = monitors(shot_path)
    sw, sh = second.size
    rect = fitted_rect(name, (sw, sh))
    left, top, right, bottom, scale = rect
    pixels = second.load()

    for (x, y), colour in samples(name, rect):
        if not near(pixels[x, y], colour):
            fail(f"{name}: pixel {x},{y} of monitor 2 is {pixels[x, y]}, expected about {colour} "
                 "(picture not upright, not fitted or not this one)")

    # The bars: everything outside the picture's rectangle is black (a margin of 3 pixels allows for the
    # resampler's ringing and for rounding at the picture's edges).
    margin = 3
    bars = [(0, 0, sw, top - margin), (0, bottom + margin, sw, sh),
            (0, 0, left - margin, sh), (right + margin, 0, sw, sh)]
    for box in bars:
        if box[2] - box[0] > 0 and box[3] - box[1] > 0:
            high = max(high for _, high in second.crop(box).getextrema())
            if high > DARK:
                fail(f"{name}: the bar {box} of monitor 2 is not black (brightest channel {high})")
    bar_text = "no bars" if (left, top) == (0, 0) else (
        f"bars of {left} pixels left and right" if left > 0 else f"bars of {top} pixels above and below")

    # The watermark: white text (with its black shadow) in the bottom right corner of the picture. The
    # text is 32 pixels high on the full-size picture, so on the screen it is about 32 * scale high.
    text_height = max(8, int(WATERMARK_POINTS * scale))
    corner_w, corner_h = 6 * text_height, 2 * text_height
    corners = {
        "bottom right": (right - corner_w, bottom - corner_h, right, bottom),
        "bottom left": (left, bottom - corner_h, left + corner_w, bottom),
        "top right": (right - corner_w, top, right, top + corner_h),
        "top left": (left, top, left + corner_w, top + corner_h),
    }
    white = {where: count_white(second, box) for where, box in corners.items()}
    if white["bottom right"] < 10:
        fail(f"{name}: no watermark in the bottom right corner of the picture "
             f"({white['bottom right']} white pixels in {corners['bottom right']})")
    for where in ("bottom left", "top right", "top left"):
        if white[where] > 0:
            fail(f"{name}: {white[where]} white pixels in the {where} corner of the picture")
    print(f"{name}: upright at {left},{top} to {right},{bottom} ({bar_text}), "
          f"watermark: {white['bottom right']} white pixels in the bottom right corner")


def watch(display, folder, pid, first_timeout, step_timeout, expected):
    """Watches monitor 2 while a slideshow of the program with process id `pid` runs and checks that
    it shows the pictures `expected` in that order: the first within `first_timeout` seconds, each
    next one within `step_timeout` seconds of the one before, with no other picture in between.
    Afterwards each picture is checked in full (`picture`) on the first screenshot that showed it,
    together with monitor 1 (`main`); those screenshots are saved in `folder` as show-<n>-<name>.png.

    The screen is grabbed in-process (a few hundredths of a second a grab) and only told apart while
    the show runs, so that no picture of a one-second show goes by unseen on a busy machine."""
    import os
    import time

    from PIL import ImageGrab

    start = last_change = time.monotonic()
    seen = None  # the picture on monitor 2 at the last grab that showed one
    frames = []  # (seconds since the picture before, screenshot) of each expected picture
    while len(frames) < len(expected):
        awaited = expected[len(frames)]
        limit = first_timeout if not frames else step_timeout
        try:
            os.kill(pid, 0)
        except ProcessLookupError:
            fail(f"the program ended while monitor 2 was awaiting {awaited}")
        if time.monotonic() - last_change > limit:
            fail(f"monitor 2 did not show {awaited} within {limit} s (it shows {seen}; "
                 f"pictures so far: {', '.join(expected[:len(frames)]) or 'none'})")
        shot = ImageGrab.grab(xdisplay=display)
        now = time.monotonic()
        current = classify(monitors(shot)[1])
        # "other" or "black" between two pictures does not end the one before. Before the show's first
        # picture anything may be on the screen.
        if current in PICTURES and current != seen:
            if current == awaited:
                frames.append((now - last_change, shot))
                last_change = now
            elif frames:
                fail(f"monitor 2 shows {current} where {awaited} should follow {expected[len(frames) - 1]}")
            seen = current
        time.sleep(0.05)
    print(f"shown in order in {time.monotonic() - start:.1f} s: {' -> '.join(expected)}")

    for number, (name, (seconds, shot)) in enumerate(zip(expected, frames), start=1):
        path = f"{folder}/show-{number}-{name}.png"
        shot.save(path)
        print(f"{name} after {seconds:.1f} s: ", end="", flush=True)
        picture(path, name)
        main_window(path)


def black(shot_path):
    _, second = monitors(shot_path)
    high = max(high for _, high in second.getextrema())
    if high > DARK:
        fail(f"monitor 2 is not black (brightest channel {high})")
    print("monitor 2 is black")


# A monitor scaled 2x: the checkerboard -----------------------------------------------------------------

CHECKERBOARD_SIZE = (1920, 1080)  # the size of a monitor
CHECKERBOARD_GREY = (128, 128, 128)  # its average, the colour of its thumbnail


def make_checkerboard(path):
    """A one-pixel checkerboard of black and white as large as a monitor: a copy fitted to half the
    monitor's pixels and doubled, resampled or moved by a pixel differs from it on the screen."""
    width, height = CHECKERBOARD_SIZE
    rows = [bytes(255 if (x + y) % 2 == 0 else 0 for x in range(width)) for y in range(2)]
    Image.frombytes("L", (width, height), b"".join(rows[y % 2] for y in range(height))).convert("RGB").save(
        path)


def checkerboard_entry(shot_path, below):
    """The checkerboard's thumbnail, an even grey, is in the image list below row `below` of monitor 1
    (under the toolbar, whose icons have greys of their own): prints its centre."""
    first, _ = monitors(shot_path)
    width, height = first.size
    count, x, y = colour_blob(first, CHECKERBOARD_GREY, (width // 3, below, width, height))
    if count < 300:
        fail(f"the image list shows no thumbnail of the checkerboard ({count} grey samples)")
    print(x, y)


def exact(shot_path, picture_path):
    """Monitor 2 shows the picture at `picture_path`, as large as the monitor, pixel for pixel."""
    _, second = monitors(shot_path)
    expected = Image.open(picture_path).convert("RGB")
    if second.size != expected.size:
        fail(f"monitor 2 is {second.size}, the picture {expected.size}")
    shown, wanted = second.tobytes(), expected.tobytes()
    differing = sum(1 for i in range(0, len(shown), 3) if shown[i:i + 3] != wanted[i:i + 3]) \
        if shown != wanted else 0
    if differing:
        width = second.width
        sample = second.crop((width // 2, 500, width // 2 + 4, 504)).convert("L").tobytes()
        fail(f"{differing} of {len(shown) // 3} pixels of monitor 2 differ from the picture "
             f"(4 x 4 pixels from its middle: {list(sample)})")
    print(f"monitor 2 shows the {second.width} x {second.height} picture pixel for pixel")


# Damaged files ----------------------------------------------------------------------------------------


def bomb(path, width, height):
    """A JPEG of a few hundred bytes whose frame header declares a picture of width x height."""
    import io
    import struct
    buffer = io.BytesIO()
    Image.new("RGB", (64, 48), GREEN).save(buffer, "JPEG", quality=90)
    data = bytearray(buffer.getvalue())
    frame = data.find(b"\xff\xc0")
    if frame < 0:
        fail("Pillow wrote no baseline frame header")
    struct.pack_into(">HH", data, frame + 5, height, width)
    open(path, "wb").write(bytes(data))


def not_supported(shot_path):
    """Counts the thumbnails in the image list that carry the red text "Error: not supported format."
    instead of a picture: runs of pure red pixels, one line of text each, told apart by the gaps
    between them."""
    first, _ = monitors(shot_path)
    width, height = first.size
    pixels = first.load()
    red = [(x, y) for y in range(0, height) for x in range(width // 3, width)
           if pixels[x, y][0] > 200 and pixels[x, y][1] < 60 and pixels[x, y][2] < 60]
    rows = []
    for x, y in sorted(red, key=lambda p: p[1]):
        if rows and y - rows[-1][-1][1] <= 20:
            rows[-1].append((x, y))
        else:
            rows.append([(x, y)])
    texts = 0
    for row in rows:
        xs = sorted(x for x, _ in row)
        start = previous = xs[0]
        for x in xs[1:] + [None]:
            if x is None or x - previous > 20:
                texts += 1 if previous - start >= 80 else 0
                start = x
            if x is not None:
                previous = x
    print(texts)


# The program's files ---------------------------------------------------------------------------------


def read_utf16_file(path):
    """The text of a file the program wrote: UTF-16 LE with a byte-order mark and CR LF line ends."""
    data = open(path, "rb").read()
    if not data.startswith(b"\xff\xfe"):
        fail(f"{path} does not start with the UTF-16 LE byte-order mark")
    text = data[2:].decode("utf-16-le")
    if text and not text.endswith("\r\n"):
        fail(f"{path} does not end with CR LF")
    lines = text.split("\r\n")[:-1] if text else []
    if any("\n" in line or "\r" in line for line in lines):
        fail(f"{path} has a line end other than CR LF")
    return lines


def listfile(path, names):
    lines = read_utf16_file(path)
    if lines != list(names):
        fail(f"{path} names {lines}, expected {list(names)}")
    print(f"{len(lines)} entries, in order")


def settings(path, pairs):
    lines = read_utf16_file(path)
    for pair in pairs:
        if pair not in lines:
            fail(f"{path} has no line {pair!r}; it holds {lines}")
    print("holds", ", ".join(pairs))


# Photographs: the command line, a second start and the README's pictures ---------------------------------

LIST_LEFT = 700  # the image list half of monitor 1 starts right of the 680 pixel browser panel


def list_colour_count(first):
    """Colourful pixels (one channel at least 60 above another) in the image list half of monitor 1,
    sampled every other pixel in both directions. Window, list background, captions, icons and the
    placeholder thumbnails are grey; photographs are not."""
    width, height = first.size
    region = first.crop((LIST_LEFT, 0, width, height)).resize(((width - LIST_LEFT) // 2, height // 2),
                                                                 Image.NEAREST)
    return sum(1 for r, g, b in region.getdata() if max(r, g, b) - min(r, g, b) >= 60)


def listcolour(shot_path):
    first, _ = monitors(shot_path)
    print(list_colour_count(first))


def settled(display, shot_path, quiet, timeout, minimum):
    """Waits until the image list has shown the same picture for `quiet` seconds with at least `minimum`
    colourful pixels (its thumbnails rendered), then saves that screenshot and prints the count."""
    import time

    from PIL import ImageGrab

    start = time.monotonic()
    previous = None
    same_since = start
    count = 0
    while time.monotonic() - start < timeout:
        shot = ImageGrab.grab(xdisplay=display)
        first, _ = monitors(shot)
        now = time.monotonic()
        listed = first.crop((LIST_LEFT, 0, first.width, first.height)).tobytes()
        if listed != previous:
            previous, same_since = listed, now
            count = list_colour_count(first)
        elif now - same_since >= quiet and count >= minimum:
            shot.save(shot_path)
            print(count)
            return
        time.sleep(0.2)
    fail(f"the image list did not settle with at least {minimum} colourful pixels within {timeout} s "
         f"(it shows {count})")


def photo(shot_path, photo_path):
    """Monitor 2 shows the photograph fitted to the screen, centred between black bars, with the
    watermark's white text in its bottom right corner: compared with the photograph scaled the same way,
    the picture matches everywhere but there, and only there white pixels stand where the photograph has
    none."""
    from PIL import ImageChops, ImageOps

    _, second = monitors(shot_path)
    original = ImageOps.exif_transpose(Image.open(photo_path)).convert("RGB")
    sw, sh = second.size
    pw, ph = original.size
    scale = min(sw / pw, sh / ph)
    w, h = round(pw * scale), round(ph * scale)
    left, top = (sw - w) // 2, (sh - h) // 2
    expected = original.resize((w, h), Image.LANCZOS)
    shown = second.crop((left, top, left + w, top + h))

    text_height = max(8, int(WATERMARK_POINTS * scale))
    corner_w, corner_h = 8 * text_height, 2 * text_height
    corners = {
        "bottom right": (w - corner_w, h - corner_h, w, h),
        "bottom left": (0, h - corner_h, corner_w, h),
        "top right": (w - corner_w, 0, w, corner_h),
        "top left": (0, 0, corner_w, corner_h),
    }

    # The picture itself, the watermark's corner left out.
    difference = ImageChops.difference(expected, shown).convert("L")
    difference.paste(0, corners["bottom right"])
    mean = sum(difference.getdata()) / (w * h)
    if mean > 12:
        fail(f"monitor 2 does not show {photo_path} fitted at {left},{top} ({w} x {h}): "
             f"mean difference {mean:.1f}")

    def added_white(box):
        x0, y0, x1, y1 = box
        screen, picture = shown.load(), expected.load()
        return sum(1 for y in range(y0, y1) for x in range(x0, x1)
                   if min(screen[x, y]) > WHITE and max(picture[x, y]) < WHITE - 30)

    white = {where: added_white(box) for where, box in corners.items()}
    if white["bottom right"] < 20:
        fail(f"no watermark in the bottom right corner of {photo_path} ({white['bottom right']} white pixels)")
    for where in ("bottom left", "top right", "top left"):
        if white[where] > 5:
            fail(f"{white[where]} white pixels that the photograph does not have in its {where} corner")
    bars = [(0, 0, sw, top - 3), (0, top + h + 3, sw, sh), (0, 0, left - 3, sh), (left + w + 3, 0, sw, sh)]
    for box in bars:
        if box[2] - box[0] > 0 and box[3] - box[1] > 0:
            high = max(high for _, high in second.crop(box).getextrema())
            if high > DARK:
                fail(f"the bar {box} of monitor 2 is not black (brightest channel {high})")
    print(f"fitted at {left},{top} ({w} x {h}), mean difference {mean:.1f}, "
          f"watermark: {white['bottom right']} white pixels in the bottom right corner")


def run(argv, commands, usage):
    """Runs the command argv[1] of `commands` (name: (least arguments, function of the arguments)), or
    prints `usage` and exits with 2 when there is no such command or too few arguments."""
    if len(argv) < 2 or argv[1] not in commands or len(argv) - 2 < commands[argv[1]][0]:
        print(usage, file=sys.stderr)
        sys.exit(2)
    commands[argv[1]][1](argv[2:])


def main(argv):
    commands = {
        "make": (1, lambda a: make(a[0])),
        "toolbar": (1, lambda a: toolbar(a[0], int(a[1]) if len(a) > 1 else 1, int(a[2]) if len(a) > 2 else 5)),
        "row": (2, lambda a: list_row(a[0], int(a[1]))),
        "rows": (1, lambda a: list_row_count(a[0])),
        "whole": (2, lambda a: whole(a[0], a[1])),
        "entries": (1, lambda a: entries(a[0])),
        "entry": (2, lambda a: entry(a[0], a[1])),
        "selected": (2, lambda a: selected(a[0], a[1])),
        "main": (1, lambda a: main_window(a[0])),
        "shown": (1, lambda a: shown(a[0])),
        "picture": (2, lambda a: picture(a[0], a[1])),
        "black": (1, lambda a: black(a[0])),
        "watch": (6, lambda a: watch(a[0], a[1], int(a[2]), float(a[3]), float(a[4]), a[5:])),
        "listfile": (1, lambda a: listfile(a[0], a[1:])),
        "settings": (1, lambda a: settings(a[0], a[1:])),
        "checkerboard": (1, lambda a: make_checkerboard(a[0])),
        "checkerboard-entry": (2, lambda a: checkerboard_entry(a[0], int(a[1]))),
        "exact": (2, lambda a: exact(a[0], a[1])),
        "bomb": (3, lambda a: bomb(a[0], int(a[1]), int(a[2]))),
        "notsupported": (1, lambda a: not_supported(a[0])),
        "listcolour": (1, lambda a: listcolour(a[0])),
        "settled": (5, lambda a: settled(a[0], a[1], float(a[2]), float(a[3]), int(a[4]))),
        "photo": (2, lambda a: photo(a[0], a[1])),
    }
    run(argv, commands, __doc__)


if __name__ == "__main__":
    main(sys.argv)
