#!/usr/bin/env python3
"""Tests of installer/resources/make_icon.py: the icon files have the one
image and the form Windows and the programs expect, and they show the mark
(transparent outside, a red record dot in the middle)."""
import pathlib
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

SCRIPT = pathlib.Path(__file__).resolve().parents[2] / "installer" / "resources" / "make_icon.py"


def run_script(*arguments):
    return subprocess.run([sys.executable, str(SCRIPT), *arguments], capture_output=True, text=True, timeout=120)


def single_image(ico):
    """The one directory entry's fields and its image data."""
    reserved, kind, count = struct.unpack_from("<HHH", ico)
    if (reserved, kind, count) != (0, 1, 1):
        raise AssertionError(f"not an icon with one image: {(reserved, kind, count)}")
    width, height, colors, _, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", ico, 6)
    return (width, height, colors, planes, bits), ico[offset:offset + size], offset + size == len(ico)


def decode_png(data):
    """RGBA rows of an 8-bit RGBA PNG whose rows all use filter 0."""
    if not data.startswith(b"\x89PNG\r\n\x1a\n"):
        raise AssertionError("no PNG signature")
    position, chunks = 8, {}
    while position < len(data):
        length, kind = struct.unpack_from(">I4s", data, position)
        body = data[position + 4:position + 8 + length]
        (crc,) = struct.unpack_from(">I", data, position + 8 + length)
        if zlib.crc32(body) != crc:
            raise AssertionError(f"bad CRC in chunk {kind}")
        chunks[kind] = chunks.get(kind, b"") + body[4:]
        position += 12 + length
    width, height, depth, color_type, _, _, interlace = struct.unpack(">IIBBBBB", chunks[b"IHDR"])
    if (depth, color_type, interlace) != (8, 6, 0) or b"IEND" not in chunks:
        raise AssertionError(f"not an 8-bit RGBA PNG: {(depth, color_type, interlace)}")
    raw = zlib.decompress(chunks[b"IDAT"])
    stride = 1 + width * 4
    if len(raw) != stride * height or any(raw[y * stride] != 0 for y in range(height)):
        raise AssertionError("unexpected PNG row layout")
    return [[tuple(raw[y * stride + 1 + x * 4:y * stride + 5 + x * 4]) for x in range(width)] for y in range(height)]


class IconTest(unittest.TestCase):
    def setUp(self):
        temp = tempfile.TemporaryDirectory()
        self.addCleanup(temp.cleanup)
        self.temp = pathlib.Path(temp.name)

    def assertShowsTheMark(self, rows):
        size = len(rows)
        self.assertEqual(rows[0][0][3], 0, "the corner must be transparent")
        self.assertEqual(rows[size - 1][size - 1][3], 0, "the corner must be transparent")
        red, green, blue, alpha = rows[size * 13 // 32][size // 2]
        self.assertEqual(alpha, 255)
        self.assertGreater(red, 180)
        self.assertLess(max(green, blue), 110, "the middle of the screen holds the red record dot")
        alphas = {p[3] for row in rows for p in row}
        self.assertTrue(alphas - {0, 255}, "edges must be antialiased through alpha")

    def test_ico64_holds_one_64_pixel_32_bit_bitmap_with_alpha_and_mask(self):
        path = self.temp / "sub" / "app.ico"
        self.assertEqual(run_script("--ico64", str(path)).returncode, 0)
        entry, image, ends_file = single_image(path.read_bytes())
        self.assertEqual(entry, (64, 64, 0, 1, 32))
        self.assertTrue(ends_file)
        header = struct.unpack_from("<IiiHHI", image)
        self.assertEqual(header, (40, 64, 128, 1, 32, 0))
        pixels, mask = image[40:40 + 64 * 64 * 4], image[40 + 64 * 64 * 4:]
        self.assertEqual(len(mask), 64 * 8)
        bottom_up = [[tuple(pixels[(y * 64 + x) * 4:(y * 64 + x) * 4 + 4]) for x in range(64)] for y in range(64)]
        rows = [[(r, g, b, a) for b, g, r, a in row] for row in reversed(bottom_up)]
        self.assertShowsTheMark(rows)
        for y, row in enumerate(bottom_up):
            for x, pixel in enumerate(row):
                masked = bool(mask[y * 8 + x // 8] & (0x80 >> (x % 8)))
                self.assertEqual(masked, pixel[3] == 0, f"mask bit at {(x, y)} of the bottom-up rows")

    def test_ico32png_holds_one_32_pixel_png_with_alpha(self):
        path = self.temp / "app32.ico"
        self.assertEqual(run_script("--ico32png", str(path)).returncode, 0)
        entry, image, ends_file = single_image(path.read_bytes())
        self.assertEqual(entry, (32, 32, 0, 1, 32))
        self.assertTrue(ends_file)
        rows = decode_png(image)
        self.assertEqual((len(rows), len(rows[0])), (32, 32))
        self.assertShowsTheMark(rows)

    def test_preview_png_has_the_asked_size(self):
        path = self.temp / "preview.png"
        self.assertEqual(run_script("--png", str(path), "--size", "48").returncode, 0)
        rows = decode_png(path.read_bytes())
        self.assertEqual((len(rows), len(rows[0])), (48, 48))
        self.assertShowsTheMark(rows)

    def test_nothing_to_write_is_an_error(self):
        result = run_script()
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("at least one", result.stderr)


if __name__ == "__main__":
    unittest.main()
