"""Finding things on monitor 1 of a screenshot, the operator's, for the end-to-end run: the main window,
the toolbar above the image list and its buttons, the list view's rows, the thumbnails of the pictures
of fixtures.py (selected, whole, or saying "not supported"), and how colourful the image list is.

Only Debian's python3-pil is needed; run it with /usr/bin/python3.
"""

from PIL import Image

from compare import monitors, near
from dispatch import fail
from fixtures import CHECKERBOARD_GREY, PICTURES

HIGHLIGHT = (48, 140, 198)  # the background of a selected entry's caption (the Fusion style's highlight)


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


# A monitor scaled 2x: the checkerboard's thumbnail ----------------------------------------------------


def checkerboard_entry(shot_path, below):
    """The checkerboard's thumbnail, an even grey, is in the image list below row `below` of monitor 1
    (under the toolbar, whose icons have greys of their own): prints its centre."""
    first, _ = monitors(shot_path)
    width, height = first.size
    count, x, y = colour_blob(first, CHECKERBOARD_GREY, (width // 3, below, width, height))
    if count < 300:
        fail(f"the image list shows no thumbnail of the checkerboard ({count} grey samples)")
    print(x, y)


# Damaged files: the "not supported" thumbnails -------------------------------------------------------


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


# Photographs: the image list's thumbnails drawn ---------------------------------------------------------

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
