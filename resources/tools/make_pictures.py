#!/usr/bin/python3
"""Draws every picture of Klankor: window skins, station logos, slider parts, icons.

Run with the system Python (it needs PIL):

    /usr/bin/python3 resources/tools/make_pictures.py [--out DIR] [--sheet FILE.png]

Everything is drawn from code, with no randomness, so a run rewrites the
committed files byte for byte. Shapes are drawn four times larger and scaled
down, which gives clean anti-aliased edges; the skins then go through a fixed
palette step so that the two colours the program depends on (the cut-away key
and the slider panel) survive exactly.
"""

import argparse
import math
import os
import struct
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter

from drawing import (
    COND,
    COND_B,
    KEY,
    PANEL,
    SANS,
    SANS_B,
    SS,
    draw_text,
    downsample,
    exact_mask,
    font,
    rrect,
    save_gif,
    scaled,
    shape_mask,
    smoothstep,
    spaced_width,
    to_palette,
    vgradient,
)

# The house palette.
NAVY = (20, 40, 70)  # the program's own text colour
INK = (24, 46, 78)
RIM = (34, 54, 82)
RIM_HI = (244, 248, 248)
FACE_TOP = (224, 231, 231)
FACE_BOTTOM = (203, 212, 212)
AMBER = (238, 132, 38)
AMBER_HI = (255, 190, 92)
GLASS_TOP = (16, 30, 52)
GLASS_BOTTOM = (30, 54, 86)
SCALE = (196, 216, 222)
MUTED = (86, 106, 124)

# ---------------------------------------------------------------- emblem


def emblem(size, tile=False, detail=None):
    """The Klankor mark: a sounding dot with waves inside a navy disc, amber accent.

    tile: fill the whole square (for the 24-bit tray icon, which has no alpha).
    """
    s = size * SS
    img = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    if detail is None:
        detail = 1 if size <= 16 else 2 if size <= 24 else 3
    pad = 0 if tile else s * 0.03
    if tile:
        img.paste(vgradient((s, s), (28, 54, 90), (14, 30, 54)), (0, 0))
    else:
        disc = Image.new("L", (s, s), 0)
        ImageDraw.Draw(disc).ellipse((pad, pad, s - pad - 1, s - pad - 1), fill=255)
        img.paste(vgradient((s, s), (32, 60, 98), (14, 30, 54)), (0, 0), disc)
        # a thin amber ring holds the mark together at larger sizes
        if size >= 32:
            ring = s * 0.035
            d.ellipse(
                (pad + ring, pad + ring, s - pad - ring - 1, s - pad - ring - 1),
                outline=AMBER + (255,),
                width=max(1, int(s * 0.028)),
            )
    # the source: a dot on the left third
    cx, cy = s * 0.34, s * 0.5
    dot = s * (0.12 if size > 16 else 0.15)
    d.ellipse((cx - dot, cy - dot, cx + dot, cy + dot), fill=AMBER + (255,))
    # the waves
    width = s * (0.075 if size > 24 else 0.1 if size > 16 else 0.12)
    steps = {1: [0.3], 2: [0.27, 0.44], 3: [0.22, 0.35, 0.48]}[detail]
    for i, r in enumerate(steps):
        rr = s * r
        col = (255, 255, 255, 255) if i < len(steps) - 1 or detail == 1 else AMBER_HI + (255,)
        d.arc(
            (cx - rr, cy - rr, cx + rr, cy + rr), start=-50, end=50, fill=col, width=int(width)
        )
    return img.resize((size, size), Image.LANCZOS)


# ---------------------------------------------------------------- main skin

W, H = 700, 200
BODY_L, BODY_R, BODY_T, BODY_B = 6, 694, 16, 192
CORNER = 24


