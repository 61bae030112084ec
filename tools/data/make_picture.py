#!/usr/bin/env python3
"""Draw the About picture of Cpu chat: data/About.bmp.

179 x 132 pixels, 24 bits per pixel, uncompressed Windows BMP
(BITMAPINFOHEADER, bottom-up rows padded to 4 bytes).
A friendly monitor face with two chat bubbles on a soft gradient.
Standard library only.  Run:  python3 tools/data/make_picture.py
"""
import math
import os
import struct

W, H = 179, 132
HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.normpath(os.path.join(HERE, '..', '..', 'data', 'About.bmp'))


def clamp01(v):
    return 0.0 if v < 0 else 1.0 if v > 1 else v


def cover(dist):
    """Anti-aliased coverage from a signed distance (negative = inside)."""
    return clamp01(0.5 - dist)


def rrect(x, y, x0, y0, x1, y1, r):
    """Signed distance to a rounded rectangle."""
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0 - r, (y1 - y0) / 2.0 - r
    qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    inside = min(max(qx, qy), 0.0)
    return outside + inside - r


def circle(x, y, cx, cy, r):
    return math.hypot(x - cx, y - cy) - r


def ellipse(x, y, cx, cy, rx, ry):
    k = math.hypot((x - cx) / rx, (y - cy) / ry)
    return (k - 1.0) * min(rx, ry)


def triangle(x, y, a, b, c):
    """Signed distance (approximate) to a triangle given by three points."""
    def edge(p, q):
        ex, ey = q[0] - p[0], q[1] - p[1]
        length = math.hypot(ex, ey)
        return ((x - p[0]) * ey - (y - p[1]) * ex) / length
    d = [edge(a, b), edge(b, c), edge(c, a)]
    if sum(1 for v in d if v < 0) >= 2:  # make orientation independent
        d = [-v for v in d]
    return max(d)


def blend(col, other, a):
    return tuple(c + (o - c) * a for c, o in zip(col, other))


def pixel(x, y):
    # soft vertical gradient: sky blue at the top to pale lavender below
    t = y / (H - 1)
    col = blend((176, 214, 242), (232, 220, 246), t)
    # faint diagonal light
    col = blend(col, (255, 255, 255), 0.10 * clamp01(1 - math.hypot(x - 20, y - 10) / 120))

    # shadow under the computer
    col = blend(col, (120, 120, 160), 0.25 * cover(ellipse(x, y, 62, 118, 40, 5)))

    # stand
    col = blend(col, (120, 128, 150), cover(rrect(x, y, 54, 96, 70, 112, 2)))
    col = blend(col, (104, 112, 136), cover(rrect(x, y, 38, 109, 86, 117, 4)))

    # monitor body and screen
    col = blend(col, (92, 100, 128), cover(rrect(x, y, 14, 30, 110, 100, 10)))
    col = blend(col, (214, 222, 236), cover(rrect(x, y, 16, 32, 108, 98, 9)))
    screen = rrect(x, y, 23, 38, 101, 90, 7)
    st = clamp01((y - 38) / 52.0)
    col = blend(col, blend((98, 196, 170), (60, 150, 160), st), cover(screen))
    # glossy highlight on the screen
    col = blend(col, (255, 255, 255), 0.18 * cover(ellipse(x, y, 48, 46, 22, 6)) * cover(screen))

    # face: eyes with shine, cheeks and a smile
    for ex in (48, 76):
        col = blend(col, (30, 50, 60), cover(ellipse(x, y, ex, 59, 5.0, 6.5)))
        col = blend(col, (255, 255, 255), cover(circle(x, y, ex + 1.8, 56.5, 1.7)))
    for cx in (40, 84):
        col = blend(col, (240, 150, 150), 0.55 * cover(ellipse(x, y, cx, 71, 5, 3)))
    smile = abs(circle(x, y, 62, 62, 15)) - 1.6
    if y > 66:
        col = blend(col, (30, 50, 60), cover(smile))
    # power light
    col = blend(col, (120, 230, 120), cover(circle(x, y, 100, 94, 1.6)))

    # big chat bubble (right, from the computer)
    bub = min(rrect(x, y, 104, 8, 170, 42, 12),
              triangle(x, y, (112, 34), (126, 40), (102, 54)))
    col = blend(col, (120, 130, 170), 0.35 * cover(bub - 1.5))
    col = blend(col, (255, 255, 255), cover(bub))
    for i, dx in enumerate((122, 137, 152)):
        col = blend(col, (88, 150, 220) if i != 1 else (240, 130, 150),
                    cover(circle(x, y, dx, 25, 4.2)))

    # small reply bubble (lower right, from the user)
    bub2 = min(rrect(x, y, 122, 62, 172, 88, 10),
               triangle(x, y, (160, 82), (170, 96), (150, 86)))
    col = blend(col, (250, 226, 160), cover(bub2))
    for k in range(3):
        col = blend(col, (170, 130, 60), cover(rrect(x, y, 130, 69 + 5 * k, 164 - 10 * k, 71 + 5 * k, 1)))

    # three little sparkles in the sky
    for sx, sy, s in ((20, 14, 3.0), (86, 12, 2.2), (60, 20, 1.6)):
        d = min(ellipse(x, y, sx, sy, s, 0.6), ellipse(x, y, sx, sy, 0.6, s))
        col = blend(col, (255, 255, 255), cover(d))
    return col


def main():
    row_size = (W * 3 + 3) & ~3
    pad = b'\0' * (row_size - W * 3)
    rows = []
    for y in range(H - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(W):
            # sample in the middle of the pixel
            r, g, b = pixel(x + 0.5, y + 0.5)
            row += bytes((int(round(b)), int(round(g)), int(round(r))))
        rows.append(bytes(row) + pad)
    pixels = b''.join(rows)
    header_size = 14 + 40
    file_header = struct.pack('<2sIHHI', b'BM', header_size + len(pixels), 0, 0, header_size)
    info_header = struct.pack('<IiiHHIIiiII', 40, W, H, 1, 24, 0, len(pixels),
                              2835, 2835, 0, 0)
    os.makedirs(os.path.dirname(OUT), exist_ok=True)
    with open(OUT, 'wb') as f:
        f.write(file_header + info_header + pixels)
    print('%s %d bytes' % (OUT, header_size + len(pixels)))


if __name__ == '__main__':
    main()
