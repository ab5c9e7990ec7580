#!/usr/bin/python3
"""Draws KORU's twelve editor pictures with cairo and writes them as 8-bit RGBA PNGs.

    tools/make-images/make_images.py [OUTPUT_DIR]      (default: resources/img)

The editor composites every control over the background with source alpha at the fixed
positions of LAYOUT, so the background carries all printed legends and scales and each
filmstrip only what moves. Frames are stacked top to bottom; a value v shows frame
int((N - 1) * v + 0.5) + 1, so frame k (1-based) stands for v = (k - 1) / (N - 1).

The output is deterministic: the panel texture comes from a fixed seed and nothing depends
on the clock, so a rerun writes the same bytes on the same cairo and fonts.
"""

import math
import os
import random
import struct
import sys
import zlib

import cairo

# name, x, y, frame width, frame height, frames: where the editor puts each picture.
LAYOUT = {
    "BG": (0, 0, 150, 550, 1),
    "IN": (14, 496, 44, 44, 61),
    "OUT": (91, 496, 46, 44, 61),
    "HG": (47, 285, 56, 56, 61),
    "LG": (46, 206, 58, 58, 61),
    "MG": (47, 51, 57, 57, 61),
    "MF": (47, 128, 56, 58, 61),
    "COMP": (47, 419, 57, 57, 61),
    "EQBY": (5, 336, 19, 20, 2),
    "COMPBY": (4, 459, 21, 21, 2),
    "GR": (14, 367, 121, 27, 121),
    "VU": (3, 0, 146, 33, 121),
}

PANEL_W, PANEL_H = 150, 550

# Knob travel: the pointer turns clockwise from 135 degrees left of the top to 135 degrees
# right of it; frame 31 of 61 points straight up.
KNOB_SWEEP_DEG = 270.0

INK = (0.09, 0.09, 0.10)
INK_SOFT = (0.20, 0.20, 0.22)
CAP_BLUE = (0.15, 0.34, 0.70)
CAP_RED = (0.76, 0.13, 0.11)
CAP_GREEN = (0.13, 0.52, 0.24)
CAP_GREY = (0.56, 0.58, 0.60)

SANS = "DejaVu Sans"
SANS_CONDENSED = "DejaVu Sans Condensed"

# name: cap colour, body radius in pixels, scale labels (left to right, evenly spread over the
# travel, so label k of 7 sits under frame 10 k + 1), minor ticks between two labels, legend.
KNOBS = {
    "MG": (CAP_BLUE, 17.0, ["12", "8", "4", "0", "4", "8", "12"], 1, None),
    "MF": (CAP_BLUE, 17.0, ["150", "250", "300", "500", "750", "1.3K", "7K"], 1, "MID"),
    "LG": (CAP_RED, 17.5, ["15", "10", "5", "0", "5", "10", "15"], 1, "LOW"),
    "HG": (CAP_GREEN, 17.0, ["15", "10", "5", "0", "5", "10", "15"], 1, "HIGH"),
    "COMP": (CAP_GREY, 17.0, ["OFF", "", "", "", "", "", "MAX."], 1, "OPTO-COMP"),
    "IN": (CAP_GREY, 13.5, ["\u221224", "", "", "", "", "", "+24"], 0, "I"),
    "OUT": (CAP_GREY, 13.5, ["\u221224", "", "", "", "", "", "+24"], 0, "O"),
}

# Knobs whose scale counts away from 0 in both directions, cut on the left, boost on the right.
SIGNED_SCALES = ("MG", "LG", "HG")


def KnobAngle(value):
    """Pointer angle in radians, clockwise from straight up, for a normalised value."""
    return math.radians(KNOB_SWEEP_DEG * (value - 0.5))


def PixelCentre(size):
    """Middle of a frame side on the centre of a pixel: for even sizes half a pixel past the
    exact middle, so pointers, ticks and labels at the straight angles fall on whole pixels."""
    return size // 2 + 0.5


def FrameCentre(name):
    """Centre of a control's drawing in panel coordinates."""
    x, y, w, h, _ = LAYOUT[name]
    return x + PixelCentre(w), y + PixelCentre(h)


def FontOptions():
    options = cairo.FontOptions()
    options.set_antialias(cairo.ANTIALIAS_GRAY)
    options.set_hint_style(cairo.HINT_STYLE_FULL)
    options.set_hint_metrics(cairo.HINT_METRICS_ON)
    return options


