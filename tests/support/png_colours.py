#!/usr/bin/env python3
"""Counts the pixels of a PNG screenshot that have exactly the given colours.

    png_colours.py FILE RRGGBB...   prints one count per colour, on one line

Only what a browser's screenshot is: 8-bit RGB or RGBA, not interlaced."""
import struct
import sys
import zlib


def rows(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit("not a PNG: " + path)
    at, idat, header = 8, b"", None
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        chunk = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", chunk)
        elif kind == b"IDAT":
            idat += chunk
        at += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        sys.exit("unsupported PNG: depth %d, colour type %d" % (depth, colour))
    step = 3 if colour == 2 else 4
    raw, stride = zlib.decompress(idat), width * step
    previous = bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - step] if i >= step else 0
            up, corner = previous[i], previous[i - step] if i >= step else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        yield line, step
        previous = line


def main():
    wanted = [bytes.fromhex(c) for c in sys.argv[2:]]
    counts = [0] * len(wanted)
    for line, step in rows(sys.argv[1]):
        for x in range(0, len(line), step):
            pixel = bytes(line[x:x + 3])
            for k, w in enumerate(wanted):
                if pixel == w:
                    counts[k] += 1
    print(" ".join(str(c) for c in counts))


main()