def main_outline(inset):
    """Closed outline of the main window, inset pixels inward, in picture pixels."""
    d = inset
    left, right = BODY_L + d, BODY_R - d
    bottom = BODY_B - d

    def top(x):
        y = BODY_T
        # the crown that carries the wordmark
        crown = smoothstep((x - 226) / 46) * smoothstep((474 - x) / 46)
        y -= 13 * crown
        # the raised tab for the window marks, top right
        tab = smoothstep((x - 600) / 26)
        y -= (BODY_T - 0) * tab
        return y + d

    pts = []
    r_l = CORNER - d
    r_r = 12 - d  # the tab's corner is tighter
    r_b = CORNER - d
    n = 24
    # top-left corner
    for i in range(n + 1):
        a = math.pi + (math.pi / 2) * i / n
        pts.append((left + r_l + r_l * math.cos(a), top(left + r_l) + r_l + r_l * math.sin(a)))
    # top edge
    x = left + r_l
    while x < right - r_r:
        pts.append((x, top(x)))
        x += 0.5
    # top-right corner (on the tab)
    ty = top(right - r_r)
    for i in range(n + 1):
        a = -math.pi / 2 + (math.pi / 2) * i / n
        pts.append((right - r_r + r_r * math.cos(a), ty + r_r + r_r * math.sin(a)))
    # bottom-right corner
    for i in range(n + 1):
        a = (math.pi / 2) * i / n
        pts.append((right - r_b + r_b * math.cos(a), bottom - r_b + r_b * math.sin(a)))
    # bottom-left corner
    for i in range(n + 1):
        a = math.pi / 2 + (math.pi / 2) * i / n
        pts.append((left + r_b + r_b * math.cos(a), bottom - r_b + r_b * math.sin(a)))
    return pts


def inset_well(canvas, box, radius, fill_top, fill_bottom):
    """A recessed slot: shadow above, light lip below, dark floor."""
    x0, y0, x1, y1 = box
    size = canvas.size
    lip = shape_mask(size, lambda d: rrect(d, (x0 - 1, y0 - 1, x1 + 1, y1 + 2), radius + 1, fill=255))
    canvas.paste(RIM_HI, (0, 0), lip)
    edge = shape_mask(size, lambda d: rrect(d, (x0 - 1, y0 - 1, x1 + 1, y1 + 1), radius + 1, fill=255))
    canvas.paste((150, 162, 168), (0, 0), edge)
    floor = shape_mask(size, lambda d: rrect(d, (x0, y0, x1, y1), radius, fill=255))
    canvas.paste(vgradient(size, fill_top, fill_bottom), (0, 0), floor)
    # inner shadow along the top
    shade = shape_mask(size, lambda d: rrect(d, (x0, y0, x1, y0 + 3), radius, fill=90))
    shade = ImageChops.multiply(shade, floor)
    canvas.paste((0, 0, 0), (0, 0), shade)


