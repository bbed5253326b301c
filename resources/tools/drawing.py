"""Drawing helpers shared by the picture generator and the station logos."""

import math
import os

from PIL import Image, ImageChops, ImageDraw, ImageFont

FONT_DIR = "/usr/share/fonts/truetype/dejavu"
SS = 4  # supersampling factor: shapes are drawn this much larger, then scaled down

# Colours the program relies on: never change these.
KEY = (236, 252, 252)  # cut away by the window shaping
PANEL = (201, 210, 210)  # the sliders paint their background in this

SANS = "DejaVuSans.ttf"
SANS_B = "DejaVuSans-Bold.ttf"
SANS_BI = "DejaVuSans-BoldOblique.ttf"
SANS_XL = "DejaVuSans-ExtraLight.ttf"
COND = "DejaVuSansCondensed.ttf"
COND_B = "DejaVuSansCondensed-Bold.ttf"
COND_BI = "DejaVuSansCondensed-BoldOblique.ttf"
SERIF = "DejaVuSerif.ttf"
SERIF_B = "DejaVuSerif-Bold.ttf"
SERIF_BI = "DejaVuSerif-BoldItalic.ttf"
SERIF_I = "DejaVuSerif-Italic.ttf"
SERIF_CB = "DejaVuSerifCondensed-Bold.ttf"
MONO_B = "DejaVuSansMono-Bold.ttf"


def font(name, size):
    return ImageFont.truetype(os.path.join(FONT_DIR, name), int(round(size)))


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def smoothstep(t):
    t = min(1.0, max(0.0, t))
    return t * t * (3 - 2 * t)


def vgradient(size, top, bottom):
    """A vertical gradient, as an RGB image."""
    w, h = size
    strip = Image.new("RGB", (1, h))
    for y in range(h):
        strip.putpixel((0, y), mix(top, bottom, y / max(1, h - 1)))
    return strip.resize((w, h), Image.NEAREST)


def hgradient(size, left, right):
    w, h = size
    strip = Image.new("RGB", (w, 1))
    for x in range(w):
        strip.putpixel((x, 0), mix(left, right, x / max(1, w - 1)))
    return strip.resize((w, h), Image.NEAREST)


def shape_mask(size, draw_fn):
    m = Image.new("L", size, 0)
    draw_fn(ImageDraw.Draw(m))
    return m


def text_size(f, text):
    l, t, r, b = f.getbbox(text)
    return r - l, b - t, l, t


def fit_font(name, text, max_w, max_h, start=None):
    """The largest size of a font at which text fits the box."""
    size = start or max_h * 1.4
    while size > 4:
        f = font(name, size)
        w, h, _, _ = text_size(f, text)
        if w <= max_w and h <= max_h:
            return f
        size -= 1
    return font(name, 4)


def draw_text(draw, xy, text, f, fill, anchor="mm", spacing=0):
    """Text at xy; spacing adds extra pixels between letters (then only left/centre anchors)."""
    if not spacing:
        draw.text(xy, text, font=f, fill=fill, anchor=anchor)
        return
    widths = [f.getlength(c) for c in text]
    total = sum(widths) + spacing * (len(text) - 1)
    x, y = xy
    if anchor[0] == "m":
        x -= total / 2
    elif anchor[0] == "r":
        x -= total
    for c, w in zip(text, widths):
        draw.text((x, y), c, font=f, fill=fill, anchor="l" + anchor[1])
        x += w + spacing


def spaced_width(f, text, spacing):
    return sum(f.getlength(c) for c in text) + spacing * (len(text) - 1)


def star_points(cx, cy, r_out, r_in, n=5, rot=-90):
    pts = []
    for i in range(2 * n):
        r = r_out if i % 2 == 0 else r_in
        a = math.radians(rot + i * 180 / n)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def downsample(img, size):
    return img.resize(size, Image.LANCZOS)


def exact_mask(img, colour):
    """L mask, 255 where img has exactly this colour."""
    bands = img.split()
    out = None
    for band, v in zip(bands, colour):
        m = band.point(lambda p, v=v: 255 if p == v else 0)
        out = m if out is None else ImageChops.multiply(out, m)
    return out


def to_palette(rgb, exact=(), key_mask=None):
    """Palette image whose colours listed in exact keep their values, key where key_mask."""
    reserved = list(exact) + ([KEY] if key_mask is not None else [])
    q = rgb.quantize(
        colors=256 - len(reserved), method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE
    )
    n = min(len(q.getpalette()) // 3, 256 - len(reserved))
    pal = q.getpalette()[: 3 * n]
    for i in range(n):
        # Nothing inside a shape may match the key by accident.
        if tuple(pal[3 * i : 3 * i + 3]) == KEY:
            pal[3 * i + 2] -= 1
    index = {}
    for c in reserved:
        index[c] = len(pal) // 3
        pal += list(c)
    pal += [0] * (768 - len(pal))
    q.putpalette(pal)
    for c in exact:
        q.paste(index[c], (0, 0, rgb.width, rgb.height), exact_mask(rgb, c))
    if key_mask is not None:
        q.paste(index[KEY], (0, 0, rgb.width, rgb.height), key_mask)
    q.info.pop("transparency", None)
    return q


def save_gif(img, path):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    img.save(path, format="GIF", optimize=False)




def rrect(d, box, r, k=SS, **kw):
    x0, y0, x1, y1 = box
    d.rounded_rectangle((x0 * k, y0 * k, x1 * k - 1, y1 * k - 1), radius=r * k, **kw)


def scaled(pts, k=SS):
    return [(x * k, y * k) for x, y in pts]
