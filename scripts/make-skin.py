#!/usr/bin/env python3
"""Draws the pictures of the skin (skin/common/*.png) with the Python standard library only.

Every picture is built from signed-distance shapes (circles, rings, capsules, rounded boxes), anti-aliased by the
distance to the edge, and written as an RGBA PNG. Run it from anywhere: it writes beside itself in ../skin. The
keyboard picture also places the keyboard page's key and light buttons in its layout; `make-skin.py keyboard` redraws
that picture and its buttons alone.
"""

import math
import os
import re
import sys
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


# Pictures the device pages and the power panel name by their paths under the skin folder (Control/, power/,
# device/), rather than under common/.
SKIN = os.path.join(HERE, "..", "skin")
TRACK = (52, 58, 68)


def save_skin(name, width, height, layers, background=(0, 0, 0, 0)):
    write_png(os.path.join(SKIN, name), width, height, render(width, height, layers, background))


def make_slider_pictures():
    # Tracks stretch along the slider, so their ends are nearly square; the thumbs keep their size.
    def track(colour):
        return [(box(32, 11, 32, 3, 1.5), colour, 1.0)]

    save_skin("Control/SliderBar_BK1.png", 64, 22, track(TRACK))
    save_skin("Control/SliderBar_BK3.png", 64, 22, track(ACCENT))
    save_skin("Control/SliderBar2_Thumb.png", 22, 22, [
        (circle(11, 11, 10), ACCENT, 1.0),
        (circle(11, 11, 5), (255, 255, 255), 1.0),
    ])
    save_skin("Control/SliderBar3_Thumb.png", 22, 22, [
        (circle(11, 11, 9), (150, 158, 170), 1.0),
        (circle(11, 11, 4), (60, 66, 76), 1.0),
    ])


def make_check_pictures():
    frame = box(9, 9, 8, 8, 3)
    tick = union(capsule(5, 9.5, 8, 12.5, 2.2), capsule(8, 12.5, 13.5, 6, 2.2))
    save_skin("Control/check_off.png", 18, 18, [(outline(frame, 1.4), (110, 118, 130), 1.0)])
    save_skin("Control/check_on.png", 18, 18, [(frame, ACCENT, 1.0), (tick, (255, 255, 255), 1.0)])


def battery(fill):
    """A battery lying on its side, 36 x 36, filled to `fill` (0..1)."""
    shell = outline(box(17, 18, 13, 8, 2.5), 2)
    cap = box(32.5, 18, 1.5, 3.5, 1)
    level = box(6 + 11 * fill, 18, max(0.5, 11 * fill), 5, 1)
    return union(shell, cap), level


def make_power_pictures():
    green, amber, grey = (92, 214, 150), (255, 196, 70), (200, 205, 214)
    shell, level = battery(1.0)
    save_skin("power/powered.png", 36, 36, [(shell, grey, 1.0), (level, green, 1.0)])
    shell, level = battery(0.55)
    bolt = union(capsule(20, 10, 15, 18, 2.4), capsule(15, 18, 21, 18, 2.4), capsule(21, 18, 16, 26, 2.4))
    save_skin("power/powering.png", 36, 36, [(shell, grey, 1.0), (level, amber, 1.0),
                                            (outline(bolt, 2.4), (27, 30, 36), 1.0), (bolt, (255, 255, 255), 1.0)])
    shell, level = battery(0.35)
    save_skin("power/power.png", 36, 36, [(shell, grey, 1.0), (level, ACCENT, 1.0)])

    phone = box(18, 18, 9, 15, 3)
    screen = box(18, 18, 7, 12, 1.5)
    body = subtract(phone, screen)
    save_skin("power/Phone_type_iphone.png", 36, 36, [
        (body, grey, 1.0), (box(18, 7.5, 3, 1.2, 1.2), grey, 1.0), (screen, (40, 48, 60), 1.0)])
    save_skin("power/Phone_type_samsung.png", 36, 36, [
        (body, grey, 1.0), (screen, (40, 48, 60), 1.0), (circle(18, 8.5, 1.3), grey, 1.0)])
    save_skin("power/Phone_type_other.png", 36, 36, [
        (body, grey, 1.0), (screen, (40, 48, 60), 1.0), (circle(18, 31, 1.2), (27, 30, 36), 1.0)])
    save_skin("power/Phone_type_no_device.png", 36, 36, [(outline(phone, 1.4), (90, 96, 108), 1.0)])
    waves = union(ring(10, 16, 4, 2), ring(10, 16, 8, 2))
    wedge = lambda x, y: max(waves(x, y), -(x - 10) + abs(y - 16) * 0.9)
    save_skin("power/wuxian.png", 20, 20, [(union(wedge, circle(10, 16, 1.8)), (92, 214, 150), 1.0)])