def make_hoofd():
    k = SS
    size = (W * k, H * k)
    canvas = Image.new("RGB", size, RIM)
    feet = [(64, 184, 114, 198), (586, 184, 636, 198)]

    def silhouette(d):
        d.polygon(scaled(main_outline(0)), fill=255)
        for box in feet:
            rrect(d, box, 4, fill=255)

    outer = shape_mask(size, silhouette)
    hi = shape_mask(size, lambda d: d.polygon(scaled(main_outline(2)), fill=255))
    face = shape_mask(size, lambda d: d.polygon(scaled(main_outline(3)), fill=255))
    canvas.paste(RIM_HI, (0, 0), hi)
    canvas.paste(vgradient(size, FACE_TOP, FACE_BOTTOM), (0, 0), face)
    # a soft shade along the bottom, as if lit from above
    low = shape_mask(size, lambda d: d.rectangle((0, 186 * k, W * k, H * k), fill=255))
    canvas.paste(vgradient(size, (190, 200, 201), (176, 188, 190)), (0, 0), ImageChops.multiply(low, face))
    d = ImageDraw.Draw(canvas)

    # rubber feet under the rim (the canvas outside the face is rim already)
    for box in feet:
        x0, y0, x1, y1 = box
        grip = shape_mask(size, lambda dd: rrect(dd, (x0 + 3, 194, x1 - 3, 196), 1, fill=255))
        canvas.paste((62, 80, 104), (0, 0), grip)

    # station slots: logo and scroll bar share one recessed well
    for bx in (52, 532):
        inset_well(canvas, (bx - 5, 45, bx + 122, 120), 6, (40, 58, 84), (28, 44, 68))
    # a caption above each well: which stations it scrolls through
    cap = font(COND_B, 9.5 * k)
    draw_text(d, (52 * k - 4 * k, 39 * k), "ZENDERS 1 \u2013 17", cap, MUTED, anchor="ls", spacing=1.2 * k)
    draw_text(d, (532 * k - 4 * k, 39 * k), "ZENDERS 18 \u2013 32", cap, MUTED, anchor="ls", spacing=1.2 * k)

    # speaker grilles flanking the wells
    for gx in (18, 662):
        for i in range(4):
            x = gx + i * 6
            slot = shape_mask(size, lambda dd: rrect(dd, (x, 52, x + 3, 114), 1.5, fill=255))
            canvas.paste((168, 180, 184), (0, 0), slot)
            inner = shape_mask(size, lambda dd: rrect(dd, (x, 53, x + 3, 114), 1.5, fill=255))
            canvas.paste((54, 72, 96), (0, 0), inner)

    # the dial: dark glass with an FM scale and an amber needle
    gx0, gy0, gx1, gy1 = 194, 56, 506, 122
    inset_well(canvas, (gx0, gy0, gx1, gy1), 9, GLASS_TOP, GLASS_BOTTOM)
    glow = Image.new("L", size, 0)
    gd = ImageDraw.Draw(glow)
    # band labels
    small = font(COND_B, 8.5 * k)
    tiny = font(COND, 8 * k)
    draw_text(d, ((gx0 + 10) * k, (gy0 + 14) * k), "FM", small, AMBER, anchor="ls")
    draw_text(d, ((gx1 - 10) * k, (gy0 + 14) * k), "MHz", tiny, SCALE, anchor="rs")
    draw_text(d, ((gx0 + 10) * k, (gy1 - 8) * k), "AM", small, AMBER, anchor="ls")
    draw_text(d, ((gx1 - 10) * k, (gy1 - 8) * k), "kHz", tiny, SCALE, anchor="rs")
    sx0, sx1 = gx0 + 40, gx1 - 40
    mid = (gy0 + gy1) / 2
    # FM ticks 88..108
    for f in range(88, 109):
        x = sx0 + (sx1 - sx0) * (f - 88) / 20
        long = f % 2 == 0
        d.line(
            [(x * k, (mid - 3) * k), (x * k, (mid - (10 if long else 6)) * k)],
            fill=SCALE if long else (120, 146, 162),
            width=k if not long else int(1.3 * k),
        )
        if f % 4 == 0:
            draw_text(d, (x * k, (gy0 + 13) * k), str(f), tiny, SCALE, anchor="ms")
    # AM ticks 530..1600
    for i in range(11):
        x = sx0 + (sx1 - sx0) * i / 10
        d.line([(x * k, (mid + 3) * k), (x * k, (mid + 8) * k)], fill=(120, 146, 162), width=k)
    for f, lab in ((0, "53"), (2, "75"), (4, "96"), (6, "117"), (8, "139"), (10, "160")):
        x = sx0 + (sx1 - sx0) * f / 10
        draw_text(d, (x * k, (gy1 - 8) * k), lab, tiny, SCALE, anchor="ms")
    # centre rule
    d.line([(sx0 * k, mid * k), (sx1 * k, mid * k)], fill=(92, 120, 142), width=k)
    # the needle, with a warm glow
    nx = sx0 + (sx1 - sx0) * (102 - 88) / 20
    gd.rounded_rectangle(((nx - 4) * k, (gy0 + 4) * k, (nx + 4) * k, (gy1 - 4) * k), radius=4 * k, fill=110)
    glow = glow.filter(ImageFilter.GaussianBlur(4 * k))
    well = shape_mask(size, lambda dd: rrect(dd, (gx0, gy0, gx1, gy1), 9, fill=255))
    canvas.paste(AMBER, (0, 0), ImageChops.multiply(glow, well))
    d.rounded_rectangle(
        ((nx - 1.2) * k, (gy0 + 5) * k, (nx + 1.2) * k, (gy1 - 5) * k), radius=k, fill=AMBER_HI
    )
    # glass sheen across the upper half
    sheen = shape_mask(size, lambda dd: rrect(dd, (gx0 + 2, gy0 + 2, gx1 - 2, gy0 + 20), 7, fill=22))
    canvas.paste((255, 255, 255), (0, 0), sheen)

    # wordmark and emblem on the crown
    wf = font(SANS_B, 30 * k)
    word = "Klankor"
    spacing = 0.6 * k
    ww = spaced_width(wf, word, spacing)
    em = 30
    gap = 9
    total = em * k + gap * k + ww
    x0 = (W * k - total) / 2
    mark = emblem(em * k, detail=3)
    canvas.paste(mark.convert("RGB"), (int(x0), int(9 * k)), mark.split()[3])
    draw_text(d, (x0 + (em + gap) * k, 35 * k), word, wf, INK, anchor="ls", spacing=spacing)
    # a short amber underline under the last letters ties it to the needle
    d.rounded_rectangle(
        (x0 + total - 34 * k, 39.5 * k, x0 + total - 2 * k, 42 * k), radius=1.2 * k, fill=AMBER
    )

    # a hairline groove between the controls and the text lines
    d.line([(24 * k, 128.5 * k), (676 * k, 128.5 * k)], fill=(176, 188, 190), width=k)
    d.line([(24 * k, 129.5 * k), (676 * k, 129.5 * k)], fill=(240, 245, 245), width=k)

    # the tab: a small separator between the two marks
    d.line([(651.5 * k, 3 * k), (651.5 * k, 14 * k)], fill=(178, 190, 192), width=k)

    small_img = downsample(canvas, (W, H))
    cover = outer.resize((W, H), Image.BOX)
    outside = cover.point(lambda p: 255 if p < 128 else 0)
    # the mask cannot be anti-aliased: pixels on the edge take the rim colour
    flat_rim = Image.new("RGB", (W, H), RIM)
    edge = ImageChops.multiply(cover.point(lambda p: 255 if p >= 128 else 0), cover.point(lambda p: 255 if p < 250 else 0))
    small_img.paste(flat_rim, (0, 0), edge)
    small_img.paste(RIM, (0, 0), outside)  # keeps the palette clean
    return to_palette(small_img, exact=(), key_mask=outside)


