#!/usr/bin/env python3
"""Draw the application icon of Cpu chat: dist/icons/cpu-chat.svg and PNGs.

One list of shapes on a 128 x 128 canvas gives both the scalable SVG and the
PNGs (anti-aliased from signed distances, RGBA), so they always show the same
picture: a teal speech bubble with Cpu's face, and a small orange bubble of the
user's with three dots.  Standard library only.  Run:
    python3 tools/icon/make_icon.py
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.normpath(os.path.join(HERE, '..', '..', 'dist', 'icons'))
SIZES = (48, 128, 256)

TEAL_TOP, TEAL_BOTTOM = (0x1f, 0xa5, 0xa5), (0x00, 0x6e, 0x73)
ORANGE = (0xf2, 0x9a, 0x2e)
WHITE = (0xff, 0xff, 0xff)
INK = (0x1b, 0x2b, 0x34)

# (kind, geometry, paint); a paint is a colour or ('vgradient', top, bottom, y0, y1).
TEAL = ('vgradient', TEAL_TOP, TEAL_BOTTOM, 12, 116)
SHAPES = [
    ('rrect', (8, 12, 120, 96, 24), TEAL),
    ('polygon', ((26, 86), (58, 90), (16, 118)), TEAL),
    ('circle', (45, 48, 11), WHITE),
    ('circle', (83, 48, 11), WHITE),
    ('circle', (47, 51, 5), INK),
    ('circle', (85, 51, 5), INK),
    ('arc', (64, 54, 22, 35, 145, 7), WHITE),
    ('rrect', (68, 76, 124, 122, 18), WHITE),
    ('polygon', ((104, 112), (121, 104), (126, 127)), WHITE),
    ('rrect', (72, 80, 120, 118, 14), ORANGE),
    ('polygon', ((106, 110), (118, 104), (122, 122)), ORANGE),
    ('circle', (84, 99, 4), WHITE),
    ('circle', (96, 99, 4), WHITE),
    ('circle', (108, 99, 4), WHITE),
]


def hexcolour(c):
    return '#%02x%02x%02x' % c


# ---- SVG ----

def svg():
    defs, body = [], []
    gradients = {}
    for kind, g, paint in SHAPES:
        if isinstance(paint[0], str):
            key = paint
            if key not in gradients:
                gid = 'g%d' % len(gradients)
                gradients[key] = gid
                _, top, bottom, y0, y1 = paint
                defs.append('<linearGradient id="%s" gradientUnits="userSpaceOnUse" x1="0" y1="%g" x2="0" y2="%g">'
                            '<stop offset="0" stop-color="%s"/><stop offset="1" stop-color="%s"/>'
                            '</linearGradient>' % (gid, y0, y1, hexcolour(top), hexcolour(bottom)))
            fill = 'url(#%s)' % gradients[key]
        else:
            fill = hexcolour(paint)
        if kind == 'rrect':
            x0, y0, x1, y1, r = g
            body.append('<rect x="%g" y="%g" width="%g" height="%g" rx="%g" fill="%s"/>'
                        % (x0, y0, x1 - x0, y1 - y0, r, fill))
        elif kind == 'circle':
            body.append('<circle cx="%g" cy="%g" r="%g" fill="%s"/>' % (g[0], g[1], g[2], fill))
        elif kind == 'polygon':
            body.append('<polygon points="%s" fill="%s"/>' % (' '.join('%g,%g' % p for p in g), fill))
        elif kind == 'arc':
            cx, cy, r, a0, a1, w = g
            p0 = (cx + r * math.cos(math.radians(a0)), cy + r * math.sin(math.radians(a0)))
            p1 = (cx + r * math.cos(math.radians(a1)), cy + r * math.sin(math.radians(a1)))
            body.append('<path d="M%.3f,%.3f A%g,%g 0 0 1 %.3f,%.3f" fill="none" stroke="%s" stroke-width="%g" '
                        'stroke-linecap="round"/>' % (p0[0], p0[1], r, r, p1[0], p1[1], fill, w))
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" width="128" height="128" viewBox="0 0 128 128">\n'
            '<defs>%s</defs>\n%s\n</svg>\n' % (''.join(defs), '\n'.join(body)))


# ---- raster ----

def d_rrect(x, y, g):
    x0, y0, x1, y1, r = g
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    qx, qy = abs(x - cx) - ((x1 - x0) / 2.0 - r), abs(y - cy) - ((y1 - y0) / 2.0 - r)
    return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - r


def d_circle(x, y, g):
    return math.hypot(x - g[0], y - g[1]) - g[2]


def d_segment(x, y, a, b):
    (ax, ay), (bx, by) = a, b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - ax - t * dx, y - ay - t * dy)


def d_polygon(x, y, pts):
    d = min(d_segment(x, y, pts[i], pts[(i + 1) % len(pts)]) for i in range(len(pts)))
    inside = False
    for i in range(len(pts)):
        (ax, ay), (bx, by) = pts[i], pts[(i + 1) % len(pts)]
        if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
            inside = not inside
    return -d if inside else d


def d_arc(x, y, g):
    cx, cy, r, a0, a1, w = g
    angle = math.degrees(math.atan2(y - cy, x - cx))
    if a0 <= angle <= a1:
        return abs(math.hypot(x - cx, y - cy) - r) - w / 2.0
    ends = [(cx + r * math.cos(math.radians(a)), cy + r * math.sin(math.radians(a))) for a in (a0, a1)]
    return min(math.hypot(x - ex, y - ey) for ex, ey in ends) - w / 2.0


DISTANCE = {'rrect': d_rrect, 'circle': d_circle, 'polygon': d_polygon, 'arc': d_arc}


def colour_at(paint, y):
    if isinstance(paint[0], str):
        _, top, bottom, y0, y1 = paint
        t = max(0.0, min(1.0, (y - y0) / float(y1 - y0)))
        return tuple(top[i] + (bottom[i] - top[i]) * t for i in range(3))
    return paint


def render(size):
    scale = 128.0 / size
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            x, y = (px + 0.5) * scale, (py + 0.5) * scale
            r = g = b = a = 0.0  # premultiplied
            for kind, geom, paint in SHAPES:
                cover = max(0.0, min(1.0, 0.5 - DISTANCE[kind](x, y, geom) / scale))
                if cover == 0.0:
                    continue
                c = colour_at(paint, y)
                r, g, b = (c[0] * cover + r * (1 - cover), c[1] * cover + g * (1 - cover),
                           c[2] * cover + b * (1 - cover))
                a = cover + a * (1 - cover)
            if a > 0:
                row += bytes((round(r / a), round(g / a), round(b / a), round(a * 255)))
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return rows


def png(rows, size):
    def chunk(tag, data):
        return struct.pack('>I', len(data)) + tag + data + struct.pack('>I', zlib.crc32(tag + data) & 0xffffffff)
    raw = b''.join(b'\x00' + row for row in rows)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def main():
    os.makedirs(OUT, exist_ok=True)
    with open(os.path.join(OUT, 'cpu-chat.svg'), 'w', encoding='utf-8') as f:
        f.write(svg())
    for size in SIZES:
        with open(os.path.join(OUT, 'cpu-chat-%d.png' % size), 'wb') as f:
            f.write(png(render(size), size))


if __name__ == '__main__':
    main()
