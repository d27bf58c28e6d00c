#!/usr/bin/env python3
"""Draws the Web Help images into support/webhelp/.

    imgs/    tree lines and expanders (16x24, the height of a navigation row)
    icons/   the 42 topic images 1.gif .. 42.gif, flat colours (16x16)
    ricons/  the same 42 drawn with shading ("real colour")

The desktop application shows the 42 topic images in its tree too (indexes 0..41), so
they stay 16x16. Pairs 1/2, 3/4, 5/6 and 7/8 are closed/open books and folders.

Only the standard library is used: shapes are rendered at 4x and reduced, and the GIF
encoder below writes the files. Run it again after changing a drawing:

    scripts/make-webhelp-images.py [--preview sheet.png]
"""

import argparse
import math
import os
import struct
import zlib

SS = 4  # supersampling factor

# ---------------------------------------------------------------------------------------
# GIF and PNG writers


def lzw_encode(indices, min_code_size):
    clear = 1 << min_code_size
    end = clear + 1
    out = bytearray()
    bit_buf = 0
    bit_len = 0

    def emit(code, size):
        nonlocal bit_buf, bit_len
        bit_buf |= code << bit_len
        bit_len += size
        while bit_len >= 8:
            out.append(bit_buf & 0xFF)
            bit_buf >>= 8
            bit_len -= 8

    def reset():
        return {(i,): i for i in range(clear)}, end + 1, min_code_size + 1

    table, next_code, size = reset()
    emit(clear, size)
    prefix = ()
    for value in indices:
        candidate = prefix + (value,)
        if candidate in table:
            prefix = candidate
            continue
        emit(table[prefix], size)
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            # The decoder widens its codes one entry later than the encoder adds them.
            if next_code - 1 == (1 << size) and size < 12:
                size += 1
        else:
            emit(clear, size)
            table, next_code, size = reset()
        prefix = (value,)
    if prefix:
        emit(table[prefix], size)
    emit(end, size)
    if bit_len:
        out.append(bit_buf & 0xFF)
    return bytes(out)


def write_gif(path, width, height, pixels):
    """pixels: rows of (r, g, b) tuples or None for transparent."""
    colours = []
    index_of = {}
    for row in pixels:
        for p in row:
            if p is not None and p not in index_of:
                index_of[p] = len(colours)
                colours.append(p)
    if len(colours) > 255:
        raise ValueError(f"{path}: {len(colours)} colours")
    transparent = len(colours)
    bits = 1
    while (1 << bits) < len(colours) + 1:
        bits += 1
    table = colours + [(0, 0, 0)] * ((1 << bits) - len(colours))
    indices = [transparent if p is None else index_of[p] for row in pixels for p in row]
    min_code_size = max(2, bits)
    data = lzw_encode(indices, min_code_size)

    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", width, height, 0x80 | ((bits - 1) << 4) | (bits - 1), 0, 0)
    for r, g, b in table:
        out += bytes((r, g, b))
    # Graphic control extension: transparency on, colour `transparent`.
    out += bytes((0x21, 0xF9, 4, 0x01, 0, 0, transparent, 0))
    out += b"," + struct.pack("<HHHHB", 0, 0, width, height, 0)
    out.append(min_code_size)
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out += b"\x00;"
    with open(path, "wb") as f:
        f.write(out)