# ---------------------------------------------------------------- tool skin

TW, TH = 200, 118


def make_tool():
    k = SS
    size = (TW * k, TH * k)
    canvas = Image.new("RGB", size, RIM)
    outer = shape_mask(size, lambda d: rrect(d, (0, 0, TW, TH), 10, fill=255))
    hi = shape_mask(size, lambda d: rrect(d, (1.5, 1.5, TW - 1.5, TH - 1.5), 8.5, fill=255))
    face = shape_mask(size, lambda d: rrect(d, (2.5, 2.5, TW - 2.5, TH - 2.5), 7.5, fill=255))
    canvas.paste((232, 238, 238), (0, 0), hi)
    canvas.paste(PANEL, (0, 0), face)
    d = ImageDraw.Draw(canvas)
    tick = (132, 148, 154)
    # quarter marks under the volume slider, centre and ends under the balance slider
    for i in range(5):
        x = 19 + 162 * i / 4
        d.line([(x * k, 34 * k), (x * k, (36 if i % 2 else 38) * k)], fill=tick, width=k)
    for i, x in enumerate((19, 100, 181)):
        d.line([(x * k, 74 * k), (x * k, (78 if i == 1 else 76) * k)], fill=tick, width=k)
    small = font(COND_B, 7 * k)
    draw_text(d, (19 * k, 85 * k), "L", small, MUTED, anchor="ms")
    draw_text(d, (181 * k, 85 * k), "R", small, MUTED, anchor="ms")
    # brand plate at the bottom, seen in the sound window
    mark = emblem(14 * k, detail=2)
    wf = font(SANS_B, 10 * k)
    ww = spaced_width(wf, "Klankor", 0.4 * k)
    x0 = (TW * k - (14 * k + 5 * k + ww)) / 2
    canvas.paste(mark.convert("RGB"), (int(x0), int(96 * k)), mark.split()[3])
    draw_text(d, (x0 + 19 * k, 107 * k), "Klankor", wf, (70, 90, 112), anchor="ls", spacing=0.4 * k)
    for gx in range(26, 76, 5):
        d.ellipse(((gx - 1) * k, (102 - 1) * k, (gx + 1) * k, (102 + 1) * k), fill=(176, 188, 190))
    for gx in range(126, 176, 5):
        d.ellipse(((gx - 1) * k, (102 - 1) * k, (gx + 1) * k, (102 + 1) * k), fill=(176, 188, 190))

    small_img = downsample(canvas, (TW, TH))
    cover = outer.resize((TW, TH), Image.BOX)
    outside = cover.point(lambda p: 255 if p < 128 else 0)
    edge = ImageChops.multiply(cover.point(lambda p: 255 if p >= 128 else 0), cover.point(lambda p: 255 if p < 250 else 0))
    small_img.paste(RIM, (0, 0), edge)
    small_img.paste(RIM, (0, 0), outside)
    # the panel under and around the sliders must be the exact slider colour
    for y0 in (16, 56):
        small_img.paste(PANEL, (5, y0 - 3, 195, y0 + 14 + 3))
    return to_palette(small_img, exact=(PANEL,), key_mask=outside)