def SetFont(ctx, size, bold=False, condensed=True):
    ctx.set_font_options(FontOptions())
    ctx.select_font_face(SANS_CONDENSED if condensed else SANS, cairo.FONT_SLANT_NORMAL,
                         cairo.FONT_WEIGHT_BOLD if bold else cairo.FONT_WEIGHT_NORMAL)
    ctx.set_font_size(size)


def CapHeight(ctx):
    return -ctx.text_extents("0")[1]


def TextBox(ctx, text):
    """Advance width and cap height of a text in the current font."""
    return ctx.text_extents(text)[4], CapHeight(ctx)


def DrawText(ctx, text, cx, cy, colour=INK):
    """Draws a text centred on (cx, cy) with its origin on a whole pixel; with hinted metrics
    every glyph then starts on a whole pixel and keeps its crisp stems."""
    width, height = TextBox(ctx, text)
    ctx.set_source_rgb(*colour)
    ctx.move_to(round(cx - width / 2.0), round(cy + height / 2.0))
    ctx.show_text(text)


def Mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def Lighter(colour, t):
    return Mix(colour, (1.0, 1.0, 1.0), t)


def Darker(colour, t):
    return Mix(colour, (0.0, 0.0, 0.0), t)


# ---------------------------------------------------------------------------------------------
# Knobs


def DrawKnob(ctx, cx, cy, radius, cap, angle):
    """One knob: a dark ribbed skirt, a coloured domed cap and a white pointer line. The light
    comes from the upper left and does not turn with the knob; only the pointer and the ribs
    do."""
    # Skirt.
    skirt = cairo.LinearGradient(cx, cy - radius, cx, cy + radius)
    skirt.add_color_stop_rgb(0.0, 0.33, 0.34, 0.36)
    skirt.add_color_stop_rgb(0.5, 0.17, 0.18, 0.19)
    skirt.add_color_stop_rgb(1.0, 0.08, 0.08, 0.09)
    ctx.arc(cx, cy, radius, 0, 2 * math.pi)
    ctx.set_source(skirt)
    ctx.fill()

    # Ribs around the skirt turn with the knob so a drag visibly moves it.
    ribs = 28
    ctx.save()
    ctx.arc(cx, cy, radius - 0.6, 0, 2 * math.pi)
    ctx.clip()
    for k in range(ribs):
        a = angle + 2 * math.pi * (k + 0.5) / ribs
        dx, dy = math.sin(a), -math.cos(a)
        # Ribs facing the light catch it; those facing away darken.
        lit = 0.5 + 0.5 * (-0.6 * dx - 0.8 * dy)
        ctx.set_source_rgba(1.0, 1.0, 1.0, 0.05 + 0.16 * lit)
        ctx.set_line_width(0.9)
        ctx.move_to(cx + dx * (radius * 0.80), cy + dy * (radius * 0.80))
        ctx.line_to(cx + dx * radius, cy + dy * radius)
        ctx.stroke()
    ctx.restore()

    # Rim light on the upper edge of the skirt.
    rim = cairo.LinearGradient(cx, cy - radius, cx, cy + radius)
    rim.add_color_stop_rgba(0.0, 1.0, 1.0, 1.0, 0.45)
    rim.add_color_stop_rgba(0.45, 1.0, 1.0, 1.0, 0.0)
    rim.add_color_stop_rgba(1.0, 0.0, 0.0, 0.0, 0.0)
    ctx.arc(cx, cy, radius - 0.5, 0, 2 * math.pi)
    ctx.set_source(rim)
    ctx.set_line_width(1.0)
    ctx.stroke()

    # Cap: a shadow ring, then the dome lit from the upper left.
    capRadius = radius * 0.66
    ctx.arc(cx, cy + 0.6, capRadius + 1.0, 0, 2 * math.pi)
    ctx.set_source_rgba(0.0, 0.0, 0.0, 0.55)
    ctx.fill()
    dome = cairo.RadialGradient(cx - capRadius * 0.35, cy - capRadius * 0.45, capRadius * 0.1,
                                cx, cy, capRadius * 1.05)
    dome.add_color_stop_rgb(0.0, *Lighter(cap, 0.45))
    dome.add_color_stop_rgb(0.55, *cap)
    dome.add_color_stop_rgb(1.0, *Darker(cap, 0.35))
    ctx.arc(cx, cy, capRadius, 0, 2 * math.pi)
    ctx.set_source(dome)
    ctx.fill()
    capRim = cairo.LinearGradient(cx, cy - capRadius, cx, cy + capRadius)
    capRim.add_color_stop_rgba(0.0, 1.0, 1.0, 1.0, 0.55)
    capRim.add_color_stop_rgba(0.5, 1.0, 1.0, 1.0, 0.0)
    capRim.add_color_stop_rgba(1.0, 0.0, 0.0, 0.0, 0.25)
    ctx.arc(cx, cy, capRadius - 0.5, 0, 2 * math.pi)
    ctx.set_source(capRim)
    ctx.set_line_width(1.0)
    ctx.stroke()

    # Pointer from near the centre to the skirt's edge.
    dx, dy = math.sin(angle), -math.cos(angle)
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.move_to(cx + dx * radius * 0.22, cy + dy * radius * 0.22)
    ctx.line_to(cx + dx * (radius - 1.2), cy + dy * (radius - 1.2))
    ctx.set_source_rgba(0.0, 0.0, 0.0, 0.35)
    ctx.set_line_width(2.6)
    ctx.stroke_preserve()
    ctx.set_source_rgb(0.97, 0.97, 0.95)
    ctx.set_line_width(1.5)
    ctx.stroke()
    ctx.set_line_cap(cairo.LINE_CAP_BUTT)


