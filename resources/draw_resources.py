#!/usr/bin/env python3
"""Draws the editor window's pictures as 16-colour PNG files.

Writes, next to this script:
  glyph_<name>.png   nine button glyphs, 32 x 16: the normal image, then the disabled one
  tree_<nn>.png      thirteen tree images, 24 x 24, numbered as the tree's image indexes
  tkeyloom.png       the component's palette picture, 24 x 24

Standard library only. Run it again after changing a picture and commit the PNG files with it.
"""

import os
import struct
import zlib

# Index 0 is transparent; the others are the classic sixteen colours less fuchsia.
PALETTE = [
    (0xFF, 0x00, 0xFF),  # 0 transparent
    (0x00, 0x00, 0x00),  # 1 black
    (0x80, 0x00, 0x00),  # 2 maroon
    (0x00, 0x80, 0x00),  # 3 green
    (0x80, 0x80, 0x00),  # 4 olive
    (0x00, 0x00, 0x80),  # 5 navy
    (0x80, 0x00, 0x80),  # 6 purple
    (0x00, 0x80, 0x80),  # 7 teal
    (0x80, 0x80, 0x80),  # 8 gray
    (0xC0, 0xC0, 0xC0),  # 9 silver
    (0xFF, 0x00, 0x00),  # 10 red
    (0x00, 0xFF, 0x00),  # 11 lime
    (0xFF, 0xFF, 0x00),  # 12 yellow
    (0x00, 0x00, 0xFF),  # 13 blue
    (0xFF, 0xFF, 0xFF),  # 14 white
    (0x00, 0xFF, 0xFF),  # 15 aqua
]
T, BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, GRAY, SILVER, RED, LIME, YELLOW, BLUE, WHITE, AQUA = range(16)


