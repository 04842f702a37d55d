#!/usr/bin/env python3
"""Writes hand_pointer.png: the about box's 32 x 32 pointing-hand link pointer.

The hand is drawn from the outline below (X black, o white, g grey shade, . clear) so the
picture can be reviewed and changed as text; run this script again after a change.
The pointer's hot spot is the fingertip, at (6, 0).
"""
import pathlib
import struct
import zlib

HAND = [
    "......XX",
    ".....XooX",
    ".....XooX",
    ".....XooX",
    ".....XooX",
    ".....XooXXX",
    ".....XooXogXXX",
    ".....XooXogXogX",
    ".....XooXogXogXXX",
    ".....XooXogXogXogX",
    ".XX..XooXogXogXogX",
    "XooX.XooXogXogXogX",
    "XoooXXooXogXogXogX",
    ".XoooXoooooooooogX",
    "..XooooooooooooogX",
    "...XoooooooooooogX",
    "....XooooooooooogX",
    ".....XoooooooooogX",
    ".....XooooooooogX",
    "......XoooooooogX",
    "......XoooooooogX",
    "......XXXXXXXXXXX",
    "......XggggggggX",
    "......XgXgXgXggX",
    "......XXXXXXXXXX",
]

COLOURS = {
    ".": (0, 0, 0, 0),
    "X": (0, 0, 0, 255),
    "o": (255, 255, 255, 255),
    "g": (192, 192, 192, 255),
}


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def main():
    size = 32
    rows = HAND + [""] * (size - len(HAND))
    raw = bytearray()
    for row in rows:
        assert len(row) <= size, row
        raw.append(0)  # no filter
        for ch in row.ljust(size, "."):
            raw.extend(COLOURS[ch])
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    target = pathlib.Path(__file__).with_name("hand_pointer.png")
    target.write_bytes(png)


if __name__ == "__main__":
    main()