def KnobStrip(name):
    _, _, w, h, frames = LAYOUT[name]
    cap, radius = KNOBS[name][0], KNOBS[name][1]
    surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, w, h * frames)
    ctx = cairo.Context(surface)
    for k in range(frames):
        ctx.save()
        ctx.translate(0, h * k)
        ctx.rectangle(0, 0, w, h)
        ctx.clip()
        DrawKnob(ctx, PixelCentre(w), PixelCentre(h), radius, cap, KnobAngle(k / (frames - 1.0)))
        ctx.restore()
    return surface


# ---------------------------------------------------------------------------------------------
# Lamp buttons


def DrawLamp(ctx, cx, cy, radius, lit):
    """A round push button with a red lens: dark when off, glowing when on."""
    bezel = cairo.LinearGradient(cx, cy - radius, cx, cy + radius)
    bezel.add_color_stop_rgb(0.0, 0.86, 0.87, 0.88)
    bezel.add_color_stop_rgb(0.5, 0.55, 0.56, 0.58)
    bezel.add_color_stop_rgb(1.0, 0.25, 0.26, 0.27)
    ctx.arc(cx, cy, radius, 0, 2 * math.pi)
    ctx.set_source(bezel)
    ctx.fill()
    ctx.arc(cx, cy, radius - 0.5, 0, 2 * math.pi)
    ctx.set_source_rgba(0.0, 0.0, 0.0, 0.45)
    ctx.set_line_width(1.0)
    ctx.stroke()

    lens = radius - 2.0
    ctx.arc(cx, cy, lens + 0.7, 0, 2 * math.pi)
    ctx.set_source_rgb(0.07, 0.05, 0.05)
    ctx.fill()
    glass = cairo.RadialGradient(cx - lens * 0.3, cy - lens * 0.35, lens * 0.1, cx, cy, lens)
    if lit:
        glass.add_color_stop_rgb(0.0, 1.0, 0.86, 0.72)
        glass.add_color_stop_rgb(0.35, 1.0, 0.28, 0.16)
        glass.add_color_stop_rgb(1.0, 0.72, 0.05, 0.03)
    else:
        glass.add_color_stop_rgb(0.0, 0.55, 0.22, 0.20)
        glass.add_color_stop_rgb(0.45, 0.32, 0.06, 0.05)
        glass.add_color_stop_rgb(1.0, 0.17, 0.02, 0.02)
    ctx.arc(cx, cy, lens, 0, 2 * math.pi)
    ctx.set_source(glass)
    ctx.fill()
    # A small specular spot on the glass.
    spot = cairo.RadialGradient(cx - lens * 0.35, cy - lens * 0.42, 0, cx - lens * 0.35,
                                cy - lens * 0.42, lens * 0.45)
    spot.add_color_stop_rgba(0.0, 1.0, 1.0, 1.0, 0.75 if lit else 0.45)
    spot.add_color_stop_rgba(1.0, 1.0, 1.0, 1.0, 0.0)
    ctx.arc(cx, cy, lens, 0, 2 * math.pi)
    ctx.set_source(spot)
    ctx.fill()