# ---------------------------------------------------------------- slider parts


def make_rail():
    k = SS
    w, h = 180, 12
    canvas = Image.new("RGB", (w * k, h * k), PANEL)
    # the groove runs from the thumb's centre at one end to its centre at the other
    x0, x1 = 7, 173
    lip = shape_mask(canvas.size, lambda d: rrect(d, (x0 - 1, 3, x1 + 1, 10), 3.5, fill=255))
    canvas.paste((236, 242, 242), (0, 0), lip)
    edge = shape_mask(canvas.size, lambda d: rrect(d, (x0 - 1, 2, x1 + 1, 9), 3.5, fill=255))
    canvas.paste((120, 136, 146), (0, 0), edge)
    floor = shape_mask(canvas.size, lambda d: rrect(d, (x0, 3, x1, 9), 3, fill=255))
    canvas.paste(vgradient(canvas.size, (24, 42, 68), (48, 70, 98)), (0, 0), floor)
    # marks along the floor, every quarter of the track
    d = ImageDraw.Draw(canvas)
    for i in range(1, 4):
        x = x0 + 4 + (x1 - x0 - 8) * i / 4
        d.line([(x * k, 5 * k), (x * k, 7 * k)], fill=(80, 104, 130), width=k)
    return downsample(canvas, (w, h))


def thumb_image():
    """The 22 x 14 knob, on the panel colour, and its shape mask."""
    k = SS
    w, h = 22, 14
    size = (w * k, h * k)
    canvas = Image.new("RGB", size, PANEL)
    outer = shape_mask(size, lambda d: rrect(d, (0, 0, w, h), 5, fill=255))
    canvas.paste(RIM, (0, 0), outer)
    body = shape_mask(size, lambda d: rrect(d, (1, 1, w - 1, h - 1), 4, fill=255))
    canvas.paste(vgradient(size, (255, 176, 84), (214, 104, 24)), (0, 0), body)
    sheen = shape_mask(size, lambda d: rrect(d, (2, 1.6, w - 2, 6), 3, fill=110))
    canvas.paste((255, 255, 255), (0, 0), sheen)
    d = ImageDraw.Draw(canvas)
    for x in (8, 11, 14):
        d.line([(x * k, 4.5 * k), (x * k, 10.5 * k)], fill=(150, 70, 14), width=k)
        d.line([((x + 1) * k, 4.5 * k), ((x + 1) * k, 10.5 * k)], fill=(255, 206, 140), width=k)
    img = downsample(canvas, (w, h))
    cover = outer.resize((w, h), Image.BOX)
    opaque = cover.point(lambda p: 255 if p >= 100 else 0)
    return img, opaque


