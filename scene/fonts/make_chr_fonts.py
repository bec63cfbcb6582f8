#!/usr/bin/env python3
"""Converts public-domain Hershey fonts (Debian hershey-fonts-data, .jhf)
into BGI stroked-font files (.CHR) for the stroke-font loader.

Usage: make_chr_fonts.py [hershey folder] [output folder]
"""
import struct
import sys
from pathlib import Path

# Index order is the order of the built-in font table.
FONTS = [
    ("ROMAN", "Roman", "rowmand"),
    ("ROMANB", "Roman Bold", "rowmant"),
    ("ROMANI", "Roman Italic", "timesi"),
    ("SANS", "Sans-Serif", "futural"),
    ("SANSB", "Sans-Serif Bold", "futuram"),
    ("SMALL", "Small", "rowmans"),
    ("SCRIPT", "Script", "scripts"),
    ("GOTHIC", "Gothic", "gothiceng"),
]
FIRST = 32  # the .jhf files hold codes 32 to 127 in order


def read_jhf(path):
    """Glyphs as (left, right, strokes); strokes are lists of (x, y), y down."""
    glyphs = []
    pending = ""
    for raw in path.read_text(encoding="ascii").splitlines():
        line = pending + raw
        count = int(line[5:8])
        if len(line) - 8 < 2 * count:  # a long glyph continues on the next line
            pending = line
            continue
        pending = ""
        data = line[8:8 + 2 * count]
        left, right = ord(data[0]) - 82, ord(data[1]) - 82
        strokes, current = [], []
        for i in range(2, len(data), 2):
            if data[i:i + 2] == " R":
                if current:
                    strokes.append(current)
                current = []
                continue
            current.append((ord(data[i]) - 82, ord(data[i + 1]) - 82))
        if current:
            strokes.append(current)
        glyphs.append((left, right, strokes))
    return glyphs


def seven_bit(v):
    if not -64 <= v <= 63:
        raise ValueError(f"coordinate {v} does not fit 7 bits")
    return v & 0x7F


def encode_point(x, y, op):
    return bytes([seven_bit(x) | (op >> 1) << 7, seven_bit(y) | (op & 1) << 7])


def convert(internal, name, source, glyphs):
    # Baseline and capital height from 'H', descender from the lowest of
    # the lower-case letters; BGI y runs upwards from the baseline.
    h = glyphs[ord("H") - FIRST][2]
    base = max(y for s in h for _, y in s)
    cap = base - min(y for s in h for _, y in s)
    lower = [glyphs[c - FIRST][2] for c in range(ord("a"), ord("z") + 1)]
    desc = base - max(y for g in lower for s in g for _, y in s)

    offsets, widths, data = [], [], bytearray()
    for left, right, strokes in glyphs:
        offsets.append(len(data))
        if right <= left and strokes:  # a glyph with broken bounds: its ink plus a margin
            left = min(x for s in strokes for x, _ in s) - 2
            right = max(x for s in strokes for x, _ in s) + 2
        width = right - left
        if not 0 < width < 256:
            raise ValueError(f"{source}: width {width}")
        widths.append(width)
        for stroke in strokes:
            for i, (x, y) in enumerate(stroke):
                data += encode_point(x - left, base - y, 2 if i == 0 else 3)
        data += encode_point(0, 0, 0)

    n = len(glyphs)
    header = struct.pack("<BHBBHBbbb4sB", ord("+"), n, 0, FIRST, 16 + 3 * n, 0, cap, 0, desc, b"\0" * 4, 0)
    body = header + struct.pack(f"<{n}H", *offsets) + bytes(widths) + bytes(data)
    if len(body) > 0xFFFF:
        raise ValueError(f"{source}: too large")

    text = (f"PK\x08\x08BGI Stroked Font - {name}\r\n"
            f"From the public-domain Hershey font {source}\r\n\x1a")
    prefix = text.encode("ascii") + struct.pack("<H4sHBBBB", 0x80, internal[:4].ljust(4).encode("ascii"),
                                                 len(body), 1, 0, 1, 0)
    if len(prefix) > 128:
        raise ValueError("description too long")
    return prefix.ljust(128, b"\0") + body


def main():
    src = Path(sys.argv[1] if len(sys.argv) > 1 else "/usr/share/hershey-fonts")
    out = Path(sys.argv[2] if len(sys.argv) > 2 else Path(__file__).parent)
    for internal, name, source in FONTS:
        glyphs = read_jhf(src / f"{source}.jhf")
        if len(glyphs) != 96:
            raise ValueError(f"{source}: {len(glyphs)} glyphs")
        (out / f"{internal}.CHR").write_bytes(convert(internal, name, source, glyphs))


if __name__ == "__main__":
    main()