def write_png(path, width, height, rgba_rows):
    raw = b"".join(b"\x00" + bytes(v for p in row for v in p) for row in rgba_rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


# ---------------------------------------------------------------------------------------
# A tiny vector painter: shapes in pixel units on a supersampled canvas.


def hexc(text):
    text = text.lstrip("#")
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def lighter(c, t):
    return mix(c, (255, 255, 255), t)


def darker(c, t):
    return mix(c, (0, 0, 0), t)


class Canvas:
    def __init__(self, width, height, real):
        self.w = width
        self.h = height
        self.real = real  # shaded ("real colour") or flat drawing
        self.px = [[None] * (width * SS) for _ in range(height * SS)]

    # `paint` is a colour or a function (x, y) -> colour in pixel units; flat drawing
    # flattens gradients to the colour at the shape's vertical middle.
    def _fill(self, inside, bbox, paint):
        x0, y0, x1, y1 = bbox
        if callable(paint) and not self.real:
            mid = paint((x0 + x1) / 2, (y0 + y1) / 2)
            paint = mid
        sx0 = max(0, int(math.floor(x0 * SS)))
        sy0 = max(0, int(math.floor(y0 * SS)))
        sx1 = min(self.w * SS, int(math.ceil(x1 * SS)))
        sy1 = min(self.h * SS, int(math.ceil(y1 * SS)))
        for sy in range(sy0, sy1):
            y = (sy + 0.5) / SS
            row = self.px[sy]
            for sx in range(sx0, sx1):
                x = (sx + 0.5) / SS
                if inside(x, y):
                    row[sx] = paint(x, y) if callable(paint) else paint

    def rect(self, x0, y0, x1, y1, paint):
        self._fill(lambda x, y: x0 <= x < x1 and y0 <= y < y1, (x0, y0, x1, y1), paint)

    def round_rect(self, x0, y0, x1, y1, r, paint):
        def inside(x, y):
            if not (x0 <= x < x1 and y0 <= y < y1):
                return False
            cx = min(max(x, x0 + r), x1 - r)
            cy = min(max(y, y0 + r), y1 - r)
            return (x - cx) ** 2 + (y - cy) ** 2 <= r * r

        self._fill(inside, (x0, y0, x1, y1), paint)

    def ellipse(self, cx, cy, rx, ry, paint):
        self._fill(lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1,
                   (cx - rx, cy - ry, cx + rx, cy + ry), paint)

    def ring(self, cx, cy, r_out, r_in, paint):
        self._fill(lambda x, y: r_in ** 2 <= (x - cx) ** 2 + (y - cy) ** 2 <= r_out ** 2,
                   (cx - r_out, cy - r_out, cx + r_out, cy + r_out), paint)

    def polygon(self, points, paint):
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]

        def inside(x, y):
            result = False
            j = len(points) - 1
            for i in range(len(points)):
                xi, yi = points[i]
                xj, yj = points[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    result = not result
                j = i
            return result

        self._fill(inside, (min(xs), min(ys), max(xs), max(ys)), paint)

    def line(self, x0, y0, x1, y1, width, paint):
        dx, dy = x1 - x0, y1 - y0
        length2 = dx * dx + dy * dy or 1e-9
        half = width / 2

        def inside(x, y):
            t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
            px, py = x0 + t * dx, y0 + t * dy
            return (x - px) ** 2 + (y - py) ** 2 <= half * half

        self._fill(inside, (min(x0, x1) - half, min(y0, y1) - half,
                            max(x0, x1) + half, max(y0, y1) + half), paint)

    def bitmap(self, x, y, rows, paint):
        """Pixel-exact glyph: '#' cells are painted."""
        for j, row in enumerate(rows):
            for i, ch in enumerate(row):
                if ch == "#":
                    self.rect(x + i, y + j, x + i + 1, y + j + 1, paint)

    def pixels(self):
        """Reduces to whole pixels. Flat drawing keeps the majority colour of each pixel;
        shaded drawing averages and blends partial edges onto white, the page colour the
        images are shown on (GIF has no partial transparency)."""
        out = []
        for y in range(self.h):
            row = []
            for x in range(self.w):
                samples = [self.px[y * SS + j][x * SS + i] for j in range(SS) for i in range(SS)]
                solid = [s for s in samples if s is not None]
                coverage = len(solid) / len(samples)
                if not self.real:
                    if coverage < 0.5:
                        row.append(None)
                    else:
                        row.append(max(set(solid), key=solid.count))
                    continue
                if coverage < 0.3:
                    row.append(None)
                    continue
                avg = tuple(sum(s[k] for s in solid) / len(solid) for k in range(3))
                # Colours are rounded to a 4-step grid so one image stays under 256.
                row.append(tuple(min(255, int(round((avg[k] * coverage + 255 * (1 - coverage)) / 4) * 4))
                                 for k in range(3)))
            out.append(row)
        return out


def vgrad(top, bottom, y0, y1):
    def paint(x, y):
        t = (y - y0) / max(1e-9, (y1 - y0))
        return mix(top, bottom, max(0.0, min(1.0, t)))

    return paint


def shade(c, y0, y1):
    """A soft top-lit gradient around colour c."""
    return vgrad(lighter(c, 0.28), darker(c, 0.12), y0, y1)


# ---------------------------------------------------------------------------------------
# Topic images

INK = hexc("#3b4656")      # outlines
PAPER = hexc("#ffffff")
PAPER_EDGE = hexc("#8a96a8")
TEXT_LINE = hexc("#b7c1cf")

BLUE = hexc("#2f6fba")
GREEN = hexc("#2f9a62")
AMBER = hexc("#e8a93a")
RED = hexc("#c2454b")
PURPLE = hexc("#7a56b8")
TEAL = hexc("#1f9aa6")
GOLD = hexc("#f0c23b")
GREY = hexc("#7d8797")


def book_closed(c, colour):
    edge = darker(colour, 0.35)
    # pages seen from the side, then the cover
    c.round_rect(3, 2, 14, 15, 1, edge)
    c.rect(4, 12, 13.5, 14, PAPER)
    c.rect(4, 13, 13.5, 13.5, TEXT_LINE)
    c.round_rect(3, 2, 13, 12.5, 1, edge)
    c.round_rect(4, 2.5, 12.5, 12, 0.6, shade(colour, 2, 12))
    c.rect(3, 2, 4.5, 15, darker(colour, 0.45))  # spine
    c.rect(6, 4.5, 11, 5.5, lighter(colour, 0.55))  # label
    c.rect(6, 6.5, 10, 7.2, lighter(colour, 0.4))


def book_open(c, colour):
    edge = darker(colour, 0.35)
    # covers behind the pages
    c.polygon([(0.5, 4), (8, 5.5), (15.5, 4), (15.5, 14), (8, 15), (0.5, 14)], edge)
    c.polygon([(1.2, 4.8), (8, 6.2), (14.8, 4.8), (14.8, 13.4), (8, 14.3), (1.2, 13.4)],
              shade(colour, 4, 14))
    # two pages
    c.polygon([(2, 2.5), (7.6, 4), (7.6, 13.3), (2, 11.8)], PAPER_EDGE)
    c.polygon([(2.6, 3.2), (7.5, 4.5), (7.5, 12.6), (2.6, 11.3)], PAPER)
    c.polygon([(14, 2.5), (8.4, 4), (8.4, 13.3), (14, 11.8)], PAPER_EDGE)
    c.polygon([(13.4, 3.2), (8.5, 4.5), (8.5, 12.6), (13.4, 11.3)], PAPER)
    for k in range(3):
        y = 6 + k * 2
        c.line(3.5, y - 0.7, 6.6, y + 0.1, 0.7, TEXT_LINE)
        c.line(9.4, y + 0.1, 12.5, y - 0.7, 0.7, TEXT_LINE)


def folder_closed(c, colour):
    edge = darker(colour, 0.4)
    c.round_rect(1, 3, 7, 6, 1, edge)
    c.round_rect(1, 4.5, 15, 14, 1, edge)
    c.round_rect(1.8, 3.8, 6.3, 6, 0.6, darker(colour, 0.1))
    c.round_rect(1.8, 5.3, 14.2, 13.2, 0.6, shade(colour, 5, 13))
    c.rect(1.8, 6, 14.2, 6.6, lighter(colour, 0.45))


def folder_open(c, colour):
    edge = darker(colour, 0.4)
    c.round_rect(1, 3, 7, 6, 1, edge)
    c.round_rect(1, 4.5, 14, 14, 1, edge)
    c.round_rect(1.8, 3.8, 6.3, 6, 0.6, darker(colour, 0.15))
    c.rect(1.8, 5.3, 13.2, 13.2, darker(colour, 0.15))
    c.rect(3, 6, 12.5, 9, PAPER)
    c.polygon([(3.2, 8), (15.8, 8), (13.8, 14), (1, 14)], edge)
    c.polygon([(3.8, 8.8), (14.8, 8.8), (13.2, 13.2), (2, 13.2)], shade(colour, 8, 13))


def page(c, lines=True, fold_colour=None):
    c.polygon([(3, 1), (10, 1), (14, 5), (14, 15), (3, 15)], PAPER_EDGE)
    c.polygon([(3.8, 1.8), (9.6, 1.8), (13.2, 5.4), (13.2, 14.2), (3.8, 14.2)],
              vgrad(PAPER, hexc("#eef2f7"), 2, 14))
    c.polygon([(9.6, 1.6), (13.4, 5.4), (9.6, 5.4)], fold_colour or hexc("#d5dce6"))
    if lines:
        for y in (7, 9, 11):
            c.rect(5.5, y, 11.5, y + 0.8, TEXT_LINE)
        c.rect(5.5, 4.5, 8.5, 5.3, TEXT_LINE)


def badge(c, colour, glyph, cx=11.5, cy=11.5, r=4.3):
    c.ellipse(cx, cy, r, r, darker(colour, 0.25))
    c.ellipse(cx, cy, r - 0.8, r - 0.8, shade(colour, cy - r, cy + r))
    rows = GLYPHS[glyph]
    gw = len(rows[0])
    gh = len(rows)
    c.bitmap(round(cx - gw / 2), round(cy - gh / 2), rows, PAPER)


GLYPHS = {
    "?": ["##.", "..#", ".#.", "...", ".#."],
    "!": ["#", "#", "#", ".", "#"],
    "i": ["#", ".", "#", "#", "#"],
    "check": ["...#", "#.#.", ".#.."],
    "plus": [".#.", "###", ".#."],
    "link": ["##.", "#.#", ".##"],
}


def page_with_badge(colour, glyph):
    def draw(c):
        page(c)
        badge(c, colour, glyph)

    return draw


def star(c, cx, cy, r_out, r_in, colour):
    pts = []
    for k in range(10):
        a = -math.pi / 2 + k * math.pi / 5
        r = r_out if k % 2 == 0 else r_in
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    c.polygon(pts, darker(colour, 0.3))
    inner = [(cx + (x - cx) * 0.78, cy + (y - cy) * 0.78) for x, y in pts]
    c.polygon(inner, shade(colour, cy - r_out, cy + r_out))


def gear(c, cx, cy, r, colour):
    teeth = []
    for k in range(16):
        a = k * math.pi / 8 + math.pi / 16
        rr = r if k % 2 == 0 else r * 0.72
        teeth.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
    c.polygon(teeth, darker(colour, 0.3))
    c.ellipse(cx, cy, r * 0.62, r * 0.62, shade(colour, cy - r, cy + r))
    c.ellipse(cx, cy, r * 0.26, r * 0.26, PAPER)


def globe(c, cx, cy, r, colour):
    c.ellipse(cx, cy, r, r, darker(colour, 0.3))
    c.ellipse(cx, cy, r - 0.8, r - 0.8, shade(colour, cy - r, cy + r))
    land = hexc("#5fb36b")
    c.polygon([(cx - 3.5, cy - 3), (cx - 0.5, cy - 4), (cx + 0.5, cy - 1.5), (cx - 1.5, cy + 0.5),
               (cx - 1, cy + 3.5), (cx - 3, cy + 1.5), (cx - 4.2, cy - 1)], land)
    c.polygon([(cx + 1.5, cy - 0.5), (cx + 4.3, cy - 1), (cx + 3.5, cy + 2.5), (cx + 1.5, cy + 3)], land)


def draw_page_picture(c):
    page(c, lines=False)
    c.rect(5, 5, 12.2, 12, hexc("#9fc9ef"))
    c.ellipse(10.2, 7, 1.1, 1.1, GOLD)
    c.polygon([(5, 12), (7.5, 8.2), (10, 12)], GREEN)
    c.polygon([(8, 12), (10, 9.5), (12.2, 12)], darker(GREEN, 0.2))


def draw_page_code(c):
    page(c, lines=False)
    col = BLUE
    c.line(7, 7, 5.3, 9, 0.9, col)
    c.line(5.3, 9, 7, 11, 0.9, col)
    c.line(10.2, 7, 11.9, 9, 0.9, col)
    c.line(11.9, 9, 10.2, 11, 0.9, col)
    c.line(9.3, 6.5, 7.9, 11.5, 0.8, GREY)


def draw_page_table(c):
    page(c, lines=False)
    c.rect(5, 5, 12.2, 12.5, hexc("#6c7a8f"))
    c.rect(5.6, 5.6, 11.6, 7.4, hexc("#a9c4e6"))
    for y0 in (8, 10.3):
        c.rect(5.6, y0, 8.3, y0 + 1.7, PAPER)
        c.rect(8.9, y0, 11.6, y0 + 1.7, PAPER)


def draw_page_star(c):
    page(c)
    star(c, 11.2, 11.2, 4.6, 2.0, GOLD)


def draw_page_globe(c):
    page(c)
    globe(c, 11.3, 11.3, 4.3, hexc("#4c9be0"))


def draw_page_pencil(c):
    page(c)
    c.line(8, 14, 14.5, 7.5, 3.0, darker(AMBER, 0.35))
    c.line(8.6, 13.4, 14, 8, 1.8, AMBER)
    c.polygon([(6.8, 15.2), (7.4, 12.6), (9.4, 14.6)], hexc("#f4d9b0"))
    c.rect(6.8, 14.5, 7.6, 15.2, INK)


def draw_page_gear(c):
    page(c)
    gear(c, 11.3, 11.3, 4.4, GREY)


def draw_page_bookmark(c):
    page(c, fold_colour=hexc("#d5dce6"))
    c.polygon([(5, 0.5), (8.5, 0.5), (8.5, 8), (6.75, 6.4), (5, 8)], darker(RED, 0.2))
    c.polygon([(5.6, 0.5), (7.9, 0.5), (7.9, 6.8), (6.75, 5.7), (5.6, 6.8)], shade(RED, 0, 7))


def draw_lightbulb(c):
    c.ellipse(8, 6.5, 5.2, 5.2, darker(GOLD, 0.35))
    c.ellipse(8, 6.5, 4.4, 4.4, shade(GOLD, 2, 11))
    c.polygon([(5.2, 9), (10.8, 9), (10, 12), (6, 12)], shade(GOLD, 9, 12))
    c.ellipse(6.6, 5, 1.3, 1.6, lighter(GOLD, 0.7))
    c.round_rect(5.8, 11.6, 10.2, 15, 0.8, GREY)
    c.rect(5.8, 12.8, 10.2, 13.4, lighter(GREY, 0.5))


def draw_info(c):
    badge(c, BLUE, "i", 8, 8, 7)
    c.rect(7.5, 3.5, 8.5, 4.5, PAPER)


def draw_warning(c):
    c.polygon([(8, 0.8), (15.6, 14.6), (0.4, 14.6)], darker(AMBER, 0.35))
    c.polygon([(8, 2.6), (14.2, 13.8), (1.8, 13.8)], shade(AMBER, 3, 14))
    c.bitmap(7, 6, ["##", "##", "##", "..", "##"], INK)


def draw_question(c):
    c.ellipse(8, 8, 7, 7, darker(TEAL, 0.3))
    c.ellipse(8, 8, 6.2, 6.2, shade(TEAL, 1, 15))
    c.bitmap(5, 4, [".###.", "#...#", "...#.", "..#..", ".....", "..#.."], PAPER)


def draw_star(c):
    star(c, 8, 8.6, 7.4, 3.1, GOLD)


def draw_flag(c):
    c.rect(2.5, 1.5, 4, 15, GREY)
    c.polygon([(4, 2), (14.5, 2), (12, 5.5), (14.5, 9), (4, 9)], darker(RED, 0.3))
    c.polygon([(4, 2.8), (13.2, 2.8), (11, 5.5), (13.2, 8.2), (4, 8.2)], shade(RED, 2, 9))


def draw_bookmark(c):
    c.polygon([(3.5, 1), (12.5, 1), (12.5, 15), (8, 11.2), (3.5, 15)], darker(BLUE, 0.3))
    c.polygon([(4.3, 1.8), (11.7, 1.8), (11.7, 13.3), (8, 10.2), (4.3, 13.3)], shade(BLUE, 1, 13))


def draw_gear(c):
    gear(c, 8, 8, 7.4, GREY)


def draw_key(c):
    col = GOLD
    c.ring(5, 6, 4.3, 1.6, darker(col, 0.35))
    c.ring(5, 6, 3.5, 2.2, shade(col, 2, 10))
    c.line(7.8, 8.8, 14, 15, 2.4, darker(col, 0.35))
    c.line(8, 9, 13.8, 14.8, 1.2, col)
    c.line(11.5, 12.5, 13.2, 10.8, 1.6, darker(col, 0.35))
    c.line(13, 14, 14.6, 12.4, 1.6, darker(col, 0.35))


def draw_lock(c):
    c.ring(8, 6.5, 4.2, 2.6, GREY)
    c.rect(3.8, 6.5, 5.4, 8, GREY)
    c.rect(10.6, 6.5, 12.2, 8, GREY)
    c.round_rect(2.5, 7.5, 13.5, 15, 1.2, darker(GOLD, 0.4))
    c.round_rect(3.3, 8.3, 12.7, 14.2, 0.8, shade(GOLD, 8, 14))
    c.ellipse(8, 10.8, 1.2, 1.2, INK)
    c.rect(7.5, 11, 8.5, 13, INK)


def draw_envelope(c):
    c.round_rect(1, 3.5, 15, 13, 0.8, PAPER_EDGE)
    c.rect(1.8, 4.3, 14.2, 12.2, vgrad(PAPER, hexc("#e7edf5"), 4, 12))
    c.line(2, 4.6, 8, 9, 0.9, PAPER_EDGE)
    c.line(14, 4.6, 8, 9, 0.9, PAPER_EDGE)
    c.rect(1.8, 11.5, 14.2, 12.2, hexc("#d5dce6"))


def draw_magnifier(c):
    c.line(9.5, 9.5, 14.5, 14.5, 3.0, darker(GREY, 0.3))
    c.ring(6.5, 6.5, 5.4, 3.9, darker(GREY, 0.2))
    c.ellipse(6.5, 6.5, 3.9, 3.9, vgrad(hexc("#dff0ff"), hexc("#a9d3f7"), 3, 10))
    c.ellipse(5.2, 5.2, 1.2, 1.2, PAPER)


def draw_house(c):
    c.polygon([(8, 1), (15.5, 8), (13.8, 8), (8, 2.8), (2.2, 8), (0.5, 8)], darker(RED, 0.3))
    c.polygon([(8, 3.2), (13, 7.8), (13, 15), (3, 15), (3, 7.8)], darker(hexc("#efe6d6"), 0.35))
    c.polygon([(8, 4.2), (12.2, 8.1), (12.2, 14.2), (3.8, 14.2), (3.8, 8.1)],
              vgrad(hexc("#fbf6ec"), hexc("#eadfca"), 4, 14))
    c.rect(6.6, 9.8, 9.4, 14.2, shade(BLUE, 10, 14))


def draw_person(c):
    col = BLUE
    c.ellipse(8, 4.8, 3.4, 3.6, darker(col, 0.3))
    c.ellipse(8, 4.8, 2.7, 2.9, hexc("#f3d3b6"))
    c.polygon([(2, 15.5), (2.6, 11), (5, 9), (11, 9), (13.4, 11), (14, 15.5)], darker(col, 0.3))
    c.polygon([(2.9, 14.8), (3.4, 11.4), (5.4, 9.8), (10.6, 9.8), (12.6, 11.4), (13.1, 14.8)],
              shade(col, 10, 15))


def draw_clock(c):
    c.ellipse(8, 8, 7.2, 7.2, darker(TEAL, 0.3))
    c.ellipse(8, 8, 6.1, 6.1, vgrad(PAPER, hexc("#e9eef4"), 2, 14))
    c.line(8, 8, 8, 3.8, 1.2, INK)
    c.line(8, 8, 11, 9.6, 1.2, INK)
    c.ellipse(8, 8, 0.9, 0.9, RED)


def draw_calendar(c):
    c.round_rect(1.5, 2.5, 14.5, 15, 1, PAPER_EDGE)
    c.rect(2.3, 6, 13.7, 14.2, PAPER)
    c.rect(2.3, 3.3, 13.7, 6, shade(RED, 3, 6))
    c.rect(4.5, 1, 5.7, 4.5, INK)
    c.rect(10.3, 1, 11.5, 4.5, INK)
    for j in range(3):
        for i in range(4):
            colour = RED if (i, j) == (2, 1) else TEXT_LINE
            c.rect(3.3 + i * 2.6, 7.3 + j * 2.2, 4.9 + i * 2.6, 8.6 + j * 2.2, colour)


def draw_chart(c):
    c.rect(1.5, 14, 14.8, 15, GREY)
    c.rect(1.5, 1.5, 2.5, 15, GREY)
    for x, h, col in ((4, 6, BLUE), (7.5, 10, GREEN), (11, 4, AMBER)):
        c.rect(x, 14 - h, x + 2.8, 14, darker(col, 0.3))
        c.rect(x + 0.6, 14.6 - h, x + 2.2, 14, shade(col, 14 - h, 14))


def draw_box(c):
    col = hexc("#c89b62")
    c.polygon([(8, 1), (15, 4.5), (15, 12.5), (8, 15.5), (1, 12.5), (1, 4.5)], darker(col, 0.4))
    c.polygon([(8, 2), (14, 5), (8, 8), (2, 5)], lighter(col, 0.3))
    c.polygon([(2, 5.8), (7.6, 8.7), (7.6, 14.5), (2, 11.9)], shade(col, 6, 14))
    c.polygon([(14, 5.8), (8.4, 8.7), (8.4, 14.5), (14, 11.9)], darker(col, 0.12))
    c.polygon([(4.8, 3.6), (10.8, 6.6), (10.8, 9), (12, 8.4), (12, 6), (6.2, 2.9)], lighter(col, 0.6))


def draw_download(c):
    c.polygon([(5.5, 1), (10.5, 1), (10.5, 6), (13.5, 6), (8, 11.5), (2.5, 6), (5.5, 6)],
              darker(GREEN, 0.3))
    c.polygon([(6.3, 1.8), (9.7, 1.8), (9.7, 6.8), (11.6, 6.8), (8, 10.4), (4.4, 6.8), (6.3, 6.8)],
              shade(GREEN, 1, 10))
    c.round_rect(1, 12, 15, 15.2, 0.8, GREY)


def draw_globe(c):
    globe(c, 8, 8, 7.3, hexc("#4c9be0"))


def draw_page_link(c):
    page(c)
    col = BLUE
    c.ring(9.3, 12.2, 2.5, 1.3, darker(col, 0.2))
    c.ring(12.5, 9.2, 2.5, 1.3, darker(col, 0.2))
    c.line(10.2, 11.2, 11.6, 10, 1.1, darker(col, 0.2))


TOPIC_IMAGES = {
    1: lambda c: book_closed(c, BLUE),
    2: lambda c: book_open(c, BLUE),
    3: lambda c: book_closed(c, GREEN),
    4: lambda c: book_open(c, GREEN),
    5: lambda c: folder_closed(c, AMBER),
    6: lambda c: folder_open(c, AMBER),
    7: lambda c: book_closed(c, RED),
    8: lambda c: book_open(c, RED),
    9: page_with_badge(TEAL, "?"),
    10: draw_page_bookmark,
    11: lambda c: page(c),
    12: page_with_badge(BLUE, "i"),
    13: page_with_badge(AMBER, "!"),
    14: draw_page_star,
    15: draw_page_link,
    16: draw_page_globe,
    17: draw_page_picture,
    18: draw_page_code,
    19: draw_page_table,
    20: page_with_badge(GREEN, "check"),
    21: draw_page_pencil,
    22: draw_page_gear,
    23: draw_lightbulb,
    24: draw_info,
    25: draw_warning,
    26: draw_question,
    27: draw_star,
    28: draw_flag,
    29: draw_bookmark,
    30: draw_gear,
    31: draw_key,
    32: draw_lock,
    33: draw_envelope,
    34: draw_magnifier,
    35: draw_house,
    36: draw_person,
    37: draw_clock,
    38: draw_calendar,
    39: draw_chart,
    40: draw_box,
    41: draw_download,
    42: draw_globe,
}

# ---------------------------------------------------------------------------------------
# Tree lines and expanders. Every row of the navigation tree is ROW_H pixels high, so
# vertical lines of consecutive rows join.

ROW_W, ROW_H = 16, 24
LINE = hexc("#c3cad5")
BOX_EDGE = hexc("#9aa5b4")
BOX_FILL = hexc("#ffffff")
SIGN = hexc("#4a5567")
CHEVRON = hexc("#6b7687")
MID_X, MID_Y = 7, 11  # the pixel the lines meet at


def dotted_v(c, y0, y1):
    for y in range(y0, y1):
        if y % 2 == 0:
            c.rect(MID_X, y, MID_X + 1, y + 1, LINE)


def dotted_h(c, x0, x1):
    for x in range(x0, x1):
        if x % 2 == 1:
            c.rect(x, MID_Y, x + 1, MID_Y + 1, LINE)


def connector(c, kind):
    """kind: 'down' (first of all), 'tee', 'up' (last), 'single' (only item)."""
    if kind in ("tee", "up"):
        dotted_v(c, 0, MID_Y + 1)
    if kind in ("down", "tee"):
        dotted_v(c, MID_Y, ROW_H)
    dotted_h(c, MID_X, ROW_W)


def expander_box(c, open_):
    c.rect(3, 7, 12, 16, BOX_EDGE)
    c.rect(4, 8, 11, 15, BOX_FILL)
    c.rect(5, MID_Y, 10, MID_Y + 1, SIGN)
    if not open_:
        c.rect(MID_X, 9, MID_X + 1, 14, SIGN)


def chevron(c, open_):
    if open_:
        c.line(4.5, 9.5, 7.5, 12.5, 1.5, CHEVRON)
        c.line(7.5, 12.5, 10.5, 9.5, 1.5, CHEVRON)
    else:
        c.line(6, 8, 9, 11.5, 1.5, CHEVRON)
        c.line(9, 11.5, 6, 15, 1.5, CHEVRON)


def tree_image(kind, state):
    def draw(c):
        if kind == "line":
            dotted_v(c, 0, ROW_H)
        elif kind in ("down", "tee", "up", "single"):
            connector(c, kind)
            if state is not None:
                expander_box(c, state == "open")
        elif kind == "chevron":
            chevron(c, state == "open")

    return draw


TREE_IMAGES = {
    "downangle": tree_image("down", None),
    "tshaped": tree_image("tee", None),
    "upangle": tree_image("up", None),
    "sline": tree_image("single", None),
    "daplus": tree_image("down", "closed"),
    "tplus": tree_image("tee", "closed"),
    "uaplus": tree_image("up", "closed"),
    "splus": tree_image("single", "closed"),
    "daminus": tree_image("down", "open"),
    "tminus": tree_image("tee", "open"),
    "uaminus": tree_image("up", "open"),
    "sminus": tree_image("single", "open"),
    "plus": tree_image("chevron", "closed"),
    "minus": tree_image("chevron", "open"),
    "blank": tree_image("blank", None),
    "line": tree_image("line", None),
}


def render(draw, width, height, real):
    c = Canvas(width, height, real)
    draw(c)
    return c.pixels()


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    default_out = os.path.join(here, "..", "support", "webhelp")
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", default=default_out, help="the webhelp support folder")
    ap.add_argument("--preview", help="also write a PNG sheet of every image, 4x")
    args = ap.parse_args()

    sheet_rows = []
    for folder, real in (("icons", False), ("ricons", True)):
        path = os.path.join(args.out, folder)
        os.makedirs(path, exist_ok=True)
        row = []
        for n, draw in TOPIC_IMAGES.items():
            px = render(draw, 16, 16, real)
            write_gif(os.path.join(path, f"{n}.gif"), 16, 16, px)
            row.append(px)
        sheet_rows.append(row)
    path = os.path.join(args.out, "imgs")
    os.makedirs(path, exist_ok=True)
    row = []
    for name, draw in TREE_IMAGES.items():
        px = render(draw, ROW_W, ROW_H, False)
        write_gif(os.path.join(path, f"{name}.gif"), ROW_W, ROW_H, px)
        row.append(px)
    sheet_rows.append(row)

    if args.preview:
        write_preview(args.preview, sheet_rows)


def write_preview(path, sheet_rows, scale=4, gap=4):
    cell_w = max(len(img[0]) for row in sheet_rows for img in row)
    cell_h = max(len(img) for row in sheet_rows for img in row)
    per_line = 21
    lines = []
    for row in sheet_rows:
        for i in range(0, len(row), per_line):
            lines.append(row[i:i + per_line])
    width = per_line * (cell_w * scale + gap) + gap
    height = len(lines) * (cell_h * scale + gap) + gap
    canvas = [[(246, 248, 251, 255)] * width for _ in range(height)]
    for li, line in enumerate(lines):
        for ci, img in enumerate(line):
            ox = gap + ci * (cell_w * scale + gap)
            oy = gap + li * (cell_h * scale + gap)
            for y, prow in enumerate(img):
                for x, p in enumerate(prow):
                    colour = (255, 255, 255, 255) if p is None else p + (255,)
                    for j in range(scale):
                        for i in range(scale):
                            canvas[oy + y * scale + j][ox + x * scale + i] = colour
    write_png(path, width, height, canvas)


if __name__ == "__main__":
    main()