class Canvas:
    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.pixels = [[T] * width for _ in range(height)]

    def set(self, x, y, c):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = c

    def get(self, x, y):
        if 0 <= x < self.width and 0 <= y < self.height:
            return self.pixels[y][x]
        return T

    def fill(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        self.hline(x0, x1, y0, c)
        self.hline(x0, x1, y1, c)
        self.vline(x0, y0, y1, c)
        self.vline(x1, y0, y1, c)

    def hline(self, x0, x1, y, c):
        for x in range(x0, x1 + 1):
            self.set(x, y, c)

    def vline(self, x, y0, y1, c):
        for y in range(y0, y1 + 1):
            self.set(x, y, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.set(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def disc(self, cx, cy, r, c):
        for y in range(self.height):
            for x in range(self.width):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.set(x, y, c)

    def ring(self, cx, cy, r, c):
        for y in range(self.height):
            for x in range(self.width):
                d = (x - cx) ** 2 + (y - cy) ** 2
                if (r - 0.5) ** 2 <= d <= (r + 0.5) ** 2:
                    self.set(x, y, c)

    def bitmap(self, x, y, rows, colours):
        for dy, row in enumerate(rows):
            for dx, ch in enumerate(row):
                if ch in colours:
                    self.set(x + dx, y + dy, colours[ch])

    def blit(self, other, x, y):
        for dy in range(other.height):
            for dx in range(other.width):
                c = other.pixels[dy][dx]
                if c != T:
                    self.set(x + dx, y + dy, c)

    def raised(self, x0, y0, x1, y1, face=SILVER):
        """A 3D button face."""
        self.fill(x0, y0, x1, y1, face)
        self.hline(x0, x1, y0, WHITE)
        self.vline(x0, y0, y1, WHITE)
        self.hline(x0, x1, y1, BLACK)
        self.vline(x1, y0, y1, BLACK)
        self.hline(x0 + 1, x1 - 1, y1 - 1, GRAY)
        self.vline(x1 - 1, y0 + 1, y1 - 1, GRAY)

    def sunken(self, x0, y0, x1, y1, face=WHITE):
        self.fill(x0, y0, x1, y1, face)
        self.hline(x0, x1, y0, GRAY)
        self.vline(x0, y0, y1, GRAY)
        self.hline(x0, x1, y1, WHITE)
        self.vline(x1, y0, y1, WHITE)
        self.hline(x0 + 1, x1 - 1, y0 + 1, BLACK)
        self.vline(x0 + 1, y0 + 1, y1 - 1, BLACK)


def luminance(index):
    r, g, b = PALETTE[index]
    return (299 * r + 587 * g + 114 * b) // 1000


def disabled(normal):
    """The greyed, embossed look of a disabled glyph: dark pixels become grey
    with a white shadow, light ones vanish."""
    dark = [(x, y) for y in range(normal.height) for x in range(normal.width)
            if normal.get(x, y) != T and luminance(normal.get(x, y)) < 160]
    out = Canvas(normal.width, normal.height)
    for x, y in dark:
        out.set(x + 1, y + 1, WHITE)
    for x, y in dark:
        out.set(x, y, GRAY)
    return out


def png(canvas):
    """A 4-bit palette PNG with index 0 transparent."""
    raw = bytearray()
    for row in canvas.pixels:
        raw.append(0)
        padded = row + [0] * (len(row) % 2)
        for i in range(0, len(padded), 2):
            raw.append((padded[i] << 4) | padded[i + 1])

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", canvas.width, canvas.height, 4, 3, 0, 0, 0)
    palette = b"".join(bytes(c) for c in PALETTE)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"PLTE", palette) +
            chunk(b"tRNS", b"\x00") + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


# ---------------------------------------------------------------- small letters

LETTER_A = [
    " ## ",
    "#  #",
    "#  #",
    "####",
    "#  #",
    "#  #",
]
LETTER_B = [
    "### ",
    "#  #",
    "### ",
    "#  #",
    "#  #",
    "### ",
]
LETTER_K = [
    "#  #",
    "# # ",
    "##  ",
    "# # ",
    "#  #",
    "#  #",
]


def text_lines(c, x0, y0, x1, rows, colour=BLACK, gap=2):
    for i in range(rows):
        c.hline(x0, x1 - (i % 2) * 2, y0 + i * gap, colour)


def red_cross(c, x, y, size=4):
    c.line(x, y, x + size, y + size, RED)
    c.line(x + 1, y, x + size, y + size - 1, RED)
    c.line(x + size, y, x, y + size, RED)
    c.line(x + size - 1, y, x, y + size - 1, RED)


# ---------------------------------------------------------------- button glyphs, 16 x 16


def glyph_clear():
    c = Canvas(16, 16)
    c.bitmap(2, 3, LETTER_A, {"#": BLACK})
    c.hline(1, 7, 10, BLACK)
    red_cross(c, 9, 8, 5)
    return c


def glyph_clear_all():
    c = Canvas(16, 16)
    c.bitmap(0, 1, LETTER_A, {"#": BLACK})
    c.hline(0, 4, 8, BLACK)
    c.bitmap(6, 1, LETTER_B, {"#": BLACK})
    c.hline(6, 10, 8, BLACK)
    red_cross(c, 9, 9, 5)
    red_cross(c, 2, 10, 4)
    return c


def arrow(up):
    c = Canvas(16, 16)
    rows = ["      ##      ",
            "     ####     ",
            "    ######    ",
            "   ########   ",
            "  ##########  ",
            " ############ ",
            "     ####     ",
            "     ####     ",
            "     ####     ",
            "     ####     ",
            "     ####     ",
            "     ####     "]
    if not up:
        rows = rows[::-1]
    c.bitmap(1, 2, rows, {"#": GREEN})
    # A darker edge keeps the arrow readable on light faces.
    edge = Canvas(16, 16)
    for y in range(16):
        for x in range(16):
            if c.get(x, y) == GREEN and any(c.get(x + dx, y + dy) == T for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))):
                edge.set(x, y, BLACK)
    c.blit(edge, 0, 0)
    return c