def LampStrip(name):
    _, _, w, h, frames = LAYOUT[name]
    surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, w, h * frames)
    ctx = cairo.Context(surface)
    radius = min(w, h) / 2.0 - 1.0
    for k in range(frames):
        ctx.save()
        ctx.translate(0, h * k)
        ctx.rectangle(0, 0, w, h)
        ctx.clip()
        DrawLamp(ctx, PixelCentre(w), PixelCentre(h), radius, k == 1)
        ctx.restore()
    return surface


# ---------------------------------------------------------------------------------------------
# Meters


class MeterFace:
    """Geometry of a needle meter window: the needle's pivot lies below the window, and its
    angle is linear in the pushed value (0 at the left end of the arc, 1 at the right)."""

    def __init__(self, w, h, arcTop, halfWidth, drop, marks, redFrom, legend, fontSize):
        # The arc peaks at arcTop in the middle and ends halfWidth to either side, drop
        # pixels lower.
        self.w, self.h = w, h
        self.halfSweep = 2.0 * math.atan2(drop, halfWidth)
        self.radius = halfWidth / math.sin(self.halfSweep)
        self.cx = w / 2.0
        self.cy = arcTop + self.radius
        self.marks = marks  # (label, value)
        self.redFrom = redFrom
        self.legend = legend
        self.fontSize = fontSize

    def Angle(self, value):
        return self.halfSweep * (2.0 * value - 1.0)

    def Point(self, value, radius):
        a = self.Angle(value)
        return self.cx + radius * math.sin(a), self.cy - radius * math.cos(a)


def VuFace():
    # The pushed VU value is a linear amplitude; each mark sits where 10^(dB / 20) lands.
    marks = [(label, 10.0 ** (db / 20.0)) for label, db in
             [("\u221220", -20), ("\u221210", -10), ("\u22125", -5), ("\u22123", -3),
              ("\u22122", -2), ("\u22121", -1), ("0", 0)]]
    _, _, w, h, _ = LAYOUT["VU"]
    return MeterFace(w, h, 15.0, 62.0, 7.0, marks, 10.0 ** (-2.0 / 20.0), "VU", 6.5)


def GrFace():
    # The pushed value is 1 - gain: no reduction rests on the left at 0, and a reduction of
    # g dB sits where 1 - 10^(-g / 20) lands.
    marks = [(str(db), 1.0 - 10.0 ** (-db / 20.0)) for db in [0, 1, 2, 3, 5, 10, 20]]
    _, _, w, h, _ = LAYOUT["GR"]
    return MeterFace(w, h, 12.5, 50.0, 6.0, marks, 1.0 - 10.0 ** (-10.0 / 20.0), "GR", 6.0)


def RoundedRect(ctx, x, y, w, h, r):
    ctx.new_sub_path()
    ctx.arc(x + w - r, y + r, r, -math.pi / 2, 0)
    ctx.arc(x + w - r, y + h - r, r, 0, math.pi / 2)
    ctx.arc(x + r, y + h - r, r, math.pi / 2, math.pi)
    ctx.arc(x + r, y + r, r, math.pi, 3 * math.pi / 2)
    ctx.close_path()


