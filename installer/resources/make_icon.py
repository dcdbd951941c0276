#!/usr/bin/env python3
"""Draws the product icon of 维洛录屏 (Orvicap): a monitor whose screen carries
a red record dot.

  --ico64 FILE       an .ico holding one 64x64 32-bit image (BMP form with alpha)
  --ico32png FILE    an .ico holding one 32x32 image stored as PNG (with alpha)
  --png FILE         a PNG preview, --size N pixels square (default 256)

The mark is laid out on a 32-unit grid so that its straight edges fall on
pixel boundaries at 32 and 64 pixels; edges are antialiased from exact
signed distances, so every size is drawn, never scaled.
"""
import argparse
import math
import pathlib
import struct
import sys
import zlib

GRID = 32.0


def rounded_rect(left, top, right, bottom, radius):
    """Signed distance to a rounded rectangle, in grid units (negative inside)."""
    cx, cy = (left + right) / 2, (top + bottom) / 2
    hx, hy = (right - left) / 2 - radius, (bottom - top) / 2 - radius

    def distance(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - radius
    return distance


def circle(cx, cy, radius):
    return lambda x, y: math.hypot(x - cx, y - cy) - radius


def hex_color(text):
    return tuple(int(text[i:i + 2], 16) / 255 for i in (1, 3, 5))


def vertical_gradient(top_color, bottom_color, top, bottom):
    start, end = hex_color(top_color), hex_color(bottom_color)

    def color(_x, y):
        t = min(max((y - top) / (bottom - top), 0.0), 1.0)
        return tuple(a + (b - a) * t for a, b in zip(start, end))
    return color


def flat(color_text, opacity=1.0):
    color = hex_color(color_text)
    return lambda _x, _y: color, opacity


def gradient(top_color, bottom_color, top, bottom):
    return vertical_gradient(top_color, bottom_color, top, bottom), 1.0


# Bottom to top: (shape, (colour function, opacity)).
LAYERS = [
    (rounded_rect(13.5, 21.0, 18.5, 27.5, 0.0), gradient("#3A4759", "#252E3B", 21.0, 27.5)),
    (rounded_rect(9.0, 26.0, 23.0, 29.0, 1.5), gradient("#4A586C", "#2A3442", 26.0, 29.0)),
    (rounded_rect(1.0, 3.0, 31.0, 23.0, 3.5), gradient("#4B5C73", "#283241", 3.0, 23.0)),
    (rounded_rect(3.0, 5.0, 29.0, 21.0, 1.5), gradient("#63B7FF", "#1F6FDB", 5.0, 21.0)),
    (circle(16.0, 13.0, 6.25), flat("#FFFFFF")),
    (circle(16.0, 13.0, 4.75), gradient("#FF6A5C", "#D32419", 8.25, 17.75)),
    (circle(14.6, 11.6, 1.35), flat("#FFFFFF", 0.45)),
]


def render(size):
    """Rows of premultiplied (r, g, b, a) floats, top row first."""
    scale = size / GRID
    rows = []
    for py in range(size):
        row = []
        y = (py + 0.5) / scale
        for px in range(size):
            x = (px + 0.5) / scale
            r = g = b = a = 0.0
            for shape, (color, opacity) in LAYERS:
                coverage = min(max(0.5 - shape(x, y) * scale, 0.0), 1.0) * opacity
                if coverage <= 0.0:
                    continue
                cr, cg, cb = color(x, y)
                keep = 1.0 - coverage
                r, g, b, a = cr * coverage + r * keep, cg * coverage + g * keep, cb * coverage + b * keep, \
                    coverage + a * keep
            row.append((r, g, b, a))
        rows.append(row)
    return rows


def straight_bytes(pixel, order):
    """One pixel as straight-alpha bytes in the given channel order ("rgba" or "bgra")."""
    r, g, b, a = pixel
    if a <= 0.0:
        return bytes(4)
    channels = {"r": r / a, "g": g / a, "b": b / a, "a": a}
    return bytes(min(255, max(0, round(channels[c] * 255))) for c in order)


def png_bytes(rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\x00" + b"".join(straight_bytes(p, "rgba") for p in row) for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def dib_bytes(rows):
    """The icon's BMP form: header with doubled height, BGRA rows bottom-up, AND mask."""
    height, width = len(rows), len(rows[0])
    pixels = b"".join(b"".join(straight_bytes(p, "bgra") for p in row) for row in reversed(rows))
    mask_stride = (width + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, pixel in enumerate(row):
            if straight_bytes(pixel, "bgra")[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + bytes(mask)


def ico_bytes(size, image):
    """An .ico file holding one image (BMP or PNG data) of size x size pixels."""
    directory = struct.pack("<HHH", 0, 1, 1)
    dimension = 0 if size >= 256 else size
    entry = struct.pack("<BBBBHHII", dimension, dimension, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def write(path, data):
    path = pathlib.Path(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(data)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--ico64", metavar="FILE")
    parser.add_argument("--ico32png", metavar="FILE")
    parser.add_argument("--png", metavar="FILE")
    parser.add_argument("--size", type=int, default=256, metavar="N")
    args = parser.parse_args(argv)
    if not (args.ico64 or args.ico32png or args.png):
        parser.error("name at least one of --ico64, --ico32png, --png")
    if not 1 <= args.size <= 4096:
        parser.error("--size must be between 1 and 4096")
    if args.ico64:
        write(args.ico64, ico_bytes(64, dib_bytes(render(64))))
    if args.ico32png:
        write(args.ico32png, ico_bytes(32, png_bytes(render(32))))
    if args.png:
        write(args.png, png_bytes(render(args.size)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
