#!/usr/bin/env python3
"""Draws the about box's 400 x 150 logo picture, Logo400x150.jpg, next to this script.

The picture is a night landscape seen through two picture frames: a dark sky, a row of hills and a
moon. It stays dark and calm where the about box writes its texts over it (the lines at the top right,
the program name across the middle, the credit lines at the bottom left), so that silver and white text
stays readable. Run it again after a change: /usr/bin/python3 make-logo.py (needs Debian's python3-pil).
"""

import math
import os

from PIL import Image, ImageChops, ImageDraw, ImageFilter

WIDTH, HEIGHT = 400, 150


def lerp(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def sky(image):
    top, bottom = (8, 14, 34), (34, 52, 86)
    draw = ImageDraw.Draw(image)
    for y in range(HEIGHT):
        draw.line([(0, y), (WIDTH, y)], fill=lerp(top, bottom, y / (HEIGHT - 1)))


def moon(image):
    cx, cy, r = 318, 60, 15
    glow = Image.new("RGB", image.size)
    ImageDraw.Draw(glow).ellipse([cx - 2 * r, cy - 2 * r, cx + 2 * r, cy + 2 * r], fill=(40, 46, 60))
    image.paste(ImageChops.add(image, glow.filter(ImageFilter.GaussianBlur(12))))
    ImageDraw.Draw(image).ellipse([cx - r, cy - r, cx + r, cy + r], fill=(150, 156, 170))


def stars(image):
    draw = ImageDraw.Draw(image)
    # A fixed scatter, so that every run draws the same picture.
    for i in range(70):
        x = (i * 137 + 29) % WIDTH
        y = (i * 53 + 11) % 70
        level = 70 + (i * 37) % 80
        draw.point((x, y), fill=(level, level, level + 10))


def hills(image):
    draw = ImageDraw.Draw(image)
    layers = [
        (98, 10, 0.021, 0.7, (22, 40, 58)),
        (112, 8, 0.034, 2.1, (16, 30, 44)),
        (126, 6, 0.052, 4.0, (10, 20, 30)),
    ]
    for base, amplitude, frequency, phase, colour in layers:
        outline = [(x, base - amplitude * math.sin(frequency * x + phase)
                    - amplitude / 2 * math.sin(2.3 * frequency * x + phase)) for x in range(WIDTH + 1)]
        draw.polygon(outline + [(WIDTH, HEIGHT), (0, HEIGHT)], fill=colour)


def frames(image):
    # Two picture frames, the second a little larger: one picture shown on the second monitor.
    draw = ImageDraw.Draw(image)
    draw.rectangle([14, 14, 74, 54], outline=(70, 86, 112), width=2)
    draw.rectangle([40, 26, 112, 74], outline=(96, 116, 148), width=2)
    draw.polygon([(46, 68), (62, 50), (74, 60), (88, 44), (106, 68)], fill=(58, 74, 100))


def main():
    image = Image.new("RGB", (WIDTH, HEIGHT))
    sky(image)
    stars(image)
    moon(image)
    hills(image)
    frames(image)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "Logo400x150.jpg")
    image.save(path, "JPEG", quality=90)


if __name__ == "__main__":
    main()
