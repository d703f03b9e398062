#!/usr/bin/env python3
"""Writes the small images that the headless bitmap tests read (run it here to remake them).

Every image holds the pixel (x, y) = RGB(40x + y, 50y, 255 - 30x).
- filters.png: 5 x 5 RGB, row y encoded with PNG filter y (none, sub, up, average, Paeth).
- palette4.png: 5 x 2, 4-bit palette of the ten pixels, the palette entry of (0, 0)
  transparent.
- rgb24.bmp: 3 x 2, 24 bits, bottom-up rows padded to four bytes.
- palette8.bmp: 3 x 2, 8 bits, top-down (negative height).
"""
import struct
import zlib


def pixel(x, y):
    return (40 * x + y, 50 * y, 255 - 30 * x)


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png(width, height, colour, depth, rows, extra=b""):
    header = struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + extra +
            chunk(b"IDAT", zlib.compress(b"".join(rows))) + chunk(b"IEND", b""))


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else b if pb <= pc else c


def filtered(kind, line, prev, bpp):
    out = bytearray()
    for i, v in enumerate(line):
        a = line[i - bpp] if i >= bpp else 0
        b = prev[i]
        c = prev[i - bpp] if i >= bpp else 0
        pred = [0, a, b, (a + b) // 2, paeth(a, b, c)][kind]
        out.append((v - pred) & 0xFF)
    return bytes([kind]) + bytes(out)


rows, prev = [], bytes(15)
for y in range(5):
    line = bytes(v for x in range(5) for v in pixel(x, y))
    rows.append(filtered(y, line, prev, 3))
    prev = line
open("filters.png", "wb").write(png(5, 5, 2, 8, rows))

entries = [pixel(x, y) for y in range(2) for x in range(5)]
palette = b"".join(bytes(e) for e in entries)
rows = []
for y in range(2):
    indices = [y * 5 + x for x in range(5)] + [0]
    rows.append(b"\x00" + bytes((indices[i] << 4) | indices[i + 1] for i in range(0, 6, 2)))
extra = chunk(b"PLTE", palette) + chunk(b"tRNS", b"\x00")
open("palette4.png", "wb").write(png(5, 2, 3, 4, rows, extra))


def bmp(width, height, bits, rows, table=b"", top_down=False):
    data = b"".join(rows)
    offset = 14 + 40 + len(table)
    info = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bits, 0,
                       len(data), 2835, 2835, len(table) // 4, 0)
    return b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset) + info + table + data


rows = []
for y in (1, 0):
    line = b"".join(bytes(reversed(pixel(x, y))) for x in range(3))
    rows.append(line + b"\x00" * (-len(line) % 4))
open("rgb24.bmp", "wb").write(bmp(3, 2, 24, rows))

entries = [pixel(x, y) for y in range(2) for x in range(3)]
table = b"".join(bytes(reversed(e)) + b"\x00" for e in entries)
rows = [bytes([y * 3 + x for x in range(3)]) + b"\x00" for y in range(2)]
open("palette8.bmp", "wb").write(bmp(3, 2, 8, rows, table, top_down=True))
