#!/usr/bin/env python3
"""Decodes .bmp files with Pillow, independently of the program and its tests, and writes
each one's grey levels as <file>.raw: top row first, one byte per pixel."""
import sys

from PIL import Image

for path in sys.argv[1:]:
    with Image.open(path) as image:
        grey = image.convert("L")
        with open(path + ".raw", "wb") as raw:
            raw.write(grey.tobytes())
        print(path, image.format, image.mode, image.size[0], image.size[1])
