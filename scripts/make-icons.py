#!/usr/bin/env python3
"""Draws the program's icons and writes them as .ico files: 16, 20, 24, 32 and 48 pixels, each as
a 16-colour image and as a 32-bit image with alpha (drawn four times finer and averaged, so that
edges are smooth), so that the tray and the title bars stay sharp at 125 to 200 % scaling.

Usage: make-icons.py [output directory]   (default: src/win32/resources)
Only the Python standard library is used; the .ico files are committed, so building needs no Python.
"""
import math
import os
import struct
import sys

# The standard 16-colour palette of Windows icons.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)


SIZES = (16, 20, 24, 32, 48)
FINE = 4  # sub-pixels per pixel and axis of the 32-bit images


class Canvas:
    """A grid of palette indexes (None = transparent) for an icon of `size` pixels, drawn in a
    32-unit space; with `fine` > 1 every pixel is fine x fine cells."""

    def __init__(self, size, fine=1):
        self.logical = size
        self.big = size >= 24  # room for the details of the large pictures
        self.size = size * fine
        self.scale = self.size / 32.0
        self.px = [[None] * self.size for _ in range(self.size)]

    def _each(self, inside):
        for y in range(self.size):
            for x in range(self.size):
                # Pixel centre, in the 32-unit drawing space.
                u, v = (x + 0.5) / self.scale, (y + 0.5) / self.scale
                if inside(u, v):
                    yield x, y

    def paint(self, inside, colour):
        for x, y in list(self._each(inside)):
            self.px[y][x] = colour

    def polygon(self, points, colour):
        self.paint(lambda u, v: point_in_polygon(u, v, points), colour)

    def outline(self, points, colour, width):
        """Polygon edges, width given in target pixels (at least one)."""
        w = self._width(width)
        edges = list(zip(points, points[1:] + points[:1]))
        self.paint(lambda u, v: any(seg_dist(u, v, a, b) <= w for a, b in edges), colour)

    def line(self, a, b, colour, width):
        w = self._width(width)
        self.paint(lambda u, v: seg_dist(u, v, a, b) <= w, colour)

    def disc(self, cx, cy, r, colour):
        self.paint(lambda u, v: (u - cx) ** 2 + (v - cy) ** 2 <= r * r, colour)

    def ring(self, cx, cy, r, colour, width):
        w = self._width(width)
        self.paint(lambda u, v: abs(math.hypot(u - cx, v - cy) - r) <= w, colour)

    def rect(self, x0, y0, x1, y1, colour):
        self.polygon([(x0, y0), (x1, y0), (x1, y1), (x0, y1)], colour)

    def _width(self, width_px):
        # Half the stroke width in drawing units; a stroke never gets thinner than one pixel.
        return max(width_px, 1.0) * 32.0 / self.logical / 2.0 + 0.01


def point_in_polygon(u, v, points):
    inside = False
    n = len(points)
    for i in range(n):
        (x1, y1), (x2, y2) = points[i], points[(i + 1) % n]
        if (y1 > v) != (y2 > v):
            xc = x1 + (v - y1) * (x2 - x1) / (y2 - y1)
            if u < xc:
                inside = not inside
    return inside


def seg_dist(u, v, a, b):
    (ax, ay), (bx, by) = a, b
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((u - ax) * dx + (v - ay) * dy) / length2))
    return math.hypot(u - (ax + t * dx), v - (ay + t * dy))


def rotate(points, cx, cy, degrees):
    a = math.radians(degrees)
    c, s = math.cos(a), math.sin(a)
    return [(cx + (x - cx) * c - (y - cy) * s, cy + (x - cx) * s + (y - cy) * c) for x, y in points]


def envelope(cv, x0, y0, x1, y1, body, edge, angle=0.0):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    box = rotate([(x0, y0), (x1, y0), (x1, y1), (x0, y1)], cx, cy, angle)
    flap = rotate([(x0, y0), (cx, cy + (y1 - y0) * 0.12), (x1, y0)], cx, cy, angle)
    cv.polygon(box, body)
    cv.line(flap[0], flap[1], edge, 1)
    cv.line(flap[1], flap[2], edge, 1)
    cv.outline(box, edge, 1)


# --- the pictures ---------------------------------------------------------------------------

def letter_in_flight(cv):
    """Main icon: a letter flying to the right, with speed lines behind it."""
    for y, x0, x1 in ((10.5, 1.5, 9.0), (16.0, 0.5, 7.0), (21.5, 2.5, 9.5)):
        cv.line((x0, y), (x1, y), BLUE, 2 if cv.big else 1)
    envelope(cv, 9.5, 7.5, 30.5, 23.5, WHITE, BLACK, angle=-12 if cv.big else -8)


