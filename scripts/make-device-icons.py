#!/usr/bin/env python3
"""Draws the device list icons (skin/common/device_ico/*.png) with the drawing helpers of make-skin.py.

One set per device stem (kb, ms, hard_mp, soft_mp, hd, hub, unknow), four pictures each: normal and selected, and
the same two with the synchronise mark. Run it from anywhere: it writes beside itself in ../skin/common/device_ico.
"""

import importlib.util
import os

HERE = os.path.dirname(os.path.abspath(__file__))
_spec = importlib.util.spec_from_file_location("make_skin", os.path.join(HERE, "make-skin.py"))
skin = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(skin)

SIZE = 40
NORMAL = (150, 158, 172)
SELECTED = skin.ACCENT
SYNC = (92, 214, 150)


def shape_ms():
    body = skin.box(20, 21, 8, 12, 8)
    return skin.union(skin.outline(body, 2.2), skin.capsule(20, 10, 20, 17, 2.2))


def shape_kb():
    keys = [skin.box(11 + 6 * i, 17, 1.6, 1.6, 0.6) for i in range(4)]
    keys += [skin.box(11 + 6 * i, 23, 1.6, 1.6, 0.6) for i in range(4)]
    return skin.union(skin.outline(skin.box(20, 20, 14, 9, 2.5), 2.0), *keys)


def shape_pad(hard):
    pad = skin.outline(skin.box(20, 20, 14, 10, 3 if hard else 6), 2.0)
    stripe = skin.capsule(10, 26, 30, 26, 1.6) if hard else skin.circle(29, 14, 2.2)
    return skin.union(pad, stripe)


def shape_hd():
    band = skin.subtract(skin.ring(20, 21, 11, 2.2), skin.box(20, 28, 14, 7))
    return skin.union(band, skin.box(10, 25, 3, 5, 1.5), skin.box(30, 25, 3, 5, 1.5))


def shape_hub():
    return skin.union(skin.outline(skin.box(20, 20, 12, 7, 3), 2.0), skin.circle(14, 20, 1.8), skin.circle(20, 20, 1.8),
                      skin.circle(26, 20, 1.8))


def shape_unknow():
    return skin.union(skin.ring(20, 20, 11, 2.2), skin.circle(20, 26, 1.6), skin.capsule(20, 15, 20, 21, 2.2))


SHAPES = {
    "ms": shape_ms,
    "kb": shape_kb,
    "hard_mp": lambda: shape_pad(True),
    "soft_mp": lambda: shape_pad(False),
    "hd": shape_hd,
    "hub": shape_hub,
    "unknow": shape_unknow,
}


def main():
    for stem, shape in SHAPES.items():
        for selected in (False, True):
            for synchro in (False, True):
                layers = [(shape(), SELECTED if selected else NORMAL, 1.0)]
                if synchro:
                    layers.append((skin.circle(33, 8, 4), SYNC, 1.0))
                ending = ("synchro_" if synchro else "") + ("selected" if selected else "normal")
                skin.save("device_ico/%s_device_%s.png" % (stem, ending), SIZE, SIZE, layers)


if __name__ == "__main__":
    main()
