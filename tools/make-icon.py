#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Draws korvane.exe's icon (data/windows/korvane.ico): the picture of
# data/org.korvane.Korvane.svg -- a blue help book, an orange arrow, a page
# of source text -- at 16, 32 and 48 pixels, each sampled 4 x 4 times per
# pixel from the 64-unit drawing, as 32-bit images with alpha.
# Usage: make-icon.py OUT.ico
import struct
import sys

BLUE, SPINE, ORANGE, WHITE, GREY = (0x24, 0x58, 0xa6), (0x17, 0x3b, 0x72), (0xe0, 0x8a, 0x1e), (255, 255, 255), (0x4a, 0x4a, 0x4a)


def rounded(x, y, x0, y0, w, h, r):
    if not (x0 <= x < x0 + w and y0 <= y < y0 + h):
        return False
    cx = min(max(x, x0 + r), x0 + w - r)
    cy = min(max(y, y0 + r), y0 + h - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def question_mark(x, y):
    # A bold '?' on the book's cover: an arc above, a stem, a dot.
    arc = 16 <= ((x - 21) ** 2 + (y - 27) ** 2) <= 49 and (y < 27 or x > 21)
    stem = 19.5 <= x <= 22.5 and 30 <= y <= 36
    dot = (x - 21) ** 2 + (y - 40) ** 2 <= 3.5
    return arc or stem or dot


def colour_at(x, y):
    lines = [(19, 57), (25, 55), (31, 57), (37, 53), (43, 57)]
    if rounded(x, y, 44, 12, 16, 42, 2):
        for ly, end in lines:
            if 47 <= x <= end and abs(y - ly) <= 1:
                return GREY
        inner = rounded(x, y, 45.5, 13.5, 13, 39, 1)
        return WHITE if inner else GREY
    if 38 <= x <= 46 and abs(y - 30) <= (x - 38) * -1 + 8 and x <= 46:
        if abs(y - 30) <= 46 - x:
            return ORANGE
    if rounded(x, y, 6, 8, 30, 46, 3):
        if 10 <= x < 13:
            return SPINE
        return WHITE if question_mark(x, y) else BLUE
    return None


def image(size):
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(4):
                for sx in range(4):
                    c = colour_at((px + (sx + 0.5) / 4) * 64 / size, (py + (sy + 0.5) / 4) * 64 / size)
                    if c:
                        acc[0] += c[0]; acc[1] += c[1]; acc[2] += c[2]; acc[3] += 1
            n = acc[3]
            row.append((acc[0] // n, acc[1] // n, acc[2] // n, n * 255 // 16) if n else (0, 0, 0, 0))
        rows.append(row)
    pixels = b''.join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_row = ((size + 31) // 32) * 4
    mask = b''.join(
        bytes(sum(0x80 >> (i % 8) for i in range(byte * 8, min(byte * 8 + 8, size)) if row[i][3] == 0)
              for byte in range(mask_row)) for row in reversed(rows))
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + mask


sizes = [16, 32, 48]
images = [image(s) for s in sizes]
out = struct.pack('<HHH', 0, 1, len(sizes))
offset = 6 + 16 * len(sizes)
for s, data in zip(sizes, images):
    out += struct.pack('<BBBBHHII', s, s, 0, 0, 1, 32, len(data), offset)
    offset += len(data)
with open(sys.argv[1], 'wb') as f:
    f.write(out + b''.join(images))