def glyph_find():
    c = Canvas(16, 16)
    c.disc(6, 6, 4, AQUA)
    c.ring(6, 6, 4, BLACK)
    c.ring(6, 6, 5, BLACK)
    c.set(4, 4, WHITE)
    c.set(5, 4, WHITE)
    c.set(4, 5, WHITE)
    for i in range(5):
        c.fill(9 + i, 9 + i, 10 + i, 10 + i, MAROON)
    return c


def glyph_assign():
    c = Canvas(16, 16)
    c.frame(0, 1, 11, 12, BLACK)
    c.fill(1, 2, 10, 3, NAVY)
    c.fill(1, 4, 10, 11, SILVER)
    c.hline(2, 6, 6, BLACK)
    c.hline(2, 8, 9, BLACK)
    check = ["          ##",
             "         ###",
             "        ### ",
             "##     ###  ",
             "###   ###   ",
             " ### ###    ",
             "  #####     ",
             "   ###      "]
    c.bitmap(4, 7, check, {"#": GREEN})
    return c


def glyph_setup():
    c = Canvas(16, 16)
    c.fill(1, 1, 14, 14, WHITE)
    c.frame(1, 1, 14, 14, BLACK)
    for i, y in enumerate((3, 7, 11)):
        c.frame(3, y, 5, y + 2, NAVY)
        if i != 1:
            c.set(4, y + 1, NAVY)
        c.hline(7, 12 - i, y + 1, BLACK)
    return c


def glyph_about():
    c = Canvas(16, 16)
    c.disc(7.5, 7.5, 7, BLUE)
    c.ring(7.5, 7.5, 7, NAVY)
    c.fill(7, 3, 8, 4, WHITE)
    c.fill(7, 6, 8, 12, WHITE)
    c.hline(6, 7, 6, WHITE)
    c.hline(6, 9, 12, WHITE)
    return c


def glyph_close():
    c = Canvas(16, 16)
    # A door, ajar.
    c.fill(3, 1, 12, 14, MAROON)
    c.frame(3, 1, 12, 14, BLACK)
    c.fill(5, 3, 10, 7, OLIVE)
    c.fill(5, 9, 10, 12, OLIVE)
    c.fill(10, 8, 11, 8, YELLOW)
    return c


GLYPHS = {
    "clear": glyph_clear,
    "clear_all": glyph_clear_all,
    "move_up": lambda: arrow(True),
    "move_down": lambda: arrow(False),
    "find": glyph_find,
    "assign": glyph_assign,
    "setup": glyph_setup,
    "about": glyph_about,
    "close": glyph_close,
}


def glyph_pair(draw):
    normal = draw()
    pair = Canvas(32, 16)
    pair.blit(normal, 0, 0)
    pair.blit(disabled(normal), 16, 0)
    return pair


# ---------------------------------------------------------------- tree images, 24 x 24


def caption_bar(c, x0, x1, y):
    c.hline(x0, x1, y, BLACK)
    c.set(x0, y + 2, BLACK)  # the accelerator's underline, under the first letter
    c.set(x0 + 1, y + 2, BLACK)


def tree_bit_button():
    c = Canvas(24, 24)
    c.raised(1, 4, 22, 19)
    check = ["     #", "    ##", "#  ## ", "####  ", " ##   "]
    c.bitmap(4, 9, check, {"#": GREEN})
    c.hline(12, 19, 10, BLACK)
    c.hline(12, 17, 13, BLACK)
    return c


def tree_button():
    c = Canvas(24, 24)
    c.raised(1, 5, 22, 18)
    c.bitmap(5, 9, ["###  #  #", "# #  # # ", "# #  ##  ", "# #  # # ", "###  #  #"], {"#": BLACK})
    c.hline(5, 7, 15, BLACK)
    return c


