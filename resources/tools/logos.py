"""The 32 station logos, 96 x 66 each, by the logo key of resources/stations.tsv.

Every logo is drawn in logo pixels (0..96, 0..66) on a canvas SS times larger.
They are original marks that only carry each station's name.
"""

import math

from PIL import Image, ImageDraw, ImageFilter

from drawing import (
    COND_B,
    MONO_B,
    SANS,
    SANS_B,
    SANS_BI,
    SERIF_B,
    SERIF_BI,
    SERIF_CB,
    font,
    hgradient,
    star_points,
    vgradient,
)

WHITE = (255, 255, 255)
BLACK = (16, 16, 18)


class Logo:
    """A drawing surface in logo pixels."""

    def __init__(self, img, k):
        self.img = img
        self.k = k
        self.d = ImageDraw.Draw(img)

    def _b(self, box):
        k = self.k
        return tuple(v * k for v in box)

    def fill(self, c):
        self.d.rectangle((0, 0) + self.img.size, fill=c)

    def vgrad(self, top, bottom, box=(0, 0, 96, 66), mask=None):
        x0, y0, x1, y1 = self._b(box)
        g = vgradient((int(x1 - x0), int(y1 - y0)), top, bottom)
        self.img.paste(g, (int(x0), int(y0)), mask)

    def hgrad(self, left, right, box=(0, 0, 96, 66)):
        x0, y0, x1, y1 = self._b(box)
        self.img.paste(hgradient((int(x1 - x0), int(y1 - y0)), left, right), (int(x0), int(y0)))

    def rect(self, box, fill):
        self.d.rectangle(self._b(box), fill=fill)

    def rrect(self, box, r, fill=None, outline=None, width=0):
        self.d.rounded_rectangle(
            self._b(box), radius=r * self.k, fill=fill, outline=outline, width=int(width * self.k)
        )

    def ellipse(self, box, fill=None, outline=None, width=0):
        self.d.ellipse(self._b(box), fill=fill, outline=outline, width=int(width * self.k))

    def circle(self, cx, cy, r, **kw):
        self.ellipse((cx - r, cy - r, cx + r, cy + r), **kw)

    def poly(self, pts, fill):
        self.d.polygon([(x * self.k, y * self.k) for x, y in pts], fill=fill)

    def line(self, pts, fill, width=1):
        self.d.line([(x * self.k, y * self.k) for x, y in pts], fill=fill, width=int(width * self.k))

    def arc(self, box, start, end, fill, width=1):
        self.d.arc(self._b(box), start, end, fill=fill, width=int(width * self.k))

    def star(self, cx, cy, ro, ri, fill, n=5, rot=-90):
        self.poly(star_points(cx, cy, ro, ri, n, rot), fill)

    def blend(self, colour, alpha_fn):
        """Lays colour over the logo through a mask drawn by alpha_fn(draw, k)."""
        m = Image.new("L", self.img.size, 0)
        alpha_fn(ImageDraw.Draw(m), self.k)
        self.img.paste(colour, (0, 0), m)

    def measure(self, text, fname, size, spacing=0):
        f = font(fname, size * self.k)
        if spacing:
            w = sum(f.getlength(c) for c in text) + spacing * self.k * (len(text) - 1)
            _, t, _, b = f.getbbox(text, anchor="ls")
            return f, w, t, b
        l, t, r, b = f.getbbox(text, anchor="ls")
        return f, r - l, t, b

    def text(self, text, fname, box, fill, align="c", spacing=0, max_size=60, glow=None):
        """Text fitted into box (logo pixels), centred on its ink vertically."""
        x0, y0, x1, y1 = box
        size = max_size
        while True:
            f, w, t, b = self.measure(text, fname, size, spacing)
            if (w <= (x1 - x0) * self.k and (b - t) <= (y1 - y0) * self.k) or size <= 5:
                break
            size -= 0.5
        l = f.getbbox(text, anchor="ls")[0]
        if align == "c":
            x = (x0 + x1) / 2 * self.k - w / 2 - l
        elif align == "l":
            x = x0 * self.k - l
        else:
            x = x1 * self.k - w - l
        y = (y0 + y1) / 2 * self.k - (t + b) / 2
        if glow:
            m = Image.new("L", self.img.size, 0)
            self._draw(ImageDraw.Draw(m), (x, y), text, f, 255, spacing)
            m = m.filter(ImageFilter.GaussianBlur(2.2 * self.k))
            self.img.paste(glow, (0, 0), m)
        self._draw(self.d, (x, y), text, f, fill, spacing)
        return (x / self.k, (y + t) / self.k, (x + w) / self.k, (y + b) / self.k)

    def _draw(self, d, xy, text, f, fill, spacing):
        x, y = xy
        if not spacing:
            d.text((x, y), text, font=f, fill=fill, anchor="ls")
            return
        for c in text:
            d.text((x, y), c, font=f, fill=fill, anchor="ls")
            x += f.getlength(c) + spacing * self.k

    def text_at(self, text, fname, size, xy, fill, anchor="ls"):
        f = font(fname, size * self.k)
        self.d.text((xy[0] * self.k, xy[1] * self.k), text, font=f, fill=fill, anchor=anchor)
        return f.getlength(text) / self.k


