#!/usr/bin/python3
"""Composites the editor from the PNGs as the editor does (background, then every control's
frame over it with source alpha at its position) for a few sets of values, side by side.

    tools/make-images/preview.py [IMAGE_DIR] [OUTPUT.png] [SCALE]

Defaults: resources/img, build-images/preview.png, 3 (nearest-neighbour magnification).
"""

import os
import sys

import cairo

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_images import LAYOUT, PANEL_H, PANEL_W  # noqa: E402

# One column per set: knob values, lamp states and meter values.
SETS = [
    {"knobs": 0.0, "EQBY": 0, "COMPBY": 0, "VU": 0.0, "GR": 0.0},
    {"knobs": 0.5, "EQBY": 1, "COMPBY": 0, "VU": 10 ** (-3 / 20.0), "GR": 1 - 10 ** (-5 / 20.0)},
    {"knobs": 1.0, "EQBY": 0, "COMPBY": 1, "VU": 1.0, "GR": 1.0},
    {"knobs": None, "EQBY": 1, "COMPBY": 1, "VU": 0.1, "GR": 1 - 10 ** (-1 / 20.0)},
]
# Values for the last column: each knob somewhere else.
SPREAD = {"IN": 0.25, "OUT": 0.75, "HG": 1 / 6.0, "LG": 5 / 6.0, "MG": 2 / 6.0, "MF": 4 / 6.0,
          "COMP": 0.6}
KNOB_NAMES = ["IN", "OUT", "HG", "LG", "MG", "MF", "COMP"]


def Frame(frames, value):
    """1-based frame for a normalised value, as the controls pick it."""
    value = min(max(value, 0.0), 1.0)
    return min(max(int((frames - 1) * value + 0.5) + 1, 1), frames)


def Compose(images, values):
    panel = cairo.ImageSurface(cairo.FORMAT_ARGB32, PANEL_W, PANEL_H)
    ctx = cairo.Context(panel)
    ctx.set_source_surface(images["BG"], 0, 0)
    ctx.paint()
    for name, (x, y, w, h, frames) in LAYOUT.items():
        if name == "BG":
            continue
        if name in KNOB_NAMES:
            value = values["knobs"] if values["knobs"] is not None else SPREAD[name]
        else:
            value = values[name]
        k = Frame(frames, value)
        ctx.save()
        ctx.rectangle(x, y, w, h)
        ctx.clip()
        ctx.set_source_surface(images[name], x, y - h * (k - 1))
        ctx.paint()
        ctx.restore()
    return panel


def Main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "resources/img"
    out = sys.argv[2] if len(sys.argv) > 2 else "build-images/preview.png"
    scale = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    images = {name: cairo.ImageSurface.create_from_png(os.path.join(folder, name + ".png"))
              for name in LAYOUT}
    gap = 4
    width = len(SETS) * (PANEL_W + gap) - gap
    sheet = cairo.ImageSurface(cairo.FORMAT_ARGB32, width * scale, PANEL_H * scale)
    ctx = cairo.Context(sheet)
    ctx.set_source_rgb(0.2, 0.2, 0.2)
    ctx.paint()
    ctx.scale(scale, scale)
    for i, values in enumerate(SETS):
        ctx.set_source_surface(Compose(images, values), i * (PANEL_W + gap), 0)
        ctx.get_source().set_filter(cairo.FILTER_NEAREST)
        ctx.paint()
    sheet.write_to_png(out)
    print(out)


if __name__ == "__main__":
    Main()
