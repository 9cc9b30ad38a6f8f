#!/usr/bin/python3
"""Draws the program's icon, resources/icons/00MAINICON.png (256 x 256): a monitor showing a landscape,
and the smaller sizes the desktop's hicolor icon theme asks for, resources/icons/hicolor/NxN/apps/
com.quenmark.Orvalis.png (scaled down from the large one).

Our own drawing, under the program's licence. Run from the repository root with Debian's python3-pil: /usr/bin/python3 resources/make-icon.py
"""
import os

from PIL import Image, ImageDraw

SIZE = 256
image = Image.new("RGBA", (SIZE, SIZE), (0, 0, 0, 0))
draw = ImageDraw.Draw(image)
# The stand and the frame of the monitor.
draw.polygon([(104, 196), (152, 196), (168, 232), (88, 232)], fill=(70, 74, 80, 255))
draw.rounded_rectangle([8, 28, 248, 204], radius=14, fill=(40, 43, 48, 255))
# The picture on its screen: sky, sun, two hills.
left, top, right, bottom = 22, 42, 234, 190
draw.rectangle([left, top, right, bottom], fill=(96, 160, 224, 255))
draw.ellipse([168, 58, 206, 96], fill=(255, 212, 80, 255))
draw.polygon([(left, bottom), (left, 140), (90, 104), (160, bottom)], fill=(64, 140, 72, 255))
draw.polygon([(80, bottom), (150, 118), (right, 150), (right, bottom)], fill=(44, 112, 56, 255))
image.save("resources/icons/00MAINICON.png")
for size in (16, 22, 24, 32, 48, 64, 128):
    folder = f"resources/icons/hicolor/{size}x{size}/apps"
    os.makedirs(folder, exist_ok=True)
    image.resize((size, size), Image.LANCZOS).save(f"{folder}/com.quenmark.Orvalis.png", optimize=True)