def arrow(lg, y0, y1, x0, x1, head, fill):
    mid = (y0 + y1) / 2
    h = (y1 - y0) / 2
    lg.poly(
        [
            (x0, y0),
            (x1 - head, y0),
            (x1 - head, mid - h * 1.6),
            (x1, mid),
            (x1 - head, mid + h * 1.6),
            (x1 - head, y1),
            (x0, y1),
            (x0 + head * 0.5, mid),
        ],
        fill,
    )


# ---------------------------------------------------------------- the logos


def veronica(lg):
    lg.vgrad((110, 40, 140), (52, 16, 84))
    lg.circle(84, 4, 30, fill=(138, 58, 168))
    lg.text("RADIO", COND_B, (8, 8, 88, 16), (255, 186, 226), spacing=2.4)
    lg.text("Veronica", SERIF_BI, (5, 20, 91, 44), WHITE)
    lg.arc((10, 30, 86, 60), 20, 160, (255, 208, 72), width=2.2)


def fm3(lg):
    lg.vgrad((0, 92, 128), (0, 52, 84))
    lg.circle(30, 33, 25, fill=(168, 214, 36))
    lg.arc((1, 4, 59, 62), 200, 330, (214, 244, 120), width=1.4)
    lg.text("3", SANS_B, (16, 12, 44, 54), (0, 52, 84))
    lg.text("FM", SANS_B, (60, 20, 92, 46), WHITE)
    lg.line([(61, 51), (91, 51)], (168, 214, 36), width=2)


def arrow_rock(lg):
    lg.vgrad((38, 38, 44), (14, 14, 16))
    arrow(lg, 10, 30, 6, 92, 14, (208, 24, 32))
    lg.text("ARROW", COND_B, (16, 12.5, 76, 27.5), WHITE, spacing=1)
    lg.text("CLASSIC ROCK", COND_B, (6, 38, 90, 49), (236, 236, 236), spacing=0.8)
    lg.line([(8, 55), (88, 55)], (208, 24, 32), width=1)


def arrow_jazz(lg):
    lg.vgrad((20, 54, 104), (8, 24, 56))
    arrow(lg, 8, 24, 14, 84, 12, (226, 182, 76))
    lg.text("ARROW", COND_B, (24, 10, 70, 22), (14, 34, 74), spacing=1)
    lg.text("Jazz FM", SERIF_BI, (5, 30, 91, 58), WHITE)


def bnn(lg):
    lg.fill((250, 250, 250))
    lg.poly([(16, 46), (14, 60), (30, 46)], (255, 118, 0))
    lg.rrect((6, 6, 90, 50), 12, fill=(255, 118, 0))
    lg.text("BNN", SANS_B, (14, 12, 82, 44), WHITE)
    lg.circle(84, 58, 3.5, fill=(255, 118, 0))
    lg.circle(74, 60, 2.2, fill=(255, 118, 0))


def caz(lg):
    lg.vgrad((238, 24, 128), (168, 0, 98))
    lg.circle(90, 2, 16, fill=(255, 214, 40))
    lg.circle(8, 62, 10, fill=(255, 96, 170))
    lg.text("Caz!", SANS_BI, (8, 14, 84, 54), WHITE)


def classic_fm(lg):
    lg.fill((247, 242, 229))
    navy = (24, 40, 86)
    gold = (188, 146, 62)
    lg.text("Classic", SERIF_B, (8, 10, 88, 38), navy)
    lg.line([(10, 49), (32, 49)], gold, width=1)
    lg.line([(64, 49), (86, 49)], gold, width=1)
    lg.text("FM", SERIF_B, (35, 42, 61, 56), gold, spacing=2)


def class_x(lg):
    lg.vgrad((62, 20, 86), (30, 8, 44))
    lg.text("X", COND_B, (50, 2, 94, 64), (226, 34, 72))
    lg.text("CLASS", COND_B, (6, 24, 58, 42), WHITE, spacing=1.2)


