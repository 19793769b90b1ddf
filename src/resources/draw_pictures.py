#!/usr/bin/env python3
"""Draws the wizard's pictures and icon as Windows bitmap and icon files.

Usage: draw_pictures.py OUTPUT_DIR

Writes picture171.bmp (240x320, 8 bits per pixel), picture169.bmp (240x320, 8 bits per pixel),
picture157.bmp (120x75, 4 bits per pixel) and romwizard.ico (32x32 and 16x16). Standard library
only, so that every build machine can run it.
"""

import os
import struct
import sys

# 5x7 glyphs, one string per row, '#' = ink. Only the characters the pictures need.
GLYPHS = {
    " ": ["     "] * 7,
    "-": ["     ", "     ", "     ", "#####", "     ", "     ", "     "],
    "/": ["    #", "    #", "   # ", "  #  ", " #   ", "#    ", "#    "],
    "0": [" ### ", "#   #", "#  ##", "# # #", "##  #", "#   #", " ### "],
    "1": ["  #  ", " ##  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "],
    "2": [" ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####"],
    "3": ["#####", "   # ", "  #  ", "   # ", "    #", "#   #", " ### "],
    "4": ["   # ", "  ## ", " # # ", "#  # ", "#####", "   # ", "   # "],
    "7": ["#####", "    #", "   # ", "  #  ", " #   ", " #   ", " #   "],
    "A": [" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"],
    "C": [" ### ", "#   #", "#    ", "#    ", "#    ", "#   #", " ### "],
    "E": ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"],
    "L": ["#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"],
    "N": ["#   #", "##  #", "# # #", "#  ##", "#   #", "#   #", "#   #"],
    "O": [" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "],
    "P": ["#### ", "#   #", "#   #", "#### ", "#    ", "#    ", "#    "],
    "R": ["#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"],
    "S": [" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "],
    "V": ["#   #", "#   #", "#   #", "#   #", "#   #", " # # ", "  #  "],
    "a": ["     ", "     ", " ### ", "    #", " ####", "#   #", " ####"],
    "c": ["     ", "     ", " ### ", "#    ", "#    ", "#   #", " ### "],
    "e": ["     ", "     ", " ### ", "#   #", "#####", "#    ", " ### "],
    "h": ["#    ", "#    ", "# ## ", "##  #", "#   #", "#   #", "#   #"],
    "i": ["  #  ", "     ", " ##  ", "  #  ", "  #  ", "  #  ", " ### "],
    "k": ["#    ", "#    ", "#  # ", "# #  ", "##   ", "# #  ", "#  # "],
    "l": [" ##  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "],
    "m": ["     ", "     ", "## # ", "# # #", "# # #", "#   #", "#   #"],
    "n": ["     ", "     ", "# ## ", "##  #", "#   #", "#   #", "#   #"],
    "o": ["     ", "     ", " ### ", "#   #", "#   #", "#   #", " ### "],
    "r": ["     ", "     ", "# ## ", "##  #", "#    ", "#    ", "#    "],
    "s": ["     ", "     ", " ####", "#    ", " ### ", "    #", "#### "],
    "t": [" #   ", " #   ", "###  ", " #   ", " #   ", " #  #", "  ## "],
    "u": ["     ", "     ", "#   #", "#   #", "#   #", "#  ##", " ## #"],
    "v": ["     ", "     ", "#   #", "#   #", "#   #", " # # ", "  #  "],
}


