#!/usr/bin/env python3
"""Draws the programs' icon (a receipt printer with a paper strip) into QLX480.ico.

Run once when the picture changes; the .ico is committed. Two images, 32x32 and 16x16,
32-bit BGRA with an AND mask, stored as classic BMP icon entries that every Windows reads.
"""
import struct
import sys


def draw(size):
    s = size / 32.0
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]

    def rect(x0, y0, x1, y1, colour):
        for y in range(int(y0 * s), max(int(y0 * s) + 1, int(y1 * s))):
            for x in range(int(x0 * s), max(int(x0 * s) + 1, int(x1 * s))):
                if 0 <= x < size and 0 <= y < size:
                    px[y][x] = colour

    dark, body, light = (40, 44, 52, 255), (70, 90, 120, 255), (250, 250, 245, 255)
    accent, line = (0, 150, 220, 255), (150, 150, 150, 255)
    rect(9, 1, 23, 14, dark)       # paper outline
    rect(10, 2, 22, 14, light)     # receipt paper
    for y in (4, 7, 10):
        rect(12, y, 20, y + 1, line)
    rect(3, 12, 29, 28, dark)      # printer housing outline
    rect(4, 13, 28, 27, body)
    rect(7, 15, 25, 17, dark)      # paper slot
    rect(22, 21, 26, 24, accent)   # status lamp
    rect(4, 27, 28, 30, dark)      # base
    return px


def entry(size):
    px = draw(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b''.join(struct.pack('<BBBB', b, g, r, a) for row in reversed(px) for (r, g, b, a) in row)
    row_bytes = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(px):
        bits = bytearray(row_bytes)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + xor + bytes(mask)


def main(path):
    images = [(32, entry(32)), (16, entry(16))]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b''.join(data for _, data in images)
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'QLX480.ico')