def DrawMeterWindow(ctx, face):
    """The static part of a meter: bezel, backlit ivory face, arc, ticks and labels."""
    w, h = face.w, face.h
    # Bezel.
    RoundedRect(ctx, 0, 0, w, h, 3.0)
    bezel = cairo.LinearGradient(0, 0, 0, h)
    bezel.add_color_stop_rgb(0.0, 0.10, 0.10, 0.11)
    bezel.add_color_stop_rgb(1.0, 0.24, 0.25, 0.26)
    ctx.set_source(bezel)
    ctx.fill()
    # Face, lit warmly from below like a lamp behind the scale.
    RoundedRect(ctx, 2, 2, w - 4, h - 4, 1.5)
    paper = cairo.LinearGradient(0, 2, 0, h - 2)
    paper.add_color_stop_rgb(0.0, 0.86, 0.81, 0.66)
    paper.add_color_stop_rgb(1.0, 0.97, 0.91, 0.72)
    ctx.set_source(paper)
    ctx.fill()
    # A shadow under the bezel's top edge sets the face back behind the glass.
    shade = cairo.LinearGradient(0, 2, 0, 6)
    shade.add_color_stop_rgba(0.0, 0.0, 0.0, 0.0, 0.35)
    shade.add_color_stop_rgba(1.0, 0.0, 0.0, 0.0, 0.0)
    ctx.rectangle(2, 2, w - 4, 4)
    ctx.set_source(shade)
    ctx.fill()

    ctx.save()
    RoundedRect(ctx, 2, 2, w - 4, h - 4, 1.5)
    ctx.clip()
    a0, a1, aRed = face.Angle(0.0), face.Angle(1.0), face.Angle(face.redFrom)
    # Arc: black up to the red zone, then a heavier red band to the end.
    ctx.set_line_width(1.2)
    ctx.set_source_rgb(*INK)
    ctx.arc(face.cx, face.cy, face.radius, a0 - math.pi / 2, aRed - math.pi / 2)
    ctx.stroke()
    ctx.set_source_rgb(0.80, 0.08, 0.06)
    ctx.set_line_width(2.5)
    ctx.arc(face.cx, face.cy, face.radius + 0.75, aRed - math.pi / 2, a1 - math.pi / 2)
    ctx.stroke()
    # Ticks: long at the marks, short ones between.
    SetFont(ctx, face.fontSize, bold=True)
    ctx.set_line_width(1.0)
    for label, value in face.marks:
        colour = (0.72, 0.06, 0.05) if value >= face.redFrom - 1e-9 else INK
        ctx.set_source_rgb(*colour)
        x0, y0 = face.Point(value, face.radius)
        x1, y1 = face.Point(value, face.radius + 3.5)
        ctx.move_to(x0, y0)
        ctx.line_to(x1, y1)
        ctx.stroke()
        lx, ly = face.Point(value, face.radius + 7.5)
        DrawText(ctx, label, lx, ly, colour)
    for k in range(1, 20):
        value = k / 20.0
        if any(abs(value - v) < 0.03 for _, v in face.marks):
            continue
        x0, y0 = face.Point(value, face.radius)
        x1, y1 = face.Point(value, face.radius + 1.8)
        ctx.set_source_rgb(*INK)
        ctx.move_to(x0, y0)
        ctx.line_to(x1, y1)
        ctx.stroke()
    SetFont(ctx, face.fontSize + 0.5, bold=True)
    DrawText(ctx, face.legend, face.cx, h - 7.5, INK_SOFT)
    ctx.restore()


def DrawNeedle(ctx, face, value):
    ctx.save()
    RoundedRect(ctx, 2, 2, face.w - 4, face.h - 4, 1.5)
    ctx.clip()
    tipX, tipY = face.Point(value, face.radius + 4.0)
    baseX, baseY = face.Point(value, face.radius - 30.0)
    # A soft shadow falls on the face to the lower right of the needle.
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.set_source_rgba(0.0, 0.0, 0.0, 0.18)
    ctx.set_line_width(1.6)
    ctx.move_to(baseX + 1.0, baseY + 1.0)
    ctx.line_to(tipX + 1.0, tipY + 1.0)
    ctx.stroke()
    ctx.set_source_rgb(0.06, 0.06, 0.07)
    ctx.set_line_width(1.0)
    ctx.move_to(baseX, baseY)
    ctx.line_to(tipX, tipY)
    ctx.stroke()
    ctx.restore()


def DrawMeterGlass(ctx, face):
    """A faint reflection across the top of the glass, over the needle."""
    ctx.save()
    RoundedRect(ctx, 2, 2, face.w - 4, face.h - 4, 1.5)
    ctx.clip()
    glare = cairo.LinearGradient(0, 2, 0, face.h * 0.55)
    glare.add_color_stop_rgba(0.0, 1.0, 1.0, 1.0, 0.0)
    glare.add_color_stop_rgba(0.6, 1.0, 1.0, 1.0, 0.10)
    glare.add_color_stop_rgba(1.0, 1.0, 1.0, 1.0, 0.0)
    ctx.rectangle(2, 2, face.w - 4, face.h * 0.55)
    ctx.set_source(glare)
    ctx.fill()
    ctx.restore()


def DrawMeter(ctx, face, value):
    DrawMeterWindow(ctx, face)
    DrawNeedle(ctx, face, value)
    DrawMeterGlass(ctx, face)


