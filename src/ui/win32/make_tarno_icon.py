#!/usr/bin/env python3
"""Draws the module's icon and writes it as tarno.ico (32x32 and 16x16, 32-bit with alpha).

Not part of the build: run it by hand after changing the drawing, and commit the .ico.

    python3 src/ui/win32/make_tarno_icon.py src/ui/win32/tarno.ico

The picture: a mast sending waves, over the red, white and green of the counties' country,
on the county window's pale yellow. Shapes are sampled 4x4 times per pixel for smooth edges.
"""

import math
import struct
import sys

PAPER = (255, 250, 198)
INK = (60, 52, 40)
RED = (205, 42, 62)
WHITE = (255, 255, 255)
GREEN = (67, 111, 77)

SAMPLES = 4


def inside_rounded_square(x, y, size, radius):
    """True for a point of the square [0, size) with corners rounded by radius."""
    cx = min(max(x, radius), size - radius)
    cy = min(max(y, radius), size - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def colour_at(x, y, size):
    """The colour of a point in icon coordinates (0..size), or None outside the icon."""
    u, v = x / size, y / size  # the drawing is made on a unit square
    if not inside_rounded_square(u, v, 1.0, 0.16):
        return None
    if not inside_rounded_square(u - 0.06, v - 0.06, 0.88, 0.11):
        return INK  # the frame
    if v >= 0.62:  # the tricolour band
        return RED if v < 0.72 else WHITE if v < 0.82 else GREEN
    # The mast: a thin triangle standing on the band, with a ball on top.
    top, foot = 0.24, 0.62
    if top <= v < foot:
        half_width = 0.015 + 0.07 * (v - top) / (foot - top)
        if abs(u - 0.5) <= half_width:
            return INK
    if (u - 0.5) ** 2 + (v - 0.22) ** 2 <= 0.045 ** 2:
        return RED
    # Two waves on each side of the ball.
    distance = math.hypot(u - 0.5, v - 0.22)
    angle = math.degrees(math.atan2(v - 0.22, abs(u - 0.5)))
    if -40 <= angle <= 40:
        for radius in (0.14, 0.25):
            if abs(distance - radius) <= 0.028:
                return INK
    return PAPER


def render(size):
    """Rows of (r, g, b, a), top row first."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            total = [0, 0, 0]
            covered = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES, size)
                    if c is None:
                        continue
                    covered += 1
                    for i in range(3):
                        total[i] += c[i]
            if covered == 0:
                row.append((0, 0, 0, 0))
            else:
                alpha = round(255 * covered / SAMPLES ** 2)
                row.append(tuple(round(t / covered) for t in total) + (alpha,))
        rows.append(row)
    return rows


def icon_image(size):
    """One image as an icon file holds it: a BITMAPINFOHEADER, BGRA rows bottom up, AND mask."""
    rows = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_row_bytes = ((size + 31) // 32) * 4
    mask = b""
    for row in reversed(rows):
        bits = bytearray(mask_row_bytes)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + pixels + mask


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else "tarno.ico"
    sizes = (32, 16)
    images = [icon_image(size) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