def body_shade(top, bottom, height):
    def shade(x, y):
        t = max(0.0, min(1.0, y / height))
        return tuple(int(a + (b - a) * t) for a, b in zip(top, bottom))
    return shade


def make_device_pictures():
    # The mouse seen from above, 380 x 500: a shell with two buttons, the wheel and a light strip on each side.
    shell = box(190, 265, 108, 205, 100)
    seam = union(capsule(190, 64, 190, 200, 2.5), capsule(88, 200, 292, 200, 2.5))
    wheel = box(190, 112, 9, 26, 8)
    strips = union(capsule(114, 320, 108, 440, 7), capsule(266, 320, 272, 440, 7))
    logo = ring(190, 360, 18, 4)
    save_skin("device/mouse_top.png", 380, 500, [
        (shell, body_shade((58, 64, 76), (30, 34, 42), 500), 1.0),
        (outline(shell, 2), (88, 96, 110), 1.0),
        (seam, (22, 25, 31), 1.0),
        (wheel, (120, 128, 142), 1.0),
        (strips, (40, 70, 120), 0.9),
        (logo, ACCENT, 0.9),
    ])
    # The mousepad from above, 460 x 280, with its light strip along the edge and the charging spot.
    pad = box(230, 140, 222, 132, 22)
    spot = ring(360, 140, 34, 3)
    save_skin("device/mousepad_top.png", 460, 280, [
        (pad, body_shade((44, 49, 59), (28, 31, 38), 280), 1.0),
        (outline(box(230, 140, 212, 122, 16), 3), (40, 70, 120), 0.9),
        (spot, (92, 214, 150), 0.8),
        (circle(360, 140, 6), (92, 214, 150), 0.8),
    ])
    # The headset from the front, 360 x 360: band and two ear cups.
    band = subtract(ring(180, 190, 122, 16), box(180, 280, 200, 90))
    cups = union(box(62, 250, 34, 60, 28), box(298, 250, 34, 60, 28))
    mic = capsule(62, 300, 130, 340, 6)
    save_skin("device/headset_front.png", 360, 360, [
        (band, (70, 77, 90), 1.0),
        (cups, body_shade((62, 68, 80), (32, 36, 44), 360), 1.0),
        (outline(cups, 2), (88, 96, 110), 1.0),
        (mic, (90, 98, 112), 1.0),
    ])
    make_keyboard()


# The keyboard: every logical key (its index in the keyboard's key list) at its place on a full-size board with
# the keys of the Japanese, Korean, ISO and Brazilian layouts, the macro keys M1 to M5 on the left, the navigation
# block and the number pad. Each entry: key index, label, column and row in key units, width, height. The picture,
# the page's key buttons and its light buttons are all drawn from this one table. Keys 18, 19, 20, 62 and 104 are
# the unused positions of the key list and have no key on the board.
KB_MAIN = 1.25   # the main block starts after the macro column
KB_NAV = KB_MAIN + 15.25
KB_PAD = KB_NAV + 3.25


