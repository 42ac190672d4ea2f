#!/usr/bin/env python3
"""Checks the pictures for monitors above 100 %: every 1x PNG again at 1.5x (id + 1000) and at 2x (id + 2000), of
exact sizes, listed in Orvel.rc, and drawn at its size rather than blown up from the 1x one.

tests/artwork/test_artwork.py runs these with its own; alone: python3 tests/artwork/test_art_steps.py"""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import write_icons as wi  # noqa: E402

RES = os.path.join(ROOT, "resources")
STEPS = {1000: (3, 2), 2000: (2, 1)}        # id offset: factor as a fraction
ICON_IDS = (144, 152, 153, 154, 155, 156, 161, 162, 169, 170, 201)
MAGNIFIER_FRAME = 165

# ImageMagick's convert does the resizing the checks compare against; /usr/local/bin/convert may be another tool.
CONVERT = "/usr/bin/convert" if os.path.exists("/usr/bin/convert") else shutil.which("convert")
try:
    HAVE_MAGICK = bool(CONVERT) and b"ImageMagick" in subprocess.run([CONVERT, "-version"], capture_output=True,
                                                                     timeout=30).stdout
except (OSError, subprocess.SubprocessError):
    HAVE_MAGICK = False


def stepped(value, offset):
    """A 1x figure at the step's factor, rounded half up (the rule the drawing script sizes by)."""
    num, den = STEPS[offset]
    return (value * num * 2 + den) // (2 * den)


def png_path(number):
    return os.path.join(RES, "png", "%d.png" % number)


def png_size(number):
    with open(png_path(number), "rb") as f:
        head = f.read(26)
    return struct.unpack(">II", head[16:24]) + (head[25], head[24])    # width, height, colour type, bit depth


def rc_pictures():
    """{number: file} of every RT_PNG line of Orvel.rc, names resolved through resource.h."""
    defines = {}
    with open(os.path.join(RES, "resource.h"), encoding="utf-8") as f:
        for line in f:
            m = re.match(r"#define (\w+) (\d+)\b", line.strip())
            if m:
                defines[m.group(1)] = int(m.group(2))
    out = {}
    with open(os.path.join(RES, "Orvel.rc"), encoding="utf-8") as f:
        for line in f:
            m = re.match(r'\s*(\w+)\s+RT_PNG\s+"([^"]+)"', line)
            if m:
                name = m.group(1)
                number = int(name) if name.isdigit() else defines[name]
                if number in out:
                    raise AssertionError("picture %d is embedded twice" % number)
                out[number] = m.group(2)
    return out


def magick(*args):
    """The RGBA bytes ImageMagick makes of a file and operations, with its size."""
    out = subprocess.run([CONVERT, *args, "-depth", "8", "-format", "%w %h\n", "-write", "info:-", "rgba:-"],
                         check=True, capture_output=True).stdout
    line, _, data = out.partition(b"\n")
    width, height = (int(v) for v in line.split())
    assert len(data) == width * height * 4
    return width, height, data


def premultiplied(rgba):
    """Colour times alpha: two pictures are compared by what they put on the screen, not by the colour of
    pixels that hardly show."""
    out = bytearray(rgba)
    for i in range(0, len(out), 4):
        a = out[i + 3]
        out[i] = out[i] * a // 255
        out[i + 1] = out[i + 1] * a // 255
        out[i + 2] = out[i + 2] * a // 255
    return bytes(out)


def mean_difference(a, b):
    assert len(a) == len(b)
    return sum(abs(x - y) for x, y in zip(a, b)) / len(a) / 255


def edge_energy(rgba, width, height):
    """Mean squared step between neighbouring pixels. A crisp edge is one large step, the same edge blurred over
    two pixels two half steps: half the energy. So a drawing is well above a smooth resize of a smaller one."""
    stride = width * 4
    total = 0
    for y in range(height):
        row = rgba[y * stride:(y + 1) * stride]
        total += sum((p - q) ** 2 for p, q in zip(row[4:], row[:-4]))
        if y + 1 < height:
            total += sum((p - q) ** 2 for p, q in zip(row, rgba[(y + 1) * stride:(y + 2) * stride]))
    return total / (width * height)