def tree_check_box():
    c = Canvas(24, 24)
    c.sunken(2, 6, 13, 17)
    c.bitmap(4, 8, ["      #", "     ##", "#   ###", "## ### ", "#####  ", " ###   ", "  #    "], {"#": BLACK})
    c.hline(15, 22, 10, BLACK)
    c.hline(15, 20, 13, BLACK)
    return c


def tree_group_box():
    c = Canvas(24, 24)
    c.frame(1, 5, 22, 22, GRAY)
    c.frame(2, 6, 21, 21, WHITE)
    c.fill(4, 2, 14, 8, T)
    c.bitmap(5, 3, LETTER_A, {"#": BLACK})
    c.hline(10, 13, 7, BLACK)
    c.fill(5, 12, 18, 13, SILVER)
    c.fill(5, 16, 14, 17, SILVER)
    return c


def tree_label():
    c = Canvas(24, 24)
    big_a = ["    ##    ",
             "    ##    ",
             "   ####   ",
             "   #  #   ",
             "  ##  ##  ",
             "  #    #  ",
             " ######## ",
             " #      # ",
             "##      ##",
             "#        #"]
    c.bitmap(3, 4, big_a, {"#": NAVY})
    c.hline(3, 20, 17, BLACK)
    c.hline(3, 6, 19, BLACK)
    return c


def tree_menu():
    c = Canvas(24, 24)
    c.fill(0, 1, 23, 5, SILVER)
    c.hline(0, 23, 6, GRAY)
    c.fill(2, 2, 8, 5, NAVY)
    c.hline(3, 7, 3, WHITE)
    c.hline(11, 16, 3, BLACK)
    c.fill(2, 6, 15, 21, WHITE)
    c.frame(2, 6, 15, 21, BLACK)
    c.hline(3, 14, 22, GRAY)
    for y in (9, 13, 17):
        c.hline(5, 12, y, BLACK)
    c.fill(3, 12, 14, 14, NAVY)
    c.hline(5, 12, 13, WHITE)
    return c


def tree_popup_menu():
    c = Canvas(24, 24)
    c.fill(6, 4, 21, 21, WHITE)
    c.frame(6, 4, 21, 21, BLACK)
    c.vline(22, 5, 22, GRAY)
    c.hline(7, 22, 22, GRAY)
    for y in (7, 11, 15, 18):
        c.hline(9, 18, y, BLACK)
    cursor = ["#", "##", "#*#", "#**#", "#***#", "#****#", "#*****#", "#**####", "#*#", "##", "#"]
    c.bitmap(1, 1, cursor, {"#": BLACK, "*": WHITE})
    return c


def tree_radio_button():
    c = Canvas(24, 24)
    c.disc(7, 11.5, 5, WHITE)
    c.ring(7, 11.5, 5, GRAY)
    c.disc(7, 11.5, 2, BLACK)
    c.hline(14, 22, 10, BLACK)
    c.hline(14, 20, 13, BLACK)
    return c


def tree_speed_button():
    c = Canvas(24, 24)
    c.raised(2, 2, 21, 21)
    bolt = ["     ####",
            "    ####",
            "   ####",
            "  ####",
            " #######",
            "    ###",
            "   ###",
            "  ###",
            " ##",
            "#"]
    c.bitmap(6, 6, bolt, {"#": OLIVE})
    return c


def tree_static_text():
    c = Canvas(24, 24)
    c.sunken(1, 5, 22, 18, SILVER)
    c.bitmap(4, 8, LETTER_A, {"#": BLACK})
    c.hline(4, 7, 15, BLACK)
    c.hline(10, 19, 10, BLACK)
    c.hline(10, 17, 13, BLACK)
    return c


def page(c, x0, y0, x1, y1):
    c.fill(x0, y0, x1, y1, SILVER)
    c.hline(x0, x1, y0, WHITE)
    c.vline(x0, y0, y1, WHITE)
    c.hline(x0, x1, y1, BLACK)
    c.vline(x1, y0, y1, BLACK)


