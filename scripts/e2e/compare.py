"""Screenshot comparison for the end-to-end run: a screenshot of the root window split into its two
monitors (monitor 1 the left half, monitor 2 the right half), and what monitor 2, the audience's, shows:
one of the pictures of fixtures.py upright, fitted and watermarked, black, a picture pixel for pixel, or
a photograph fitted and watermarked.

Only Debian's python3-pil is needed; run it with /usr/bin/python3.
"""

from PIL import Image

from dispatch import fail
from fixtures import PICTURES

TOLERANCE = 48  # per channel, for JPEG coding, resampling and the list's selection tint
DARK = 24  # a pixel with no channel above this counts as black
WHITE = 190  # a pixel with every channel above this counts as white (the watermark's text)
WATERMARK_POINTS = 32  # the watermark's height in pixels on the full-size picture (24 pt at 96 dpi)


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


def black(shot_path):
    _, second = monitors(shot_path)
    high = max(high for _, high in second.getextrema())
    if high > DARK:
        fail(f"monitor 2 is not black (brightest channel {high})")
    print("monitor 2 is black")


# A monitor scaled 2x: the checkerboard pixel for pixel ----------------------------------------------


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


# Photographs ------------------------------------------------------------------------------------------


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
