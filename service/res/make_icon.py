#!/usr/bin/env python3
"""Draws Lookout's icon (a camera lens on a rounded blue square) as a .ico file with
16 x 16 and 32 x 32 images of 32-bit colour."""
import math
import struct
import sys


def pixel(x, y, size):
    c = (size - 1) / 2.0
    r = size / 2.0
    dx, dy = x - c, y - c
    # Rounded square background.
    corner = size * 0.2
    qx = max(abs(dx) - (r - corner), 0)
    qy = max(abs(dy) - (r - corner), 0)
    if math.hypot(qx, qy) > corner:
        return (0, 0, 0, 0)
    d = math.hypot(dx, dy)
    if d < r * 0.22:
        return (30, 30, 40, 255)      # pupil
    if d < r * 0.45:
        return (230, 240, 250, 255)   # lens ring
    if d < r * 0.55:
        return (40, 60, 90, 255)
    return (205, 101, 30, 255)        # B, G, R: the blue of the program's texts


def image(size):
    rows = []
    for y in reversed(range(size)):   # bottom-up
        rows.append(b"".join(struct.pack("BBBB", *pixel(x, y, size)) for x in range(size)))
    xor = b"".join(rows)
    mask_row = ((size + 31) // 32) * 4
    mask = bytes(mask_row * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + xor + mask


def main():
    sizes = [16, 32]
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(sys.argv[1], "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main()
