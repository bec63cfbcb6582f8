#!/usr/bin/env python3
"""Draws the program's two bitmaps: TEXTURE1, a 128 x 128 8-bit rock
pattern that tiles, and BRAMBLE, the 512 x 512 16-colour rose dial.
Run from anywhere; writes the .bmp files beside this script."""

import math
import os
import random
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write_bmp(path, width, height, bits, palette, rows):
    """rows: top to bottom, each a list of palette indices."""
    stride = ((width * bits + 31) // 32) * 4
    data = bytearray()
    for row in reversed(rows):  # BMP rows run bottom-up
        line = bytearray()
        if bits == 8:
            line.extend(row)
        else:
            for x in range(0, width, 2):
                line.append((row[x] << 4) | row[x + 1])
        line.extend(b"\0" * (stride - len(line)))
        data.extend(line)
    pal = bytearray()
    for r, g, b in palette:
        pal.extend((b, g, r, 0))
    offset = 14 + 40 + len(pal)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(data), 2835, 2835,
                       len(palette), 0)
    with open(path, "wb") as f:
        f.write(header + info + pal + data)


def rock():
    size = 128
    rnd = random.Random(1804)
    # Tileable value noise: lattices whose periods divide the image.
    def octave(period):
        grid = [[rnd.random() for _ in range(period)] for _ in range(period)]
        cell = size / period
        out = [[0.0] * size for _ in range(size)]
        for y in range(size):
            gy, fy = divmod(y / cell, 1)
            gy = int(gy)
            sy = fy * fy * (3 - 2 * fy)
            for x in range(size):
                gx, fx = divmod(x / cell, 1)
                gx = int(gx)
                sx = fx * fx * (3 - 2 * fx)
                a = grid[gy % period][gx % period]
                b = grid[gy % period][(gx + 1) % period]
                c = grid[(gy + 1) % period][gx % period]
                d = grid[(gy + 1) % period][(gx + 1) % period]
                top = a + (b - a) * sx
                bottom = c + (d - c) * sx
                out[y][x] = top + (bottom - top) * sy
        return out
    layers = [(octave(4), 0.45), (octave(8), 0.25), (octave(16), 0.17), (octave(32), 0.09), (octave(64), 0.04)]
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            v = sum(layer[y][x] * w for layer, w in layers)
            # Sharpen into cracks and lumps.
            v = 0.5 + (v - 0.5) * 1.8
            if abs(v - 0.5) < 0.02:
                v *= 0.55
            row.append(max(0, min(255, int(v * 255))))
        rows.append(row)
    # Warm greys of limestone.
    palette = [(min(255, int(i * 1.0)), min(255, int(i * 0.93)), min(255, int(i * 0.82))) for i in range(256)]
    write_bmp(os.path.join(HERE, "TEXTURE1.bmp"), size, size, 8, palette, rows)


# Letter strokes in a unit box, y up.
LETTERS = {
    "N": [[(0, 0), (0, 1), (1, 0), (1, 1)]],
    "E": [[(1, 1), (0, 1), (0, 0), (1, 0)], [(0, 0.5), (0.75, 0.5)]],
    "S": [[(1, 0.9), (0.8, 1), (0.2, 1), (0, 0.85), (0, 0.6), (0.2, 0.5), (0.8, 0.5), (1, 0.4), (1, 0.15),
           (0.8, 0), (0.2, 0), (0, 0.1)]],
    "W": [[(0, 1), (0.25, 0), (0.5, 0.6), (0.75, 0), (1, 1)]],
}


def dial():
    size, c = 512, 255.5
    outer, inner, hub = 250.0, 160.0, 6.0
    WHITE, BLACK, LIGHT, DARK = 0, 1, 2, 3
    palette = [(255, 255, 255), (0, 0, 0), (200, 200, 200), (128, 128, 128)]
    palette += [(0, 0, 0)] * (16 - len(palette))
    rows = [[WHITE] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            dx, dy = x - c, c - y
            r = math.hypot(dx, dy)
            if r > outer:
                continue
            bearing = math.degrees(math.atan2(dx, dy)) % 360  # clockwise from north
            sector = int(((bearing + 22.5) % 360) // 45)
            ring = 0 if r < inner else 1
            shade = LIGHT if (sector + ring) % 2 == 0 else DARK
            # Sector lines fall between the compass points.
            rel = (bearing + 22.5) % 45
            off = min(rel, 45 - rel) * math.pi / 180 * r
            if off < 1.5 or abs(r - inner) < 1.5 or r > outer - 2.5 or r < hub:
                shade = BLACK
            rows[y][x] = shade
    # The letters sit in the outer ring, north up.
    h, w, pen = 44.0, 34.0, 3.2
    for letter, bearing in (("N", 0), ("E", 90), ("S", 180), ("W", 270)):
        cx = c + math.sin(math.radians(bearing)) * (outer + inner) / 2
        cy = c - math.cos(math.radians(bearing)) * (outer + inner) / 2
        segs = []
        for stroke in LETTERS[letter]:
            pts = [(cx + (px - 0.5) * w, cy - (py - 0.5) * h) for px, py in stroke]
            segs += list(zip(pts, pts[1:]))
        for y in range(int(cy - h), int(cy + h) + 1):
            for x in range(int(cx - w), int(cx + w) + 1):
                for (x0, y0), (x1, y1) in segs:
                    vx, vy = x1 - x0, y1 - y0
                    t = max(0, min(1, ((x - x0) * vx + (y - y0) * vy) / (vx * vx + vy * vy)))
                    if math.hypot(x - (x0 + t * vx), y - (y0 + t * vy)) <= pen:
                        rows[y][x] = BLACK
                        break
    write_bmp(os.path.join(HERE, "BRAMBLE.bmp"), size, size, 4, palette, rows)


if __name__ == "__main__":
    rock()
    dial()