def fold_grid_fit(rgba, width, height):
    """The 1x picture a grid-fitted 1.5x one stands for: each 1x pixel is the mean of the one or two pixels it
    became (odd 1x pixels two, resources/art/grid-fit.py)."""
    def groups(count):
        out, pos = [], 0
        for p in range(count):
            span = 2 if p % 2 else 1
            out.append(range(pos, pos + span))
            pos += span
        assert pos == (width if count == width * 2 // 3 else height)
        return out
    w1, h1 = width * 2 // 3, height * 2 // 3
    out = bytearray()
    for ys in groups(h1):
        for xs in groups(w1):
            for c in range(4):
                values = [rgba[(y * width + x) * 4 + c] for y in ys for x in xs]
                out.append((sum(values) + len(values) // 2) // len(values))
    return bytes(out)


class SteppedPictureList(unittest.TestCase):
    def test_every_1x_picture_has_its_1_5x_and_2x_under_the_stepped_ids_and_nothing_else(self):
        pictures = rc_pictures()
        base = sorted(n for n in pictures if n < 1000)
        self.assertGreaterEqual(len(base), 56, "the 1x pictures are missing from the list")
        expected = set(base)
        for offset in STEPS:
            expected.update(n + offset for n in base)
        self.assertEqual(sorted(pictures), sorted(expected))
        for number, path in pictures.items():
            self.assertEqual(path, "resources/png/%d.png" % number)
            self.assertTrue(os.path.exists(png_path(number)), "resources/png/%d.png is missing" % number)

    def test_offsets_are_the_ones_the_program_looks_up(self):
        with open(os.path.join(ROOT, "shell", "DisplayScale.h"), encoding="utf-8") as f:
            program = dict(re.findall(r"constexpr int (kArtIdStep\w+) = (\d+);", f.read()))
        with open(os.path.join(RES, "resource.h"), encoding="utf-8") as f:
            script = dict(re.findall(r"#define (ORVEL_ART_ID_STEP_\w+) (\d+)", f.read()))
        self.assertEqual((int(program["kArtIdStep15"]), int(program["kArtIdStep2"])), (1000, 2000))
        self.assertEqual((int(script["ORVEL_ART_ID_STEP_15"]), int(script["ORVEL_ART_ID_STEP_2"])), (1000, 2000))

    def test_sizes_are_the_1x_size_times_the_factor_rounded_half_up_in_8_bit_rgba(self):
        for number in sorted(n for n in rc_pictures() if n < 1000):
            width, height, _, _ = png_size(number)
            for offset in STEPS:
                with self.subTest(number + offset):
                    self.assertEqual(png_size(number + offset),
                                     (stepped(width, offset), stepped(height, offset), 6, 8))
        # The figures the windows are laid out by, written out so that a wrong rule cannot hide behind itself.
        known = {1129: (1005, 750), 2129: (1340, 1000), 1205: (750, 548), 2205: (1000, 730), 1144: (36, 36),
                 2144: (48, 48), 1131: (48, 48), 2200: (64, 64), 1149: (153, 48), 2149: (204, 64),
                 1165: (450, 450), 2165: (600, 600), 1148: (300, 300), 2148: (400, 400)}
        for number, size in known.items():
            self.assertEqual(png_size(number)[:2], size, number)

    def test_clear_pixels_are_zero(self):
        """The settings window cuts its shape from the non-zero pixels, and a layered window shows colour under
        alpha 0 as a faint halo."""
        for number in sorted(n for n in rc_pictures() if n >= 1000):
            with self.subTest(number):
                if HAVE_MAGICK:
                    _, _, rgba = magick(png_path(number))
                else:
                    with open(png_path(number), "rb") as f:
                        rgba = wi.decode_png(f.read())[3]
                dirty = [i // 4 for i in range(0, len(rgba), 4) if rgba[i + 3] == 0 and any(rgba[i:i + 3])]
                self.assertEqual(dirty[:5], [])

    def test_header_rule_is_one_whole_pixel_row_at_every_size(self):
        """At 1.5x the 1-pixel rule would fall on a row and a half; at-150.css keeps it on one row."""
        for number, row, rows, x in ((129, 50, 1, 200), (1129, 75, 1, 300), (2129, 100, 2, 400)):
            with open(png_path(number), "rb") as f:
                width, _, _, rgba = wi.decode_png(f.read())
            lum = [sum(rgba[(y * width + x) * 4:(y * width + x) * 4 + 3]) for y in range(row - 2, row + rows + 2)]
            ground = lum[0]
            with self.subTest(number):
                self.assertTrue(all(v > ground + 30 for v in lum[2:2 + rows]), lum)
                self.assertTrue(all(abs(v - ground) <= 6 for v in lum[:2] + lum[2 + rows:]), lum)

    def test_larger_picker_tiles_are_calm_and_seamless_at_their_size_and_one_less(self):
        """The picker tiles the picture less its last row and column, as at 1x (199 of 200)."""
        for number in (1148, 2148):
            with open(png_path(number), "rb") as f:
                size, _, _, rgba = wi.decode_png(f.read())
            lum = [[(299 * rgba[(y * size + x) * 4] + 587 * rgba[(y * size + x) * 4 + 1]
                     + 114 * rgba[(y * size + x) * 4 + 2]) / 1000 for x in range(size)] for y in range(size)]
            values = [v for line in lum for v in line]
            mean = sum(values) / len(values)
            spread = (sum((v - mean) ** 2 for v in values) / len(values)) ** 0.5
            with self.subTest(number):
                self.assertEqual(min(rgba[3::4]), 255)
                self.assertTrue(45 < mean < 110 and spread < 12, "mean %.1f, spread %.1f" % (mean, spread))
            for period in (size - 1, size):
                def column_step(a, b):
                    return sum(abs(lum[y][a] - lum[y][b]) for y in range(period)) / period
                def row_step(a, b):
                    return sum(abs(lum[a][x] - lum[b][x]) for x in range(period)) / period
                inner_columns = sum(column_step(x, x + 1) for x in range(period - 1)) / (period - 1)
                inner_rows = sum(row_step(y, y + 1) for y in range(period - 1)) / (period - 1)
                with self.subTest(number, period=period):
                    self.assertLess(column_step(period - 1, 0), 1.6 * inner_columns + 0.5)
                    self.assertLess(row_step(period - 1, 0), 1.6 * inner_rows + 0.5)

    def test_magnifier_frame_band_is_4_pixels_times_the_factor(self):
        for number, band in ((MAGNIFIER_FRAME + 1000, 6), (MAGNIFIER_FRAME + 2000, 8)):
            with open(png_path(number), "rb") as f:
                width, height, _, rgba = wi.decode_png(f.read())
            wrong = []
            for y in range(0, height, 1 if number > 2000 else 3):
                for x in range(width):
                    inside = min(x, y, width - 1 - x, height - 1 - y) < band
                    if rgba[(y * width + x) * 4:(y * width + x) * 4 + 4] != (b"\0\0\0\x55" if inside else bytes(4)):
                        wrong.append((x, y))
            self.assertEqual(wrong[:5], [], number)


@unittest.skipUnless(HAVE_MAGICK, "ImageMagick's convert is not installed")
class DrawnNotBlownUp(unittest.TestCase):
    """A larger picture shrunk back to 1x is the 1x picture, and it is sharper than the 1x one enlarged."""

    SMALL = sorted(set(ICON_IDS) | {149} | {first + k for first in (131, 171, 181, 191) for k in range(10)})

    def test_shrunk_to_1x_the_larger_pictures_are_the_1x_one(self):
        for number in sorted(n for n in rc_pictures() if n < 1000):
            w, h, base = magick(png_path(number))
            base = premultiplied(base)
            for offset in STEPS:
                with self.subTest(number + offset):
                    if offset == 1000 and number in ICON_IDS:
                        # Grid-fitted: undone exactly, so the comparison is as tight as at 2x.
                        W, H, big = magick(png_path(number + offset))
                        back = fold_grid_fit(premultiplied(big), W, H)
                    else:
                        back = premultiplied(magick(png_path(number + offset), "-filter", "Box",
                                                    "-resize", "%dx%d!" % (w, h))[2])
                    self.assertLess(mean_difference(back, base), 0.02)

    def test_a_wrong_picture_would_not_pass_as_the_1x_one(self):
        # The tolerance above tells two icons apart, and two frames five steps apart.
        for a, b in ((152, 1153), (169, 1170), (131, 2136), (171, 1181)):
            w, h, base = magick(png_path(a))
            if b - 1000 in ICON_IDS and b < 2000:
                W, H, big = magick(png_path(b))
                back = fold_grid_fit(premultiplied(big), W, H)
            else:
                back = premultiplied(magick(png_path(b), "-filter", "Box", "-resize", "%dx%d!" % (w, h))[2])
            self.assertGreater(mean_difference(back, premultiplied(base)), 0.04, (a, b))

    def check_sharper_than_resizes(self, number, offset, path=None):
        W, H, drawn = magick(path or png_path(number + offset))
        drawn = premultiplied(drawn)
        energy = edge_energy(drawn, W, H)
        for name, least in (("Triangle", 1.4), ("Lanczos", 1.2)):
            blown = premultiplied(magick(png_path(number), "-filter", name, "-resize", "%dx%d!" % (W, H))[2])
            self.assertGreater(energy, least * edge_energy(blown, W, H), "no sharper than a %s resize" % name)
        # Repeating pixels keeps the steps as large as the 1x picture's, so it is told apart by being itself: the
        # drawing differs from it clearly along its edges (a picture of edges) or all over (the grain of the tile).
        repeated = premultiplied(magick(png_path(number), "-filter", "Point", "-resize", "%dx%d!" % (W, H))[2])
        edges = sum(1 for i in range(0, len(drawn), 4) if max(abs(drawn[i + c] - repeated[i + c]) for c in range(4)) > 24)
        self.assertTrue(edges > W * H * 0.005 or mean_difference(drawn, repeated) > 0.003,
                        "the 1x picture with its pixels repeated")

    def test_small_pictures_are_sharper_than_the_1x_one_enlarged(self):
        for number in self.SMALL:
            for offset in STEPS:
                with self.subTest(number + offset):
                    self.check_sharper_than_resizes(number, offset)

    def test_large_pictures_are_sharper_than_the_1x_one_enlarged(self):
        # The magnifier's frame is one flat band: any resize gives it, and its own test checks it exactly.
        for number in (129, 205, 148):
            for offset in STEPS:
                with self.subTest(number + offset):
                    self.check_sharper_than_resizes(number, offset)

    def test_the_check_fails_for_a_resize(self):
        with tempfile.TemporaryDirectory(prefix="orvel-art-") as tmp:
            path = os.path.join(tmp, "blown.png")
            for name in ("Triangle", "Lanczos", "Point", "Mitchell"):
                with self.subTest(name):
                    subprocess.run([CONVERT, png_path(152), "-filter", name, "-resize", "48x48!", "PNG32:" + path],
                                   check=True)
                    with self.assertRaises(AssertionError):
                        self.check_sharper_than_resizes(152, 2000, path)


@unittest.skipUnless(HAVE_MAGICK, "ImageMagick's convert is not installed")
class IconOutlinesAt150(unittest.TestCase):
    """Where a 1x icon has a hard edge (its 1-pixel outlines), the 1.5x icon has one too, not a half-grey pixel."""

    STRAIGHT = (144, 152, 153, 155, 156)     # drawn of straight lines: nearly every edge must stay hard

    @staticmethod
    def kept_edges(small, big, w, h):
        """(hard steps between neighbouring 1x pixels, how many the 1.5x picture keeps at least 3/4 as hard).
        1x edge b lies at b + b // 2 in the 1.5x picture, where grid-fit.py puts it."""
        def at(b):
            return b + b // 2
        W = at(w)
        def px(img, width, x, y):
            return img[(y * width + x) * 4:(y * width + x) * 4 + 4]
        hard = kept = 0
        pairs = [((x - 1, y), (x, y)) for y in range(h) for x in range(1, w)]
        pairs += [((x, y - 1), (x, y)) for y in range(1, h) for x in range(w)]
        for (ax, ay), (bx, by) in pairs:
            step = max(abs(u - v) for u, v in zip(px(small, w, ax, ay), px(small, w, bx, by)))
            if step < 128:
                continue
            hard += 1
            if bx != ax:                       # a vertical edge, looked at in the middle of its row
                X, Y = at(bx), at(by) + (at(by + 1) - at(by)) // 2
                pair = px(big, W, X - 1, Y), px(big, W, X, Y)
            else:
                X, Y = at(bx) + (at(bx + 1) - at(bx)) // 2, at(by)
                pair = px(big, W, X, Y - 1), px(big, W, X, Y)
            kept += max(abs(u - v) for u, v in zip(*pair)) >= 0.75 * step
        return hard, kept

    def shares(self, big_of):
        out = {}
        for number in ICON_IDS:
            w, h, small = magick(png_path(number))
            hard, kept = self.kept_edges(premultiplied(small), premultiplied(big_of(number)), w, h)
            out[number] = (hard, kept)
        return out

    def check(self, shares):
        for number in self.STRAIGHT:
            hard, kept = shares[number]
            self.assertGreater(kept, 0.85 * hard, "icon %d keeps %d of %d hard edges" % (number, kept, hard))
        hard = sum(v[0] for v in shares.values())
        self.assertGreater(sum(v[1] for v in shares.values()), 0.75 * hard)

    def test_hard_1x_edges_stay_hard(self):
        self.check(self.shares(lambda number: magick(png_path(number + 1000))[2]))

    @unittest.skipUnless(shutil.which("rsvg-convert"), "rsvg-convert is not installed")
    def test_a_plain_render_at_1_5x_fails(self):
        with tempfile.TemporaryDirectory(prefix="orvel-art-") as tmp:
            sheet = os.path.join(tmp, "sheet.png")
            subprocess.run(["rsvg-convert", "-w", "396", "-h", "36", os.path.join(RES, "art", "icons24.svg"),
                            "-o", sheet], check=True)
            cell = {n: i for i, n in enumerate(ICON_IDS)}
            with self.assertRaises(AssertionError):
                self.check(self.shares(lambda number: magick(sheet, "-crop", "36x36+%d+0" % (cell[number] * 36),
                                                             "+repage")[2]))


@unittest.skipUnless(HAVE_MAGICK, "ImageMagick's convert is not installed")
class BackgroundOutline(unittest.TestCase):
    """The settings window's shape at 150 % and 200 % is cut from 1129 and 2129: it must be 129's shape."""

    def check_outline(self, number, *extra):
        w, h, base = magick(png_path(129))
        mask = [base[i + 3] > 0 for i in range(0, len(base), 4)]

        def near_edge(i):
            """Within two pixels of the outline (beyond the picture's edge is outside the shape). Two, because
            the light line along the notch leaves faint specks beside the shape at 1x that a finer drawing
            resolves into a hairline of its own, which shrinks away."""
            x, y = i % w, i // w
            return any((0 <= x + dx < w and 0 <= y + dy < h and mask[(y + dy) * w + x + dx]) != mask[i]
                       for dx in range(-2, 3) for dy in range(-2, 3))
        edge = sum(1 for i in range(len(mask)) if near_edge(i))
        # The outline as a picture of its own, shrunk with area averaging and cut at one half.
        _, _, small = magick(png_path(number), "-alpha", "extract", "-threshold", "0", "-filter", "Box",
                             "-resize", "%dx%d!" % (w, h), *extra)
        shrunk = [small[i] >= 128 for i in range(0, len(small), 4)]
        differ = [i for i in range(len(mask)) if shrunk[i] != mask[i]]
        self.assertEqual([(i % w, i // w) for i in differ if not near_edge(i)][:5], [],
                         "the shape differs away from its outline")
        self.assertLess(len(differ), edge // 4, "the outline is off along much of its length")

    def test_larger_outlines_shrunk_to_1x_lie_within_two_pixels_of_the_1x_outline(self):
        for number in (1129, 2129):
            with self.subTest(number):
                self.check_outline(number)

    def test_an_outline_three_pixels_off_fails(self):
        with self.assertRaises(AssertionError):
            self.check_outline(2129, "-resize", "664x494!", "-background", "black", "-gravity", "center",
                               "-extent", "670x500")


if __name__ == "__main__":
    unittest.main(verbosity=1)
