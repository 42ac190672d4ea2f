"""End-to-end tests of the settings window at 96, 144 and 192 DPI: its size, where its markers, Default button and
caption boxes are drawn and answer, the photograph's artwork, and a DPI change played to the shown window.

Wine has one DPI for the whole desktop, fixed when its server starts: each class runs in a prefix whose desktop is
at its DPI, and a change of DPI is played through the test channel (WM_DPICHANGED as Windows sends it)."""

import re
import subprocess
import time
import unittest
from pathlib import Path

import test_switcher
from harness import SCREEN, SETTINGS_KEY, TITLE, TRAY_ICON, WineTestCase, dpi_version, rgb_at, wait_until

PNG = Path(__file__).resolve().parents[2] / "resources" / "png"


def px(value, dpi):
    """A 96-DPI figure at `dpi`, rounded half away from zero as the program rounds it."""
    scaled = (abs(value) * dpi + 48) // 96
    scaled = max(scaled, 1) if value else 0
    return scaled if value >= 0 else -scaled


def expected_geometry(dpi):
    """The window's size and the fixed places of the view at `dpi`, in client pixels."""
    box = lambda left: (px(left, dpi), px(14, dpi), px(left, dpi) + px(20, dpi), px(14, dpi) + px(20, dpi))
    return {
        "size": (px(670, dpi), px(500, dpi)),
        "default": (px(500, dpi), px(50, dpi), px(600, dpi), px(82, dpi)),
        "minimize": box(598),
        "close": box(626),
    }


def art_step(dpi):
    return "" if dpi <= 96 else ("1" if dpi <= 144 else "2")


def artwork(dpi, name):
    """The PNG of picture `name` (129, 205) the program carries for `dpi`, or None while it has not got it."""
    path = PNG / (art_step(dpi) + name + ".png") if dpi > 96 else PNG / (name + ".png")
    return path if path.exists() else None


def composite_rgb(background, photo, x, y):
    """The photograph composited over the background at (x, y), as raw RGB bytes with the picture's size."""
    size = subprocess.run(["/usr/bin/identify", "-format", "%w %h", str(background)], check=True, timeout=30,
                          stdout=subprocess.PIPE).stdout.decode().split()
    raw = subprocess.run(["/usr/bin/convert", str(background), str(photo), "-geometry", "+%d+%d" % (x, y),
                          "-composite", "-background", "black", "-alpha", "remove", "-depth", "8", "rgb:-"],
                         check=True, timeout=30, stdout=subprocess.PIPE).stdout
    return int(size[0]), int(size[1]), raw