def keyboard_keys():
    keys = []

    def row(y, x, entries):
        for entry in entries:
            index, label, width = entry if len(entry) == 3 else (*entry, 1.0)
            if index is not None:
                keys.append((index, label, x, y, width, 1.0))
            x += width

    row(0, KB_MAIN, [(0, "Esc"), (None, "", 1.0)] + [(i, "F%d" % i) for i in range(1, 5)] + [(None, "", 0.5)] +
        [(i, "F%d" % i) for i in range(5, 9)] + [(None, "", 0.5)] + [(i, "F%d" % i) for i in range(9, 13)])
    row(0, KB_NAV, [(13, "Prt"), (14, "Scr"), (15, "Pse")])
    row(0, KB_PAD + 2, [(16, "GM"), (17, "Fn2")])
    y = 1.25
    row(y, KB_MAIN, [(21, "`")] + [(22 + i, str((i + 1) % 10)) for i in range(10)] +
        [(32, "-"), (33, "="), (101, "\u00a5"), (34, "BS")])
    row(y, KB_NAV, [(35, "Ins"), (36, "Hm"), (37, "PgU")])
    row(y, KB_PAD, [(38, "NL"), (39, "/"), (40, "*"), (41, "-")])
    row(y + 1, KB_MAIN, [(42, "Tab", 1.5)] + [(43 + i, c) for i, c in enumerate("QWERTYUIOP[]")] + [(55, "\\", 1.5)])
    row(y + 1, KB_NAV, [(56, "Del"), (57, "End"), (58, "PgD")])
    row(y + 1, KB_PAD, [(59, "7"), (60, "8"), (61, "9"), (119, "+")])
    row(y + 2, KB_MAIN, [(63, "Caps", 1.75)] + [(64 + i, c) for i, c in enumerate("ASDFGHJKL;'")] +
        [(75, "Enter", 2.25)])
    row(y + 2, KB_PAD, [(76, "4"), (77, "5"), (78, "6"), (103, ",")])
    row(y + 3, KB_MAIN, [(84, "Shift", 1.25), (102, "\\")] + [(85 + i, c) for i, c in enumerate("ZXCVBNM,./")] +
        [(100, "Ro"), (95, "Shift", 1.75)])
    row(y + 3, KB_NAV + 1, [(96, "\u2191")])
    row(y + 3, KB_PAD, [(97, "1"), (98, "2"), (99, "3")])
    row(y + 4, KB_MAIN, [(105, "Ctl"), (106, "Win"), (107, "Alt"), (80, "Mu"), (82, "Hj"), (108, "Space", 2.0),
                         (81, "Hg"), (79, "He"), (83, "Ka"), (109, "Alt"), (125, "Win"), (110, "Fn"),
                         (111, "App"), (112, "Ctl")])
    row(y + 4, KB_NAV, [(113, "\u2190"), (114, "\u2193"), (115, "\u2192")])
    row(y + 4, KB_PAD, [(116, "0", 2.0), (117, ".")])
    keys.append((118, "Ent", KB_PAD + 3, y + 3, 1.0, 2.0))
    for m in range(5):
        keys.append((120 + m, "M%d" % (m + 1), 0, y + m, 1.0, 1.0))
    return keys


KB_UNIT = 18.5    # pixels per key unit
KB_MARGIN = 10    # frame around the keys
KB_GAP = 2        # between neighbouring keys
KB_WIDTH, KB_HEIGHT = 460, 136


def keyboard_key_rect(x, y, width, height):
    """Pixel rectangle (left, top, right, bottom) of a key, the same in the picture and in the layout."""
    def at(units, origin):
        return int(round(origin + units * KB_UNIT))
    return (at(x, KB_MARGIN), at(y, KB_MARGIN), at(x + width, KB_MARGIN) - KB_GAP, at(y + height, KB_MARGIN) - KB_GAP)


def keyboard_led(index):
    """The LED of a key on the keyboard's own per-key table: the LED chain runs from the last key to the first."""
    return 125 - index


def make_keyboard():
    keys = keyboard_keys()
    caps = []
    for _, _, x, y, w, h in keys:
        left, top, right, bottom = keyboard_key_rect(x, y, w, h)
        caps.append(box((left + right) / 2, (top + bottom) / 2, (right - left) / 2, (bottom - top) / 2, 3))
    caps_sd = union(*caps)
    save_skin("device/keyboard_top.png", KB_WIDTH, KB_HEIGHT, [
        (box(KB_WIDTH / 2, KB_HEIGHT / 2, KB_WIDTH / 2 - 2, KB_HEIGHT / 2 - 2, 10),
         body_shade((48, 53, 63), (30, 33, 40), KB_HEIGHT), 1.0),
        (caps_sd, (74, 81, 94), 1.0),
        (outline(caps_sd, 1), (96, 104, 118), 1.0),
    ])
    # The light overlay of a key: a glow along the cap's edge, stretched over each light button.
    save_skin("device/key_light.png", 24, 24, [(outline(box(12, 12, 11, 11, 4), 2), (255, 255, 255), 0.55)])
    write_keyboard_buttons(keys)


