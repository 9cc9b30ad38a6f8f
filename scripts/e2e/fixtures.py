"""The pictures that the end-to-end run presents, made here, and what they look like: the colours and
sizes that the screenshot checks (compare.py, mainwindow.py) look for.

Only Debian's python3-pil is needed; run it with /usr/bin/python3.
"""

from PIL import Image, ImageDraw

from dispatch import fail

# The colours of the pictures, chosen far apart so that a sample tells them apart after JPEG coding and
# resampling.
RED = (208, 32, 32)
BLUE = (32, 64, 208)
YELLOW = (224, 208, 32)
CYAN = (32, 208, 208)
GREEN = (32, 192, 64)
ORANGE = (224, 112, 16)
PURPLE = (128, 48, 160)  # the JPEG's EXIF thumbnail, so that the list shows where its thumbnail came from

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


# The show's pictures ---------------------------------------------------------------------------------


def make(folder):
    """Writes IMG_1234.jpg (without EXIF yet), thumb.jpg (its EXIF thumbnail), IMG_5678.png and
    IMG_9012.ppm (the JPEG 2000 picture's source); the run adds the EXIF data and codes the JPEG 2000."""
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


# The desktop sessions' pictures ----------------------------------------------------------------------

# One colour each and as large as a monitor, so that a screenshot tells at a glance which monitor the show
# covers and which picture it shows.
SOLID = {"red.png": RED, "green.png": GREEN, "blue.png": BLUE}
SOLID_SIZE = (1920, 1080)


def make_solid(folder):
    """Writes red.png, green.png and blue.png of 1920 x 1080 into `folder`."""
    for name, colour in SOLID.items():
        Image.new("RGB", SOLID_SIZE, colour).save(f"{folder}/{name}")


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


def scan_bomb(path, width, height, repeats):
    """A progressive JPEG of a grey width x height picture whose last scan is repeated `repeats` more
    times before its end: a small file whose every scan costs the decoder a pass over the picture."""
    import io
    buffer = io.BytesIO()
    Image.new("L", (width, height), 128).save(buffer, "JPEG", quality=90, progressive=True)
    data = buffer.getvalue()
    last = data.rfind(b"\xff\xda")
    if last < 0 or not data.endswith(b"\xff\xd9"):
        fail("Pillow wrote no progressive scans")
    scan = data[last:-2]
    open(path, "wb").write(data[:-2] + scan * repeats + b"\xff\xd9")

