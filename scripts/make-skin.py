#!/usr/bin/env python3
"""Draws the pictures of the skin (skin/common/*.png) with the Python standard library only.

Every picture is built from signed-distance shapes (circles, rings, capsules, rounded boxes), anti-aliased by the
distance to the edge, and written as an RGBA PNG. Run it from anywhere: it writes beside itself in ../skin/common.
"""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "skin", "common")

ACCENT = (61, 139, 255)
ICON = (200, 205, 214)
ICON_HOT = (255, 255, 255)


def write_png(path, width, height, pixels):
    """pixels: list of rows, each a list of (r, g, b, a) with 0..255 channels."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for r, g, b, a in row:
            raw.extend((r, g, b, a))

    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(png)


# Signed distance functions: negative inside.
def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ring(cx, cy, r, width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - width / 2


def capsule(ax, ay, bx, by, width):
    def sd(x, y):
        px, py, vx, vy = x - ax, y - ay, bx - ax, by - ay
        t = max(0.0, min(1.0, (px * vx + py * vy) / (vx * vx + vy * vy or 1)))
        return math.hypot(px - vx * t, py - vy * t) - width / 2
    return sd


def box(cx, cy, hw, hh, radius=0.0):
    def sd(x, y):
        qx = abs(x - cx) - hw + radius
        qy = abs(y - cy) - hh + radius
        outside = math.hypot(max(qx, 0), max(qy, 0))
        return outside + min(max(qx, qy), 0) - radius
    return sd


def outline(shape, width):
    return lambda x, y: abs(shape(x, y)) - width / 2


def union(*shapes):
    return lambda x, y: min(s(x, y) for s in shapes)


def subtract(a, b):
    return lambda x, y: max(a(x, y), -b(x, y))


def render(width, height, layers, background=(0, 0, 0, 0)):
    """layers: list of (sdf, (r, g, b) or callable(x, y) -> (r, g, b), alpha 0..1)."""
    rows = []
    for j in range(height):
        row = []
        for i in range(width):
            x, y = i + 0.5, j + 0.5
            r, g, b, a = (c / 255 for c in background)
            for sdf, color, alpha in layers:
                cover = max(0.0, min(1.0, 0.5 - sdf(x, y))) * alpha
                if cover <= 0:
                    continue
                cr, cg, cb = color(x, y) if callable(color) else color
                cr, cg, cb = cr / 255, cg / 255, cb / 255
                out_a = cover + a * (1 - cover)
                if out_a > 0:
                    r = (cr * cover + r * a * (1 - cover)) / out_a
                    g = (cg * cover + g * a * (1 - cover)) / out_a
                    b = (cb * cover + b * a * (1 - cover)) / out_a
                a = out_a
            row.append(tuple(int(round(max(0.0, min(1.0, v)) * 255)) for v in (r, g, b, a)))
        rows.append(row)
    return rows


def save(name, width, height, layers, background=(0, 0, 0, 0)):
    write_png(os.path.join(OUT, name), width, height, render(width, height, layers, background))


# Title bar glyphs, 28 x 28, drawn in a 14 px box in the middle.
S = 1.6  # stroke width


def glyph_close():
    return union(capsule(9, 9, 19, 19, S), capsule(19, 9, 9, 19, S))


def glyph_min():
    return capsule(9, 14, 19, 14, S)


def glyph_max():
    return outline(box(14, 14, 5, 5, 1), S)


def glyph_restore():
    back = subtract(outline(box(15.5, 12.5, 4, 4, 1), S), box(12.5, 15.5, 5, 5))
    return union(back, outline(box(12.5, 15.5, 4, 4, 1), S))


def glyph_skin():
    # A painter's palette: a disc with a thumb hole and three paint dots.
    disc = subtract(circle(14, 14, 7.5), circle(17.5, 18, 2.2))
    dots = union(circle(10.5, 12, 1.3), circle(14, 9.8, 1.3), circle(17.6, 12, 1.3))
    return union(subtract(outline(disc, S), circle(17.5, 18, 0.6)), dots)


def glyph_gamemode():
    pad = outline(box(14, 15, 8, 5, 4), S)
    cross = union(capsule(9, 15, 12, 15, S), capsule(10.5, 13.5, 10.5, 16.5, S))
    buttons = union(circle(17.5, 14, 1.1), circle(19.5, 16, 1.1))
    return union(pad, cross, buttons)


def glyph_cloud():
    shape = union(circle(11, 16, 4), circle(15.5, 13, 5), circle(19, 16.5, 3.5), box(15, 18, 5, 2))
    return outline(shape, S)


def glyph_eye():
    def eye(x, y):
        return max(circle(14, 20, 9)(x, y), circle(14, 8, 9)(x, y))
    return union(outline(eye, S), circle(14, 14, 2.2))


def glyph_settings():
    def gear(x, y):
        angle = math.atan2(y - 14, x - 14)
        radius = 6.2 + 1.3 * max(-1.0, min(1.0, 3 * math.cos(6 * angle)))
        return math.hypot(x - 14, y - 14) - radius
    return subtract(gear, circle(14, 14, 2.4))


GLYPHS = {
    "close": glyph_close,
    "min": glyph_min,
    "max": glyph_max,
    "restore": glyph_restore,
    "skin": glyph_skin,
    "gamemode": glyph_gamemode,
    "cloud": glyph_cloud,
    "smarteyes": glyph_eye,
    "setting": glyph_settings,
}


def make_title_buttons():
    for name, glyph in GLYPHS.items():
        shape = glyph()
        save("title/%s_normal.png" % name, 28, 28, [(shape, ICON, 1.0)])
        save("title/%s_hot.png" % name, 28, 28, [(shape, ICON_HOT, 1.0)])
    # The update badge drawn over the settings button.
    save("title/update_badge.png", 28, 28, [(circle(21, 7, 3.6), (255, 92, 92), 1.0)])


def make_logo():
    def gradient(x, y):
        t = (x + y) / 128
        return tuple(int(a + (b - a) * t) for a, b in zip((92, 170, 255), (40, 96, 230)))

    hexagon = lambda x, y: max(abs(y - 32) * 0.866 + abs(x - 32) * 0.5, abs(x - 32)) - 26
    mark = union(ring(32, 32, 12, 6), capsule(32, 16, 32, 24, 5))
    save("logo.png", 64, 64, [(hexagon, gradient, 1.0), (mark, (18, 22, 30), 1.0)])


def make_background():
    width, height = 400, 286

    def shade(x, y):
        # A dark blue-grey that lightens gently towards the top left, with a faint accent glow at the bottom right.
        t = (x / width * 0.4 + y / height * 0.6)
        base = [27 - 9 * t, 30 - 9 * t, 37 - 10 * t]
        glow = max(0.0, 1 - math.hypot(x - width * 0.85, y - height * 1.05) / (width * 0.6))
        return tuple(int(c + g * glow * 0.18) for c, g in zip(base, ACCENT))

    full = lambda x, y: -1.0
    save("background.png", width, height, [(full, shade, 1.0)])


def make_no_device():
    width, height = 180, 150
    body = outline(box(90, 78, 30, 44, 28), 3)
    split = capsule(90, 36, 90, 64, 3)
    wheel = capsule(90, 46, 90, 54, 6)
    cable = capsule(90, 4, 90, 33, 3)
    cross = union(capsule(128, 110, 146, 128, 4), capsule(146, 110, 128, 128, 4))
    save("no_device.png", width, height, [
        (union(body, split, cable), (120, 128, 140), 1.0),
        (wheel, ACCENT, 1.0),
        (circle(137, 119, 16), (36, 40, 48), 1.0),
        (cross, (255, 120, 120), 1.0),
    ])


def main():
    make_title_buttons()
    make_logo()
    make_background()
    make_no_device()


if __name__ == "__main__":
    main()