def tab(c, x0, x1, y0, y1, active):
    c.fill(x0, y0, x1, y1, SILVER)
    c.hline(x0 + 1, x1 - 1, y0, WHITE)
    c.vline(x0, y0 + 1, y1, WHITE)
    c.vline(x1, y0 + 1, y1, BLACK)
    if not active:
        c.hline(x0, x1, y1, WHITE)


def tree_tab_sheet():
    c = Canvas(24, 24)
    page(c, 1, 7, 22, 21)
    tab(c, 1, 10, 3, 7, True)
    c.hline(3, 8, 5, BLACK)
    c.hline(4, 19, 12, GRAY)
    c.hline(4, 15, 16, GRAY)
    return c


def tree_page_control():
    c = Canvas(24, 24)
    page(c, 1, 8, 22, 21)
    tab(c, 8, 15, 5, 8, False)
    tab(c, 15, 22, 5, 8, False)
    tab(c, 1, 8, 3, 8, True)
    c.hline(3, 6, 5, BLACK)
    c.hline(10, 13, 6, GRAY)
    c.hline(17, 20, 6, GRAY)
    c.frame(4, 11, 19, 18, GRAY)
    return c


def tree_radio_group():
    c = Canvas(24, 24)
    c.frame(1, 4, 22, 22, GRAY)
    c.frame(2, 5, 21, 21, WHITE)
    c.fill(3, 1, 12, 7, T)
    c.hline(4, 11, 4, BLACK)
    for y, chosen in ((10, True), (16, False)):
        c.disc(6, y, 2.5, WHITE)
        c.ring(6, y, 2.5, GRAY)
        if chosen:
            c.fill(5, y - 1, 7, y + 1, BLACK)
            c.set(6, y, BLACK)
        c.hline(11, 18, y, BLACK)
    return c


TREE_IMAGES = [
    tree_bit_button,     # 0
    tree_button,         # 1
    tree_check_box,      # 2
    tree_group_box,      # 3
    tree_label,          # 4
    tree_menu,           # 5
    tree_popup_menu,     # 6
    tree_radio_button,   # 7
    tree_speed_button,   # 8
    tree_static_text,    # 9
    tree_tab_sheet,      # 10
    tree_page_control,   # 11
    tree_radio_group,    # 12
]


# ---------------------------------------------------------------- palette picture, 24 x 24


def palette_picture():
    c = Canvas(24, 24)
    # A key: the bow, the shaft and two bits.
    c.disc(6, 7, 5, YELLOW)
    c.ring(6, 7, 5, OLIVE)
    c.disc(6, 7, 2, T)
    c.ring(6, 7, 2, OLIVE)
    c.fill(10, 6, 22, 8, YELLOW)
    c.hline(11, 22, 5, OLIVE)
    c.hline(11, 22, 9, OLIVE)
    c.vline(22, 5, 9, OLIVE)
    c.fill(17, 9, 18, 12, YELLOW)
    c.fill(20, 9, 21, 11, YELLOW)
    c.frame(16, 9, 19, 13, OLIVE)
    c.frame(19, 9, 22, 12, OLIVE)
    c.fill(17, 9, 18, 12, YELLOW)
    c.fill(20, 9, 21, 11, YELLOW)
    # An underlined letter: the accelerator it makes.
    c.bitmap(3, 15, LETTER_K, {"#": NAVY})
    c.hline(2, 7, 22, NAVY)
    c.bitmap(10, 15, LETTER_A, {"#": BLACK})
    c.bitmap(16, 15, LETTER_B, {"#": BLACK})
    return c


def write(path, canvas):
    with open(path, "wb") as f:
        f.write(png(canvas))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, draw in GLYPHS.items():
        write(os.path.join(here, "glyph_%s.png" % name), glyph_pair(draw))
    for index, draw in enumerate(TREE_IMAGES):
        write(os.path.join(here, "tree_%02d.png" % index), draw())
    write(os.path.join(here, "tkeyloom.png"), palette_picture())


if __name__ == "__main__":
    main()