class SettingsAtDpi(WineTestCase):
    """What every DPI checks; the subclasses name the DPI."""

    dpi = 96

    def start_view(self):
        self.wine.reg_import({SETTINGS_KEY: {"bt3": 15, "bt4": 14}})
        program = self.start_and_wait_visible()
        self.wine.wait_trace("start-up done")
        self.wine.wait_trace("view-geometry")
        time.sleep(0.5)
        return program

    def window_rect(self):
        return self.main_window()["rect"]

    def last_line(self, pattern):
        found = None
        for line in self.wine.trace():
            m = re.match(pattern, line.text)
            if m:
                found = m
        return found

    def geometry(self):
        """The view's fixed places as it reported them with the latest scale."""
        m = self.last_line(r"view-geometry dpi=(\d+) size=(\d+)x(\d+) default=([-\d,]+) minimize=([-\d,]+) "
                           r"close=([-\d,]+)$")
        self.assertTrue(m, "the view reported no geometry")
        rect = lambda text: tuple(int(v) for v in text.split(","))
        return {"dpi": int(m.group(1)), "size": (int(m.group(2)), int(m.group(3))), "default": rect(m.group(4)),
                "minimize": rect(m.group(5)), "close": rect(m.group(6))}

    def markers(self):
        m = self.last_line(r"view-markers bt3=(-?\d+),(-?\d+),(-?\d+),(-?\d+) (.*) \| "
                           r"bt4=(-?\d+),(-?\d+),(-?\d+),(-?\d+) (.*)$")
        self.assertTrue(m, "the view reported no markers")
        g = m.groups()
        return {3: (tuple(map(int, g[0:4])), g[4]), 4: (tuple(map(int, g[5:9])), g[9])}

    def screen_pixel(self, raw, x, y, origin=None):
        """Client pixel (x, y) of a screen dump; `origin`: the window's top left (asked for when not given)."""
        left, top = origin or self.window_rect()[:2]
        return rgb_at(raw, SCREEN[0], left + x, top + y)

    def click_client(self, x, y):
        left, top, _, _ = self.window_rect()
        self.wine.click(left + x, top + y)
        time.sleep(0.4)

    def check_size_and_places(self, dpi):
        want = expected_geometry(dpi)
        rect = self.window_rect()
        self.assertEqual((rect[2] - rect[0], rect[3] - rect[1]), want["size"], "the window's size at %d DPI" % dpi)
        got = self.geometry()
        self.assertEqual(got["dpi"], dpi)
        self.assertEqual(got["size"], want["size"], "the picture's size")
        for part in ("default", "minimize", "close"):
            self.assertEqual(got[part], want[part], part)
        markers = self.markers()
        f = dpi / 96
        (l3, t3, r3, b3), _ = markers[3]
        (l4, t4, r4, b4), _ = markers[4]
        # bt4's label starts 24 pixels (at 100 %) right of its anchor at x 375, whatever it reads; both markers
        # are a line of the scaled label font high.
        self.assertLessEqual(abs(l4 - (375 + 24) * f), 1, "bt4's marker starts at %d" % l4)
        self.assertLessEqual(abs(r3 - (288 - 24 + 2) * f - (b3 - t3 - 1)), 2, "bt3's marker ends at %d" % r3)
        for top, bottom in ((t3, b3), (t4, b4)):
            self.assertTrue(19 * f <= bottom - top <= 27 * f, "marker height %d at %d DPI" % (bottom - top, dpi))
        return got, markers

    def check_drawn_parts(self, raw, geometry, dpi, name):
        origin = self.window_rect()[:2]
        pixel = lambda x, y: self.screen_pixel(raw, x, y, origin)
        # The light (yellow) segments of both leader lines, where they run at 100 % scaled.
        for x, y in ((310, 268), (384, 251)):
            sx, sy = round(x * dpi / 96), int(y * dpi / 96)
            r, g, b = pixel(sx, sy)
            self.assertTrue(r > 180 and g > 180 and b < 90, "%s: leader line at %d,%d is %r" % (name, sx, sy,
                                                                                               (r, g, b)))
        # Default: a white outline along its left edge around a fill darker than the background beside it.
        dl, dt, dr, db = geometry["default"]
        middle = (dt + db) // 2
        self.assertGreater(max(min(pixel(x, middle)) for x in range(dl - 1, dl + 2)), 180, name + ": Default's edge")
        self.assertLess(sum(pixel(dl + px(10, dpi), dt + px(6, dpi))), sum(pixel(dl - px(10, dpi), dt + px(6, dpi))),
                        name + ": Default's fill is darker than the background")
        # Minimize's bar and Close's cross, lighter than the boxes' fill around them (those the screen shows:
        # at 200 % the window is wider than this 1280-pixel screen).
        left = origin[0]
        for box, glyph, inside in (("minimize", (10, 10), (4, 4)), ("close", (10, 10), (10, 6))):
            bl, bt, br, _ = geometry[box]
            if left + br >= SCREEN[0]:
                continue
            gx, gy = bl + px(glyph[0], dpi), bt + px(glyph[1], dpi)
            lit = max(sum(pixel(gx, y)) for y in range(gy - 1, gy + 2))
            dark = sum(pixel(bl + px(inside[0], dpi), bt + px(inside[1], dpi)))
            self.assertGreater(lit, dark + 120, "%s: %s's glyph at %d,%d" % (name, box, gx, gy))

    def check_photograph(self, raw, dpi):
        background, photo = artwork(dpi, "129"), artwork(dpi, "205")
        if dpi > 96 and (background is None or photo is None):
            return "the %sx artwork (resources/png/%s129.png, %s205.png) is not in this tree yet" % (
                "1.5" if dpi <= 144 else "2", art_step(dpi), art_step(dpi))
        width, height, want = composite_rgb(background, photo, px(70, dpi), px(90, dpi))
        self.assertEqual((width, height), expected_geometry(dpi)["size"], "the artwork's size")
        # Patches of the photograph with the most detail (the ring under the ball, the scroll wheel), clear of
        # the leader lines and markers drawn over it; each compared pixel by pixel with the artwork composited
        # as the program draws it. A photograph one pixel off its place already differs by more than 10.
        origin = self.window_rect()[:2]
        worst = []
        for cx, cy in ((344, 220), (304, 236), (232, 236)):
            x0, y0 = px(cx, dpi), px(cy, dpi)
            diffs = []
            for y in range(y0, y0 + px(16, dpi)):
                for x in range(x0, x0 + px(16, dpi)):
                    got = self.screen_pixel(raw, x, y, origin)
                    offset = (y * width + x) * 3
                    diffs.append(sum(abs(a - b) for a, b in zip(got, want[offset:offset + 3])) / 3)
            worst.append(sum(diffs) / len(diffs))
        self.assertLess(max(worst), 6, "the photograph differs from the artwork (mean per patch %r)" % worst)
        return None

    def check_clicks(self, geometry, markers):
        # A marker opens the picker below it, 40 pixels (at 100 %) in from its left edge.
        left, top, _, _ = self.window_rect()
        (l3, t3, r3, b3), _ = markers[3]
        self.click_client((l3 + r3) // 2, (t3 + b3) // 2)
        opened = self.wine.wait_trace("picker-open")
        opens = [l.text for l in opened if l.is_event("picker-open")]
        want = "picker-open slot=3 at=%d,%d" % (left + l3 + px(40, self.dpi) + 1, top + b3 + px(4, self.dpi) + 1)
        self.assertIn(want, opens, "the picker's place")
        self.wine.key("Escape")
        time.sleep(0.5)
        # Default brings Forward and Backward back.
        dl, dt, dr, db = geometry["default"]
        self.click_client((dl + dr) // 2, (dt + db) // 2)
        values = wait_until(lambda: self.wine.settings() if self.wine.settings()["bt3"] == ("REG_DWORD", 13) else
                            None, 5, interval=0.2)
        self.assertTrue(values, "Default did not reset: %r" % (self.wine.settings(),))
        self.assertEqual(values["bt4"], ("REG_DWORD", 12))
        # Minimize, from its scaled box.
        ml, mt, mr, mb = geometry["minimize"]
        self.click_client((ml + mr) // 2, (mt + mb) // 2)
        self.assertTrue(wait_until(lambda: self.main_window()["iconic"], 3, interval=0.1), "not minimised")

    def run_at_dpi(self):
        program = self.start_view()
        geometry, markers = self.check_size_and_places(self.dpi)
        self.wine.xdotool("mousemove", 5, SCREEN[1] - 5)
        time.sleep(0.4)
        raw = self.wine.screenshot("settings-%ddpi" % self.dpi)
        self.check_drawn_parts(raw, geometry, self.dpi, "at start")
        skipped = self.check_photograph(raw, self.dpi)
        self.check_clicks(geometry, markers)
        self.assertTrue(program.running())
        if skipped:
            self.skipTest("all else passed; the photograph's pixels were not compared: " + skipped)

    def run_dpi_change(self, to):
        """`channel dpi TO FROM` on the shown window: it takes the suggested size and draws at the new scale."""
        self.start_view()
        before = self.window_rect()
        self.channel("dpi", to, self.dpi)
        played = self.wine.wait_trace("dpi-played")
        self.assertTrue(any(l.text.startswith("dpi-played dpi=%d " % to) for l in played))
        want = expected_geometry(to)
        resized = wait_until(lambda: self.window_rect() if (self.window_rect()[2] - self.window_rect()[0],
                                                            self.window_rect()[3] - self.window_rect()[1]) ==
                             want["size"] else None, 5, interval=0.1)
        self.assertTrue(resized, "the window kept %r" % (self.window_rect(),))
        self.assertEqual(resized[:2], before[:2], "the suggested rectangle keeps the top left")
        self.assertTrue(wait_until(lambda: self.geometry()["dpi"] == to, 5, interval=0.2), "no repaint at %d" % to)
        geometry = self.geometry()
        for part in ("size", "default", "minimize", "close"):
            self.assertEqual(geometry[part], want[part], part)
        scales = [l.text for l in self.wine.trace() if l.is_event("view-scale")]
        self.assertEqual(scales[-1], "view-scale dpi=%d size=%dx%d" % ((to,) + want["size"]))
        self.wine.xdotool("mousemove", 5, SCREEN[1] - 5)
        time.sleep(0.5)
        raw = self.wine.screenshot("after-dpi-%d" % to)
        self.check_drawn_parts(raw, geometry, to, "after the change")
        # The hit areas moved with the picture: the Default button answers in its new place (which at the old
        # scale was empty photograph or beyond the window).
        dl, dt, dr, db = geometry["default"]
        self.click_client((dl + dr) // 2, (dt + db) // 2)
        values = wait_until(lambda: self.wine.settings() if self.wine.settings()["bt3"] == ("REG_DWORD", 13) else
                            None, 5, interval=0.2)
        self.assertTrue(values, "Default did not reset after the change: %r" % (self.wine.settings(),))


class SettingsAt96(SettingsAtDpi):
    prefix_version = dpi_version(96)
    dpi = 96

    def test_settings_window_at_96_dpi(self):
        self.run_at_dpi()

    def test_dpi_change_96_to_144(self):
        self.run_dpi_change(144)
        # Minimised, the window hears of the next change too, and comes back at the size of the new scale.
        geometry = self.geometry()
        ml, mt, mr, mb = geometry["minimize"]
        self.click_client((ml + mr) // 2, (mt + mb) // 2)
        self.assertTrue(wait_until(lambda: self.main_window()["iconic"], 3, interval=0.1), "not minimised")
        self.channel("dpi", 192, 144)
        changed = wait_until(lambda: [l for l in self.wine.trace() if l.is_event("view-dpi-changed") and
                                      l.text.startswith("view-dpi-changed dpi=192 ")], 5)
        self.assertTrue(changed, "the minimised window heard nothing")
        self.assertIn("place=0", changed[-1].text, "a minimised window is not moved")
        self.wine.xdotool("mousemove", *TRAY_ICON)
        time.sleep(0.2)
        self.wine.xdotool("click", "--repeat", "2", "--delay", "80", 1)
        self.assertTrue(wait_until(lambda: not self.main_window()["iconic"], 5, interval=0.1), "not restored")
        want = expected_geometry(192)["size"]
        restored = wait_until(lambda: self.window_rect() if tuple(
            (lambda r: (r[2] - r[0], r[3] - r[1]))(self.window_rect())) == want else None, 5, interval=0.1)
        self.assertTrue(restored, "restored at %r, not %r" % (self.window_rect(), want))
        self.assertTrue(wait_until(lambda: self.geometry()["dpi"] == 192, 5, interval=0.2), "no repaint at 192")


class SettingsAt144(SettingsAtDpi):
    prefix_version = dpi_version(144)
    dpi = 144

    def test_settings_window_at_144_dpi(self):
        self.run_at_dpi()

    def test_dpi_change_144_to_192(self):
        self.run_dpi_change(192)


class SettingsAt192(SettingsAtDpi):
    prefix_version = dpi_version(192)
    dpi = 192

    def test_settings_window_at_192_dpi(self):
        self.run_at_dpi()


class SettingsPictureAfterDpiChange(test_switcher.SwitcherTestCase):
    """The switcher's picture of the settings window comes from the frame it last presented; after a DPI change
    that frame is larger, and the cell still shows the window, not the placeholder. Without composition (the
    Windows 7 prefix), where the program's own window is asked for its picture."""

    prefix_version = "win7"

    def test_the_switcher_pictures_the_settings_window_at_its_new_size(self):
        program = self.start_program()
        self.start_windows()
        self.wine.wininfo("pulse", "qvmouseeventtouch")  # the window shows, as for a second start
        held, found = self.wine.windows(title=TITLE, until="visible", timeout=10)
        self.assertTrue(held, "the settings window did not show: %r" % found)
        self.wine.wait_trace("view-geometry")
        self.channel("dpi", 144, 96)
        rescaled = wait_until(lambda: [l for l in self.events("view-geometry") if " dpi=144 " in l.text], 5)
        self.assertTrue(rescaled, "the window did not draw at 144 DPI")
        main = self.main_window()
        self.assertEqual((main["rect"][2] - main["rect"][0], main["rect"][3] - main["rect"][1]), (1005, 750))
        self.wine.xdotool("mousemove", *test_switcher.REST)
        self.request()
        cells = self.overview(1)
        self.wine.wait_trace("switcher-first-frame")
        time.sleep(0.8)
        shot = self.wine.screenshot("own-picture-after-dpi")
        ours = [(rect, facts) for hwnd, rect, facts in cells if hwnd == main["hwnd"]]
        self.assertEqual(len(ours), 1, "the settings window is not listed: %r" % cells)
        self.assertEqual(ours[0][1]["picture"], "1", "the settings window got the placeholder")
        own = [l for l in self.events("switcher-picture") if "own=1" in l.text]
        self.assertIn("outcome=painted", own[-1].text)
        l, t, r, b = ours[0][0]
        points = [(x, y) for y in range(t + 4, (t + b) // 2, 5) for x in range(l + 4, r - 4, 5)]
        bluish = sum(1 for x, y in points
                     if test_switcher.OwnWindowPicture.placeholder_like(rgb_at(shot, SCREEN[0], x, y)))
        self.assertLess(bluish, 0.5 * len(points), "the settings window's cell looks like the placeholder")
        self.key("Escape")
        self.wait_ended(1)
        self.assertTrue(program.running())


if __name__ == "__main__":
    unittest.main()
