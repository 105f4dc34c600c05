#!/usr/bin/env python3
"""Decodes with Pillow every image that the stand-in receivers saved during the end-to-end
tests, and checks that the photo server and the imaging application got the same picture
wherever both took one."""
import glob
import os
import re
import sys

from PIL import Image

root = os.path.join(os.environ["WINEPREFIX"], "drive_c", "tavro-e2e")
decoded = {}
failures = []
for path in sorted(glob.glob(os.path.join(root, "*", "*.bmp"))):
    if not re.match(r"(foto|quenstal)-\d+\.bmp$", os.path.basename(path)):
        continue
    try:
        with Image.open(path) as image:
            image.load()
            decoded[path] = (image.size, image.convert("L").tobytes())
    except Exception as error:  # any decoder complaint is a fault of the delivered image
        failures.append(f"{path}: {error}")

pairs = 0
for path, picture in decoded.items():
    name = os.path.basename(path)
    if name.startswith("foto-"):
        twin = os.path.join(os.path.dirname(path), "quenstal-" + name[5:])
        if twin in decoded:
            pairs += 1
            if decoded[twin] != picture:
                failures.append(f"{path} and its copy differ")

print(f"{len(decoded)} images decoded, {pairs} pairs compared")
for failure in failures:
    print("FAIL", failure)
sys.exit(1 if failures or not decoded else 0)