def concert_zender(lg):
    lg.fill(WHITE)
    wine = (128, 22, 44)
    for i in range(5):
        y = 44 + i * 3.4
        lg.line([(6, y), (90, y)], (196, 196, 204), width=0.7)
    lg.ellipse((64, 50.5, 71, 55.5), fill=wine)
    lg.line([(70.4, 53), (70.4, 40)], wine, width=1)
    lg.text("Concert", SERIF_B, (6, 6, 90, 30), wine)
    lg.text("ZENDER", COND_B, (6, 31, 62, 40), (30, 40, 60), spacing=2)


def funx(lg):
    lg.fill((255, 212, 0))
    lg.poly([(0, 50), (96, 38), (96, 66), (0, 66)], BLACK)
    w = lg.text("Fun", SANS_B, (6, 8, 62, 40), BLACK)
    lg.text("X", SANS_BI, (w[2] + 1, 4, 92, 44), (226, 20, 30))
    lg.text("radio", SANS_B, (50, 49, 92, 60), (255, 212, 0))


def gigant(lg):
    lg.vgrad((24, 58, 150), (10, 28, 88))
    lg.poly([(0, 66), (28, 38), (46, 54), (66, 30), (96, 62), (96, 66)], (58, 102, 196))
    lg.poly([(56, 40), (66, 30), (74, 42), (68, 38), (62, 42)], WHITE)
    lg.text("GIGANT", COND_B, (6, 5, 90, 27), WHITE, spacing=1)
    lg.rrect((36, 30, 60, 44), 3, fill=(255, 206, 30))
    lg.text("FM", SANS_B, (38, 32, 58, 42), (10, 28, 88))


def juize(lg):
    lg.vgrad((36, 120, 60), (16, 74, 36))
    cx, cy, r = 22, 36, 17
    lg.circle(cx, cy, r + 2, fill=(255, 226, 140))
    lg.circle(cx, cy, r, fill=(255, 140, 20))
    for i in range(8):
        a = math.radians(i * 45 + 22.5)
        lg.line([(cx, cy), (cx + r * 0.9 * math.cos(a), cy + r * 0.9 * math.sin(a))], (255, 200, 110), 1.2)
    lg.circle(cx, cy, 2.2, fill=(255, 226, 140))
    lg.poly([(26, 18), (36, 8), (40, 12), (30, 20)], (120, 210, 60))
    lg.text("Juize", SANS_B, (44, 16, 92, 38), WHITE)
    lg.text("FM", SANS_B, (46, 41, 90, 53), (255, 160, 40), spacing=2)


def kinder(lg):
    lg.vgrad((232, 246, 255), (206, 232, 252))
    lg.circle(92, 2, 10, fill=(255, 214, 60))
    colours = [(230, 40, 50), (250, 140, 0), (30, 170, 70), (20, 120, 220), (150, 60, 190), (240, 60, 140)]
    f_box = (6, 8, 88, 40)
    # measure the whole word once, then colour it letter by letter
    f, w, t, b = lg.measure("Kinder", SANS_B, 30)
    size = 30
    while w > (f_box[2] - f_box[0]) * lg.k or (b - t) > (f_box[3] - f_box[1]) * lg.k:
        size -= 0.5
        f, w, t, b = lg.measure("Kinder", SANS_B, size)
    x = (96 * lg.k - w) / 2
    y = (f_box[1] + f_box[3]) / 2 * lg.k - (t + b) / 2
    for i, c in enumerate("Kinder"):
        lg.d.text((x, y + (i % 2) * 1.2 * lg.k), c, font=f, fill=colours[i], anchor="ls")
        x += f.getlength(c)
    lg.text("radio", SANS_B, (26, 44, 70, 58), (24, 50, 110))


def aardschok(lg):
    lg.fill(BLACK)
    lg.poly([(52, 0), (30, 30), (44, 30), (28, 66), (66, 22), (50, 22), (66, 0)], (170, 14, 20))
    lg.text("KINK", COND_B, (6, 5, 40, 16), (230, 40, 40), align="l", spacing=2)
    lg.text("AARDSCHOK", COND_B, (4, 26, 92, 44), WHITE)
    lg.line([(6, 52), (90, 52)], (230, 40, 40), width=1.2)


def kink_fm(lg):
    lg.vgrad((44, 44, 46), (20, 20, 22))
    lg.text("KINK", SANS_B, (6, 8, 90, 36), WHITE, spacing=0.5)
    zig = [(6, 46), (20, 46), (26, 40), (32, 52), (38, 42), (42, 46), (62, 46)]
    lg.line(zig, (232, 36, 36), width=2.2)
    lg.text("FM", SANS_B, (66, 40, 90, 53), (232, 36, 36))