def write_keyboard_buttons(keys):
    """Rewrites the key and light buttons inside the keyboard page's SelectPanel. The light buttons lie under the
    key buttons and let the pointer through, so a click always reaches the key."""
    from xml.sax.saxutils import quoteattr
    lights, buttons = [], []
    indent = " " * 12
    for index, label, x, y, w, h in sorted(keys):
        pos = "%d,%d,%d,%d" % keyboard_key_rect(x, y, w, h)
        lights.append('%s<DeviceKeyButton name="light_%d" float="true" pos="%s" lightimage="device/key_light.png" '
                      'borderround="3,3" mouse="false"/>' % (indent, keyboard_led(index), pos))
        buttons.append('%s<DeviceKeyButton name="key_%d" text=%s float="true" pos="%s" font="10" '
                       'textcolor="#FFE6E8EB" align="center" endellipsis="false" textpadding="0,0,0,0" bkcolor="#8C1B1F26" hotbkcolor="#A03D8BFF" '
                       'borderround="3,3" cursor="hand"/>' % (indent, index, quoteattr(label), pos))
    path = os.path.join(HERE, "..", "skin", "XML", "DeviceXml", "keyboarddevice.xml")
    with open(path, encoding="utf-8") as f:
        text = f.read()
    panel = text.index("<SelectPanel")
    text = text[:panel] + re.sub(r'height="\d+"', 'height="%d"' % KB_HEIGHT, text[panel:], count=1)
    start = text.index(">", panel) + 1
    end = text.index(indent[:-4] + "</SelectPanel>")
    text = text[:start] + "\n" + "\n".join(lights + buttons) + "\n" + text[end:]
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def make_recoil_pictures():
    """One picture per gun: the path the recoil table pulls the pointer along, bullet by bullet, drawn from the
    factory tables in DefaultData (first bullet at the top, the last one marked)."""
    import json
    for gun in range(4):
        with open(os.path.join(HERE, "..", "DefaultData", "ShootData_%d.Shoot" % gun)) as f:
            events = json.load(f)["Events"]
        x = y = 0
        points = [(0, 0)]
        for bullet in range(30):
            horizontal, vertical = events[4 * bullet + 2], events[4 * bullet + 3]
            x += -horizontal["Button"] if horizontal["Action"] == "down" else horizontal["Button"]
            y += -vertical["Button"] if vertical["Action"] == "down" else vertical["Button"]
            points.append((x, y))
        width, height = 200, 300
        span_x = max(abs(px) for px, _ in points) or 1
        span_y = max(abs(py) for _, py in points) or 1
        scale = min((width / 2 - 24) / span_x, (height - 48) / span_y, 4.0)
        placed = [(width / 2 + px * scale, 24 + py * scale) for px, py in points]
        path = union(*[capsule(a[0], a[1], b[0], b[1], 2.0) for a, b in zip(placed, placed[1:])])
        dots = union(*[circle(px, py, 3.0) for px, py in placed[1:]])
        save_skin("common/recoil/gun_%d.png" % (gun + 1), width, height, [
            (path, (74, 81, 94), 1.0),
            (dots, ACCENT, 1.0),
            (ring(placed[-1][0], placed[-1][1], 7.0, 2.0), (255, 255, 255), 1.0),
        ])


def make_skin_pictures():
    """The skin picker's stock backgrounds (common/skin/stock_N.png) and the delete corner of custom pictures."""
    os.makedirs(os.path.join(OUT, "skin"), exist_ok=True)
    width, height = 400, 286
    tints = [(38, 52, 86), (70, 40, 60), (30, 66, 58)]
    for index, tint in enumerate(tints, start=1):
        def shade(x, y, tint=tint):
            t = x / width * 0.5 + y / height * 0.5
            return tuple(int(c * (1.0 - 0.6 * t)) for c in tint)

        save(os.path.join("skin", "stock_%d.png" % index), width, height, [(lambda x, y: -1.0, shade, 1.0)])
    cross = union(capsule(6, 6, 14, 14, 1.6), capsule(14, 6, 6, 14, 1.6))
    for name, colour in (("delete_normal.png", (138, 147, 163)), ("delete_hot.png", (217, 68, 63))):
        save(os.path.join("skin", name), 20, 20, [(circle(10, 10, 9.5), colour, 1.0), (cross, (255, 255, 255), 1.0)])


def main():
    if sys.argv[1:] == ["keyboard"]:  # the keyboard picture and its buttons alone
        make_keyboard()
        return
    make_skin_pictures()
    make_title_buttons()
    make_logo()
    make_background()
    make_no_device()
    make_slider_pictures()
    make_check_pictures()
    make_power_pictures()
    make_device_pictures()
    make_recoil_pictures()


if __name__ == "__main__":
    main()
