#!/usr/bin/env python3
"""Writes the orientation bitmaps and the program icon into resources/pictures/.

The generated files are committed, so the build itself needs no Python; run this
again only after changing a drawing:  python3 resources/make_pictures.py
"""
import math
import os
import struct

SIZE = 20
BLACK, DARK_RED, DARK_YELLOW, DARK_CYAN = 0, 1, 3, 6
GREY, YELLOW, CYAN, WHITE = 8, 11, 14, 15

# The standard 16-colour palette as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "pictures")


def sensor_down():
    """The sensor with its cable pointing down: set of (row, column) of black pixels."""
    black = set()
    for r in range(0, 16):
        for c in range(6, 15):
            if r in (0, 15) or c in (6, 14):
                black.add((r, c))
    for r in (13, 14):
        for c in range(9, 12):
            black.add((r, c))
    for r in range(16, 20):
        black.add((r, 10))
    return black


def turn_clockwise(black, quarters):
    for _ in range(quarters):
        black = {(c, SIZE - 1 - r) for r, c in black}
    return black


def palette_bytes():
    return b"".join(struct.pack("<4B", b, g, r, 0) for r, g, b in PALETTE)


def pack_rows(pixels, width, height):
    """4-bit rows, bottom row first, each padded to a multiple of 4 bytes."""
    stride = (width * 4 + 31) // 32 * 4
    data = bytearray()
    for r in reversed(range(height)):
        row = bytearray(stride)
        for c in range(width):
            row[c // 2] |= pixels[r][c] << (4 if c % 2 == 0 else 0)
        data += row
    return bytes(data)


def info_header(width, height, image_size, used):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, image_size, 0, 0, used, used)


def write_sensor_bitmap(name, quarters, background):
    black = turn_clockwise(sensor_down(), quarters)
    pixels = [[BLACK if (r, c) in black else background for c in range(SIZE)] for r in range(SIZE)]
    bits = pack_rows(pixels, SIZE, SIZE)
    body = info_header(SIZE, SIZE, len(bits), 16) + palette_bytes() + bits
    offset = 14 + 40 + 64
    header = struct.pack("<2sIHHI", b"BM", 14 + len(body), 0, 0, offset)
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(header + body)


def icon_pixels():
    """32x32 colour indices, None where the icon is transparent."""
    n = 32
    px = [[None] * n for _ in range(n)]

    # Folder: a tab at the top left, then the body; black outline, yellow inside.
    def box(x0, y0, x1, y1, fill):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                edge = x in (x0, x1) or y in (y0, y1)
                px[y][x] = BLACK if edge else fill

    box(2, 6, 11, 10, DARK_YELLOW)
    box(2, 9, 25, 27, YELLOW)
    for x in range(3, 25):
        px[10][x] = WHITE           # light catching the folder's front edge
    for y in range(11, 27):
        px[y][24] = DARK_YELLOW      # shadow on its right side

    # Magnifying glass over the folder: glass, rim, then the handle down to the corner.
    cx, cy = 18.5, 14.5
    for y in range(n):
        for x in range(n):
            d = math.hypot(x - cx, y - cy)
            if d <= 5.6:
                glint = math.hypot(x - (cx - 2.5), y - (cy - 2.5)) <= 1.3
                px[y][x] = WHITE if glint else CYAN
            elif d <= 6.8:
                px[y][x] = GREY
            elif d <= 7.9:
                px[y][x] = BLACK
    ax, ay, bx, by = 23.5, 19.5, 28.5, 24.5
    for y in range(n):
        for x in range(n):
            t = ((x - ax) * (bx - ax) + (y - ay) * (by - ay)) / ((bx - ax) ** 2 + (by - ay) ** 2)
            t = min(1.0, max(0.0, t))
            d = math.hypot(x - (ax + t * (bx - ax)), y - (ay + t * (by - ay)))
            if d <= 1.3:
                px[y][x] = DARK_RED
            elif d <= 2.3 and math.hypot(x - cx, y - cy) > 7.9:
                px[y][x] = BLACK
    return px


def write_icon(name):
    n = 32
    px = icon_pixels()
    colours = [[BLACK if p is None else p for p in row] for row in px]
    xor = pack_rows(colours, n, n)
    mask = bytearray()
    for r in reversed(range(n)):
        bits = 0
        for c in range(n):
            if px[r][c] is None:
                bits |= 1 << (31 - c)
        mask += struct.pack(">I", bits)
    image = info_header(n, 2 * n, len(xor) + len(mask), 0) + palette_bytes() + xor + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", n, n, 16, 0, 1, 4, len(image), 6 + 16)
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(directory + entry + image)


def main():
    os.makedirs(OUT, exist_ok=True)
    for quarters, where in enumerate(("top", "right", "bottom", "left")):
        write_sensor_bitmap("sensor_%s.bmp" % where, quarters, WHITE)
        write_sensor_bitmap("sensor_%s_sel.bmp" % where, quarters, DARK_CYAN)
    write_icon("tavro.ico")


if __name__ == "__main__":
    main()