def kx(lg):
    lg.vgrad((0, 140, 140), (0, 82, 90))
    cx, cy, r = 26, 33, 22
    hexagon = [(cx + r * math.cos(math.radians(a)), cy + r * math.sin(math.radians(a))) for a in range(0, 360, 60)]
    lg.poly(hexagon, WHITE)
    lg.text("KX", SANS_B, (10, 22, 42, 44), (0, 110, 116))
    lg.text("RADIO", COND_B, (52, 26, 92, 40), WHITE, spacing=1)


def laser(lg):
    lg.fill((8, 10, 22))
    for i, (y, c) in enumerate(
        [(0, (40, 120, 60)), (14, (60, 200, 90)), (30, (110, 255, 140)), (50, (60, 200, 90)), (66, (40, 120, 60))]
    ):
        lg.line([(0, 60), (96, y)], c, width=0.8 if i % 2 == 0 else 1.1)
    lg.text("LASER", MONO_B, (8, 10, 88, 34), (150, 255, 170), glow=(40, 180, 80))
    lg.text("RADIO", COND_B, (30, 42, 66, 52), WHITE, spacing=2.4)


def onin(lg):
    lg.vgrad((56, 168, 230), (20, 104, 184))
    for r, w in ((22, 1), (16, 1.4), (10, 2.4)):
        lg.circle(20, 33, r, outline=(220, 240, 255), width=w)
    lg.circle(20, 33, 4, fill=WHITE)
    lg.text("onin", SANS_B, (42, 14, 92, 40), WHITE)
    lg.text("fm", SANS, (44, 42, 90, 54), (220, 240, 255), spacing=1)


def qmusic(lg):
    lg.vgrad((44, 40, 52), (14, 12, 20))
    lg.text("Q", SANS_B, (4, 4, 46, 62), (236, 0, 130))
    lg.rect((48, 31, 55, 34.5), (236, 0, 130))
    lg.text("MUSIC", COND_B, (57, 26, 93, 40), WHITE)


def radio_public(numeral, colour, tag, numeral_font=SANS_B):
    def draw(lg):
        dark = tuple(max(0, c - 40) for c in colour)
        lg.vgrad(colour, dark)
        lg.circle(25, 33, 22, fill=WHITE)
        lg.text(numeral, numeral_font, (11, 15, 39, 51), dark)
        lg.text("RADIO", COND_B, (52, 20, 92, 32), WHITE, spacing=1)
        lg.line([(52, 36.5), (90, 36.5)], WHITE, width=0.8)
        lg.text(tag, COND_B, (52, 40, 92, 49), (235, 235, 240), align="l")

    return draw


def gold10(lg):
    lg.fill(BLACK)
    lg.blend((255, 200, 80), lambda d, k: d.ellipse((6 * k, 7 * k, 58 * k, 59 * k), fill=60))
    gold_disc = Image.new("L", lg.img.size, 0)
    ImageDraw.Draw(gold_disc).ellipse(tuple(v * lg.k for v in (10, 11, 54, 55)), fill=255)
    lg.img.paste(vgradient(lg.img.size, (255, 226, 120), (184, 124, 30)), (0, 0), gold_disc)
    lg.text("10", SANS_B, (16, 20, 48, 46), (40, 26, 6))
    lg.text("RADIO", COND_B, (60, 14, 92, 24), WHITE, spacing=1)
    lg.text("GOLD", SERIF_CB, (58, 28, 94, 44), (240, 196, 90))


def r538(lg):
    lg.fill((214, 10, 34))
    lg.rect((0, 46, 96, 66), (18, 34, 84))
    lg.text("538", SANS_BI, (6, 6, 90, 42), WHITE)
    lg.text("RADIO", COND_B, (28, 50, 68, 62), WHITE, spacing=2.4)


def bembem(lg):
    lg.vgrad((178, 230, 110), (122, 196, 64))
    for cx, cy, r in ((10, 12, 6), (84, 54, 9), (90, 14, 4), (16, 56, 4), (70, 8, 3)):
        lg.circle(cx, cy, r, fill=(214, 246, 170))
    lg.text("RADIO", COND_B, (30, 8, 66, 17), (92, 36, 128), spacing=2)
    lg.text("BemBem", SANS_B, (6, 21, 90, 44), (108, 40, 150))
    lg.arc((22, 36, 74, 56), 30, 150, (108, 40, 150), width=1.8)


