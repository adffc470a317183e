#!/usr/bin/env python3
"""Draws the stop button's picture: a 16 x 16, 24-bit Windows bitmap of a red octagon with a
white bar, on a grey ground. The bottom-left pixel is the ground colour, which the button
treats as transparent when it draws the picture.

Usage: python3 src/wait/stop_bitmap.py [OUTPUT]   (default: stop.bmp beside this script)
"""
import os
import struct
import sys

SIZE = 16
GROUND = (192, 192, 192)
OUTLINE = (128, 0, 0)
FILL = (220, 32, 32)
BAR = (255, 255, 255)


def inside(x, y):
    """The octagon covers 1..14 in both directions with its corners cut by four pixels."""
    if not (1 <= x <= 14 and 1 <= y <= 14):
        return False
    return min(x + y, (15 - x) + y, x + (15 - y), (15 - x) + (15 - y)) >= 6


def colour(x, y):
    """Colour at (x, y), y counted from the top."""
    if not inside(x, y):
        return GROUND
    neighbours = ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1))
    if not all(inside(nx, ny) for nx, ny in neighbours):
        return OUTLINE
    if 7 <= y <= 8 and 4 <= x <= 11:
        return BAR
    return FILL


def bitmap_bytes():
    row_size = (SIZE * 3 + 3) // 4 * 4
    pixels = bytearray()
    for y in reversed(range(SIZE)):  # rows are stored bottom-up
        row = bytearray()
        for x in range(SIZE):
            r, g, b = colour(x, y)
            row += bytes((b, g, r))
        row += bytes(row_size - len(row))
        pixels += row
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + bytes(pixels)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "stop.bmp")
    with open(out, "wb") as f:
        f.write(bitmap_bytes())


if __name__ == "__main__":
    main()