def warning_triangle(cv):
    """ImageIvis: a yellow warning triangle with an exclamation mark."""
    tri = [(16, 1.5), (31, 29), (1, 29)]
    cv.polygon(tri, YELLOW)
    cv.outline(tri, BLACK, 1.5 if cv.big else 1)
    cv.polygon([(14.3, 9.5), (17.7, 9.5), (16.9, 20.5), (15.1, 20.5)], BLACK)
    cv.disc(16, 24.5, 2.0, BLACK)


def stop_disc(cv):
    """Stop: a red disc with a white cross."""
    cv.disc(16, 16, 14.8, RED)
    if cv.big:
        cv.ring(16, 16, 14.3, MAROON, 1)
    w = 4 if cv.big else 2
    cv.line((10, 10), (22, 22), WHITE, w)
    cv.line((22, 10), (10, 22), WHITE, w)


def mailbox_front(cv, open_slot):
    """Tree picture of an account: a blue post box; the selected one has a letter in its slot."""
    body = [(5, 8), (27, 8), (27, 29), (5, 29)]
    cv.disc(16, 9, 11, BLUE)
    cv.polygon(body, BLUE)
    cv.ring(16, 9, 11, NAVY, 1)
    cv.outline(body, NAVY, 1)
    cv.rect(5, 8, 27, 29, BLUE)
    cv.line((5, 9), (5, 29), NAVY, 1)
    cv.line((27, 9), (27, 29), NAVY, 1)
    cv.line((5, 29), (27, 29), NAVY, 1)
    cv.rect(9, 11, 23, 14.5, BLACK)
    if open_slot:
        envelope(cv, 10, 4, 22, 13, WHITE, BLACK)
    cv.rect(12, 19, 20, 23, YELLOW)


def unread_letter(cv):
    """Tree picture of the unread count: a closed letter with a red mark."""
    envelope(cv, 2, 7, 28, 26, WHITE, BLACK)
    cv.disc(26, 8, 5, RED)


def letter_stack(cv):
    """Tree picture of the total count: a stack of letters."""
    envelope(cv, 8, 3, 30, 18, SILVER, GREY)
    envelope(cv, 5, 8, 27, 23, SILVER, BLACK)
    envelope(cv, 2, 13, 24, 28, WHITE, BLACK)


ICONS = {
    "main.ico": letter_in_flight,
    "ivis.ico": warning_triangle,
    "stop.ico": stop_disc,
    "tree-account.ico": lambda cv: mailbox_front(cv, False),
    "tree-account-selected.ico": lambda cv: mailbox_front(cv, True),
    "tree-unread.ico": unread_letter,
    "tree-total.ico": letter_stack,
}


# --- the .ico format (an icon directory, then one DIB with its AND mask per image) ----------

def and_mask(size, transparent):
    and_row = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(size)):  # bottom-up rows
        bits = bytearray(and_row)
        for x in range(size):
            if transparent(x, y):
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return mask


def dib4(cv):
    size = cv.size
    xor_row = ((size * 4 + 31) // 32) * 4
    xor = bytearray()
    for y in reversed(range(size)):
        row = bytearray(xor_row)
        for x in range(size):
            c = cv.px[y][x] or 0
            row[x // 2] |= c << (4 if x % 2 == 0 else 0)
        xor += row
    mask = and_mask(size, lambda x, y: cv.px[y][x] is None)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(mask),
                         0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bytes(xor) + bytes(mask)


def dib32(cv, fine):
    """Each pixel: the mean colour of its drawn cells, and as opaque as the share of them."""
    size = cv.size // fine
    pixels = {}
    for y in range(size):
        for x in range(size):
            cells = [cv.px[y * fine + j][x * fine + i] for j in range(fine) for i in range(fine)]
            drawn = [PALETTE[c] for c in cells if c is not None]
            if not drawn:
                pixels[x, y] = (0, 0, 0, 0)
                continue
            r, g, b = (round(sum(p[k] for p in drawn) / len(drawn)) for k in range(3))
            pixels[x, y] = (r, g, b, round(255 * len(drawn) / len(cells)))
    xor = bytearray()
    for y in reversed(range(size)):
        for x in range(size):
            r, g, b, a = pixels[x, y]
            xor += struct.pack("<BBBB", b, g, r, a)
    mask = and_mask(size, lambda x, y: pixels[x, y][3] == 0)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask),
                         0, 0, 0, 0)
    return header + bytes(xor) + bytes(mask)


def ico(draw, sizes=SIZES):
    images = []  # (size, colours in the directory, bits per pixel, image)
    for size in sizes:
        cv = Canvas(size)
        draw(cv)
        images.append((size, 16, 4, dib4(cv)))
        fine = Canvas(size, FINE)
        draw(fine)
        images.append((size, 0, 32, dib32(fine, FINE)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, colours, bits, data in images:
        out += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, _, _, data in images)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        here, "..", "src", "platform", "win32", "resources")
    for name, draw in ICONS.items():
        with open(os.path.join(target, name), "wb") as f:
            f.write(ico(draw))


if __name__ == "__main__":
    main()
