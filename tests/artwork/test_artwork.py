#!/usr/bin/env python3
"""Checks the icon/cursor writer and the committed resources: the artwork's geometry against what the program
draws on it, and (when windres is installed) the compiled Orvel.rc itself.

Run: python3 tests/artwork/test_artwork.py   (tools/draw_artwork.sh runs it after drawing)."""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import write_icons as wi  # noqa: E402

RES = os.path.join(ROOT, "resources")


def dib_pixel_masks(dib, width, height):
    """Returns (xor bits, and bits) of a 1-bit cursor DIB as rows top-down."""
    stride = ((width + 31) // 32) * 4
    offset = 40 + 8
    def rows(start):
        out = []
        for y in range(height):
            line = dib[start + (height - 1 - y) * stride:start + (height - y) * stride]
            out.append([(line[x >> 3] >> (7 - (x & 7))) & 1 for x in range(width)])
        return out
    return rows(offset), rows(offset + stride * height)


class CursorArtAndContainers(unittest.TestCase):
    ART = "\n".join(["# test", "size 32 32", "hotspot 3 30"]
                    + ["X-~." + "." * 28] + ["." * 31 + "X"] * 30 + ["-" * 32])

    def test_mono_cursor_round_trip_keeps_every_pixel_kind_in_place(self):
        width, height, hotspot, rows = wi.parse_art(self.ART)
        data = wi.build_container(2, [(width, height, 2, hotspot[0], hotspot[1], wi.mono_image(width, height, rows))])
        kind, entries = wi.parse_container(data)
        self.assertEqual(kind, 2)
        (w, h, colours, hx, hy, dib), = entries
        self.assertEqual((w, h, colours, hx, hy), (32, 32, 2, 3, 30))
        self.assertEqual(struct.unpack_from("<IiiHH", dib), (40, 32, 64, 1, 1))
        xor, and_ = dib_pixel_masks(dib, 32, 32)
        expected = {"X": (0, 0), "-": (1, 0), "~": (1, 1), ".": (0, 1)}
        for y, row in enumerate(rows):
            for x, ch in enumerate(row):
                self.assertEqual((xor[y][x], and_[y][x]), expected[ch], "pixel %d,%d" % (x, y))

    def test_colour_image_is_bgra_bottom_up_with_a_mask_of_the_clear_pixels(self):
        rgba = bytearray(16 * 16 * 4)
        rgba[0:4] = bytes((10, 20, 30, 255))                    # top-left, opaque
        rgba[(15 * 16 + 15) * 4:(15 * 16 + 16) * 4] = bytes((1, 2, 3, 128))   # bottom-right, half
        dib = wi.colour_image(16, 16, bytes(rgba))
        self.assertEqual(struct.unpack_from("<IiiHH", dib), (40, 16, 32, 1, 32))
        pixels = dib[40:40 + 16 * 16 * 4]
        self.assertEqual(pixels[15 * 64:15 * 64 + 4], bytes((30, 20, 10, 255)))  # top row is stored last
        self.assertEqual(pixels[60:64], bytes((3, 2, 1, 128)))
        mask = dib[40 + 16 * 16 * 4:]
        self.assertEqual(len(mask), 16 * 4)
        self.assertEqual(mask[15 * 4] & 0x80, 0)          # top-left opaque: not masked
        self.assertEqual(mask[15 * 4] & 0x40, 0x40)       # its clear neighbour: masked
        self.assertEqual(mask[0 * 4 + 1] & 0x01, 0)       # bottom-right, half transparent: not masked

    def test_flawed_art_is_refused(self):
        good = self.ART.splitlines()
        cases = {
            "short row": good[:4] + ["X" * 31] + good[5:],
            "bad character": good[:4] + ["X" * 31 + "o"] + good[5:],
            "missing row": good[:-1],
            "hot spot outside": [good[0], good[1], "hotspot 32 0"] + good[3:],
            "no hot spot": good[:2] + good[3:],
            "odd size": ["size 30 30", "hotspot 0 0"] + ["." * 30] * 30,
        }
        for name, lines in cases.items():
            with self.subTest(name), self.assertRaises(ValueError):
                wi.parse_art("\n".join(lines))

    def test_container_entries_point_at_their_own_data(self):
        data = wi.build_container(1, [(16, 16, 0, 1, 32, b"a" * 7), (256, 256, 0, 1, 32, b"b" * 5)])
        kind, entries = wi.parse_container(data)
        self.assertEqual(kind, 1)
        self.assertEqual([(e[0], e[5]) for e in entries], [(16, b"a" * 7), (256, b"b" * 5)])
        self.assertEqual(data[6 + 16], 0)                 # 256 is written as 0 in the directory
        with self.assertRaises(ValueError):
            wi.parse_container(data[:-1])


class PngDecoder(unittest.TestCase):
    def _png(self, width, height, colour, channels, rows, filters):
        """A PNG whose rows use the given filter types, filtered here independently of the decoder."""
        bpp = channels
        raw = b""
        prev = bytes(width * bpp)
        for row, kind in zip(rows, filters):
            out = bytearray()
            for i, value in enumerate(row):
                a = row[i - bpp] if i >= bpp else 0
                b = prev[i]
                c = prev[i - bpp] if i >= bpp else 0
                p = a + b - c
                paeth = min((abs(p - a), 0, a), (abs(p - b), 1, b), (abs(p - c), 2, c))[2]
                pred = (0, a, b, (a + b) // 2, paeth)[kind]
                out.append((value - pred) & 0xFF)
            raw += bytes((kind,)) + bytes(out)
            prev = row
        def chunk(kind, body):
            return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
        return (wi.PNG_SIGNATURE + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, colour, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))

    def test_every_filter_type_decodes_to_the_original_pixels(self):
        width, height = 7, 10
        rows = [bytes((x * 37 + y * 91 + c * 13) & 0xFF for x in range(width) for c in range(4)) for y in range(height)]
        data = self._png(width, height, 6, 4, rows, [0, 1, 2, 3, 4, 4, 3, 2, 1, 0])
        self.assertEqual(wi.decode_png(data), (width, height, 6, b"".join(rows)))

    def test_rgb_becomes_opaque_rgba(self):
        data = self._png(2, 1, 2, 3, [bytes((1, 2, 3, 4, 5, 6))], [4])
        self.assertEqual(wi.decode_png(data)[3], bytes((1, 2, 3, 255, 4, 5, 6, 255)))

    def test_encoder_output_reads_back(self):
        rgba = bytes(range(256)) * 3
        self.assertEqual(wi.decode_png(wi.encode_png(8, 24, rgba))[3], rgba)

    def test_non_png_is_refused(self):
        with self.assertRaises(ValueError):
            wi.decode_png(b"GIF89a" + bytes(20))


def luminance(px):
    return (299 * px[0] + 587 * px[1] + 114 * px[2]) // 1000


class Background(unittest.TestCase):
    """PNG 129: the program cuts the window region from its non-transparent pixels and draws onto it."""

    @classmethod
    def setUpClass(cls):
        with open(os.path.join(RES, "png", "129.png"), "rb") as f:
            cls.data = f.read()
        cls.width, cls.height, cls.colour, cls.rgba = wi.decode_png(cls.data)

    def px(self, x, y):
        i = (y * self.width + x) * 4
        return self.rgba[i:i + 4]

    def rect(self, x0, y0, x1, y1):
        return [self.px(x, y) for y in range(y0, y1) for x in range(x0, x1)]

    def test_is_670_by_500_8_bit_rgba(self):
        self.assertEqual((self.width, self.height, self.colour), (670, 500, 6))
        self.assertEqual(self.data[24], 8)                # bit depth in IHDR

    def test_what_the_program_draws_lies_on_opaque_background(self):
        areas = {"minimize": (598, 14, 619, 35), "close": (626, 14, 647, 35), "default": (500, 50, 601, 83),
                 "photograph": (70, 90, 570, 455), "markers": (200, 230, 401, 301), "title": (20, 10, 300, 40)}
        for name, (x0, y0, x1, y1) in areas.items():
            with self.subTest(name):
                clear = [p for p in self.rect(x0, y0, x1, y1) if p[3] != 255]
                self.assertEqual(len(clear), 0, "%s has pixels that are not opaque" % name)

    def test_outline_is_not_a_rectangle_and_outside_is_fully_clear(self):
        for corner in ((0, 0), (669, 0), (0, 499), (669, 499), (3, 3), (666, 496)):
            self.assertEqual(self.px(*corner), b"\0\0\0\0", "corner %s" % (corner,))
        opaque = [(x, y) for y in range(self.height) for x in range(self.width) if self.px(x, y)[3]]
        xs, ys = [p[0] for p in opaque], [p[1] for p in opaque]
        box_area = (max(xs) - min(xs) + 1) * (max(ys) - min(ys) + 1)
        # Small rounded corners alone clear a few dozen pixels; the shape must be visibly more than a rectangle.
        self.assertGreater(box_area - len(opaque), 1500, "the opaque pixels nearly fill their bounding box")
        # A fully transparent pixel with colour would still end up inside the region: all must be 0.
        dirty = [i for i in range(0, len(self.rgba), 4) if self.rgba[i + 3] == 0 and any(self.rgba[i:i + 3])]
        self.assertEqual(dirty, [])

    def test_title_is_drawn_and_the_stage_stays_calm(self):
        title = [luminance(p) for p in self.rect(50, 14, 270, 36)]
        self.assertGreater(max(title), 200, "no bright title text top left")
        stage = [luminance(p) for p in self.rect(70, 90, 570, 455)]
        mean = sum(stage) / len(stage)
        spread = (sum((v - mean) ** 2 for v in stage) / len(stage)) ** 0.5
        self.assertLess(max(stage), 110, "bright detail behind the photograph")
        self.assertLess(spread, 12, "busy background behind the photograph")


# ------------------------------------------------------------------------------------ the embedded pictures

ICON_IDS = (144, 152, 153, 154, 155, 156, 161, 162, 169, 170, 201)
# First frame and direction of travel (x, y; y grows downwards) of each row of gesture frames.
GESTURE_ROWS = {"up": (131, (0, -1)), "left": (171, (-1, 0)), "right": (181, (1, 0)), "down": (191, (0, 1))}
GESTURE_FRAMES = 10
PNG_SIZES = {129: (670, 500), 205: (500, 365), 148: (200, 200), 149: (102, 32), 165: (300, 300)}
PNG_SIZES.update({number: (24, 24) for number in ICON_IDS})
PNG_SIZES.update({first + k: (32, 32) for first, _ in GESTURE_ROWS.values() for k in range(GESTURE_FRAMES)})

PHOTO_ORIGIN = (70, 90)                  # where the settings window draws the photograph
ARROW_TIPS = {"bt3": (342, 284), "bt4": (365, 239)}    # window pixels the side-button leader arrows end in
# Where the marker labels go, in window pixels, for a label about 110 pixels wide (dark box, light text).
LABEL_AREAS = {"bt3": (153, 261, 289, 286), "bt4": (398, 244, 534, 269)}
RSVG = shutil.which("rsvg-convert")

_decoded = {}


def picture(number):
    """(width, height, colour type, bit depth, RGBA bytes) of resources/png/NUMBER.png, decoded once."""
    if number not in _decoded:
        with open(os.path.join(RES, "png", "%d.png" % number), "rb") as f:
            data = f.read()
        width, height, colour, rgba = wi.decode_png(data)
        _decoded[number] = (width, height, colour, data[24], rgba)
    return _decoded[number]


def pixel(rgba, width, x, y):
    i = (y * width + x) * 4
    return rgba[i:i + 4]


def header_defines():
    """Every '#define NAME number' of resource.h, with the comment of its line."""
    out = {}
    with open(os.path.join(RES, "resource.h"), encoding="utf-8") as f:
        for line in f:
            m = re.match(r"#define (\w+) (\d+)\s*(?://(.*))?$", line.strip())
            if m:
                out[m.group(1)] = (int(m.group(2)), m.group(3) or "")
    return out


def rc_png_lines():
    """(number, file) of every RT_PNG line of Orvel.rc, with names resolved through resource.h."""
    defines = header_defines()
    out = []
    with open(os.path.join(RES, "Orvel.rc"), encoding="utf-8") as f:
        for line in f:
            m = re.match(r'\s*(\w+)\s+RT_PNG\s+"([^"]+)"', line)
            if m:
                name = m.group(1)
                out.append((int(name) if name.isdigit() else defines[name][0], m.group(2)))
    return out


class EmbeddedPictures(unittest.TestCase):
    """Every PNG the program loads: listed in the resource script and the header, present, of its size."""

    def test_script_header_and_size_table_name_the_same_pictures(self):
        lines = [(n, path) for n, path in rc_png_lines() if n < 1000]    # the larger ones: test_art_steps.py
        numbers = [n for n, _ in lines]
        self.assertEqual(len(numbers), len(set(numbers)), "a picture is embedded twice")
        self.assertEqual(sorted(numbers), sorted(PNG_SIZES))
        for number, path in lines:
            self.assertEqual(path, "resources/png/%d.png" % number)
        from_header = set()
        for name, (number, comment) in header_defines().items():
            if not name.startswith("IDB_"):
                continue
            count = GESTURE_FRAMES if name.endswith("_FIRST") else 1
            from_header.update(range(number, number + count))
            size = re.search(r"(\d+) x (\d+)", comment)
            if size:
                self.assertEqual((int(size.group(1)), int(size.group(2))), PNG_SIZES[number], name)
        self.assertEqual(from_header, set(PNG_SIZES))

    def test_every_picture_has_its_size_is_8_bit_rgba_and_has_clean_clear_pixels(self):
        for number, size in sorted(PNG_SIZES.items()):
            with self.subTest(number):
                self.assertTrue(os.path.exists(os.path.join(RES, "png", "%d.png" % number)), "missing")
                width, height, colour, depth, rgba = picture(number)
                self.assertEqual(((width, height), colour, depth), (size, 6, 8))
                # Regions and layered windows take a clear pixel with colour for a visible one.
                dirty = [i // 4 for i in range(0, len(rgba), 4) if rgba[i + 3] == 0 and any(rgba[i:i + 3])]
                self.assertEqual(dirty[:5], [])

    def test_magnifier_frame_is_4_pixels_of_one_third_black_round_a_clear_inside(self):
        width, height, _, _, rgba = picture(165)
        wrong = []
        for y in range(height):
            for x in range(width):
                band = min(x, y, width - 1 - x, height - 1 - y) < 4
                if pixel(rgba, width, x, y) != (b"\0\0\0\x55" if band else b"\0\0\0\0"):
                    wrong.append((x, y, tuple(pixel(rgba, width, x, y))))
        self.assertEqual(wrong[:5], [])

    def test_gesture_frames_move_the_dots_steadily_in_their_rows_direction(self):
        for row, (first, (dx, dy)) in GESTURE_ROWS.items():
            with self.subTest(row):
                frames = [picture(first + k) for k in range(GESTURE_FRAMES)]
                self.assertEqual(len({f[4] for f in frames}), GESTURE_FRAMES, "two frames of the row are equal")
                along, across = [], []
                for width, height, _, _, rgba in frames:
                    total = sx = sy = 0
                    for y in range(height):
                        for x in range(width):
                            r, g, b, a = pixel(rgba, width, x, y)
                            if a >= 128 and g > r + 40 and g > b + 40:     # the green of the dots and trail
                                total += a
                                sx += a * x
                                sy += a * y
                    self.assertGreater(total, 30 * 255, "hardly any green in a frame")
                    cx, cy = sx / total - (width - 1) / 2, sy / total - (height - 1) / 2
                    along.append(cx * dx + cy * dy)
                    across.append(cx * -dy + cy * dx)
                    # Nothing may be cut off at the frame's edge.
                    edge = [pixel(rgba, width, x, y)[3] for y in range(height) for x in range(width)
                            if x in (0, width - 1) or y in (0, height - 1)]
                    self.assertEqual(max(edge), 0, "a dot touches the frame's edge")
                steps = [b - a for a, b in zip(along, along[1:])]
                self.assertGreater(min(steps), 0.2, "the dots stop or go back: %s" % along)
                self.assertGreater(along[-1] - along[0], 8, "the dots hardly travel")
                self.assertLess(max(abs(v) for v in across), 1.0, "the dots drift off their line")

    def test_picker_tile_is_an_opaque_calm_grey_seamless_at_the_picker_s_period(self):
        width, height, _, _, rgba = picture(148)
        self.assertEqual(min(rgba[3::4]), 255)
        lum = [[luminance(pixel(rgba, width, x, y)) for x in range(width)] for y in range(height)]
        values = [v for line in lum for v in line]
        mean = sum(values) / len(values)
        spread = (sum((v - mean) ** 2 for v in values) / len(values)) ** 0.5
        self.assertTrue(45 < mean < 110 and spread < 12, "mean %.1f, spread %.1f" % (mean, spread))
        self.assertLess(max(max(p) - min(p) for p in (pixel(rgba, width, x, y)[:3]
                                                     for y in range(0, height, 7) for x in range(0, width, 7))), 24)
        # The picker tiles the top-left 199 x 199 pixels; a 200 x 200 tiling must not show a seam either.
        for period in (199, 200):
            def column_step(a, b):
                return sum(abs(lum[y][a] - lum[y][b]) for y in range(period)) / period
            def row_step(a, b):
                return sum(abs(lum[a][x] - lum[b][x]) for x in range(period)) / period
            inner_columns = sum(column_step(x, x + 1) for x in range(period - 1)) / (period - 1)
            inner_rows = sum(row_step(y, y + 1) for y in range(period - 1)) / (period - 1)
            with self.subTest(period=period):
                self.assertLess(column_step(period - 1, 0), 1.6 * inner_columns + 0.5)
                self.assertLess(row_step(period - 1, 0), 1.6 * inner_rows + 0.5)

    def test_tooltip_bar_is_dark_translucent_and_rounded(self):
        width, height, _, _, rgba = picture(149)
        for corner in ((0, 0), (width - 1, 0), (0, height - 1), (width - 1, height - 1)):
            self.assertEqual(pixel(rgba, width, *corner)[3], 0, "corner %s" % (corner,))
        inside = [pixel(rgba, width, x, y) for y in range(8, height - 8) for x in range(10, width - 10)]
        self.assertTrue(all(120 <= p[3] <= 240 for p in inside), "the bar is not translucent")
        self.assertLess(max(luminance(p) for p in inside), 70, "white text would not read on it")

    def test_icons_differ_and_stand_out_on_the_picker_texture(self):
        width, height, _, _, tile = picture(148)
        count = width * height
        ground = [sum(tile[c::4]) / count for c in range(3)]
        seen = {}
        for number in ICON_IDS:
            with self.subTest(number):
                _, _, _, _, rgba = picture(number)
                self.assertNotIn(rgba, seen, "same picture as %s" % seen.get(rgba))
                seen[rgba] = number
                standing_out = 0
                for i in range(0, len(rgba), 4):
                    a = rgba[i + 3] / 255
                    over = [rgba[i + c] * a + ground[c] * (1 - a) for c in range(3)]
                    standing_out += abs(luminance(over) - luminance(ground)) > 48
                self.assertGreater(standing_out, 40, "the icon hardly shows on the picker's grey")


class Photograph(unittest.TestCase):
    """PNG 205 under the slot markers of the settings window."""

    def setUp(self):
        self.width, self.height, _, _, self.rgba = picture(205)

    def render_alone(self, element_id):
        """The photograph's source with only the element (and what it contains) drawn, at the photo's size.
        rsvg-convert --export-id crops to the element, so everything else is hidden instead."""
        with open(os.path.join(RES, "art", "photo.svg"), encoding="utf-8") as f:
            text = f.read()
        marker = 'id="%s"' % element_id
        self.assertEqual(text.count(marker), 1, "no element %s in photo.svg" % element_id)
        text = text.replace(marker, marker + ' visibility="visible"')
        text = re.sub(r"<svg\b", '<svg visibility="hidden"', text, count=1)
        with tempfile.TemporaryDirectory(prefix="orvel-art-") as tmp:
            svg, png = os.path.join(tmp, "alone.svg"), os.path.join(tmp, "alone.png")
            with open(svg, "w", encoding="utf-8") as f:
                f.write(text)
            subprocess.run([RSVG, "-w", str(self.width), "-h", str(self.height), svg, "-o", png], check=True)
            with open(png, "rb") as f:
                width, height, _, rgba = wi.decode_png(f.read())
        self.assertEqual((width, height), (self.width, self.height))
        return rgba

    @unittest.skipUnless(RSVG, "rsvg-convert is not installed")
    def test_each_arrow_ends_well_inside_its_side_button(self):
        tips = {name: (x - PHOTO_ORIGIN[0], y - PHOTO_ORIGIN[1]) for name, (x, y) in ARROW_TIPS.items()}
        for name, (tx, ty) in tips.items():
            with self.subTest(name):
                alone = self.render_alone("side-button-" + name)
                # Solid in a disc round the tip: the arrow does not end on the button's edge.
                near = [(x, y) for y in range(ty - 4, ty + 5) for x in range(tx - 4, tx + 5)
                        if (x - tx) ** 2 + (y - ty) ** 2 <= 16 and pixel(alone, self.width, x, y)[3] != 255]
                self.assertEqual(near, [], "the button is not solid round the tip")
                others = [t for other, t in tips.items() if other != name]
                self.assertTrue(all(pixel(alone, self.width, *t)[3] == 0 for t in others),
                                "one button covers both tips")
                # In the photograph the button is what shows there: nothing lies over it, nothing shows through.
                shown = pixel(self.rgba, self.width, tx, ty)
                self.assertEqual(shown[3], 255)
                self.assertLessEqual(max(abs(a - b) for a, b in zip(shown, pixel(alone, self.width, tx, ty))), 2)

    def test_only_the_mouse_and_its_shadow_cover_the_stage(self):
        for corner in ((0, 0), (self.width - 1, 0), (0, self.height - 1), (self.width - 1, self.height - 1)):
            self.assertEqual(pixel(self.rgba, self.width, *corner), b"\0\0\0\0")
        edge = [pixel(self.rgba, self.width, x, y)[3] for y in range(self.height) for x in range(self.width)
                if x in (0, self.width - 1) or y in (0, self.height - 1)]
        self.assertLess(max(edge), 16, "the picture is cut off at its edge")
        opaque = sum(1 for a in self.rgba[3::4] if a == 255)
        self.assertGreater(opaque, self.width * self.height // 4, "the mouse is too small or not solid")

    def test_the_marker_labels_sit_on_calm_ground(self):
        bw, _, _, _, back = picture(129)
        ox, oy = PHOTO_ORIGIN
        for name, (x0, y0, x1, y1) in LABEL_AREAS.items():
            with self.subTest(name):
                lum = {}
                for y in range(y0, y1):
                    for x in range(x0, x1):
                        under = pixel(back, bw, x, y)
                        px, py = x - ox, y - oy
                        top = pixel(self.rgba, self.width, px, py) if 0 <= px < self.width and 0 <= py < self.height \
                            else b"\0\0\0\0"
                        a = top[3] / 255
                        lum[x, y] = luminance([top[c] * a + under[c] * (1 - a) for c in range(3)])
                self.assertLess(max(lum.values()), 215, "bright detail under the light label text")
                crisp = sum(1 for (x, y), v in lum.items() if x + 2 < x1 and y + 2 < y1
                            and max(abs(v - lum[x + 2, y]), abs(v - lum[x, y + 2])) > 40)
                self.assertLess(crisp, len(lum) * 0.08, "busy detail under the label")


# The program icon at 100 % to 200 % (16/20/24/32 in the notification area, 32/40/48/64 for windows and the
# taskbar) and 256 for the shell; the cursors at 32, 48 and 64 pixels with their hot spots (size, x, y).
ICON_SIZES = [16, 20, 24, 32, 40, 48, 64, 256]
HAND_SPOTS = [(32, 13, 6), (48, 13, 6), (64, 26, 12)]
PEN_SPOTS = [(32, 1, 5), (48, 2, 8), (64, 3, 11)]


class IconsAndCursors(unittest.TestCase):
    def load(self, *path):
        with open(os.path.join(RES, *path), "rb") as f:
            return wi.parse_container(f.read())

    def test_icon_has_the_sizes_windows_asks_for_up_to_200_percent_and_visible_pixels(self):
        kind, entries = self.load("icons", "app.ico")
        self.assertEqual(kind, 1)
        self.assertEqual(sorted(e[0] for e in entries), ICON_SIZES)
        for width, height, _, planes, bits, data in entries:
            with self.subTest(width):
                self.assertEqual((width, height, planes, bits), (width, width, 1, 32))
                if width == 256:
                    self.assertEqual(wi.decode_png(data)[:2], (256, 256))
                    continue
                self.assertEqual(struct.unpack_from("<Iii", data), (40, width, width * 2))
                centre = 40 + ((width // 2) * width + width // 2) * 4
                self.assertEqual(data[centre + 3], 255, "the centre of the glyph is not opaque")
                self.assertEqual(data[40 + 3], 0, "the corner of the glyph is not clear")

    def test_hand_cursor_points_with_the_fingertip_at_its_hot_spot(self):
        kind, entries = self.load("cursors", "hand.cur")
        self.assertEqual(kind, 2)
        self.assertEqual([(e[0], e[3], e[4]) for e in entries], HAND_SPOTS)
        for width, _, colours, hx, hy, dib in entries:
            with self.subTest(width):
                self.assertEqual((colours, struct.unpack_from("<H", dib, 14)[0]), (2, 1))
                xor, and_ = dib_pixel_masks(dib, width, width)
                self.assertEqual(and_[hy][hx], 0, "the hot spot is not on the hand")
                self.assertEqual(and_[hy - 1][hx], 1, "the hand goes above its hot spot")
                self.assertTrue(all(and_[y][x] for y in range(hy) for x in range(width)), "pixels above the tip")
                # The fingertip is the hand's highest point and the hot spot lies in its middle third.
                tip = [x for x in range(width) if not and_[hy][x]]
                self.assertLessEqual(abs(hx - (tip[0] + tip[-1]) / 2), max(1, len(tip) / 3), tip)
                # The hand is as large as its image: each size is a larger hand, not the 32-pixel one in a corner.
                rows = [y for y in range(width) if not all(and_[y])]
                self.assertGreater(rows[-1] - rows[0], width * 0.65)

    def test_pen_cursor_has_its_nib_on_the_hot_spot_at_every_size(self):
        kind, entries = self.load("cursors", "pen.cur")
        self.assertEqual(kind, 2)
        self.assertEqual([(e[0], e[1], e[3], e[4]) for e in entries], [(w, w, x, y) for w, x, y in PEN_SPOTS])
        for width, _, _, hx, hy, dib in entries:
            with self.subTest(width):
                alpha = lambda x, y: dib[40 + ((width - 1 - y) * width + x) * 4 + 3]
                self.assertGreaterEqual(alpha(hx, hy), 128)
                # The nib is the pen's top: above it only its light halo, 1.3 pixels at 32 and more when larger.
                clear = hy - 2 * width // 32
                self.assertEqual([alpha(x, y) for y in range(0, clear) for x in range(width)], [0] * clear * width)
                # A larger pen, not the 32-pixel one: its far end reaches the far part of the image.
                self.assertGreater(max(x for y in range(width) for x in range(width) if alpha(x, y) > 128),
                                   width * 0.7)


class Manifest(unittest.TestCase):
    def test_template_asks_for_the_right_things_and_lists_no_compatibility(self):
        with open(os.path.join(RES, "app.manifest.in"), encoding="utf-8") as f:
            text = f.read()
        self.assertIn('uiAccess="@ORVEL_UIACCESS@"', text)
        root = ET.fromstring(text.replace("@ORVEL_UIACCESS@", "true").encode("utf-8"))
        names = [el.tag.split("}")[1] for el in root.iter()]
        self.assertNotIn("compatibility", names)
        level = next(el for el in root.iter() if el.tag.endswith("requestedExecutionLevel"))
        self.assertEqual((level.get("level"), level.get("uiAccess")), ("asInvoker", "true"))
        self.assertEqual(next(el for el in root.iter() if el.tag.endswith("dpiAware")).text.strip(), "true")
        awareness = next(el for el in root.iter() if el.tag.endswith("dpiAwareness")).text
        self.assertEqual([a.strip() for a in awareness.split(",")], ["PerMonitorV2", "PerMonitor"])
        deps = [el for el in root.iter() if el.tag.endswith("assemblyIdentity")
                and el.get("name") == "Microsoft.Windows.Common-Controls"]
        self.assertEqual([(d.get("version"), d.get("processorArchitecture")) for d in deps], [("6.0.0.0", "*")])


# ------------------------------------------------------------------------------------ the compiled resource script

WINDRES = [w for w in ("i686-w64-mingw32-windres", "x86_64-w64-mingw32-windres") if shutil.which(w)]
RT_CURSOR, RT_DIALOG, RT_STRING, RT_MENU, RT_GROUP_CURSOR, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = \
    1, 5, 6, 4, 12, 14, 16, 24


def read_sz_or_ord(data, pos):
    if struct.unpack_from("<H", data, pos)[0] == 0xFFFF:
        return struct.unpack_from("<H", data, pos + 2)[0], pos + 4
    end = pos
    while data[end:end + 2] != b"\0\0":
        end += 2
    return data[pos:end].decode("utf-16-le"), end + 2


def parse_res(data):
    """Maps (type, name) to the resource bytes of a .res file."""
    out = {}
    pos = 0
    while pos < len(data):
        size, header = struct.unpack_from("<II", data, pos)
        kind, p = read_sz_or_ord(data, pos + 8)
        name, p = read_sz_or_ord(data, p)
        if size:
            out[(kind, name)] = data[pos + header:pos + header + size]
        pos = (pos + header + size + 3) & ~3
    return out


def parse_dialog(data):
    """(style, ex style, caption, point size, face, [control ids]) of a DIALOGEX template."""
    version, signature, _, ex_style, style, count = struct.unpack_from("<HHIIIH", data)
    assert (version, signature) == (1, 0xFFFF), "not a DIALOGEX template"
    pos = 26
    _, pos = read_sz_or_ord(data, pos)                    # menu
    _, pos = read_sz_or_ord(data, pos)                    # class
    caption, pos = read_sz_or_ord(data, pos)
    size = face = None
    if style & 0x40:                                      # DS_SETFONT
        size = struct.unpack_from("<H", data, pos)[0]
        face, pos = read_sz_or_ord(data, pos + 6)
    ids = []
    for _ in range(count):
        pos = (pos + 3) & ~3
        ids.append(struct.unpack_from("<I", data, pos + 20)[0])
        _, pos = read_sz_or_ord(data, pos + 24)           # class
        _, pos = read_sz_or_ord(data, pos)                # title
        pos += 2 + struct.unpack_from("<H", data, pos)[0]
    return style, ex_style, caption, size, face, ids


def parse_menu(data):
    """Nested list of (text, id) / (text, [items]) of a MENU resource."""
    pos = 4
    def items():
        nonlocal pos
        out = []
        while True:
            flags = struct.unpack_from("<H", data, pos)[0]
            pos += 2
            if flags & 0x10:                              # MF_POPUP
                text, pos = read_sz_or_ord(data, pos)
                out.append((text, items()))
            else:
                command = struct.unpack_from("<H", data, pos)[0]
                text, pos = read_sz_or_ord(data, pos + 2)
                out.append((text, command))
            if flags & 0x80:                              # MF_END
                return out
    return items()


@unittest.skipUnless(WINDRES, "no mingw windres installed")
class CompiledResources(unittest.TestCase):
    """Orvel.rc as the build compiles it: include paths of the source and build trees, UTF-8 code page."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="orvel-rc-")
        with open(os.path.join(RES, "app.manifest.in"), encoding="utf-8") as f:
            cls.manifest = f.read().replace("@ORVEL_UIACCESS@", "true").encode("utf-8")
        with open(os.path.join(cls.tmp, "app.manifest"), "wb") as f:
            f.write(cls.manifest)
        cls.compiled = {}
        for windres in WINDRES:
            out = os.path.join(cls.tmp, windres + ".res")
            subprocess.run([windres, "-DUNICODE", "-D_UNICODE", "-I" + cls.tmp, "-I" + ROOT, "-c", "65001",
                            "-O", "res", os.path.join(RES, "Orvel.rc"), out], check=True, cwd=cls.tmp)
            with open(out, "rb") as f:
                cls.compiled[windres] = parse_res(f.read())

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def test_dialog_templates_have_exactly_their_styles(self):
        popup, sysmenu, visible, minimize, setfont, setforeground = \
            0x80000000, 0x80000, 0x10000000, 0x20000, 0x40, 0x200
        topmost, toolwindow, appwindow = 0x8, 0x80, 0x40000
        overlay = (8, "MS Shell Dlg", [])
        expected = {
            102: (popup | visible | sysmenu | minimize | setfont, appwindow, "Orvel Mouse Assistant", 9, "新細明體",
                  [1, 2, 1000]),
            141: (popup | setfont, topmost, "") + overlay,
            142: (popup | setfont, topmost | toolwindow, "") + overlay,
            143: (popup | sysmenu | setfont, topmost | toolwindow, "") + overlay,
            146: (popup | sysmenu | setfont, toolwindow, "") + overlay,
            151: (popup | setfont, topmost | toolwindow, "") + overlay,
            163: (popup | setfont, topmost | toolwindow, "") + overlay,
            164: (popup | setforeground | setfont, topmost | toolwindow, "") + overlay,
        }
        for windres, res in self.compiled.items():
            with self.subTest(windres):
                dialogs = {name: parse_dialog(body) for (kind, name), body in res.items() if kind == RT_DIALOG}
                self.assertEqual(sorted(dialogs), sorted(expected))
                for number, values in expected.items():
                    self.assertEqual(dialogs[number], values, "template %d" % number)

    def test_menu_and_string(self):
        for windres, res in self.compiled.items():
            with self.subTest(windres):
                self.assertEqual(parse_menu(res[(RT_MENU, 166)]),
                                 [("System", [("Show", 32771), ("", 0), ("Exit", 32772)])])
                block = res[(RT_STRING, 103 // 16 + 1)]
                pos = 0
                for _ in range(103 % 16):
                    pos += 2 + 2 * struct.unpack_from("<H", block, pos)[0]
                length = struct.unpack_from("<H", block, pos)[0]
                text = block[pos + 2:pos + 2 + 2 * length].decode("utf-16-le")
                self.assertEqual(text, "Windows 通訊端安裝失敗。")

    def test_files_are_embedded_unchanged(self):
        pngs = {}
        for number in [n + offset for n in PNG_SIZES for offset in (0, 1000, 2000)]:
            with open(os.path.join(RES, "png", "%d.png" % number), "rb") as f:
                pngs[number] = f.read()
        for windres, res in self.compiled.items():
            with self.subTest(windres):
                self.assertEqual(sorted(name for kind, name in res if kind == "PNG"), sorted(pngs))
                for number, png in pngs.items():
                    self.assertEqual(res[("PNG", number)], png, "PNG %d" % number)
                self.assertEqual(res[(RT_MANIFEST, 1)], self.manifest)
                self.assertIn("Orvel Mouse Assistant".encode("utf-16-le"), res[(RT_VERSION, 1)])

    def test_icon_and_cursor_groups_carry_every_image_and_hot_spot(self):
        for windres, res in self.compiled.items():
            with self.subTest(windres):
                icon = res[(RT_GROUP_ICON, 128)]
                sizes = [icon[6 + 14 * i] or 256 for i in range(struct.unpack_from("<H", icon, 4)[0])]
                self.assertEqual(sorted(sizes), ICON_SIZES)
                for group, spots in ((150, HAND_SPOTS), (167, PEN_SPOTS)):
                    data = res[(RT_GROUP_CURSOR, group)]
                    found = []
                    for i in range(struct.unpack_from("<H", data, 4)[0]):
                        width, _, _, _, _, image = struct.unpack_from("<HHHHIH", data, 6 + 14 * i)
                        found.append((width,) + struct.unpack_from("<HH", res[(RT_CURSOR, image)]))
                    self.assertEqual(sorted(found), spots, "cursor %d" % group)


# The 1.5x and 2x pictures, kept apart for their length; imported so that this file still runs every check.
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from test_art_steps import BackgroundOutline, DrawnNotBlownUp, IconOutlinesAt150, SteppedPictureList  # noqa: E402,F401

if __name__ == "__main__":
    unittest.main(verbosity=1)