def ico_8bpp(img, opaque):
    """ICO bytes: one image, 8 bits per pixel with a 256-colour palette and an AND mask."""
    w, h = img.size
    pal_img = img.quantize(colors=255, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    pal = pal_img.getpalette()[: 3 * 255]
    pal += [0] * (768 - len(pal))
    # Masked pixels must be black in the colour bits, or the screen under
    # them would be inverted rather than left alone; the last entry is black.
    clear = 255
    xor_stride = (w + 3) // 4 * 4
    and_stride = ((w + 31) // 32) * 4
    xor = bytearray()
    andm = bytearray()
    for y in range(h - 1, -1, -1):  # rows bottom-up
        row = bytearray(
            pal_img.getpixel((x, y)) if opaque.getpixel((x, y)) else clear for x in range(w)
        )
        xor += row + bytes(xor_stride - w)
        bits = bytearray(and_stride)
        for x in range(w):
            if not opaque.getpixel((x, y)):
                bits[x // 8] |= 0x80 >> (x % 8)
        andm += bits
    palette = bytearray()
    for i in range(256):
        r, g, b = pal[3 * i : 3 * i + 3]
        palette += bytes((b, g, r, 0))
    header = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 8, 0, len(xor) + len(andm), 0, 0, 256, 0)
    data = header + palette + xor + andm
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", w, h, 0, 0, 1, 8, len(data), 6 + 16)
    return icondir + entry + data


# ---------------------------------------------------------------- icons


def make_icons(out):
    for n in (16, 22, 24, 32, 48, 64, 128, 256):
        img = emblem(n)
        path = os.path.join(out, "icons", "hicolor", "%dx%d" % (n, n), "apps", "klankor.png")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        img.save(path, format="PNG", optimize=True)
    tray = emblem(32, tile=True).convert("RGB")
    tray.save(os.path.join(out, "icons", "klankor-32.png"), format="PNG", optimize=True)


# ---------------------------------------------------------------- logos



def stations():
    """(number, name, logo key) of every station, from the one station table."""
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "stations.tsv")
    with open(path, encoding="utf-8") as table:
        rows = [line.rstrip("\n").split("\t") for line in table if line.strip() and line[0] != "#"]
    return [(int(row[0]), row[1], row[7]) for row in rows]


def make_logos(out):
    from logos import LOGOS  # 32 small drawings, kept in their own file

    made = []
    for number, name, key in stations():
        big = Image.new("RGB", (96 * SS, 66 * SS), (255, 255, 255))
        LOGOS[key](big, SS)
        small = downsample(big, (96, 66))
        pal = small.quantize(colors=256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
        save_gif(pal, os.path.join(out, "logos", "%02d.gif" % number))
        made.append((name, small))
    return made


# ---------------------------------------------------------------- sheet


def mockup(out, hoofd, tool, rail, thumb):
    """The skins with the program's own controls and texts on top, to judge the whole."""
    img = Image.new("RGB", (720, 330), (70, 78, 88))
    win = hoofd.copy()
    key = exact_mask(win, KEY)
    for box, number in (((52, 50), 25), ((532, 50), 18)):
        logo = Image.open(os.path.join(out, "logos", "%02d.gif" % number)).convert("RGB")
        win.paste(logo.crop((0, 0, 97, 65)), box)
    d = ImageDraw.Draw(win)
    for x in (152, 632):
        d.rectangle((x, 50, x + 16, 114), fill=(224, 224, 224))
        d.rectangle((x, 50, x + 16, 66), fill=(200, 200, 200), outline=(150, 150, 150))
        d.rectangle((x, 98, x + 16, 114), fill=(200, 200, 200), outline=(150, 150, 150))
        d.rectangle((x + 1, 70, x + 15, 84), fill=(190, 190, 190), outline=(150, 150, 150))
    big = font(SANS_B, 19)
    mid = font(SANS_B, 16)
    tiny = font(SANS_B, 11)
    d.text((48, 136), "Controls", font=big, fill=NAVY)
    playing = stations()[24][1]  # the mock-up plays station 25
    d.text((184, 136), playing, font=mid, fill=NAVY)
    d.text((528, 136), "Instellingen", font=big, fill=NAVY)
    d.text((24, 162), "Afspelen", font=mid, fill=NAVY)
    d.text((641, 1), "_", font=tiny, fill=NAVY)
    d.text((657, 2), "X", font=tiny, fill=NAVY)
    img.paste(win, (10, 10), key.point(lambda p: 255 - p))
    panel = tool.copy()
    tkey = exact_mask(panel, KEY)
    pd = ImageDraw.Draw(panel)
    small = font(SANS_B, 11)
    for label, ly, sy, value in (("Volume", 3, 16, 0.5), ("Balance", 44, 56, 0.5)):
        pd.text((8, ly), label, font=small, fill=NAVY)
        slider = Image.new("RGB", (184, 14), PANEL)
        slider.paste(rail, (2, 1))
        slider.paste(thumb, (int(162 * value), 0), thumb)
        panel.paste(slider, (8, sy))
    img.paste(panel, (10, 210 - 1000 // 15), tkey.point(lambda p: 255 - p))
    return img


def contact_sheet(out, path):
    """All pictures on one page: at their own size, enlarged, and dressed as the program shows them."""
    sheet = Image.new("RGB", (1440, 2130), (88, 96, 104))
    d = ImageDraw.Draw(sheet)
    label = font(SANS, 13)
    hoofd = Image.open(os.path.join(out, "skin", "hoofd.gif")).convert("RGB")
    tool = Image.open(os.path.join(out, "skin", "tool.gif")).convert("RGB")
    rail = Image.open(os.path.join(out, "slider", "rail.bmp")).convert("RGB")
    thumb = Image.open(os.path.join(out, "slider", "thumb.ico")).convert("RGBA")
    sheet.paste(hoofd, (20, 20))
    sheet.paste(tool, (740, 20))
    sheet.paste(mockup(out, hoofd, tool, rail, thumb), (20, 240))
    sheet.paste(tool.resize((400, 236), Image.NEAREST), (760, 240))
    sheet.paste(hoofd.resize((1400, 400), Image.NEAREST), (20, 600))
    y = 1020
    sheet.paste(rail.resize((720, 48), Image.NEAREST), (20, y))
    big_thumb = thumb.resize((88, 56), Image.NEAREST)
    sheet.paste(big_thumb, (760, y - 4), big_thumb)
    demo = Image.new("RGB", (184, 14), PANEL)
    demo.paste(rail, (2, 1))
    demo.paste(thumb, (81, 0), thumb)
    sheet.paste(demo.resize((552, 42), Image.NEAREST), (868, y + 3))
    y = 1090
    x = 20
    for n in (16, 22, 24, 32, 48, 64, 128, 256):
        ic = Image.open(os.path.join(out, "icons", "hicolor", "%dx%d" % (n, n), "apps", "klankor.png"))
        sheet.paste(ic, (x, y), ic)
        x += n + 14
    tray = Image.open(os.path.join(out, "icons", "klankor-32.png")).convert("RGB")
    sheet.paste(tray, (x, y))
    sheet.paste(tray.resize((128, 128), Image.NEAREST), (x + 46, y))
    for i in range(32):
        logo = Image.open(os.path.join(out, "logos", "%02d.gif" % (i + 1))).convert("RGB")
        cx = 20 + (i % 7) * 200
        cy = 1370 + (i // 7) * 150
        sheet.paste(logo.resize((192, 132), Image.NEAREST), (cx, cy))
        d.text((cx, cy + 133), "%02d" % (i + 1), font=label, fill=(230, 230, 230))
    sheet.save(path)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.dirname(here), help="the resources folder")
    parser.add_argument("--sheet", help="also write a contact sheet of every picture here (PNG)")
    args = parser.parse_args()
    out = args.out

    save_gif(make_hoofd(), os.path.join(out, "skin", "hoofd.gif"))
    save_gif(make_tool(), os.path.join(out, "skin", "tool.gif"))
    os.makedirs(os.path.join(out, "slider"), exist_ok=True)
    make_rail().save(os.path.join(out, "slider", "rail.bmp"), format="BMP")
    with open(os.path.join(out, "slider", "thumb.ico"), "wb") as f:
        f.write(ico_8bpp(*thumb_image()))
    make_icons(out)
    make_logos(out)
    if args.sheet:
        contact_sheet(out, args.sheet)
    return 0


if __name__ == "__main__":
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    sys.exit(main())