def MeterStrip(name, face):
    _, _, w, h, frames = LAYOUT[name]
    window = cairo.ImageSurface(cairo.FORMAT_ARGB32, w, h)
    DrawMeterWindow(cairo.Context(window), face)
    surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, w, h * frames)
    ctx = cairo.Context(surface)
    for k in range(frames):
        ctx.save()
        ctx.translate(0, h * k)
        ctx.rectangle(0, 0, w, h)
        ctx.clip()
        ctx.set_source_surface(window, 0, 0)
        ctx.paint()
        DrawNeedle(ctx, face, k / (frames - 1.0))
        DrawMeterGlass(ctx, face)
        ctx.restore()
    return surface


# ---------------------------------------------------------------------------------------------
# Background


def BrushedPanel():
    """A grey aluminium panel brushed along its length: per-column grain, streaks of random
    length and a little fine noise, from a fixed seed."""
    rng = random.Random(0x4B4F5255)
    w, h = PANEL_W, PANEL_H
    column = [rng.gauss(0.0, 1.0) for _ in range(w)]
    column = [(column[max(x - 1, 0)] + 2 * column[x] + column[min(x + 1, w - 1)]) / 4.0
              for x in range(w)]
    level = [[0.0] * w for _ in range(h)]
    for _ in range(420):
        x = rng.randrange(w)
        length = rng.randint(30, 320)
        y0 = rng.randint(-length // 2, h - length // 2)
        amp = rng.gauss(0.0, 1.0)
        for y in range(max(y0, 0), min(y0 + length, h)):
            t = (y - y0) / float(length)
            level[y][x] += amp * math.sin(math.pi * t)
    data = bytearray(w * h * 4)
    for y in range(h):
        # Light falls from above: the panel darkens a little toward the bottom.
        base = 0.745 - 0.045 * (y / float(h))
        row = level[y]
        for x in range(w):
            # A soft sheen down the middle of the strip.
            sheen = 0.02 * math.cos(math.pi * (x - w * 0.42) / w)
            v = base + sheen + 0.010 * column[x] + 0.008 * row[x] + 0.006 * rng.gauss(0.0, 1.0)
            g = max(0, min(255, int(round(v * 255))))
            i = (y * w + x) * 4
            # Aluminium is a touch blue; the bytes are blue, green, red, alpha.
            data[i] = max(0, min(255, g + 3))
            data[i + 1] = g
            data[i + 2] = max(0, g - 2)
            data[i + 3] = 255
    surface = cairo.ImageSurface.create_for_data(data, cairo.FORMAT_ARGB32, w, h, w * 4)
    copy = cairo.ImageSurface(cairo.FORMAT_ARGB32, w, h)
    ctx = cairo.Context(copy)
    ctx.set_source_surface(surface, 0, 0)
    ctx.paint()
    return copy


def EngravedLine(ctx, x0, x1, y):
    """A groove across the panel: a dark line with a light one under it."""
    ctx.set_line_width(1.0)
    ctx.set_source_rgba(0.0, 0.0, 0.0, 0.35)
    ctx.move_to(x0, y + 0.5)
    ctx.line_to(x1, y + 0.5)
    ctx.stroke()
    ctx.set_source_rgba(1.0, 1.0, 1.0, 0.45)
    ctx.move_to(x0, y + 1.5)
    ctx.line_to(x1, y + 1.5)
    ctx.stroke()


def KnobShadow(ctx, cx, cy, radius):
    shadow = cairo.RadialGradient(cx + 0.8, cy + 1.8, radius * 0.7, cx + 0.8, cy + 1.8,
                                  radius + 3.5)
    shadow.add_color_stop_rgba(0.0, 0.0, 0.0, 0.0, 0.55)
    shadow.add_color_stop_rgba(1.0, 0.0, 0.0, 0.0, 0.0)
    ctx.arc(cx + 0.8, cy + 1.8, radius + 3.5, 0, 2 * math.pi)
    ctx.set_source(shadow)
    ctx.fill()


def Snap(v):
    """Centre of the pixel nearest to v, so a one-pixel line covers whole pixels."""
    return math.floor(v) + 0.5


def DrawKnobScale(ctx, name):
    cap, radius, labels, between, legend = KNOBS[name]
    cx, cy = FrameCentre(name)
    steps = (len(labels) - 1) * (between + 1)
    inner = radius + 2.0
    ctx.set_line_width(1.0)
    ctx.set_source_rgb(*INK)
    for k in range(steps + 1):
        a = KnobAngle(k / float(steps))
        major = k % (between + 1) == 0
        outer = inner + (3.5 if major else 2.0)
        dx, dy = math.sin(a), -math.cos(a)
        x0, y0 = cx + dx * inner, cy + dy * inner
        x1, y1 = cx + dx * outer, cy + dy * outer
        # Straight ticks land on whole pixels; slanted ones keep their true angle.
        if abs(dx) < 1e-9:
            x0 = x1 = Snap(cx)
        if abs(dy) < 1e-9:
            y0 = y1 = Snap(cy)
        ctx.move_to(x0, y0)
        ctx.line_to(x1, y1)
        ctx.stroke()
    SetFont(ctx, 6.5, bold=True)
    labelRadius = inner + 5.5
    for k, label in enumerate(labels):
        if not label:
            continue
        a = KnobAngle(k / (len(labels) - 1.0))
        dx, dy = math.sin(a), -math.cos(a)
        width, height = TextBox(ctx, label)
        # Push wide labels out along their direction so their nearest edge keeps the gap.
        reach = abs(dx) * width / 2.0 + abs(dy) * height / 2.0
        DrawText(ctx, label, cx + dx * (labelRadius + reach), cy + dy * (labelRadius + reach))
    # Gain scales read the same numbers both ways: small signs in the gap under the knob say
    # which side cuts and which boosts.
    if name in SIGNED_SCALES:
        SetFont(ctx, 7.0, bold=True)
        y = cy + radius + 4.5
        DrawText(ctx, "\u2212", cx - 8.0, y)
        DrawText(ctx, "+", cx + 8.0, y)


def DrawBackground():
    surface = BrushedPanel()
    ctx = cairo.Context(surface)

    # Bevelled long edges of the strip.
    ctx.set_line_width(1.0)
    ctx.set_source_rgba(1.0, 1.0, 1.0, 0.5)
    ctx.move_to(0.5, 0)
    ctx.line_to(0.5, PANEL_H)
    ctx.stroke()
    ctx.set_source_rgba(0.0, 0.0, 0.0, 0.45)
    ctx.move_to(PANEL_W - 0.5, 0)
    ctx.line_to(PANEL_W - 0.5, PANEL_H)
    ctx.stroke()
    ctx.move_to(0, PANEL_H - 0.5)
    ctx.line_to(PANEL_W, PANEL_H - 0.5)
    ctx.stroke()

    # Section grooves: under the VU meter, between equaliser and compressor, above I/O.
    EngravedLine(ctx, 6, PANEL_W - 6, 40)
    EngravedLine(ctx, 6, PANEL_W - 6, 360)
    EngravedLine(ctx, 6, PANEL_W - 6, 487)

    for name in KNOBS:
        KnobShadow(ctx, *FrameCentre(name), KNOBS[name][1])
        DrawKnobScale(ctx, name)

    # Legends of the equaliser bands, left of their knobs.
    SetFont(ctx, 8.0, bold=True)
    for name in ("MF", "LG", "HG"):
        DrawText(ctx, KNOBS[name][4], 20, FrameCentre(name)[1])
    # Compressor legend above its knob, I and O under theirs.
    cx, cy = FrameCentre("COMP")
    DrawText(ctx, "OPTO-COMP", cx, 408)
    for name in ("IN", "OUT"):
        cx, cy = FrameCentre(name)
        DrawText(ctx, KNOBS[name][4], cx, 542)

    # Lamp shadows; the lamps themselves come with their filmstrips.
    for name in ("EQBY", "COMPBY"):
        x, y, w, h, _ = LAYOUT[name]
        cx, cy = FrameCentre(name)
        r = min(w, h) / 2.0 - 1.0
        shadow = cairo.RadialGradient(cx + 0.6, cy + 1.2, r * 0.6, cx + 0.6, cy + 1.2, r + 2.5)
        shadow.add_color_stop_rgba(0.0, 0.0, 0.0, 0.0, 0.5)
        shadow.add_color_stop_rgba(1.0, 0.0, 0.0, 0.0, 0.0)
        ctx.arc(cx + 0.6, cy + 1.2, r + 2.5, 0, 2 * math.pi)
        ctx.set_source(shadow)
        ctx.fill()

    # Meter windows at rest, so the panel looks whole under the meter filmstrips.
    for name, face in (("VU", VuFace()), ("GR", GrFace())):
        x, y, _, _, _ = LAYOUT[name]
        ctx.save()
        ctx.translate(x, y)
        DrawMeter(ctx, face, 0.0)
        ctx.restore()
    return surface


# ---------------------------------------------------------------------------------------------
# Output


def Unpremultiply(surface):
    """Cairo's pixels as straight-alpha RGBA rows."""
    surface.flush()
    w, h, stride = surface.get_width(), surface.get_height(), surface.get_stride()
    data = bytes(surface.get_data())
    rows = []
    for y in range(h):
        row = bytearray(w * 4)
        src = data[y * stride:y * stride + w * 4]
        for x in range(w):
            b, g, r, a = src[4 * x:4 * x + 4]
            if a == 0:
                r = g = b = 0
            elif a < 255:
                r = min(255, (r * 255 + a // 2) // a)
                g = min(255, (g * 255 + a // 2) // a)
                b = min(255, (b * 255 + a // 2) // a)
            row[4 * x:4 * x + 4] = bytes((r, g, b, a))
        rows.append(bytes(row))
    return w, h, rows


def Paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def FilterRow(kind, row, prev):
    """One PNG filter over an RGBA row (4 bytes per pixel)."""
    n = len(row)
    if kind == 0:
        return row
    out = bytearray(n)
    if kind == 1:
        for i in range(n):
            out[i] = (row[i] - (row[i - 4] if i >= 4 else 0)) & 0xFF
    elif kind == 2:
        for i in range(n):
            out[i] = (row[i] - prev[i]) & 0xFF
    elif kind == 3:
        for i in range(n):
            out[i] = (row[i] - (((row[i - 4] if i >= 4 else 0) + prev[i]) >> 1)) & 0xFF
    else:
        for i in range(n):
            left = row[i - 4] if i >= 4 else 0
            upLeft = prev[i - 4] if i >= 4 else 0
            out[i] = (row[i] - Paeth(left, prev[i], upLeft)) & 0xFF
    return bytes(out)


def WritePng(path, surface):
    """Writes an 8-bit RGBA, non-interlaced PNG with no time stamp or other ancillary chunk,
    choosing per row the filter whose output has the smallest sum of magnitudes."""
    w, h, rows = Unpremultiply(surface)
    prev = bytes(w * 4)
    raw = bytearray()
    for row in rows:
        best = None
        for kind in range(5):
            filtered = FilterRow(kind, row, prev)
            cost = sum(v if v < 128 else 256 - v for v in filtered)
            if best is None or cost < best[0]:
                best = (cost, kind, filtered)
        raw.append(best[1])
        raw += best[2]
        prev = row

    def Chunk(tag, body):
        return (struct.pack(">I", len(body)) + tag + body +
                struct.pack(">I", zlib.crc32(tag + body) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)
    png = (b"\x89PNG\r\n\x1a\n" + Chunk(b"IHDR", header) +
           Chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + Chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(png)


def CheckPng(path, width, height):
    """Reads the header back: exact size, 8-bit RGBA, no interlace."""
    with open(path, "rb") as f:
        data = f.read(33)
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        raise SystemExit("%s: not a PNG" % path)
    w, h, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", data[16:29])
    if (w, h, depth, colour, interlace) != (width, height, 8, 6, 0):
        raise SystemExit("%s: %dx%d depth %d colour type %d interlace %d" %
                         (path, w, h, depth, colour, interlace))


def Pictures():
    pictures = {"BG": DrawBackground()}
    for name in KNOBS:
        pictures[name] = KnobStrip(name)
    pictures["EQBY"] = LampStrip("EQBY")
    pictures["COMPBY"] = LampStrip("COMPBY")
    pictures["VU"] = MeterStrip("VU", VuFace())
    pictures["GR"] = MeterStrip("GR", GrFace())
    return pictures


def Main():
    out = sys.argv[1] if len(sys.argv) > 1 else "resources/img"
    os.makedirs(out, exist_ok=True)
    for name, surface in Pictures().items():
        _, _, w, h, frames = LAYOUT[name]
        path = os.path.join(out, name + ".png")
        WritePng(path, surface)
        CheckPng(path, w, h * frames)
        print("%-11s %3d x %4d, %3d frame%s, %7d bytes" %
              (name + ".png", w, h * frames, frames, "" if frames == 1 else "s",
               os.path.getsize(path)))


if __name__ == "__main__":
    Main()