def radio_nl(lg):
    lg.vgrad((255, 140, 24), (236, 96, 0))
    for i, c in enumerate(((200, 20, 40), WHITE, (20, 60, 150))):
        lg.rect((0, 56 + i * 3.4, 96, 59.6 + i * 3.4), c)
    lg.text("RADIO", COND_B, (6, 10, 36, 20), WHITE, align="l", spacing=1)
    lg.text("NL", SANS_B, (34, 6, 92, 52), WHITE)


def royal(lg):
    lg.vgrad((78, 28, 112), (40, 10, 64))
    gold = (240, 196, 86)
    lg.poly([(36, 20), (34, 6), (42, 13), (48, 3), (54, 13), (62, 6), (60, 20)], gold)
    for x, y in ((34, 6), (48, 3), (62, 6)):
        lg.circle(x, y, 1.6, fill=gold)
    lg.text("ROYAL", SERIF_B, (8, 24, 88, 44), gold, spacing=1.5)
    lg.text("RADIO", COND_B, (30, 48, 66, 57), WHITE, spacing=2.4)


def sky(lg):
    lg.vgrad((44, 130, 220), (160, 208, 248))
    for cx, cy, r in ((24, 58, 12), (40, 52, 14), (58, 56, 12), (74, 60, 11), (8, 64, 9), (90, 66, 10)):
        lg.circle(cx, cy, r, fill=WHITE)
    w = lg.text("Sky", SANS_B, (6, 10, 42, 36), WHITE)
    lg.text("Radio", SANS_B, (w[2] + 1, 10, 92, 36), (16, 50, 110), align="l")


def smash(lg):
    lg.fill((255, 218, 0))
    pts = star_points(48, 33, 52, 34, n=16, rot=-90)
    pts = [(x, 33 + (y - 33) * 0.62) for x, y in pts]
    lg.poly(pts, BLACK)
    lg.text("SMASH!", SANS_BI, (14, 19, 82, 37), (255, 218, 0))
    lg.text("FM", SANS_B, (39, 40, 57, 50), WHITE)


def star_fm(lg):
    lg.vgrad((20, 30, 74), (8, 12, 40))
    for x, y in ((60, 8), (88, 14), (70, 56), (92, 50), (50, 58), (82, 30)):
        lg.circle(x, y, 0.8, fill=(200, 210, 255))
    lg.star(24, 34, 22, 9, (255, 198, 40))
    lg.star(24, 34, 12, 5, (255, 234, 140))
    lg.text("STAR", SANS_B, (48, 16, 92, 34), WHITE)
    lg.text("FM", SANS_B, (48, 38, 92, 50), (255, 198, 40), spacing=3)


def tmf(lg):
    lg.fill((245, 245, 245))
    boxes = (((232, 16, 120), "T"), ((0, 166, 214), "M"), ((120, 190, 20), "F"))
    for i, (c, letter) in enumerate(boxes):
        x = 8 + i * 27.5
        lg.rrect((x, 8, x + 25, 40), 3, fill=c)
        lg.text(letter, SANS_B, (x + 3, 12, x + 22, 36), WHITE)
    lg.text("RADIO", COND_B, (8, 46, 88, 58), BLACK, spacing=4)


def _w(fn):
    def draw(img, k):
        fn(Logo(img, k))

    return draw


# Drawing of each logo key of resources/stations.tsv.
LOGOS = {
    "veronica": _w(veronica),
    "fm3": _w(fm3),
    "arrow_rock": _w(arrow_rock),
    "arrow_jazz": _w(arrow_jazz),
    "bnn": _w(bnn),
    "caz": _w(caz),
    "classic_fm": _w(classic_fm),
    "class_x": _w(class_x),
    "concert_zender": _w(concert_zender),
    "funx": _w(funx),
    "gigant": _w(gigant),
    "juize": _w(juize),
    "kinder": _w(kinder),
    "aardschok": _w(aardschok),
    "kink_fm": _w(kink_fm),
    "kx": _w(kx),
    "laser": _w(laser),
    "onin": _w(onin),
    "qmusic": _w(qmusic),
    "radio1": _w(radio_public("1", (0, 84, 160), "nieuws")),
    "radio2": _w(radio_public("2", (204, 30, 56), "muziek")),
    "radio4": _w(radio_public("4", (112, 36, 96), "klassiek", SERIF_B)),
    "radio5": _w(radio_public("5", (24, 136, 76), "gesprek")),
    "gold10": _w(gold10),
    "r538": _w(r538),
    "bembem": _w(bembem),
    "radio_nl": _w(radio_nl),
    "royal": _w(royal),
    "sky": _w(sky),
    "smash": _w(smash),
    "star_fm": _w(star_fm),
    "tmf": _w(tmf),
}