class Canvas:
    """A paletted picture with a few filled shapes; colours are RGB tuples."""

    def __init__(self, width, height, max_colours, background):
        self.width = width
        self.height = height
        self.max_colours = max_colours
        self.palette = []
        self.pixels = bytearray(width * height)
        self.rect(0, 0, width, height, background)

    def index(self, colour):
        if colour not in self.palette:
            if len(self.palette) == self.max_colours:
                raise ValueError("too many colours for the palette: %r" % (colour,))
            self.palette.append(colour)
        return self.palette.index(colour)

    def dot(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y * self.width + x] = self.index(colour)

    def rect(self, x0, y0, x1, y1, colour):
        """Fills [x0, x1) x [y0, y1)."""
        c = self.index(colour)
        for y in range(max(0, y0), min(self.height, y1)):
            row = y * self.width
            for x in range(max(0, x0), min(self.width, x1)):
                self.pixels[row + x] = c

    def frame(self, x0, y0, x1, y1, colour, thickness=1):
        self.rect(x0, y0, x1, y0 + thickness, colour)
        self.rect(x0, y1 - thickness, x1, y1, colour)
        self.rect(x0, y0, x0 + thickness, y1, colour)
        self.rect(x1 - thickness, y0, x1, y1, colour)

    def round_rect(self, x0, y0, x1, y1, radius, colour):
        for y in range(y0, y1):
            inset = 0
            if y < y0 + radius:
                inset = radius - _chord(radius, y0 + radius - y - 0.5)
            elif y >= y1 - radius:
                inset = radius - _chord(radius, y - (y1 - radius) + 0.5)
            self.rect(x0 + inset, y, x1 - inset, y + 1, colour)

    def ellipse(self, cx, cy, rx, ry, colour):
        for y in range(int(cy - ry), int(cy + ry) + 1):
            dy = (y + 0.5 - cy) / ry
            if abs(dy) > 1:
                continue
            half = rx * (1 - dy * dy) ** 0.5
            self.rect(int(round(cx - half)), y, int(round(cx + half)), y + 1, colour)

    def ring(self, cx, cy, r, colour, fill, thickness=1):
        self.ellipse(cx, cy, r, r, colour)
        self.ellipse(cx, cy, r - thickness, r - thickness, fill)

    def gradient(self, x0, y0, x1, y1, top, bottom, steps):
        """Vertical gradient in a fixed number of bands, so that the palette stays small."""
        for y in range(y0, y1):
            t = (y - y0) / max(1, y1 - y0 - 1)
            band = min(steps - 1, int(t * steps))
            f = band / max(1, steps - 1)
            colour = tuple(int(round(a + (b - a) * f)) for a, b in zip(top, bottom))
            self.rect(x0, y, x1, y + 1, colour)

    def polygon(self, points, colour):
        ys = [p[1] for p in points]
        for y in range(int(min(ys)), int(max(ys)) + 1):
            sy = y + 0.5
            xs = []
            for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
                if (ay <= sy < by) or (by <= sy < ay):
                    xs.append(ax + (sy - ay) * (bx - ax) / (by - ay))
            xs.sort()
            for a, b in zip(xs[0::2], xs[1::2]):
                self.rect(int(round(a)), y, int(round(b)), y + 1, colour)

    def line(self, x0, y0, x1, y1, colour, width=1):
        """A straight stroke of the given width, drawn as a filled quadrilateral."""
        dx, dy = x1 - x0, y1 - y0
        length = max(1e-9, (dx * dx + dy * dy) ** 0.5)
        nx, ny = -dy / length * width / 2, dx / length * width / 2
        self.polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny),
                      (x0 - nx, y0 - ny)], colour)

    def arrow(self, x0, y0, x1, y1, colour):
        self.line(x0, y0, x1, y1, colour, 1.4)
        dx, dy = x1 - x0, y1 - y0
        length = max(1e-9, (dx * dx + dy * dy) ** 0.5)
        ux, uy = dx / length, dy / length
        self.polygon([(x1 + ux, y1 + uy), (x1 - 6 * ux + 3 * uy, y1 - 6 * uy - 3 * ux),
                      (x1 - 6 * ux - 3 * uy, y1 - 6 * uy + 3 * ux)], colour)

    def text(self, x, y, s, colour, scale=1, bold=False):
        for ch in s:
            glyph = GLYPHS[ch]
            for gy, row in enumerate(glyph):
                for gx, cell in enumerate(row):
                    if cell == "#":
                        extra = scale if bold else 0
                        self.rect(x + gx * scale, y + gy * scale,
                                  x + (gx + 1) * scale + extra, y + (gy + 1) * scale, colour)
            x += (6 + (1 if bold else 0)) * scale

    @staticmethod
    def text_width(s, scale=1, bold=False):
        return len(s) * (6 + (1 if bold else 0)) * scale - scale

    def centred_text(self, cx, y, s, colour, scale=1, bold=False):
        self.text(cx - self.text_width(s, scale, bold) // 2, y, s, colour, scale, bold)

    def label(self, cx, y, s, ink, paper):
        """A text on a small plate, for the captions of the instruction pictures."""
        w = self.text_width(s)
        self.rect(cx - w // 2 - 3, y - 2, cx + w - w // 2 + 3, y + 9, paper)
        self.frame(cx - w // 2 - 3, y - 2, cx + w - w // 2 + 3, y + 9, ink)
        self.centred_text(cx, y, s, ink)


def _chord(radius, distance):
    return int(round((max(0.0, radius * radius - distance * distance)) ** 0.5))


def write_bmp(path, canvas, bits):
    colours = 1 << bits
    palette = canvas.palette + [(0, 0, 0)] * (colours - len(canvas.palette))
    stride = ((canvas.width * bits + 31) // 32) * 4
    rows = []
    for y in range(canvas.height - 1, -1, -1):
        line = canvas.pixels[y * canvas.width:(y + 1) * canvas.width]
        if bits == 8:
            packed = bytes(line)
        else:
            padded = bytes(line) + (b"\0" if len(line) % 2 else b"")
            packed = bytes((padded[i] << 4) | padded[i + 1] for i in range(0, len(padded), 2))
        rows.append(packed + b"\0" * (stride - len(packed)))
    pixel_data = b"".join(rows)
    palette_data = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, bits, 0,
                       len(pixel_data), 3780, 3780, colours, 0)
    offset = 14 + len(info) + len(palette_data)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixel_data), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(header + info + palette_data + pixel_data)


# Colours shared by the pictures.
INK = (0, 0, 0)
WHITE = (255, 255, 255)
BODY = (70, 76, 88)
BODY_EDGE = (34, 38, 46)
BODY_LIGHT = (120, 128, 142)
SILVER = (196, 200, 208)
KEY = (150, 156, 168)
KEY_DARK = (52, 56, 64)
SCREEN_TOP = (56, 104, 176)
SCREEN_BOTTOM = (166, 204, 240)
ACCENT = (214, 40, 40)
PAPER = (252, 250, 236)
BACK_TOP = (236, 240, 246)
BACK_BOTTOM = (196, 206, 222)
STYLUS = (172, 176, 184)
STYLUS_TIP = (90, 94, 102)


def draw_keys(c, cx, cy, numbered):
    """The navigation button with two application buttons on each side, numbered 1 to 4."""
    c.ring(cx, cy, 17, BODY_EDGE, SILVER, 2)
    c.ellipse(cx, cy, 7, 7, KEY)
    for dx in (-1, 1):
        c.polygon([(cx + dx * 11, cy - 3), (cx + dx * 14, cy), (cx + dx * 11, cy + 3)], KEY_DARK)
        c.polygon([(cx - 3, cy + dx * 11), (cx, cy + dx * 14), (cx + 3, cy + dx * 11)], KEY_DARK)
    centres = [(cx - 58, cy + 4), (cx - 33, cy - 2), (cx + 33, cy - 2), (cx + 58, cy + 4)]
    for number, (kx, ky) in enumerate(centres, 1):
        c.ellipse(kx, ky, 10, 8, BODY_EDGE)
        c.ellipse(kx, ky - 1, 9, 7, KEY)
        if numbered:
            c.ellipse(kx, ky - 22, 6, 6, ACCENT)
            c.centred_text(kx + 1, ky - 25, str(number), WHITE)
            c.rect(kx, ky - 16, kx + 1, ky - 8, ACCENT)


def draw_logo(c, cx, y):
    """The maker's mark: a V in a ring, and the maker's name beside it."""
    name = "VARNEL"
    w = 14 + c.text_width(name, 1, True)
    x = cx - w // 2
    c.ring(x + 5, y + 3, 6, SILVER, BODY, 1)
    c.polygon([(x + 2, y), (x + 4, y), (x + 5, y + 4), (x + 6, y), (x + 8, y), (x + 5, y + 7)],
              SILVER)
    c.text(x + 15, y, name, SILVER, 1, True)


def picture_171():
    c = Canvas(240, 320, 256, BACK_TOP)
    c.gradient(0, 0, 240, 320, BACK_TOP, BACK_BOTTOM, 24)
    # Shadow, body and bezel of the handheld seen from the front.
    c.round_rect(46, 16, 204, 314, 22, (170, 178, 192))
    c.round_rect(40, 10, 200, 308, 22, BODY_EDGE)
    c.round_rect(42, 12, 198, 306, 20, BODY)
    c.round_rect(48, 16, 192, 40, 10, BODY_LIGHT)
    c.centred_text(120, 21, "Orvo", WHITE, 2, True)
    c.rect(104, 44, 136, 46, BODY_EDGE)
    # Screen with a Pocket PC like title bar and a few rows of icons.
    c.rect(54, 52, 186, 222, BODY_EDGE)
    c.gradient(56, 54, 184, 220, SCREEN_TOP, SCREEN_BOTTOM, 32)
    c.rect(56, 54, 184, 66, (20, 40, 96))
    c.rect(59, 57, 68, 63, WHITE)
    c.text(72, 57, "Pocket PC", WHITE)
    for row in range(3):
        for col in range(4):
            x, y = 64 + col * 30, 80 + row * 40
            c.rect(x + 2, y + 2, x + 22, y + 22, (30, 60, 120))
            c.rect(x, y, x + 20, y + 20, ((col * 80) % 256, 180 - row * 40, 220 - col * 30))
            c.frame(x, y, x + 20, y + 20, WHITE)
    draw_keys(c, 120, 254, False)
    draw_logo(c, 120, 288)
    c.text(156, 292, "4700", SILVER)
    return c


def draw_stylus_reset(c, x0, y0, width, height):
    """A corner of the handheld with the reset opening and the stylus pressed into it."""
    hx, hy = x0 + width // 2, y0 + height // 2 + 4
    c.round_rect(x0, y0 + 8, x0 + width, y0 + height, 10, BODY_EDGE)
    c.round_rect(x0 + 2, y0 + 10, x0 + width - 2, y0 + height - 2, 8, BODY)
    c.ring(hx, hy, 5, SILVER, INK, 1)
    # The stylus comes from the upper right and ends in the opening.
    tip_x, tip_y = hx + 1, hy - 1
    end_x, end_y = tip_x + width * 0.45, tip_y - height * 0.75
    c.line(tip_x + 7, tip_y - 7, end_x, end_y, STYLUS, 7)
    c.line(tip_x + 7, tip_y - 7, end_x, end_y, WHITE, 1.5)
    c.line(tip_x, tip_y, tip_x + 8, tip_y - 8, STYLUS_TIP, 3)
    c.arrow(tip_x + 24, tip_y - 4, tip_x + 9, tip_y + 4, ACCENT)


def picture_169():
    c = Canvas(240, 320, 256, BACK_TOP)
    c.gradient(0, 0, 240, 320, BACK_TOP, BACK_BOTTOM, 24)
    # View 1: the front keys, numbered as the instructions name them.
    c.round_rect(14, 28, 226, 120, 18, BODY_EDGE)
    c.round_rect(16, 30, 224, 118, 16, BODY)
    c.rect(40, 30, 200, 46, BODY_EDGE)
    c.gradient(42, 30, 198, 44, SCREEN_TOP, SCREEN_BOTTOM, 6)
    draw_keys(c, 120, 92, True)
    c.rect(8, 126, 232, 127, BODY_LIGHT)
    # View 2: the top edge with the power switch.
    c.round_rect(20, 168, 220, 196, 8, BODY_EDGE)
    c.round_rect(22, 170, 218, 194, 6, BODY)
    c.rect(150, 162, 182, 170, BODY_EDGE)
    c.rect(152, 163, 180, 170, ACCENT)
    c.rect(40, 176, 120, 188, BODY_LIGHT)
    c.arrow(150, 146, 162, 160, ACCENT)
    c.label(104, 138, "Ein-/Aus-Schalter", INK, PAPER)
    c.rect(8, 204, 232, 205, BODY_LIGHT)
    # View 3: the stylus in the reset opening.
    draw_stylus_reset(c, 30, 228, 180, 84)
    c.label(78, 214, "Normaler Reset", INK, PAPER)
    return c


def picture_157():
    dialog_face = (212, 208, 200)
    c = Canvas(120, 75, 16, dialog_face)
    c.rect(0, 0, 120, 75, PAPER)
    c.frame(0, 0, 120, 75, BODY_EDGE)
    draw_stylus_reset(c, 8, 2, 104, 58)
    c.label(60, 63, "Normaler Reset", INK, PAPER)
    return c


def icon_image(size):
    """A small handheld with a downward arrow, as BGRA rows from top to bottom."""
    c = Canvas(size, size, 256, (255, 0, 255))
    s = size / 32
    c.round_rect(int(6 * s), int(1 * s), int(24 * s), int(31 * s), int(4 * s), BODY_EDGE)
    c.round_rect(int(7 * s), int(2 * s), int(23 * s), int(30 * s), int(3 * s), BODY)
    c.gradient(int(9 * s), int(5 * s), int(21 * s), int(21 * s), SCREEN_TOP, SCREEN_BOTTOM, 4)
    c.ellipse(15 * s, 25.5 * s, 2.5 * s, 2.5 * s, SILVER)
    c.rect(int(22 * s), int(14 * s), int(28 * s), int(22 * s), (30, 150, 60))
    c.polygon([(19 * s, 22 * s), (31 * s, 22 * s), (25 * s, 30 * s)], (30, 150, 60))
    rows = []
    for y in range(size):
        row = bytearray()
        for x in range(size):
            r, g, b = c.palette[c.pixels[y * size + x]]
            alpha = 0 if (r, g, b) == (255, 0, 255) else 255
            row += bytes((b, g, r, alpha))
        rows.append(bytes(row))
    return rows


def write_ico(path, sizes):
    images = []
    for size in sizes:
        rows = icon_image(size)
        mask_stride = ((size + 31) // 32) * 4
        mask = bytearray()
        for row in reversed(rows):
            bits = bytearray(mask_stride)
            for x in range(size):
                if row[4 * x + 3] == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        images.append((size, info + b"".join(reversed(rows)) + bytes(mask)))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    data = b""
    for size, blob in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob),
                                 offset + len(data))
        data += blob
    with open(path, "wb") as f:
        f.write(directory + data)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: draw_pictures.py OUTPUT_DIR")
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    write_bmp(os.path.join(out, "picture171.bmp"), picture_171(), 8)
    write_bmp(os.path.join(out, "picture169.bmp"), picture_169(), 8)
    write_bmp(os.path.join(out, "picture157.bmp"), picture_157(), 4)
    write_ico(os.path.join(out, "romwizard.ico"), (32, 16))


if __name__ == "__main__":
    main()
